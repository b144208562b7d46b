#include <uikit/CALayer.hpp>

#include <cmath>

static const Class s_class = objc::registerClass<CALayer>("CALayer", "NSObject");

std::shared_ptr<CALayer> CALayer::layer()
{
    return std::make_shared<CALayer>();
}

void CALayer::setCornerRadius(CGFloat radius)
{
    m_cornerRadius = std::isfinite(radius) && radius > 0 ? radius : 0;
}

void CALayer::setZPosition(CGFloat position)
{
    // A NaN would make the drawing order of siblings undefined.
    m_zPosition = std::isnan(position) ? 0 : position;
}
