#include <uikit/UINavigationController.hpp>

#include <foundation/NSThread.hpp>
#include <uikit/UINavigationBar.hpp>
#include <uikit/UINavigationItem.hpp>
#include <uikit/UIScreen.hpp>

#include <algorithm>
#include <cstdio>

static const Class s_class = objc::registerClass<UINavigationController>("UINavigationController", "UIViewController");

namespace {

void refuse(const char* what)
{
    std::fprintf(stderr, "UINavigationController: %s; ignored\n", what);
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
    for (auto& page : popped)
        page->removeFromParentViewController();
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
    m_navigationBar->setFrame(CGRectMake(bounds.origin.x, bounds.origin.y, bounds.size.width, navigationBarHeight));
    if (auto top = topViewController())
        placeView(*top, contentFrame());
}

UIViewController::Controllers UINavigationController::appearanceChildren() const
{
    if (auto top = topViewController())
        return { top };
    return {};
}

CGRect UINavigationController::contentFrame()
{
    auto frame = view()->bounds();
    if (isNavigationBarHidden())
        return frame;
    CGFloat barHeight = std::min(navigationBarHeight, frame.size.height);
    frame.origin.y += barHeight;
    frame.size.height -= barHeight;
    return frame;
}

// Puts the top page's view in front of the other pages and behind the bar.
void UINavigationController::showTopPage()
{
    auto top = topViewController();
    if (!top)
        return;
    placeView(*top, contentFrame());
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
    for (auto& page : viewControllers())
        items.push_back(page->navigationItem());
    m_navigationBar->setItems(std::move(items));
}
