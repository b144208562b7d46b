#include <uikit/UINavigationController.hpp>

#include <foundation/NSThread.hpp>
#include <uikit/UINavigationBar.hpp>
#include <uikit/UINavigationItem.hpp>
#include <uikit/UIScreen.hpp>
#include <uikit/UITableView.hpp>

#include <algorithm>
#include <cstdio>

static const Class s_class = objc::registerClass<UINavigationController>("UINavigationController", "UIViewController");

namespace {

void refuse(const char* what)
{
    std::fprintf(stderr, "UINavigationController: %s; ignored\n", what);
}

// A navigation controller pushed with its bar hidden shows its pages' items in the bar above.
void collectItems(const UINavigationController& navigation, UINavigationBar::Items& items)
{
    for (auto& page : navigation.viewControllers()) {
        auto inner = std::dynamic_pointer_cast<UINavigationController>(page);
        if (inner && inner->isNavigationBarHidden())
            collectItems(*inner, items);
        else
            items.push_back(page->navigationItem());
    }
}

}

UINavigationController::UINavigationController()
    : m_navigationBar(std::make_shared<UINavigationBar>())
{
}

std::shared_ptr<UINavigationController> UINavigationController::initWithRootViewController(std::shared_ptr<UIViewController> root)
{
    auto navigation = std::make_shared<UINavigationController>();
    navigation->pushViewController(std::move(root), false);
    return navigation;
}

std::shared_ptr<UIViewController> UINavigationController::topViewController() const
{
    const auto& pages = viewControllers();
    return pages.empty() ? nullptr : pages.back();
}

std::shared_ptr<UIViewController> UINavigationController::visibleViewController() const
{
    if (auto presented = presentedViewController())
        return presented;
    return topViewController();
}

bool UINavigationController::isNavigationBarHidden() const
{
    return m_navigationBar->isHidden();
}

void UINavigationController::setNavigationBarHidden(bool hidden, bool)
{
    m_navigationBar->setHidden(hidden);
    updateNavigationBar();
    if (isViewLoaded())
        viewWillLayoutSubviews();
}

void UINavigationController::pushViewController(std::shared_ptr<UIViewController> page, bool animated)
{
    if (!NSThread::isMainThread()) {
        refuse("push asked for off the main thread");
        return;
    }
    if (!page || page->parentViewController() || page->presentingViewController()) {
        refuse("only a page outside any stack and not presented can be pushed");
        return;
    }
    auto previous = topViewController();
    size_t depth = viewControllers().size();
    addChildViewController(page);
    if (viewControllers().size() == depth) // refused as this controller or an ancestor
        return;
    updateNavigationBar();
    if (!isViewLoaded())
        return;
    bool isOnScreen = isAppearingOrVisible();
    if (isOnScreen && previous)
        previous->beginAppearanceTransition(false, animated);
    showTopPage();
    if (isOnScreen)
        page->beginAppearanceTransition(true, animated);
    if (!isOnScreen) {
        removeHiddenPageViews();
        return;
    }
    auto protect = std::static_pointer_cast<UINavigationController>(weak_from_this().lock());
    afterTransition(animated, [protect, previous, page] {
        protect->removeHiddenPageViews();
        if (previous)
            previous->endAppearanceTransition();
        page->endAppearanceTransition();
    });
}

std::shared_ptr<UIViewController> UINavigationController::popViewControllerAnimated(bool animated)
{
    auto popped = popToDepth(viewControllers().size() - std::min<size_t>(viewControllers().size(), 1), animated);
    return popped.empty() ? nullptr : popped.back();
}

UIViewController::Controllers UINavigationController::popToRootViewControllerAnimated(bool animated)
{
    return popToDepth(1, animated);
}

UIViewController::Controllers UINavigationController::popToDepth(size_t depth, bool animated)
{
    if (!NSThread::isMainThread()) {
        refuse("pop asked for off the main thread");
        return {};
    }
    const auto& pages = viewControllers();
    if (depth < 1 || depth >= pages.size())
        return {};
    Controllers popped(pages.begin() + static_cast<std::ptrdiff_t>(depth), pages.end());
    auto revealed = pages[depth - 1];
    bool isOnScreen = isViewLoaded() && isAppearingOrVisible();
    if (isOnScreen) {
        popped.back()->beginAppearanceTransition(false, animated);
        revealed->beginAppearanceTransition(true, animated);
    }
    for (auto& page : popped) {
        page->removeFromParentViewController();
        // Out of this stack, no bar of this one lies over a nested stack any more.
        if (auto* nested = dynamic_cast<UINavigationController*>(page.get()))
            nested->m_coveredHeight = 0;
    }
    updateNavigationBar();
    if (isViewLoaded())
        showTopPage();
    auto finish = [popped, revealed, container = isViewLoaded() ? view() : nullptr] {
        for (auto& page : popped) {
            if (container && page->isViewLoaded() && page->view()->superview() == container.get())
                page->view()->removeFromSuperview();
            page->endAppearanceTransition();
        }
        revealed->endAppearanceTransition();
    };
    if (isOnScreen)
        afterTransition(animated, finish);
    else
        finish();
    return popped;
}

void UINavigationController::loadView()
{
    UIViewController::loadView();
    m_navigationBar->setNavigationController(std::static_pointer_cast<UINavigationController>(weak_from_this().lock()));
    view()->addSubview(m_navigationBar);
    if (topViewController())
        showTopPage();
    viewWillLayoutSubviews();
}

void UINavigationController::viewWillLayoutSubviews()
{
    if (!isViewLoaded())
        return;
    auto bounds = view()->bounds();
    CGFloat barTop = std::min(m_coveredHeight, bounds.size.height);
    m_navigationBar->setFrame(CGRectMake(bounds.origin.x, bounds.origin.y + barTop, bounds.size.width, navigationBarHeight));
    if (auto top = topViewController())
        placeTopPage(*top);
}

UIViewController::Controllers UINavigationController::appearanceChildren() const
{
    if (auto top = topViewController())
        return { top };
    return {};
}

// As on the platform, the page lies under translucent bars and below an opaque one. Under them a
// table starts scrolled to the top of its inset, so its rows begin below the bars and show through
// them once scrolled; a nested navigation controller hands the height on to its own page. Other
// pages start below the bars: the stand-in has no safe areas to tell them where the bars end.
void UINavigationController::placeTopPage(UIViewController& page)
{
    auto bounds = view()->bounds();
    CGFloat barHeight = isNavigationBarHidden() ? 0 : navigationBarHeight;
    CGFloat covered = std::clamp(m_coveredHeight + barHeight, 0.0, bounds.size.height);
    bool isBarOpaque = !isNavigationBarHidden() && !m_navigationBar->isTranslucent();
    auto* nested = dynamic_cast<UINavigationController*>(&page);
    auto table = nested ? nullptr : std::dynamic_pointer_cast<UITableView>(page.view());
    CGFloat inset = isBarOpaque || !(nested || table) ? 0 : covered;
    CGRect frame = bounds;
    frame.origin.y += covered - inset;
    frame.size.height -= covered - inset;
    if (nested)
        nested->m_coveredHeight = inset;
    placeView(page, frame);
    if (table) {
        table->setContentInsetTop(inset);
        table->setBounds(CGRectMake(table->bounds().origin.x, -inset, frame.size.width, frame.size.height));
    }
}

// Puts the top page's view in front of the other pages and behind the bar.
void UINavigationController::showTopPage()
{
    auto top = topViewController();
    if (!top)
        return;
    placeTopPage(*top);
    view()->addSubview(top->view());
    view()->bringSubviewToFront(m_navigationBar);
}

void UINavigationController::removeHiddenPageViews()
{
    auto top = topViewController();
    for (auto& page : viewControllers()) {
        if (page != top && page->isViewLoaded() && page->view()->superview() == view().get())
            page->view()->removeFromSuperview();
    }
}

void UINavigationController::updateNavigationBar()
{
    UINavigationBar::Items items;
    collectItems(*this, items);
    m_navigationBar->setItems(std::move(items));
    if (auto outer = navigationController())
        outer->updateNavigationBar();
}
