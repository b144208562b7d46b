// A view's layer, as far as views use it: corner radius, z position and clipping.
// No sublayers, drawing, animations or transforms.
#pragma once

#include <coregraphics/CGGeometry.hpp>
#include <objc/NSObject.hpp>

#include <memory>

class CALayer : public NSObject {
public:
    CALayer() = default;

    static std::shared_ptr<CALayer> layer();

    CGFloat cornerRadius() const { return m_cornerRadius; }
    // Non-finite or negative radii give square corners rather than a shape nobody can draw.
    void setCornerRadius(CGFloat);
    // Orders siblings for drawing: a higher z position draws above, whatever the subview order.
    CGFloat zPosition() const { return m_zPosition; }
    void setZPosition(CGFloat);
    bool masksToBounds() const { return m_masksToBounds; }
    void setMasksToBounds(bool masks) { m_masksToBounds = masks; }

private:
    CGFloat m_cornerRadius { 0 };
    CGFloat m_zPosition { 0 };
    bool m_masksToBounds { false };
};
