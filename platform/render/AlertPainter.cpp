#include <render/AlertPainter.hpp>

#include <render/TextRenderer.hpp>

#include <uikit/UIAlertAction.hpp>
#include <uikit/UIAlertController.hpp>
#include <uikit/UIColor.hpp>
#include <uikit/UIFont.hpp>
#include <uikit/UILabel.hpp>

#include <algorithm>

namespace {

constexpr CGFloat alertWidth = 270;
constexpr CGFloat sheetMargin = 8;
constexpr CGFloat padding = 16;
constexpr CGFloat textGap = 4;
constexpr CGFloat buttonHeight = 44;
constexpr CGFloat cornerRadius = 14;

struct Texts {
    TextStyle title { UIFont::boldSystemFontOfSize(17), UIColor::blackColor(), NSTextAlignmentCenter, 0, false, 0 };
    TextStyle message { UIFont::systemFontOfSize(13), UIColor::blackColor(), NSTextAlignmentCenter, 0, false, 0 };
};

TextStyle buttonStyle(const UIAlertAction& action)
{
    bool isCancel = action.style() == UIAlertActionStyleCancel;
    auto color = action.style() == UIAlertActionStyleDestructive ? UIColor::colorWithRed(1, 0.23, 0.19, 1) : Drawing::systemBlue();
    if (!action.isEnabled())
        color = UIColor::colorWithWhite(0.6, 1);
    auto font = isCancel ? UIFont::boldSystemFontOfSize(17) : UIFont::systemFontOfSize(17);
    return { font, color, NSTextAlignmentCenter, 1, true, 0.7 };
}

CGRect panelRect(const UIAlertController& alert, CGRect screen, CGFloat height)
{
    if (alert.preferredStyle() == UIAlertControllerStyleActionSheet) {
        CGFloat width = std::max(0.0, screen.size.width - 2 * sheetMargin);
        return CGRectMake(screen.origin.x + sheetMargin, CGRectGetMaxY(screen) - sheetMargin - height, width, height);
    }
    CGFloat width = std::min(alertWidth, screen.size.width);
    return CGRectMake(CGRectGetMidX(screen) - width / 2, CGRectGetMidY(screen) - height / 2, width, height);
}

void paintButtons(const PaintContext& paint, const UIAlertController::Actions& actions, CGRect area)
{
    auto separator = UIColor::colorWithWhite(0, 0.2);
    bool sideBySide = actions.size() == 2;
    for (size_t i = 0; i < actions.size(); ++i) {
        CGRect rect = sideBySide ? CGRectMake(area.origin.x + area.size.width / 2 * static_cast<CGFloat>(i), area.origin.y, area.size.width / 2, buttonHeight)
                                 : CGRectMake(area.origin.x, area.origin.y + buttonHeight * static_cast<CGFloat>(i), area.size.width, buttonHeight);
        Drawing::fillHairline(paint.context, { rect.origin.x, rect.origin.y + 1 / paint.pixelScale }, rect.size.width, paint.pixelScale, *separator);
        if (sideBySide && i == 1) {
            Drawing::setFillColor(paint.context, *separator);
            CGContextFillRect(paint.context, CGRectMake(rect.origin.x, rect.origin.y, 1 / paint.pixelScale, buttonHeight));
        }
        TextRenderer::drawText(paint.context, actions[i]->title(), CGRectMake(rect.origin.x + 8, rect.origin.y, rect.size.width - 16, buttonHeight),
            buttonStyle(*actions[i]), paint.pixelScale);
    }
}

}

namespace AlertPainter {

void paintAlert(const PaintContext& paint, const UIAlertController& alert, CGRect screen)
{
    CGContextRef context = paint.context;
    Drawing::setFillColor(context, *UIColor::colorWithWhite(0, 0.2));
    CGContextFillRect(context, screen);

    Texts texts;
    CGFloat textWidth = std::min(alertWidth, screen.size.width) - 2 * padding;
    if (alert.preferredStyle() == UIAlertControllerStyleActionSheet)
        textWidth = screen.size.width - 2 * (sheetMargin + padding);
    CGSize title = TextRenderer::measureText(alert.title(), textWidth, texts.title);
    CGSize message = TextRenderer::measureText(alert.message(), textWidth, texts.message);
    const auto& actions = alert.actions();
    CGFloat buttons = actions.size() == 2 ? buttonHeight : buttonHeight * static_cast<CGFloat>(actions.size());
    CGFloat textHeight = title.height + (message.height > 0 ? textGap + message.height : 0);
    // A panel taller than the screen keeps its buttons; the texts are cut.
    CGFloat height = std::min(textHeight + 2 * padding + buttons, screen.size.height);
    CGRect panel = panelRect(alert, screen, height);

    CGContextSaveGState(context);
    Drawing::fillRoundedRect(context, panel, cornerRadius, *UIColor::colorWithWhite(0.97, 1));
    CGContextBeginPath(context);
    Drawing::addRoundedRect(context, panel, cornerRadius);
    CGContextClip(context);
    CGFloat left = panel.origin.x + padding;
    CGFloat top = panel.origin.y + padding;
    TextRenderer::drawText(context, alert.title(), CGRectMake(left, top, textWidth, title.height), texts.title, paint.pixelScale);
    TextRenderer::drawText(context, alert.message(), CGRectMake(left, top + title.height + textGap, textWidth, message.height), texts.message,
        paint.pixelScale);
    paintButtons(paint, actions, CGRectMake(panel.origin.x, CGRectGetMaxY(panel) - buttons, panel.size.width, buttons));
    CGContextRestoreGState(context);
}

}
