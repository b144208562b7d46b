// The device's one screen: bounds in points and a scale (pixels per point).
// No other screens, modes, orientation or safe areas.
#pragma once

#include <coregraphics/CGGeometry.hpp>
#include <objc/NSObject.hpp>

#include <memory>

class UIScreen final : public NSObject {
public:
    // Largest screen side, in pixels, that the stand-in accepts.
    static constexpr CGFloat maximumPixelSide = 16384;

    UIScreen(CGSize size, CGFloat scale);

    static std::shared_ptr<UIScreen> mainScreen();
    // Stand-in only: the simulated device picks its screen before the host starts. Sizes that
    // aren't positive and finite, scales below 1 and sides beyond maximumPixelSide pixels are
    // refused (false) and change nothing.
    static bool setMainScreenSize(CGSize, CGFloat scale);

    // Origin (0, 0) and the size in points.
    CGRect bounds() const { return { {}, m_size }; }
    CGFloat scale() const { return m_scale; }

private:
    CGSize m_size;
    CGFloat m_scale;
};
