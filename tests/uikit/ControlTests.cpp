#include <uikit/UIButton.hpp>
#include <uikit/UIColor.hpp>
#include <uikit/UIFont.hpp>
#include <uikit/UILabel.hpp>
#include <uikit/UISwitch.hpp>

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>
#include <vector>

namespace {

// A target whose action the tests replace through the runtime, as a page's action would be found.
class ActionTarget : public NSObject {
public:
    void picker() { }
};
const Class s_targetClass = objc::registerClass<ActionTarget>("ZTControlActionTarget", "NSObject",
    { { "picker", objc::method<&ActionTarget::picker>() } });
const SEL s_picker = sel_registerName("picker");

std::vector<NSObject*> s_received;

void installRecordingPicker()
{
    s_received.clear();
    class_replaceMethod(s_targetClass, s_picker, [](id self, SEL) { s_received.push_back(self); });
}

}

// Catches actions called directly instead of by selector: only a message through the runtime
// reaches an implementation installed on the class later.
TEST(UIControlActions, TapSendsTheSelectorThroughTheRuntimeOncePerPair)
{
    installRecordingPicker();
    auto target = std::make_shared<ActionTarget>();
    auto button = UIButton::buttonWithType(UIButtonTypeSystem);
    button->addTarget(target, s_picker, UIControlEventTouchUpInside);
    button->addTarget(target, s_picker, UIControlEventTouchUpInside);
    button->addTarget(target, s_picker, UIControlEventValueChanged);
    EXPECT_EQ(button->actionCountForControlEvents(UIControlEventAllEvents), 1u);

    EXPECT_TRUE(button->tap());
    ASSERT_EQ(s_received.size(), 1u);
    EXPECT_EQ(s_received[0], target.get());
    button->sendActionsForControlEvents(UIControlEventValueChanged);
    EXPECT_EQ(s_received.size(), 2u);
    button->sendActionsForControlEvents(UIControlEventTouchDown);
    EXPECT_EQ(s_received.size(), 2u);
}

// Catches a strong hold on the target, an abort on a target that doesn't answer, and taps that
// reach a control the user couldn't touch.
TEST(UIControlActions, GoneMuteAndUntouchableTargetsAreSkipped)
{
    installRecordingPicker();
    auto button = UIButton::buttonWithType(UIButtonTypeSystem);
    {
        auto target = std::make_shared<ActionTarget>();
        button->addTarget(target, s_picker, UIControlEventTouchUpInside);
    }
    EXPECT_EQ(button->actionCountForControlEvents(UIControlEventTouchUpInside), 0u);
    auto mute = std::make_shared<ActionTarget>();
    button->addTarget(mute, sel_registerName("noSuchAction"), UIControlEventTouchUpInside);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(button->tap());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("noSuchAction"), std::string::npos);
    EXPECT_TRUE(s_received.empty());

    auto target = std::make_shared<ActionTarget>();
    button->addTarget(target, s_picker, UIControlEventTouchUpInside);
    button->setEnabled(false);
    EXPECT_FALSE(button->tap());
    button->setEnabled(true);
    button->setHidden(true);
    EXPECT_FALSE(button->tap());
    EXPECT_TRUE(s_received.empty());
    button->removeTarget(target.get(), nullptr, UIControlEventAllEvents);
    button->setHidden(false);
    testing::internal::CaptureStderr();
    button->tap();
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(s_received.empty());
}

// Catches a dangling control when its action drops the last owner, actions added during a send
// running in that same send, and an action's exception reaching the host or stopping the others.
TEST(UIControlActions, ActionsMayReleaseTheControlOrAddActions)
{
    auto holder = std::make_shared<std::shared_ptr<UIButton>>(UIButton::buttonWithType(UIButtonTypeCustom));
    UIButton* button = holder->get();
    int runs = 0;
    button->addAction([&] {
        ++runs;
        (*holder)->addAction([&] { runs += 100; }, UIControlEventTouchUpInside);
        holder->reset();
    }, UIControlEventTouchUpInside);
    EXPECT_TRUE(button->tap());
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(*holder, nullptr);

    auto throwing = UIButton::buttonWithType(UIButtonTypeSystem);
    throwing->addAction([] { throw std::runtime_error("action failed"); }, UIControlEventTouchUpInside);
    throwing->addAction([&] { ++runs; }, UIControlEventTouchUpInside);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(throwing->tap());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("action failed"), std::string::npos);
    EXPECT_EQ(runs, 2);
}

// Catches a switch that doesn't flip on a tap, sends the wrong event, or sends one from setOn.
TEST(UISwitchTests, TapFlipsAndSendsValueChangedOnly)
{
    auto control = UISwitch::initWithFrame(CGRectMake(5, 6, 300, 300));
    EXPECT_EQ(control->frame(), CGRectMake(5, 6, 51, 31));
    std::vector<bool> changes;
    int touches = 0;
    control->addAction([&] { changes.push_back(control->isOn()); }, UIControlEventValueChanged);
    control->addAction([&] { ++touches; }, UIControlEventTouchUpInside);
    control->setOn(true, false);
    EXPECT_TRUE(changes.empty());
    EXPECT_TRUE(control->tap());
    EXPECT_TRUE(control->tap());
    EXPECT_EQ(changes, (std::vector<bool> { false, true }));
    EXPECT_EQ(touches, 0);
}

// Catches titles lost for other states and a title label that doesn't follow the button, which a
// renderer draws from.
TEST(UIButtonTests, TitleLabelFollowsTitleTintAndBounds)
{
    auto button = UIButton::buttonWithType(UIButtonTypeSystem);
    button->setFrame(CGRectMake(10, 10, 300, 40));
    button->setTitle("Choose your picture", UIControlStateNormal);
    EXPECT_EQ(button->titleForState(UIControlStateHighlighted), "Choose your picture");
    auto accent = UIColor::colorWithRed(0.55, 0.5, 0.64, 1);
    button->setTintColor(accent);
    button->titleLabel()->setFont(UIFont::systemFontOfSize(16));
    auto label = button->titleLabel();
    EXPECT_EQ(label->text(), "Choose your picture");
    EXPECT_EQ(label->frame(), CGRectMake(0, 0, 300, 40));
    EXPECT_EQ(label->textColor(), accent);
    EXPECT_EQ(label->font()->pointSize(), 16);
}

// Catches a missing font turned into null, hostile sizes kept, and line estimates (which size
// table footers) that count the bytes of an emoji as glyphs.
TEST(UILabelTests, FontsFallBackAndLinesAreEstimatedByGlyph)
{
    auto label = UILabel::initWithFrame(CGRectMake(0, 0, 200, 100));
    label->setFont(nullptr);
    ASSERT_NE(label->font(), nullptr);
    auto font = UIFont::fontWithName("HelveticaNeue-Bold", 30);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->fontName(), "HelveticaNeue-Bold");
    EXPECT_TRUE(font->isBold());
    EXPECT_EQ(UIFont::fontWithName("", 30), nullptr);
    EXPECT_EQ(UIFont::systemFontOfSize(-1)->pointSize(), UIFont::labelFontSize);
    EXPECT_EQ(UIFont::systemFontOfSize(std::numeric_limits<double>::infinity())->pointSize(), UIFont::labelFontSize);

    label->setFont(font);
    label->setNumberOfLines(0);
    label->setText("DONE!\n\u2611\uFE0F");
    EXPECT_EQ(label->estimatedLineCount(200), 2);
    label->setText(std::string(20, 'x'));
    EXPECT_EQ(label->estimatedLineCount(150), 2);
    EXPECT_EQ(label->estimatedLineCount(std::numeric_limits<double>::quiet_NaN()), 20);
    label->setNumberOfLines(1);
    EXPECT_EQ(label->estimatedLineCount(150), 1);
}
