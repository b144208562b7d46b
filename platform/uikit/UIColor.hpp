// Colours as red, green, blue and alpha components (extended range kept as given).
// No colour spaces, patterns or dynamic (light/dark) colours.
#pragma once

#include <coregraphics/CGGeometry.hpp>
#include <objc/NSObject.hpp>

#include <memory>

class UIColor final : public NSObject {
public:
    UIColor(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);

    static std::shared_ptr<UIColor> colorWithRed(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
    static std::shared_ptr<UIColor> colorWithWhite(CGFloat white, CGFloat alpha);
    static std::shared_ptr<UIColor> clearColor();
    static std::shared_ptr<UIColor> blackColor();
    static std::shared_ptr<UIColor> whiteColor();
    static std::shared_ptr<UIColor> darkGrayColor();

    CGFloat red() const { return m_red; }
    CGFloat green() const { return m_green; }
    CGFloat blue() const { return m_blue; }
    CGFloat alpha() const { return m_alpha; }
    bool isEqual(const UIColor&) const;

private:
    CGFloat m_red;
    CGFloat m_green;
    CGFloat m_blue;
    CGFloat m_alpha;
};
