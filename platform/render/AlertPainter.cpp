#include <render/AlertPainter.hpp>

#include <render/TextRenderer.hpp>

#include <uikit/UIAlertAction.hpp>
#include <uikit/UIAlertController.hpp>
#include <uikit/UIColor.hpp>
#include <uikit/UIFont.hpp>
#include <uikit/UILabel.hpp>

#include <algorithm>

namespace {

constexpr CGFloat cornerRadius = 14;

// Buttons take touches where they are drawn: the alert lays them out with the renderer's measure.
const bool s_measuresAlerts = [] {
    UIAlertController::setTextMeasure([](const std::string& text, CGFloat width, const UIFont& font) {
        auto shared = UIFont::fontWithName(font.fontName(), font.pointSize());
        return TextRenderer::measureText(text, width, TextStyle { shared, UIColor::blackColor(), NSTextAlignmentCenter, 0, false, 0 });
    });
    return true;
}();

TextStyle buttonStyle(const UIAlertAction& action)
{
    bool isCancel = action.style() == UIAlertActionStyleCancel;
    auto color = action.style() == UIAlertActionStyleDestructive ? UIColor::colorWithRed(1, 0.23, 0.19, 1) : Drawing::systemBlue();
    if (!action.isEnabled())
        color = UIColor::colorWithWhite(0.6, 1);
    auto font = isCancel ? UIFont::boldSystemFontOfSize(17) : UIFont::systemFontOfSize(17);
    return { font, color, NSTextAlignmentCenter, 1, true, 0.7 };
}

void paintButtons(const PaintContext& paint, const UIAlertController::Actions& actions, const std::vector<CGRect>& rects)
{
    auto separator = UIColor::colorWithWhite(0, 0.2);
    bool sideBySide = actions.size() == 2;
    for (size_t i = 0; i < actions.size() && i < rects.size(); ++i) {
        CGRect rect = rects[i];
        Drawing::fillHairline(paint.context, { rect.origin.x, rect.origin.y + 1 / paint.pixelScale }, rect.size.width, paint.pixelScale, *separator);
        if (sideBySide && i == 1) {
            Drawing::setFillColor(paint.context, *separator);
            CGContextFillRect(paint.context, CGRectMake(rect.origin.x, rect.origin.y, 1 / paint.pixelScale, rect.size.height));
        }
        TextRenderer::drawText(paint.context, actions[i]->title(), CGRectMake(rect.origin.x + 8, rect.origin.y, rect.size.width - 16, rect.size.height),
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

    auto layout = alert.layoutInBounds(screen);
    auto textStyle = [](const std::shared_ptr<UIFont>& font) {
        return TextStyle { font, UIColor::blackColor(), NSTextAlignmentCenter, 0, false, 0 };
    };
    CGContextSaveGState(context);
    Drawing::fillRoundedRect(context, layout.panel, cornerRadius, *UIColor::colorWithWhite(0.97, 1));
    CGContextBeginPath(context);
    Drawing::addRoundedRect(context, layout.panel, cornerRadius);
    CGContextClip(context);
    TextRenderer::drawText(context, alert.title(), layout.title, textStyle(layout.titleFont), paint.pixelScale);
    TextRenderer::drawText(context, alert.message(), layout.message, textStyle(layout.messageFont), paint.pixelScale);
    paintButtons(paint, alert.actions(), layout.buttons);
    CGContextRestoreGState(context);
}

}
