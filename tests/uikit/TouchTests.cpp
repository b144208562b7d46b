#include "uikit/ControllerTestSupport.hpp"

#include <uikit/CALayer.hpp>
#include <uikit/NSIndexPath.hpp>
#include <uikit/UIAlertAction.hpp>
#include <uikit/UIAlertController.hpp>
#include <uikit/UIButton.hpp>
#include <uikit/UIEvent.hpp>
#include <uikit/UILabel.hpp>
#include <uikit/UINavigationBar.hpp>
#include <uikit/UINavigationController.hpp>
#include <uikit/UISwitch.hpp>
#include <uikit/UITableView.hpp>
#include <uikit/UITableViewCell.hpp>
#include <uikit/UITouch.hpp>

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

using namespace ControllerTestSupport;

namespace {

std::shared_ptr<UIWindow> bareWindow()
{
    return UIWindow::initWithFrame(CGRectMake(0, 0, 390, 844));
}

std::shared_ptr<UIView> addView(UIView& parent, CGRect frame)
{
    auto view = UIView::initWithFrame(frame);
    parent.addSubview(view);
    return view;
}

// A view that keeps every touch and notes what it heard.
class Recorder : public UIView {
public:
    using UIView::UIView;
    std::vector<std::string> heard;
    void touchesBegan(UITouch&, UIEvent*) override { heard.push_back("began"); }
    void touchesEnded(UITouch&, UIEvent*) override { heard.push_back("ended"); }
};

class Controller : public UIViewController {
public:
    std::vector<std::string> heard;
    void touchesBegan(UITouch& touch, UIEvent* event) override
    {
        heard.push_back("began");
        UIViewController::touchesBegan(touch, event);
    }
};

const Class s_recorderClass = objc::registerClass<Recorder>("TouchRecorder", "UIView");
const Class s_controllerClass = objc::registerClass<Controller>("TouchRecordingController", "UIViewController");

class Rows : public UITableViewDataSource, public UITableViewDelegate {
public:
    long rows = 3;
    std::vector<long> selected;
    long tableViewNumberOfRowsInSection(UITableView*, long) override { return rows; }
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView*, std::shared_ptr<NSIndexPath> indexPath) override
    {
        auto cell = UITableViewCell::initWithStyle(UITableViewCellStyleDefault, "row");
        cell->textLabel()->setText("Row " + std::to_string(indexPath->row()));
        return cell;
    }
    void tableViewDidSelectRowAtIndexPath(UITableView*, std::shared_ptr<NSIndexPath> indexPath) override { selected.push_back(indexPath->row()); }
};

struct TableScene {
    std::shared_ptr<UIWindow> window = bareWindow();
    std::shared_ptr<Rows> rows = std::make_shared<Rows>();
    std::shared_ptr<UITableView> table;

    explicit TableScene(long count, CGFloat height = 844)
    {
        rows->rows = count;
        table = UITableView::initWithFrame(CGRectMake(0, 0, 390, height), UITableViewStylePlain);
        table->setDataSource(rows);
        table->setDelegate(rows);
        window->addSubview(table);
        table->reloadData();
    }

    // The centre of a row on screen, as the table is scrolled now.
    CGPoint rowCentre(long row) const
    {
        CGRect rect = table->rectForRowAtIndexPath(NSIndexPath(row, 0));
        return table->convertPointToView({ CGRectGetMidX(rect), CGRectGetMidY(rect) }, window.get());
    }
};

}

// Catches touches caught by views the user can't see or that opted out, and by their subviews.
TEST(HitTest, HiddenFaintAndUntouchableViewsLetTouchesThrough)
{
    auto window = bareWindow();
    auto back = addView(*window, CGRectMake(0, 0, 200, 200));
    for (int kind = 0; kind < 3; ++kind) {
        auto cover = addView(*window, CGRectMake(0, 0, 200, 200));
        auto inside = addView(*cover, CGRectMake(0, 0, 100, 100));
        if (kind == 0)
            cover->setHidden(true);
        if (kind == 1)
            cover->setAlpha(0.005);
        if (kind == 2)
            cover->setUserInteractionEnabled(false);
        EXPECT_EQ(window->hitTest({ 50, 50 }, nullptr), back) << "kind " << kind;
        cover->removeFromSuperview();
    }
    auto faint = addView(*window, CGRectMake(0, 0, 200, 200));
    faint->setAlpha(0.02);
    EXPECT_EQ(window->hitTest({ 50, 50 }, nullptr), faint) << "faint but above the threshold";
}

// Catches hit testing in plain subview order while the renderer draws by z position: the front-
// most drawn view must win, and equal positions keep subview order.
TEST(HitTest, FrontMostDrawnViewWins)
{
    auto window = bareWindow();
    auto raised = addView(*window, CGRectMake(0, 0, 100, 100));
    raised->layer()->setZPosition(10);
    auto later = addView(*window, CGRectMake(0, 0, 100, 100));
    EXPECT_EQ(window->hitTest({ 10, 10 }, nullptr), raised);
    raised->layer()->setZPosition(0);
    EXPECT_EQ(window->hitTest({ 10, 10 }, nullptr), later);
    auto child = addView(*later, CGRectMake(5, 5, 10, 10));
    EXPECT_EQ(window->hitTest({ 10, 10 }, nullptr), child);
    EXPECT_EQ(window->hitTest({ 50, 50 }, nullptr), later);
}

// Catches a subview reached outside its superview's bounds (the platform never looks there) and
// points right on the far edges counted as inside.
TEST(HitTest, PointsOutsideTheBoundsMiss)
{
    auto window = bareWindow();
    auto box = addView(*window, CGRectMake(100, 100, 50, 50));
    auto overflowing = addView(*box, CGRectMake(40, 40, 100, 100));
    EXPECT_EQ(window->hitTest({ 145, 145 }, nullptr), overflowing);
    EXPECT_EQ(window->hitTest({ 160, 160 }, nullptr), window) << "outside the box, so not its subview";
    EXPECT_EQ(window->hitTest({ 100, 100 }, nullptr), box);
    EXPECT_EQ(window->hitTest({ 150, 120 }, nullptr), window) << "the right edge is outside";
    EXPECT_EQ(window->hitTest({ -1, 10 }, nullptr), nullptr);
}

// Catches a scrolled view whose subviews are found where they were before scrolling, and point
// conversions that forget a bounds origin.
TEST(HitTest, ScrolledBoundsMoveWhatIsUnderTheFinger)
{
    auto window = bareWindow();
    auto scroller = addView(*window, CGRectMake(0, 100, 390, 200));
    auto first = addView(*scroller, CGRectMake(0, 0, 390, 100));
    auto second = addView(*scroller, CGRectMake(0, 100, 390, 100));
    EXPECT_EQ(window->hitTest({ 10, 150 }, nullptr), first);
    scroller->setBounds(CGRectMake(0, 100, 390, 200));
    EXPECT_EQ(window->hitTest({ 10, 150 }, nullptr), second);
    CGPoint inSecond = second->convertPointFromView({ 10, 150 }, window.get());
    EXPECT_EQ(inSecond, CGPointMake(10, 50));
    EXPECT_EQ(second->convertPointToView(inSecond, window.get()), CGPointMake(10, 150));
}

// Catches touches that stop at a view that doesn't handle them, skip the controller, or are
// reported as handled when nothing kept them.
TEST(TouchDelivery, UnhandledTouchesClimbThroughTheControllerAndDropAtTheWindow)
{
    auto controller = std::make_shared<Controller>();
    auto window = makeWindow(controller);
    auto plain = addView(*controller->view(), CGRectMake(0, 0, 100, 100));
    EXPECT_FALSE(window->tapAtPoint({ 50, 50 }));
    EXPECT_EQ(controller->heard, std::vector<std::string> { "began" });

    auto recorder = std::make_shared<Recorder>(CGRectMake(0, 0, 10, 10));
    plain->addSubview(recorder);
    EXPECT_TRUE(window->tapAtPoint({ 5, 5 }));
    EXPECT_EQ(recorder->heard, (std::vector<std::string> { "began", "ended" }));
    EXPECT_FALSE(window->sendTouch(UITouchPhaseEnded, { 5, 5 })) << "no touch is down";
    EXPECT_FALSE(window->tapAtPoint({ 1000, 1000 })) << "off the window";
}

// Catches a control that fires on the way down, loses a finger that strays within the slop,
// fires after a lift far away, or keeps its highlight.
TEST(ControlTracking, HighlightFollowsTheFingerAndOnlyALiftWithinReachFires)
{
    auto window = bareWindow();
    auto control = std::make_shared<UIButton>(UIButtonTypeSystem);
    control->setFrame(CGRectMake(100, 100, 100, 40));
    window->addSubview(control);
    std::vector<std::string> fired;
    control->addAction([&] { fired.push_back("down"); }, UIControlEventTouchDown);
    control->addAction([&] { fired.push_back("up inside"); }, UIControlEventTouchUpInside);
    control->setTitle("Normal", UIControlStateNormal);
    control->setTitle("Pressed", UIControlStateHighlighted);

    EXPECT_TRUE(window->sendTouch(UITouchPhaseBegan, { 150, 120 }));
    EXPECT_TRUE(control->isHighlighted());
    EXPECT_EQ(control->currentTitle(), "Pressed");
    EXPECT_EQ(fired, std::vector<std::string> { "down" });
    window->sendTouch(UITouchPhaseMoved, { 260, 120 });
    EXPECT_TRUE(control->isHighlighted()) << "60 points out is within the slop";
    window->sendTouch(UITouchPhaseMoved, { 280, 120 });
    EXPECT_FALSE(control->isHighlighted());
    window->sendTouch(UITouchPhaseMoved, { 150, 130 });
    EXPECT_TRUE(control->isHighlighted()) << "back inside";
    window->sendTouch(UITouchPhaseEnded, { 150, 130 });
    EXPECT_FALSE(control->isHighlighted());
    EXPECT_EQ(fired, (std::vector<std::string> { "down", "up inside" }));

    fired.clear();
    window->dragFrom({ 150, 120 }, { 0, 300 }, 5);
    EXPECT_EQ(fired, std::vector<std::string> { "down" }) << "a lift far outside fires nothing";
    EXPECT_FALSE(control->isHighlighted());
}

// Catches a disabled control that still fires, or swallows the touch instead of passing it on.
TEST(ControlTracking, DisabledControlPassesTouchesOn)
{
    auto window = bareWindow();
    auto holder = std::make_shared<Recorder>(CGRectMake(0, 0, 300, 300));
    window->addSubview(holder);
    auto control = std::make_shared<UIControl>(CGRectMake(10, 10, 50, 50));
    holder->addSubview(control);
    int fired = 0;
    control->addAction([&] { ++fired; }, UIControlEventAllEvents);
    control->setEnabled(false);
    EXPECT_TRUE(window->tapAtPoint({ 20, 20 }));
    EXPECT_EQ(fired, 0);
    EXPECT_FALSE(control->isHighlighted());
    EXPECT_EQ(holder->heard, (std::vector<std::string> { "began", "ended" }));
}

// Catches a switch that doesn't flip on a touch, flips without telling, or flips on a lift outside.
TEST(ControlTracking, SwitchFlipsOnALiftInside)
{
    auto window = bareWindow();
    auto control = UISwitch::initWithFrame(CGRectMake(300, 100, 0, 0));
    window->addSubview(control);
    int changes = 0;
    control->addAction([&] { ++changes; }, UIControlEventValueChanged);
    EXPECT_TRUE(window->tapAtPoint(control->center()));
    EXPECT_TRUE(control->isOn());
    EXPECT_EQ(changes, 1);
    window->dragFrom(control->center(), { -250, 0 }, 4);
    EXPECT_TRUE(control->isOn());
    EXPECT_EQ(changes, 1);
}

// Catches a row selected on the way down, not highlighted while held, or selected by a lift on
// another row.
TEST(TableTouches, ATapSelectsTheRowUnderTheFinger)
{
    TableScene scene(3);
    CGPoint centre = scene.rowCentre(1);
    EXPECT_TRUE(scene.window->sendTouch(UITouchPhaseBegan, centre));
    EXPECT_TRUE(scene.table->cellForRowAtIndexPath(NSIndexPath(1, 0))->isHighlighted());
    EXPECT_TRUE(scene.rows->selected.empty());
    EXPECT_TRUE(scene.window->sendTouch(UITouchPhaseEnded, { centre.x + 3, centre.y + 3 }));
    EXPECT_EQ(scene.rows->selected, std::vector<long> { 1 });
    EXPECT_FALSE(scene.table->cellForRowAtIndexPath(NSIndexPath(1, 0))->isHighlighted());
    EXPECT_TRUE(scene.window->tapAtPoint({ 100, 800 })) << "below the rows: the table keeps it";
    EXPECT_EQ(scene.rows->selected, std::vector<long> { 1 });
}

// Catches a drag that selects, a table that doesn't scroll or scrolls past its content, and rows
// found where they were before scrolling.
TEST(TableTouches, ADragScrollsWithinTheContentInsteadOfSelecting)
{
    TableScene scene(30, 400);
    CGFloat end = 30 * UITableView::rowHeight + UITableView::sectionHeaderHeight - 400;
    EXPECT_TRUE(scene.window->dragFrom(scene.rowCentre(5), { 0, -100 }, 10));
    EXPECT_TRUE(scene.rows->selected.empty());
    EXPECT_DOUBLE_EQ(scene.table->contentOffset().y, 100);
    EXPECT_FALSE(scene.table->cellForRowAtIndexPath(NSIndexPath(5, 0))->isHighlighted());
    scene.window->dragFrom({ 100, 300 }, { 0, -5000 }, 10);
    EXPECT_DOUBLE_EQ(scene.table->contentOffset().y, end);
    scene.window->dragFrom({ 100, 100 }, { 0, 5000 }, 10);
    EXPECT_DOUBLE_EQ(scene.table->contentOffset().y, 0);

    scene.table->setContentOffset({ 0, 440 }, false);
    scene.window->tapAtPoint({ 100, 22 });
    EXPECT_EQ(scene.rows->selected, std::vector<long> { 9 }) << "row 9 is at the top once scrolled 440 points";
    TableScene shortTable(2, 400);
    shortTable.window->dragFrom({ 100, 100 }, { 0, -200 }, 10);
    EXPECT_DOUBLE_EQ(shortTable.table->contentOffset().y, 0) << "content shorter than the table doesn't scroll";
}

// Catches an alert whose buttons take no touches, or whose dimmed screen lets a touch reach the
// page below.
TEST(AlertTouches, ATouchOnAButtonRunsItsActionAndTheDimmedScreenSwallowsTheRest)
{
    auto root = std::make_shared<UIViewController>();
    auto window = makeWindow(root);
    auto below = std::make_shared<UIControl>(CGRectMake(0, 0, 390, 844));
    int belowTaps = 0;
    below->addAction([&] { ++belowTaps; }, UIControlEventTouchUpInside);
    root->view()->addSubview(below);
    std::vector<std::string> log;
    auto alert = UIAlertController::alertControllerWithTitle("Zova", "Make your assistant more colorful.", UIAlertControllerStyleAlert);
    for (const char* title : { "Twitter", "Thank You" })
        alert->addAction(UIAlertAction::actionWithTitle(title, UIAlertActionStyleDefault, [&log](auto action) { log.push_back(action->title()); }));
    bool shown = false;
    root->presentViewController(alert, true, [&] { shown = true; });
    ASSERT_TRUE(waitFor(shown));

    EXPECT_FALSE(window->tapAtPoint({ 20, 20 }));
    EXPECT_EQ(belowTaps, 0);
    auto button = alert->actionControls().at(1);
    CGPoint centre = button->convertPointToView({ CGRectGetMidX(button->bounds()), CGRectGetMidY(button->bounds()) }, window.get());
    auto layout = alert->layoutInBounds(window->bounds());
    EXPECT_TRUE(CGRectContainsPoint(layout.buttons[1], centre));
    EXPECT_GT(centre.x, 195) << "two buttons lie side by side";
    EXPECT_TRUE(window->tapAtPoint(centre));
    ASSERT_TRUE(waitFor([&] { return !log.empty(); }));
    EXPECT_EQ(log, std::vector<std::string> { "Thank You" });
}

// Catches a back button that takes no touch, or pops when the finger is lifted elsewhere.
TEST(NavigationTouches, TheBackButtonPopsOnALiftOverIt)
{
    auto first = std::make_shared<UIViewController>();
    auto navigation = UINavigationController::initWithRootViewController(first);
    auto window = makeWindow(navigation);
    navigation->pushViewController(std::make_shared<UIViewController>(), false);
    settle();
    const auto& bar = navigation->navigationBar();
    CGRect back = bar->backButtonRect();
    ASSERT_NE(back, CGRectZero);
    CGPoint centre = bar->convertPointToView({ CGRectGetMidX(back), CGRectGetMidY(back) }, window.get());
    window->dragFrom(centre, { 200, 0 }, 4);
    EXPECT_EQ(navigation->viewControllers().size(), 2u);
    EXPECT_TRUE(window->tapAtPoint(centre));
    settle();
    EXPECT_EQ(navigation->topViewController(), first);
    EXPECT_EQ(bar->backButtonRect(), CGRectZero);
    EXPECT_FALSE(window->tapAtPoint(centre)) << "no back button on the first page";
}

// Catches a crash when what a touch does tears down the touched view or the window, or lets an
// exception escape into the host, and nonsense points or drags that aren't refused.
TEST(TouchDelivery, HandlersThatThrowOrTearDownTheTreeLeaveTheHostRunning)
{
    auto window = bareWindow();
    auto control = std::make_shared<UIControl>(CGRectMake(0, 0, 100, 100));
    window->addSubview(control);
    std::weak_ptr<UIWindow> weakWindow = window;
    control->addAction([&window, control = std::weak_ptr<UIControl>(control)] {
        control.lock()->removeFromSuperview();
        window.reset();
    }, UIControlEventTouchDown);
    EXPECT_TRUE(window->sendTouch(UITouchPhaseBegan, { 10, 10 }));
    EXPECT_EQ(window, nullptr);
    EXPECT_TRUE(weakWindow.expired());
    EXPECT_EQ(control->superview(), nullptr);

    auto other = bareWindow();
    EXPECT_FALSE(other->sendTouch(UITouchPhaseBegan, { NAN, 10 }));
    EXPECT_FALSE(other->dragFrom({ 10, 10 }, { INFINITY, 0 }, 5));
    auto throwing = std::make_shared<UIControl>(CGRectMake(0, 0, 100, 100));
    int downs = 0;
    throwing->addAction([&] { ++downs; }, UIControlEventTouchDown);
    throwing->addAction([] { throw std::runtime_error("handler failed"); }, UIControlEventTouchUpInside);
    other->addSubview(throwing);
    EXPECT_TRUE(other->dragFrom({ 10, 10 }, { 5, 5 }, 1'000'000)) << "steps are bounded, and the throw is caught";
    EXPECT_EQ(downs, 1);
}
