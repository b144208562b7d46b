#include <uikit/UIView.hpp>

#include <uikit/CALayer.hpp>
#include <uikit/UIColor.hpp>
#include <uikit/UIViewController.hpp>
#include <uikit/UIWindow.hpp>

#include <algorithm>
#include <cmath>

static const Class s_class = objc::registerClass<UIView>("UIView", "UIResponder",
    { { "didMoveToSuperview", objc::method<&UIView::didMoveToSuperview>() } });

namespace {

const SEL s_didMoveToSuperview = sel_registerName("didMoveToSuperview");

bool isFinite(CGPoint point)
{
    return std::isfinite(point.x) && std::isfinite(point.y);
}

bool isFinite(CGRect rect)
{
    return isFinite(rect.origin) && std::isfinite(rect.size.width) && std::isfinite(rect.size.height);
}

// The platform's threshold: a view this faint takes no touches.
constexpr CGFloat minimumHitAlpha = 0.01;

// Hit tests nest through overridable calls; the depth is counted beside them.
thread_local int t_hitTestDepth = 0;

// From a view's coordinates to the root's, by the frames and bounds origins on the way up.
CGPoint toRoot(const UIView* view, CGPoint point)
{
    for (; view; view = view->superview()) {
        CGRect frame = view->frame();
        CGPoint origin = view->bounds().origin;
        point = { point.x - origin.x + frame.origin.x, point.y - origin.y + frame.origin.y };
    }
    return point;
}

}

UIView::UIView()
    : UIView(CGRectZero)
{
}

UIView::UIView(CGRect frame)
    : m_layer(CALayer::layer())
{
    setFrame(frame);
}

UIView::~UIView()
{
    // Subviews that others still hold outlive this view; they must not point back at it.
    for (auto& subview : m_subviews)
        subview->m_superview = nullptr;
}

std::shared_ptr<UIView> UIView::initWithFrame(CGRect frame)
{
    return std::make_shared<UIView>(frame);
}

void UIView::setFrame(CGRect frame)
{
    frame = CGRectStandardize(frame);
    if (isFinite(frame) && isFinite(CGPointMake(CGRectGetMidX(frame), CGRectGetMidY(frame))))
        m_frame = frame;
}

void UIView::setBounds(CGRect bounds)
{
    CGSize size { std::fabs(bounds.size.width), std::fabs(bounds.size.height) };
    CGPoint middle = center();
    CGRect frame { { middle.x - size.width / 2, middle.y - size.height / 2 }, size };
    if (!isFinite(bounds) || !isFinite(frame))
        return;
    m_boundsOrigin = bounds.origin;
    m_frame = frame;
}

CGPoint UIView::center() const
{
    return { m_frame.origin.x + m_frame.size.width / 2, m_frame.origin.y + m_frame.size.height / 2 };
}

void UIView::setCenter(CGPoint center)
{
    CGPoint origin { center.x - m_frame.size.width / 2, center.y - m_frame.size.height / 2 };
    if (isFinite(origin))
        m_frame.origin = origin;
}

void UIView::setAlpha(CGFloat alpha)
{
    if (!std::isnan(alpha))
        m_alpha = std::clamp(alpha, 0.0, 1.0);
}

bool UIView::clipsToBounds() const
{
    return m_layer->masksToBounds();
}

void UIView::setClipsToBounds(bool clips)
{
    m_layer->setMasksToBounds(clips);
}

UIWindow* UIView::window() const
{
    for (UIView* view = const_cast<UIView*>(this); view; view = view->m_superview) {
        if (auto* window = dynamic_cast<UIWindow*>(view))
            return window;
    }
    return nullptr;
}

bool UIView::isDescendantOfView(const UIView* ancestor) const
{
    for (const UIView* view = this; view; view = view->m_superview) {
        if (view == ancestor)
            return true;
    }
    return false;
}

void UIView::addSubview(std::shared_ptr<UIView> view)
{
    if (!view || !canAdopt(*view))
        return;
    if (view->m_superview == this)
        moveSubview(view.get(), m_subviews.size());
    else
        placeSubview(std::move(view), m_subviews.size());
}

void UIView::insertSubview(std::shared_ptr<UIView> view, long index)
{
    if (!view || !canAdopt(*view))
        return;
    size_t position = index < 0 ? 0 : static_cast<size_t>(index);
    if (view->m_superview == this)
        moveSubview(view.get(), position);
    else
        placeSubview(std::move(view), position);
}

void UIView::bringSubviewToFront(const std::shared_ptr<UIView>& view)
{
    if (view && view->m_superview == this)
        moveSubview(view.get(), m_subviews.size());
}

void UIView::sendSubviewToBack(const std::shared_ptr<UIView>& view)
{
    if (view && view->m_superview == this)
        moveSubview(view.get(), 0);
}

void UIView::removeFromSuperview()
{
    if (!m_superview)
        return;
    // The superview may hold the last reference, and the notification still needs the view.
    auto protectedThis = weak_from_this().lock();
    m_superview->takeOutSubview(*this);
    sendDidMoveToSuperview();
}

std::shared_ptr<UIView> UIView::viewWithTag(long tag) const
{
    // An explicit stack: a deep tree must not exhaust the host's stack.
    std::vector<const UIView*> pending { this };
    while (!pending.empty()) {
        const UIView* view = pending.back();
        pending.pop_back();
        if (view->m_tag == tag)
            return std::const_pointer_cast<UIView>(std::static_pointer_cast<const UIView>(view->weak_from_this().lock()));
        for (auto it = view->m_subviews.rbegin(); it != view->m_subviews.rend(); ++it)
            pending.push_back(it->get());
    }
    return nullptr;
}

CGPoint UIView::convertPointToView(CGPoint point, const UIView* view) const
{
    CGPoint inRoot = toRoot(this, point);
    CGPoint zero = toRoot(view, CGPointMake(0, 0));
    return { inRoot.x - zero.x, inRoot.y - zero.y };
}

CGPoint UIView::convertPointFromView(CGPoint point, const UIView* view) const
{
    CGPoint inRoot = toRoot(view, point);
    CGPoint zero = toRoot(this, CGPointMake(0, 0));
    return { inRoot.x - zero.x, inRoot.y - zero.y };
}

bool UIView::pointInside(CGPoint point, UIEvent*) const
{
    return CGRectContainsPoint(bounds(), point);
}

std::shared_ptr<UIView> UIView::hitTest(CGPoint point, UIEvent* event)
{
    if (m_isHidden || !m_isUserInteractionEnabled || m_alpha < minimumHitAlpha || !pointInside(point, event))
        return nullptr;
    if (t_hitTestDepth >= maximumHitTestDepth)
        return nullptr;
    ++t_hitTestDepth;
    struct DepthScope {
        ~DepthScope() { --t_hitTestDepth; }
    } scope;
    // What is drawn on top takes the touch: the renderer orders siblings by z position.
    auto subviews = m_subviews;
    std::stable_sort(subviews.begin(), subviews.end(), [](const auto& a, const auto& b) {
        return a->layer()->zPosition() < b->layer()->zPosition();
    });
    for (auto it = subviews.rbegin(); it != subviews.rend(); ++it) {
        const UIView& subview = **it;
        CGPoint inSubview { point.x - subview.m_frame.origin.x + subview.m_boundsOrigin.x,
            point.y - subview.m_frame.origin.y + subview.m_boundsOrigin.y };
        if (auto hit = (*it)->hitTest(inSubview, event))
            return hit;
    }
    // Views live in shared pointers (the tree holds them so); one that isn't can't be handed out.
    return std::static_pointer_cast<UIView>(weak_from_this().lock());
}

UIResponder* UIView::nextResponder() const
{
    auto controller = m_viewController.lock();
    if (controller && controller->viewIfLoaded().get() == this)
        return controller.get();
    return m_superview;
}

bool UIView::canAdopt(const UIView& view) const
{
    // Adopting itself or an ancestor would make the tree a cycle that owns itself.
    return !isDescendantOfView(&view);
}

std::vector<std::shared_ptr<UIView>>::iterator UIView::findSubview(const UIView* view)
{
    return std::find_if(m_subviews.begin(), m_subviews.end(), [view](const auto& subview) { return subview.get() == view; });
}

void UIView::placeSubview(std::shared_ptr<UIView> view, size_t index)
{
    if (UIView* previous = view->m_superview)
        previous->takeOutSubview(*view);
    index = std::min(index, m_subviews.size());
    m_subviews.insert(m_subviews.begin() + static_cast<std::ptrdiff_t>(index), view);
    view->m_superview = this;
    // One notification for a move between superviews: the view goes straight from one to the other.
    view->sendDidMoveToSuperview();
}

void UIView::takeOutSubview(UIView& view)
{
    auto it = findSubview(&view);
    view.m_superview = nullptr;
    if (it != m_subviews.end())
        m_subviews.erase(it);
}

void UIView::moveSubview(const UIView* view, size_t index)
{
    auto it = findSubview(view);
    if (it == m_subviews.end())
        return;
    auto held = std::move(*it);
    m_subviews.erase(it);
    index = std::min(index, m_subviews.size());
    m_subviews.insert(m_subviews.begin() + static_cast<std::ptrdiff_t>(index), std::move(held));
}

void UIView::sendDidMoveToSuperview()
{
    objc_msgSend(this, s_didMoveToSuperview);
}
