#include <coregraphics/CGGeometry.hpp>

#include <cmath>

CGRect CGRectStandardize(CGRect rect)
{
    if (rect.size.width < 0) {
        rect.origin.x += rect.size.width;
        rect.size.width = -rect.size.width;
    }
    if (rect.size.height < 0) {
        rect.origin.y += rect.size.height;
        rect.size.height = -rect.size.height;
    }
    return rect;
}

CGFloat CGRectGetMinX(CGRect rect) { return CGRectStandardize(rect).origin.x; }
CGFloat CGRectGetMidX(CGRect rect) { return CGRectGetMinX(rect) + CGRectGetWidth(rect) / 2; }
CGFloat CGRectGetMaxX(CGRect rect) { return CGRectGetMinX(rect) + CGRectGetWidth(rect); }
CGFloat CGRectGetMinY(CGRect rect) { return CGRectStandardize(rect).origin.y; }
CGFloat CGRectGetMidY(CGRect rect) { return CGRectGetMinY(rect) + CGRectGetHeight(rect) / 2; }
CGFloat CGRectGetMaxY(CGRect rect) { return CGRectGetMinY(rect) + CGRectGetHeight(rect); }
CGFloat CGRectGetWidth(CGRect rect) { return std::fabs(rect.size.width); }
CGFloat CGRectGetHeight(CGRect rect) { return std::fabs(rect.size.height); }

bool CGRectContainsPoint(CGRect rect, CGPoint point)
{
    return point.x >= CGRectGetMinX(rect) && point.x < CGRectGetMaxX(rect)
        && point.y >= CGRectGetMinY(rect) && point.y < CGRectGetMaxY(rect);
}
