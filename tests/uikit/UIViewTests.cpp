#include <uikit/UIView.hpp>
#include <uikit/UIWindow.hpp>

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace {

// A subclass whose didMoveToSuperview the tests replace, as the tweak replaces the flames view's.
class RecordingView : public UIView {
public:
    using UIView::UIView;
};
const Class s_recordingClass = objc::registerClass<RecordingView>("ZovaTestRecordingView", "UIView");

struct Move {
    UIView* view;
    UIView* superview;
};
std::vector<Move> s_moves;
using Views = std::vector<std::shared_ptr<UIView>>;

std::shared_ptr<RecordingView> makeRecordingView()
{
    class_replaceMethod(s_recordingClass, sel_registerName("didMoveToSuperview"), [](id self, SEL) {
        auto* view = static_cast<UIView*>(self);
        s_moves.push_back({ view, view->superview() });
    });
    s_moves.clear();
    return std::make_shared<RecordingView>(CGRectMake(0, 0, 10, 10));
}

std::shared_ptr<UIView> makeView(long tag = 0)
{
    auto view = UIView::initWithFrame(CGRectZero);
    view->setTag(tag);
    return view;
}

}

// Catches setCenter resizing the view, and bounds tied to the frame's origin or resizing off-center.
TEST(UIViewGeometry, CenterMovesFrameAndBoundsResizeAroundIt)
{
    auto view = UIView::initWithFrame(CGRectMake(0, 0, 500, 500));
    view->setCenter(CGPointMake(195, 422));
    EXPECT_EQ(view->frame(), CGRectMake(-55, 172, 500, 500));
    EXPECT_EQ(view->bounds(), CGRectMake(0, 0, 500, 500));
    view->setBounds(CGRectMake(5, 5, 40, 10));
    EXPECT_EQ(view->center(), CGPointMake(195, 422));
    EXPECT_EQ(view->frame(), CGRectMake(175, 417, 40, 10));
    EXPECT_EQ(view->bounds(), CGRectMake(5, 5, 40, 10));
}

// Catches negative sizes leaking into bounds, and NaN or infinite values poisoning the geometry.
TEST(UIViewGeometry, HostileValuesAreStandardisedOrIgnored)
{
    auto view = UIView::initWithFrame(CGRectMake(10, 10, -4, -6));
    EXPECT_EQ(view->frame(), CGRectMake(6, 4, 4, 6));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    view->setFrame(CGRectMake(nan, 0, 1, 1));
    view->setCenter(CGPointMake(std::numeric_limits<double>::infinity(), 0));
    view->setBounds(CGRectMake(0, 0, nan, 1));
    view->setAlpha(nan);
    EXPECT_EQ(view->frame(), CGRectMake(6, 4, 4, 6));
    EXPECT_EQ(view->alpha(), 1.0);
}

// Catches subviews added at the back, a re-added subview duplicated, or an unclamped insert index.
TEST(UIViewSubviews, AddInsertAndReorder)
{
    auto parent = makeView();
    auto a = makeView(), b = makeView(), c = makeView(), stranger = makeView();
    parent->addSubview(a);
    parent->insertSubview(b, -3);
    parent->insertSubview(c, 7);
    EXPECT_EQ(parent->subviews(), (Views { b, a, c }));
    parent->addSubview(b);
    parent->sendSubviewToBack(c);
    parent->sendSubviewToBack(stranger);
    parent->sendSubviewToBack(nullptr);
    EXPECT_EQ(parent->subviews(), (Views { c, a, b }));
    EXPECT_EQ(stranger->superview(), nullptr);
}

// Catches a moved view left in its first superview's list, so that two superviews own it.
TEST(UIViewSubviews, MovingTakesTheViewOutOfItsFormerSuperview)
{
    auto first = makeView(), second = makeView(), view = makeView();
    first->addSubview(view);
    second->insertSubview(view, 0);
    EXPECT_TRUE(first->subviews().empty());
    EXPECT_EQ(view->superview(), second.get());
    view->removeFromSuperview();
    view->removeFromSuperview();
    EXPECT_TRUE(second->subviews().empty());
    EXPECT_EQ(view->superview(), nullptr);
}

// Catches a cycle of owners (a leak and endless walks) from adding a view to itself or below itself.
TEST(UIViewSubviews, RefusesToAdoptItselfOrAnAncestor)
{
    auto root = makeView(), child = makeView(), grandchild = makeView();
    root->addSubview(child);
    child->addSubview(grandchild);
    child->addSubview(child);
    grandchild->addSubview(root);
    grandchild->insertSubview(child, 0);
    EXPECT_EQ(root->superview(), nullptr);
    EXPECT_EQ(child->superview(), root.get());
    EXPECT_TRUE(grandchild->subviews().empty());
}

// Catches a dangling back pointer in a subview that outlives its superview.
TEST(UIViewSubviews, DyingSuperviewClearsBackPointers)
{
    auto view = makeView();
    auto window = UIWindow::initWithFrame(CGRectZero);
    window->addSubview(makeView());
    window->subviews().front()->addSubview(view);
    EXPECT_EQ(view->window(), window.get());
    window->subviews().front()->removeFromSuperview();
    EXPECT_EQ(view->superview(), nullptr);
    EXPECT_EQ(view->window(), nullptr);
}

// Catches didMoveToSuperview called directly rather than through the runtime, a move announced
// twice (which would double every placement), or a reorder announced as a move.
TEST(UIViewDidMoveToSuperview, ReplacementRunsOncePerChangeOfSuperview)
{
    auto view = makeRecordingView();
    auto first = makeView(), second = makeView();
    first->addSubview(view);
    first->addSubview(makeView());
    first->addSubview(view);
    first->sendSubviewToBack(view);
    second->insertSubview(view, 3);
    ASSERT_EQ(s_moves.size(), 2u);
    EXPECT_EQ(s_moves[0].superview, first.get());
    EXPECT_EQ(s_moves[1].view, view.get());
    EXPECT_EQ(s_moves[1].superview, second.get());
}

// Catches a view destroyed by its own removal before the notification reaches it (no protectedThis).
TEST(UIViewDidMoveToSuperview, RemovalNotifiesAViewWhoseOnlyOwnerWasTheSuperview)
{
    auto parent = makeView();
    parent->addSubview(makeRecordingView());
    std::weak_ptr<UIView> watcher = parent->subviews().front();
    UIView* raw = watcher.lock().get();
    raw->removeFromSuperview();
    ASSERT_EQ(s_moves.size(), 2u);
    EXPECT_EQ(s_moves[1].view, raw);
    EXPECT_EQ(s_moves[1].superview, nullptr);
    EXPECT_TRUE(watcher.expired());
}

// Catches a search that skips the view itself, goes breadth first, or walks front to back.
TEST(UIViewViewWithTag, DepthFirstBackToFrontIncludingItself)
{
    auto root = makeView(1), back = makeView(2), deep = makeView(7), front = makeView(7);
    EXPECT_EQ(root->viewWithTag(1), root);
    root->addSubview(back);
    back->addSubview(deep);
    root->addSubview(front);
    front->addSubview(makeView(7));
    EXPECT_EQ(root->viewWithTag(7), deep);
    EXPECT_EQ(front->viewWithTag(7), front);
    EXPECT_EQ(root->viewWithTag(999), nullptr);
}
