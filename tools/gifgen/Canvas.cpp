#include <tools/gifgen/Canvas.hpp>

#include <algorithm>
#include <cmath>

namespace gifgen {

Rgb hueColor(double hue)
{
    auto channel = [&](double offset) {
        double value = std::fabs(std::fmod(hue * 6 + offset, 6.0) - 3) - 1;
        return static_cast<float>(std::clamp(value, 0.0, 1.0));
    };
    hue -= std::floor(hue);
    return { channel(6), channel(4), channel(2) };
}

Rgb mix(Rgb from, Rgb to, float amount)
{
    return from * (1 - amount) + to * amount;
}

Canvas::Canvas(size_t width, size_t height)
    : m_width(width)
    , m_height(height)
    , m_pixels(width * height)
{
}

void Canvas::addGlow(double x, double y, double radius, Rgb color)
{
    if (radius <= 0)
        return;
    auto first = [](double value) { return static_cast<size_t>(std::max(0.0, std::floor(value))); };
    size_t left = first(x - radius), top = first(y - radius);
    size_t right = std::min(m_width, first(x + radius + 1)), bottom = std::min(m_height, first(y + radius + 1));
    for (size_t row = top; row < bottom; ++row) {
        for (size_t column = left; column < right; ++column) {
            double dx = static_cast<double>(column) + 0.5 - x, dy = static_cast<double>(row) + 0.5 - y;
            double falloff = 1 - (dx * dx + dy * dy) / (radius * radius);
            if (falloff > 0)
                at(column, row) += color * static_cast<float>(falloff * falloff);
        }
    }
}

static uint8_t toByte(float value)
{
    // Soft knee above 0.8 so that overlapping lights keep some shape instead of a flat white blot.
    if (value > 0.8f)
        value = 0.8f + 0.2f * std::tanh((value - 0.8f) / 0.2f);
    return static_cast<uint8_t>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255));
}

std::vector<uint8_t> Canvas::rgba() const
{
    std::vector<uint8_t> bytes;
    bytes.reserve(m_pixels.size() * 4);
    for (auto& pixel : m_pixels)
        bytes.insert(bytes.end(), { toByte(pixel.r), toByte(pixel.g), toByte(pixel.b), 255 });
    return bytes;
}

}
