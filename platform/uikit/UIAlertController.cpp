#include <uikit/UIAlertController.hpp>

#include <uikit/UIAlertAction.hpp>
#include <uikit/UIControl.hpp>
#include <uikit/UIFont.hpp>
#include <uikit/UIView.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>

static const Class s_class = objc::registerClass<UIAlertController>("UIAlertController", "UIViewController");

namespace {

void refuse(const char* what)
{
    std::fprintf(stderr, "UIAlertController: %s; ignored\n", what);
}

constexpr CGFloat alertWidth = 270;
constexpr CGFloat sheetMargin = 8;
constexpr CGFloat padding = 16;
constexpr CGFloat textGap = 4;
constexpr CGFloat buttonHeight = 44;

// Half the point size per glyph, as labels estimate, and lines 1.2 points tall per point.
CGSize estimateText(const std::string& text, CGFloat width, const UIFont& font)
{
    if (text.empty() || !std::isfinite(width) || width <= 0)
        return {};
    CGFloat glyph = font.pointSize() / 2;
    double perLine = std::max(1.0, std::floor(width / glyph));
    double lines = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = std::min(text.find('\n', start), text.size());
        lines += std::max(1.0, std::ceil(static_cast<double>(end - start) / perLine));
        start = end + 1;
    }
    return { width, lines * font.pointSize() * 1.2 };
}

UIAlertController::TextMeasure& textMeasure()
{
    static UIAlertController::TextMeasure measure = estimateText;
    return measure;
}

}

UIAlertController::UIAlertController(std::string title, std::string message, long preferredStyle)
    : m_message(std::move(message))
    , m_preferredStyle(preferredStyle)
{
    setTitle(std::move(title));
}

std::shared_ptr<UIAlertController> UIAlertController::alertControllerWithTitle(std::string title, std::string message, long preferredStyle)
{
    return std::make_shared<UIAlertController>(std::move(title), std::move(message), preferredStyle);
}

void UIAlertController::addAction(std::shared_ptr<UIAlertAction> action)
{
    if (!action) {
        refuse("a null action can't be added");
        return;
    }
    bool isCancel = action->style() == UIAlertActionStyleCancel;
    if (isCancel && std::ranges::any_of(m_actions, [](const auto& other) { return other->style() == UIAlertActionStyleCancel; })) {
        refuse("an alert can have only one action in the cancel style");
        return;
    }
    m_actions.push_back(std::move(action));
    if (isViewLoaded()) {
        makeActionControls();
        viewWillLayoutSubviews();
    }
}

bool UIAlertController::tapAction(long index)
{
    if (index < 0 || static_cast<size_t>(index) >= m_actions.size()) {
        refuse("no action at that index");
        return false;
    }
    return tap(m_actions[static_cast<size_t>(index)]);
}

bool UIAlertController::tapActionWithTitle(const std::string& title)
{
    auto it = std::ranges::find_if(m_actions, [&title](const auto& action) { return action->title() == title; });
    if (it == m_actions.end()) {
        refuse("no action has that title");
        return false;
    }
    return tap(*it);
}

bool UIAlertController::tap(const std::shared_ptr<UIAlertAction>& action)
{
    if (!presentingViewController() || isBeingDismissed() || m_wasTapped) {
        refuse("only an alert on screen can be tapped, once");
        return false;
    }
    if (!action->isEnabled()) {
        refuse("the action is disabled");
        return false;
    }
    m_wasTapped = true;
    dismissViewControllerAnimated(true, [action] {
        if (action->handler())
            action->handler()(action);
    });
    return true;
}

void UIAlertController::viewDidDisappear(bool animated)
{
    UIViewController::viewDidDisappear(animated);
    // Presented again, the alert takes taps again.
    m_wasTapped = false;
}

void UIAlertController::setTextMeasure(TextMeasure measure)
{
    textMeasure() = measure ? std::move(measure) : estimateText;
}

UIAlertController::Layout UIAlertController::layoutInBounds(CGRect screen) const
{
    Layout layout { UIFont::boldSystemFontOfSize(17), UIFont::systemFontOfSize(13), {}, {}, {}, {} };
    bool isSheet = m_preferredStyle == UIAlertControllerStyleActionSheet;
    CGFloat panelWidth = isSheet ? std::max(0.0, screen.size.width - 2 * sheetMargin) : std::min(alertWidth, screen.size.width);
    CGFloat textWidth = isSheet ? screen.size.width - 2 * (sheetMargin + padding) : panelWidth - 2 * padding;
    CGSize title = textMeasure()(this->title(), textWidth, *layout.titleFont);
    CGSize message = textMeasure()(m_message, textWidth, *layout.messageFont);
    bool sideBySide = m_actions.size() == 2;
    CGFloat buttons = sideBySide ? buttonHeight : buttonHeight * static_cast<CGFloat>(m_actions.size());
    CGFloat textHeight = title.height + (message.height > 0 ? textGap + message.height : 0);
    // A panel taller than the screen keeps its buttons; the texts are cut.
    CGFloat height = std::min(textHeight + 2 * padding + buttons, screen.size.height);
    layout.panel = isSheet ? CGRectMake(screen.origin.x + sheetMargin, CGRectGetMaxY(screen) - sheetMargin - height, panelWidth, height)
                           : CGRectMake(CGRectGetMidX(screen) - panelWidth / 2, CGRectGetMidY(screen) - height / 2, panelWidth, height);
    CGFloat left = layout.panel.origin.x + padding;
    CGFloat top = layout.panel.origin.y + padding;
    layout.title = CGRectMake(left, top, textWidth, title.height);
    layout.message = CGRectMake(left, top + title.height + textGap, textWidth, message.height);
    CGRect area = CGRectMake(layout.panel.origin.x, CGRectGetMaxY(layout.panel) - buttons, layout.panel.size.width, buttons);
    for (size_t i = 0; i < m_actions.size(); ++i) {
        auto index = static_cast<CGFloat>(i);
        layout.buttons.push_back(sideBySide ? CGRectMake(area.origin.x + area.size.width / 2 * index, area.origin.y, area.size.width / 2, buttonHeight)
                                            : CGRectMake(area.origin.x, area.origin.y + buttonHeight * index, area.size.width, buttonHeight));
    }
    return layout;
}

void UIAlertController::viewWillLayoutSubviews()
{
    UIViewController::viewWillLayoutSubviews();
    if (m_actionControls.size() != m_actions.size())
        makeActionControls();
    auto layout = layoutInBounds(view()->bounds());
    for (size_t i = 0; i < m_actionControls.size(); ++i) {
        m_actionControls[i]->setFrame(layout.buttons[i]);
        m_actionControls[i]->setEnabled(m_actions[i]->isEnabled());
    }
}

void UIAlertController::makeActionControls()
{
    for (auto& control : m_actionControls)
        control->removeFromSuperview();
    m_actionControls.clear();
    auto self = std::static_pointer_cast<UIAlertController>(weak_from_this().lock());
    for (const auto& action : m_actions) {
        auto control = std::make_shared<UIControl>();
        control->addAction([weakSelf = std::weak_ptr<UIAlertController>(self), weakAction = std::weak_ptr<UIAlertAction>(action)] {
            auto alert = weakSelf.lock();
            auto tapped = weakAction.lock();
            if (alert && tapped)
                alert->tap(tapped);
        }, UIControlEventTouchUpInside);
        view()->addSubview(control);
        m_actionControls.push_back(std::move(control));
    }
}
