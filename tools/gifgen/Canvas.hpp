// A floating-point RGB picture that the procedural scenes paint into, light adding up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace gifgen {

struct Rgb {
    float r { 0 };
    float g { 0 };
    float b { 0 };

    Rgb operator*(float factor) const { return { r * factor, g * factor, b * factor }; }
    Rgb operator+(Rgb other) const { return { r + other.r, g + other.g, b + other.b }; }
    Rgb& operator+=(Rgb other) { return *this = *this + other; }
};

// A fully saturated colour of the hue, which wraps around every 1.0.
Rgb hueColor(double hue);
Rgb mix(Rgb from, Rgb to, float amount);

class Canvas {
public:
    Canvas(size_t width, size_t height);

    size_t width() const { return m_width; }
    size_t height() const { return m_height; }
    Rgb& at(size_t x, size_t y) { return m_pixels[y * m_width + x]; }

    // A soft round light centred at (x, y) in pixels, fading to nothing at the radius.
    void addGlow(double x, double y, double radius, Rgb color);
    // Opaque 8-bit RGBA; values above 1 are rolled off towards white rather than clipped flat.
    std::vector<uint8_t> rgba() const;

private:
    size_t m_width;
    size_t m_height;
    std::vector<Rgb> m_pixels;
};

}
