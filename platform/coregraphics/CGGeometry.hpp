// Points, sizes and rectangles in points, as CoreGraphics defines them (CGFloat is double).
#pragma once

using CGFloat = double;

struct CGPoint {
    CGFloat x { 0 };
    CGFloat y { 0 };
    bool operator==(const CGPoint&) const = default;
};

struct CGSize {
    CGFloat width { 0 };
    CGFloat height { 0 };
    bool operator==(const CGSize&) const = default;
};

struct CGRect {
    CGPoint origin;
    CGSize size;
    bool operator==(const CGRect&) const = default;
};

// A distance along each axis, such as the path of a drag.
struct CGVector {
    CGFloat dx { 0 };
    CGFloat dy { 0 };
    bool operator==(const CGVector&) const = default;
};

inline constexpr CGRect CGRectZero {};

constexpr CGPoint CGPointMake(CGFloat x, CGFloat y) { return { x, y }; }
constexpr CGSize CGSizeMake(CGFloat width, CGFloat height) { return { width, height }; }
constexpr CGVector CGVectorMake(CGFloat dx, CGFloat dy) { return { dx, dy }; }
constexpr CGRect CGRectMake(CGFloat x, CGFloat y, CGFloat width, CGFloat height) { return { { x, y }, { width, height } }; }

// As on the platform, these work on the standardised rectangle (negative sizes flipped).
CGFloat CGRectGetMinX(CGRect);
CGFloat CGRectGetMidX(CGRect);
CGFloat CGRectGetMaxX(CGRect);
CGFloat CGRectGetMinY(CGRect);
CGFloat CGRectGetMidY(CGRect);
CGFloat CGRectGetMaxY(CGRect);
CGFloat CGRectGetWidth(CGRect);
CGFloat CGRectGetHeight(CGRect);
CGRect CGRectStandardize(CGRect);
bool CGRectContainsPoint(CGRect, CGPoint);
