// A picture for the simulated photo library: a user's own GIF, unlike any shipped one, for demos and
// end-to-end runs of the import.
#include <tools/gifgen/GifGenerator.hpp>

#include <algorithm>
#include <cmath>

namespace gifgen {

namespace {

constexpr size_t sampleWidth = 240;
constexpr size_t sampleHeight = 520;
constexpr int sampleFrames = 18;

uint8_t channel(double value)
{
    return static_cast<uint8_t>(std::clamp(value, 0.0, 1.0) * 255.0 + 0.5);
}

// A sunset over the sea: the sun bobs and the sea's bands drift, one loop over the frames.
std::vector<uint8_t> sunsetFrame(double phase)
{
    std::vector<uint8_t> rgba(sampleWidth * sampleHeight * 4);
    double horizon = 0.62;
    double sunX = 0.5, sunY = 0.5 + 0.03 * std::sin(phase * 2 * M_PI), sunRadius = 0.09;
    for (size_t y = 0; y < sampleHeight; ++y) {
        double v = static_cast<double>(y) / sampleHeight;
        for (size_t x = 0; x < sampleWidth; ++x) {
            double u = static_cast<double>(x) / sampleWidth;
            double r, g, b;
            if (v < horizon) {
                double t = v / horizon;
                r = 0.35 + 0.65 * t;
                g = 0.12 + 0.38 * t * t;
                b = 0.45 - 0.25 * t;
                double dx = (u - sunX) * sampleWidth / sampleHeight, dy = v - sunY;
                double distance = std::sqrt(dx * dx + dy * dy);
                double glow = std::exp(-distance * distance / 0.02);
                r += 0.5 * glow;
                g += 0.35 * glow;
                if (distance < sunRadius) {
                    r = 1.0;
                    g = 0.85;
                    b = 0.45;
                }
            } else {
                double depth = (v - horizon) / (1 - horizon);
                double band = 0.5 + 0.5 * std::sin(depth * 40 - phase * 2 * M_PI + std::sin(u * 6) * 0.8);
                double sparkle = std::exp(-std::pow((u - sunX) * 3.0 / (0.3 + depth), 2)) * band;
                r = 0.12 + 0.2 * (1 - depth) + 0.7 * sparkle;
                g = 0.08 + 0.12 * (1 - depth) + 0.45 * sparkle;
                b = 0.25 + 0.15 * depth + 0.2 * sparkle;
            }
            uint8_t* pixel = &rgba[(y * sampleWidth + x) * 4];
            pixel[0] = channel(r);
            pixel[1] = channel(g);
            pixel[2] = channel(b);
            pixel[3] = 255;
        }
    }
    return rgba;
}

}

std::vector<uint8_t> photoLibrarySample()
{
    std::vector<Frame> frames;
    for (int i = 0; i < sampleFrames; ++i)
        frames.push_back({ sunsetFrame(static_cast<double>(i) / sampleFrames), static_cast<uint16_t>(i % 3 == 0 ? 12 : 6) });
    return encodeGif(sampleWidth, sampleHeight, frames, { 128, 0.4f });
}

}
