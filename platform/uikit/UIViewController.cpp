#include <uikit/UIViewController.hpp>

#include <foundation/NSRunLoop.hpp>
#include <foundation/NSThread.hpp>
#include <uikit/UINavigationController.hpp>
#include <uikit/UINavigationItem.hpp>
#include <uikit/UIScreen.hpp>
#include <uikit/UIView.hpp>
#include <uikit/UIWindow.hpp>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <exception>
#include <utility>
#include <map>

static const Class s_class = objc::registerClass<UIViewController>("UIViewController", "UIResponder");

namespace {

using Done = std::function<void()>;
using Step = std::function<void(Done)>;

void refuse(const char* what)
{
    std::fprintf(stderr, "UIViewController: %s; ignored\n", what);
}

// Completions and appearance callbacks are the system's code: whatever they throw must not
// leave a transition half done, nor reach the host.
void runSafely(const std::function<void()>& callback, const char* what = "a completion")
{
    if (!callback)
        return;
    try {
        callback();
    } catch (const std::exception& exception) {
        std::fprintf(stderr, "UIViewController: %s threw an exception: %s\n", what, exception.what());
    } catch (...) {
        std::fprintf(stderr, "UIViewController: %s threw an exception of an unknown type\n", what);
    }
}

// One queue of modal transitions per window (or per controller tree outside a window): the front
// step is the one under way, and it calls its Done when it has finished. Main thread only.
std::map<const void*, std::deque<Step>>& queues()
{
    static auto* queues = new std::map<const void*, std::deque<Step>>;
    return *queues;
}

void runFront(const void* key);

void finishFront(const void* key)
{
    auto it = queues().find(key);
    if (it == queues().end())
        return;
    it->second.pop_front();
    if (it->second.empty()) {
        queues().erase(it);
        return;
    }
    runFront(key);
}

void runFront(const void* key)
{
    auto it = queues().find(key);
    if (it == queues().end() || it->second.empty())
        return;
    Step step = it->second.front();
    auto finished = std::make_shared<bool>(false);
    step([key, finished] {
        if (std::exchange(*finished, true))
            return;
        finishFront(key);
    });
}

void enqueue(const void* key, Step step)
{
    auto& queue = queues()[key];
    queue.push_back(std::move(step));
    if (queue.size() == 1)
        runFront(key);
}

}

void UIViewController::afterTransition(bool animated, std::function<void()> block)
{
    auto loop = NSRunLoop::mainRunLoop();
    if (!animated) {
        loop->performBlock(std::move(block));
        return;
    }
    auto duration = std::chrono::duration<double>(UIViewController::transitionDuration);
    loop->performBlockAt(NSRunLoop::Clock::now() + std::chrono::duration_cast<NSRunLoop::Clock::duration>(duration), std::move(block));
}

struct ModalTransitions {
    using Pointer = std::shared_ptr<UIViewController>;

    // Presentations start from the top of a controller's parents, as full-screen ones do.
    static UIViewController& context(UIViewController& controller)
    {
        UIViewController* top = &controller;
        while (auto parent = top->m_parent.lock())
            top = parent.get();
        return *top;
    }

    static UIWindow* windowOf(UIViewController& controller)
    {
        return controller.isViewLoaded() ? controller.m_view->window() : nullptr;
    }

    static const void* queueKey(UIViewController& controller)
    {
        UIViewController* root = &controller;
        for (;;) {
            if (auto parent = root->m_parent.lock())
                root = parent.get();
            else if (auto presenting = root->m_presenting.lock())
                root = presenting.get();
            else
                break;
        }
        if (UIWindow* window = windowOf(*root))
            return window;
        return root;
    }

    static bool canBePresented(UIViewController& presenter, const UIViewController& presented)
    {
        if (presented.m_isWaitingToBePresented || presented.m_presenting.lock() || presented.m_parent.lock())
            return false;
        if (presented.isViewLoaded() && presented.m_view->window())
            return false;
        return !presenter.hasAncestor(&presented);
    }

    static void present(Pointer presenter, Pointer presented, bool animated, std::function<void()> completion, Done done)
    {
        presented->m_isWaitingToBePresented = false;
        if (presenter->m_presented) {
            refuse("a controller that already presents another can't present a second one");
            done();
            return;
        }
        presenter->m_presented = presented;
        presented->m_presenting = presenter;
        presented->m_modalTransition = UIViewController::ModalTransition::Presenting;
        UIWindow* window = windowOf(*presenter);
        if (window)
            UIViewController::placeView(*presented, window->bounds());
        presented->beginAppearanceTransition(true, animated);
        if (window)
            window->addSubview(presented->view());
        UIViewController::afterTransition(animated, [presented, completion = std::move(completion), done = std::move(done)] {
            presented->m_modalTransition = UIViewController::ModalTransition::None;
            presented->endAppearanceTransition();
            runSafely(completion);
            done();
        });
    }

    static Pointer presentingOwner(UIViewController& sender)
    {
        auto& top = context(sender);
        if (top.m_presented)
            return top.protectedThis();
        return top.m_presenting.lock();
    }

    static void dismiss(Pointer sender, bool animated, std::function<void()> completion, Done done)
    {
        auto owner = presentingOwner(*sender);
        if (!owner || !owner->m_presented) {
            done();
            return;
        }
        UIViewController::Controllers chain;
        for (auto controller = owner->m_presented; controller; controller = controller->m_presented)
            chain.push_back(controller);
        for (auto& controller : chain) {
            controller->m_modalTransition = UIViewController::ModalTransition::Dismissing;
            controller->beginAppearanceTransition(false, animated);
        }
        UIViewController::afterTransition(animated, [owner, chain, completion = std::move(completion), done = std::move(done)] {
            finishDismissal(*owner, chain);
            runSafely(completion);
            done();
        });
    }

    static void finishDismissal(UIViewController& owner, const UIViewController::Controllers& chain)
    {
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            auto& controller = **it;
            if (controller.isViewLoaded())
                controller.m_view->removeFromSuperview();
            controller.m_modalTransition = UIViewController::ModalTransition::None;
            controller.endAppearanceTransition();
            controller.m_presented.reset();
            controller.m_presenting.reset();
        }
        owner.m_presented.reset();
    }
};

UIViewController::~UIViewController() = default;

const std::shared_ptr<UIView>& UIViewController::view()
{
    if (m_view)
        return m_view;
    loadView();
    // A subclass whose loadView made nothing still gets a view, as the platform's would.
    if (!m_view)
        UIViewController::loadView();
    m_view->m_viewController = std::static_pointer_cast<UIViewController>(weak_from_this().lock());
    viewDidLoad();
    return m_view;
}

void UIViewController::setView(std::shared_ptr<UIView> view)
{
    m_view = std::move(view);
    if (m_view)
        m_view->m_viewController = std::static_pointer_cast<UIViewController>(weak_from_this().lock());
}

UIResponder* UIViewController::nextResponder() const
{
    return m_view ? m_view->superview() : nullptr;
}

void UIViewController::loadView()
{
    m_view = UIView::initWithFrame(UIScreen::mainScreen()->bounds());
}

void UIViewController::viewWillAppear(bool)
{
}

void UIViewController::viewDidAppear(bool)
{
}

void UIViewController::viewWillDisappear(bool)
{
}

void UIViewController::viewDidDisappear(bool)
{
}

bool UIViewController::isAppearingOrVisible() const
{
    return m_appearance == Appearance::Appearing || m_appearance == Appearance::Appeared;
}

void UIViewController::beginAppearanceTransition(bool isAppearing, bool animated)
{
    if (isAppearing == isAppearingOrVisible())
        return;
    auto protect = protectedThis();
    m_appearance = isAppearing ? Appearance::Appearing : Appearance::Disappearing;
    m_lastAppearanceAnimated = animated;
    runSafely([&] {
        if (isAppearing)
            viewWillAppear(animated);
        else
            viewWillDisappear(animated);
    }, "an appearance callback");
    for (auto& child : appearanceChildren())
        child->beginAppearanceTransition(isAppearing, animated);
}

void UIViewController::endAppearanceTransition()
{
    auto protect = protectedThis();
    if (m_appearance == Appearance::Appearing) {
        m_appearance = Appearance::Appeared;
        runSafely([&] { viewDidAppear(m_lastAppearanceAnimated); }, "an appearance callback");
    } else if (m_appearance == Appearance::Disappearing) {
        m_appearance = Appearance::Disappeared;
        runSafely([&] { viewDidDisappear(m_lastAppearanceAnimated); }, "an appearance callback");
    } else {
        return;
    }
    for (auto& child : appearanceChildren())
        child->endAppearanceTransition();
}

UIViewController::Controllers UIViewController::appearanceChildren() const
{
    Controllers children;
    for (auto& child : m_children) {
        if (m_view && child->isViewLoaded() && child->m_view->isDescendantOfView(m_view.get()))
            children.push_back(child);
    }
    return children;
}

void UIViewController::placeView(UIViewController& controller, CGRect frame)
{
    controller.view()->setFrame(frame);
    controller.viewWillLayoutSubviews();
}

void UIViewController::setTitle(std::string title)
{
    m_title = std::move(title);
    navigationItem()->setTitle(m_title);
}

const std::shared_ptr<UINavigationItem>& UIViewController::navigationItem()
{
    if (!m_navigationItem)
        m_navigationItem = UINavigationItem::initWithTitle(m_title);
    return m_navigationItem;
}

std::shared_ptr<UINavigationController> UIViewController::navigationController() const
{
    for (auto parent = parentViewController(); parent; parent = parent->parentViewController()) {
        if (auto navigation = std::dynamic_pointer_cast<UINavigationController>(parent))
            return navigation;
    }
    return nullptr;
}

void UIViewController::addChildViewController(std::shared_ptr<UIViewController> child)
{
    if (!child || hasAncestor(child.get())) {
        refuse("a controller can't be its own child or its ancestor's");
        return;
    }
    if (child->m_presenting.lock() || child->m_isWaitingToBePresented) {
        refuse("a presented controller can't become a child");
        return;
    }
    if (child->parentViewController().get() == this)
        return;
    child->removeFromParentViewController();
    child->m_parent = std::static_pointer_cast<UIViewController>(weak_from_this().lock());
    m_children.push_back(std::move(child));
}

void UIViewController::removeFromParentViewController()
{
    auto parent = m_parent.lock();
    if (!parent)
        return;
    auto protect = protectedThis();
    std::erase_if(parent->m_children, [this](const auto& child) { return child.get() == this; });
    m_parent.reset();
}

void UIViewController::presentViewController(std::shared_ptr<UIViewController> controller, bool animated, std::function<void()> completion)
{
    if (!NSThread::isMainThread()) {
        refuse("presentation asked for off the main thread");
        return;
    }
    if (!controller || !ModalTransitions::canBePresented(*this, *controller)) {
        refuse("this controller can't be presented: it is null, shown already or an ancestor");
        return;
    }
    auto presenter = protectedThis();
    if (!presenter) {
        refuse("a controller that no shared_ptr holds can't present");
        return;
    }
    controller->m_isWaitingToBePresented = true;
    auto context = ModalTransitions::context(*this).protectedThis();
    enqueue(ModalTransitions::queueKey(*this), [context, controller, animated, completion = std::move(completion)](Done done) {
        ModalTransitions::present(context, controller, animated, completion, std::move(done));
    });
}

void UIViewController::dismissViewControllerAnimated(bool animated, std::function<void()> completion)
{
    if (!NSThread::isMainThread()) {
        refuse("dismissal asked for off the main thread");
        return;
    }
    auto sender = protectedThis();
    if (!sender)
        return;
    enqueue(ModalTransitions::queueKey(*this), [sender, animated, completion = std::move(completion)](Done done) {
        ModalTransitions::dismiss(sender, animated, completion, std::move(done));
    });
}

std::shared_ptr<UIViewController> UIViewController::presentedViewController() const
{
    return ModalTransitions::context(const_cast<UIViewController&>(*this)).m_presented;
}

std::shared_ptr<UIViewController> UIViewController::presentingViewController() const
{
    return ModalTransitions::context(const_cast<UIViewController&>(*this)).m_presenting.lock();
}

std::shared_ptr<UIViewController> UIViewController::protectedThis()
{
    return std::static_pointer_cast<UIViewController>(weak_from_this().lock());
}

bool UIViewController::hasAncestor(const UIViewController* candidate) const
{
    for (const UIViewController* controller = this; controller;) {
        if (controller == candidate)
            return true;
        auto parent = controller->m_parent.lock();
        auto presenting = parent ? parent : controller->m_presenting.lock();
        controller = presenting.get();
    }
    return false;
}
