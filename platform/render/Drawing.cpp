#include <render/Drawing.hpp>

#include <uikit/UIButton.hpp>
#include <uikit/UIColor.hpp>
#include <uikit/UINavigationBar.hpp>
#include <uikit/UITableView.hpp>

#include <algorithm>
#include <numbers>

namespace Drawing {

void setFillColor(CGContextRef context, const UIColor& color)
{
    CGContextSetRGBFillColor(context, color.red(), color.green(), color.blue(), color.alpha());
}

void setStrokeColor(CGContextRef context, const UIColor& color)
{
    CGContextSetRGBStrokeColor(context, color.red(), color.green(), color.blue(), color.alpha());
}

void addRoundedRect(CGContextRef context, CGRect rect, CGFloat radius)
{
    rect = CGRectStandardize(rect);
    radius = std::clamp(radius, 0.0, std::min(rect.size.width, rect.size.height) / 2);
    if (radius <= 0) {
        CGContextAddRect(context, rect);
        return;
    }
    constexpr double quarter = std::numbers::pi / 2;
    CGFloat left = CGRectGetMinX(rect);
    CGFloat top = CGRectGetMinY(rect);
    CGFloat right = CGRectGetMaxX(rect);
    CGFloat bottom = CGRectGetMaxY(rect);
    CGContextMoveToPoint(context, left + radius, top);
    CGContextAddArc(context, right - radius, top + radius, radius, -quarter, 0, 0);
    CGContextAddArc(context, right - radius, bottom - radius, radius, 0, quarter, 0);
    CGContextAddArc(context, left + radius, bottom - radius, radius, quarter, 2 * quarter, 0);
    CGContextAddArc(context, left + radius, top + radius, radius, 2 * quarter, 3 * quarter, 0);
    CGContextClosePath(context);
}

void fillRoundedRect(CGContextRef context, CGRect rect, CGFloat radius, const UIColor& color)
{
    setFillColor(context, color);
    CGContextBeginPath(context);
    addRoundedRect(context, rect, radius);
    CGContextFillPath(context);
}

void fillHairline(CGContextRef context, CGPoint from, CGFloat length, CGFloat pixelScale, const UIColor& color)
{
    CGFloat thickness = 1 / std::max(pixelScale, 1.0);
    setFillColor(context, color);
    CGContextFillRect(context, CGRectMake(from.x, from.y - thickness, length, thickness));
}

std::shared_ptr<UIColor> systemBlue()
{
    return UIColor::colorWithRed(0, 0.478, 1, 1);
}

std::shared_ptr<UIColor> tintColorOf(const UIView& view)
{
    for (const UIView* current = &view; current; current = current->superview()) {
        if (auto* button = dynamic_cast<const UIButton*>(current))
            return button->tintColor();
        if (auto* bar = dynamic_cast<const UINavigationBar*>(current); bar && bar->tintColor())
            return bar->tintColor();
        if (auto* table = dynamic_cast<const UITableView*>(current); table && table->tintColor())
            return table->tintColor();
    }
    return systemBlue();
}

bool isDark(const UIColor& color)
{
    double luminance = 0.2126 * color.red() + 0.7152 * color.green() + 0.0722 * color.blue();
    return color.alpha() > 0.3 && luminance < 0.45;
}

}
