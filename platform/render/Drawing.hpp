// Small drawing steps shared by the painters: colours from UIKit, rounded rectangles, tints.
#pragma once

#include <coregraphics/CGContext.hpp>

#include <memory>

class UIColor;
class UIView;

namespace Render {
class ImageRenditions;
}

namespace Drawing {

void setFillColor(CGContextRef, const UIColor&);
void setStrokeColor(CGContextRef, const UIColor&);
// The radius is limited to half the shorter side, as a layer limits it.
void addRoundedRect(CGContextRef, CGRect, CGFloat radius);
void fillRoundedRect(CGContextRef, CGRect, CGFloat radius, const UIColor&);
// A horizontal line one device pixel thick whose bottom edge starts at the point.
void fillHairline(CGContextRef, CGPoint from, CGFloat length, CGFloat pixelScale, const UIColor&);

std::shared_ptr<UIColor> systemBlue();
// The nearest tint among the view and its superviews that keep one (buttons, navigation bars,
// tables), else the system blue.
std::shared_ptr<UIColor> tintColorOf(const UIView&);
// Dark enough that text on it is drawn light, as the dark appearance does.
bool isDark(const UIColor&);

}

// What every painter draws with: the context, in points, and the device pixels per point.
struct PaintContext {
    CGContextRef context { nullptr };
    CGFloat pixelScale { 1 };
    Render::ImageRenditions* renditions { nullptr };
};
