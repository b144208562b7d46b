#include <tools/gifgen/Canvas.hpp>
#include <tools/gifgen/GifGenerator.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <numbers>
#include <numeric>
#include <system_error>

namespace gifgen {

namespace {

constexpr double tau = 2 * std::numbers::pi;

// The screen is 390 x 844 points; half of it keeps the files light and still looks smooth when scaled.
constexpr size_t portraitWidth = 195;
constexpr size_t portraitHeight = 422;
// The square picture sits in a 500 x 500 point container.
constexpr size_t squareSide = 250;

// Seeded with constants, so every run paints the same picture.
class SplitMix {
public:
    explicit SplitMix(uint64_t seed)
        : m_state(seed)
    {
    }
    double next()
    {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return static_cast<double>((z ^ (z >> 31)) >> 11) / static_cast<double>(1ull << 53);
    }

private:
    uint64_t m_state;
};

float smoothstep(double edge0, double edge1, double x)
{
    double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return static_cast<float>(t * t * (3 - 2 * t));
}

double fraction(double x)
{
    return x - std::floor(x);
}

// Every scene is periodic in phase (0 to 1 over one loop), so the loop has no seam.
using Painter = void (*)(Canvas&, double phase);

struct Picture {
    const char* name;
    size_t width;
    size_t height;
    size_t frameCount;
    std::vector<uint16_t> delayPattern;
    Painter paint;
    EncodeOptions options;
};

template<typename Shader>
void shade(Canvas& canvas, Shader shader)
{
    double width = static_cast<double>(canvas.width()), height = static_cast<double>(canvas.height());
    for (size_t y = 0; y < canvas.height(); ++y) {
        for (size_t x = 0; x < canvas.width(); ++x)
            canvas.at(x, y) = shader((static_cast<double>(x) + 0.5) / width, (static_cast<double>(y) + 0.5) / height);
    }
}

void addStaticStars(Canvas& canvas, uint64_t seed, size_t count, double maximumV)
{
    SplitMix random(seed);
    for (size_t i = 0; i < count; ++i) {
        double x = random.next() * static_cast<double>(canvas.width());
        double y = random.next() * maximumV * static_cast<double>(canvas.height());
        float brightness = static_cast<float>(0.25 + 0.5 * random.next());
        canvas.addGlow(x, y, 1.2, Rgb { 0.8f, 0.85f, 1.0f } * brightness);
    }
}

struct Curtain {
    double base;
    double amplitude;
    double waves;
    int drift;
    double offset;
    double rays;
    double reach;
    Rgb edge;
    Rgb crown;
};

// Swaying aurora curtains: a sharp lower edge, a long fade upwards, broad rays of light.
// They sway rather than travel, so that each frame changes few pixels and the file stays light.
void paintAurora(Canvas& canvas, double phase)
{
    static const std::array<Curtain, 2> curtains { {
        { 0.32, 0.04, 0.8, 1, 0.0, 2.5, 0.18, { 0.15f, 1.0f, 0.55f }, { 0.55f, 0.2f, 0.95f } },
        { 0.50, 0.03, 1.1, -1, 1.7, 3.5, 0.12, { 0.1f, 0.85f, 0.9f }, { 0.3f, 0.3f, 1.0f } },
    } };
    double sway = std::sin(tau * phase);
    shade(canvas, [&](double u, double v) {
        Rgb color = mix({ 0.02f, 0.03f, 0.10f }, { 0.0f, 0.0f, 0.015f }, static_cast<float>(v));
        for (auto& curtain : curtains) {
            double swing = 0.15 * curtain.drift * sway;
            double centre = curtain.base + curtain.amplitude * std::sin(tau * (curtain.waves * u + swing) + curtain.offset)
                + 0.012 * std::sin(tau * (3 * u + curtain.drift * phase) + curtain.offset);
            double below = v - centre;
            double profile = below > 0 ? std::exp(-(below / 0.015) * (below / 0.015)) : std::exp(below / curtain.reach);
            double ray = std::sin(tau * (curtain.rays * u + swing) + 2 * curtain.offset);
            double rays = 0.6 + 0.4 * ray * ray;
            Rgb tint = mix(curtain.edge, curtain.crown, smoothstep(0, 2 * curtain.reach, -below));
            color += tint * static_cast<float>(0.75 * profile * rays);
        }
        return color;
    });
    addStaticStars(canvas, 0xA0A0, 40, 0.5);
}

// Layered waves rolling across the lower screen, from deep blue at the back to warm pink in front.
void paintWaves(Canvas& canvas, double phase)
{
    static const std::array<Rgb, 4> layers { { { 0.10f, 0.12f, 0.55f }, { 0.40f, 0.12f, 0.70f }, { 0.85f, 0.15f, 0.55f }, { 1.0f, 0.45f, 0.30f } } };
    double pixel = 1.0 / static_cast<double>(canvas.height());
    shade(canvas, [&](double u, double v) {
        Rgb color = mix({ 0.01f, 0.01f, 0.04f }, { 0.10f, 0.03f, 0.16f }, smoothstep(0.1, 0.45, v));
        for (size_t k = 0; k < layers.size(); ++k) {
            double layer = static_cast<double>(k);
            // One wavelength per loop, alternate layers in opposite directions: calm enough to sit behind speech.
            double speed = k % 2 ? -1 : 1;
            double surface = 0.42 + 0.11 * layer + 0.035 * std::sin(tau * ((1 + 0.5 * layer) * u + speed * phase) + layer)
                + 0.012 * std::sin(tau * (3 * u - speed * phase));
            float inside = smoothstep(surface - pixel, surface + pixel, v);
            // Shade by height on the screen rather than depth under the crest: the same look for fewer bytes.
            Rgb body = layers[k] * (0.9f - 0.5f * smoothstep(0.4 + 0.11 * layer, 1.0, v));
            color = mix(color, body, 0.8f * inside);
            double crest = (v - surface) / 0.006;
            color += mix(layers[k], { 1, 1, 1 }, 0.4f) * static_cast<float>(0.6 * std::exp(-crest * crest));
        }
        return color;
    });
}

// A colour wheel turning once per loop inside a counter-turning ring of pulsing segments.
void paintColorWheel(Canvas& canvas, double phase)
{
    shade(canvas, [&](double u, double v) {
        double dx = 2 * u - 1, dy = 2 * v - 1;
        double radius = std::hypot(dx, dy);
        double angle = std::atan2(dy, dx) / tau;
        Rgb color = Rgb { 0.06f, 0.03f, 0.12f } * (1 - smoothstep(0, 1, radius));
        float ring = smoothstep(0.50, 0.56, radius) * (1 - smoothstep(0.80, 0.88, radius));
        float shine = 0.75f + 0.25f * static_cast<float>(std::cos(tau * (angle - phase)));
        color += hueColor(angle + phase) * (ring * shine);
        double segment = fraction(12 * (angle - 2 * phase));
        float segments = smoothstep(0.1, 0.2, segment) * (1 - smoothstep(0.8, 0.9, segment));
        float band = smoothstep(0.32, 0.35, radius) * (1 - smoothstep(0.42, 0.45, radius));
        float pulse = 0.55f + 0.45f * static_cast<float>(std::sin(tau * (3 * phase + angle)));
        color += hueColor(0.5 - angle + phase) * (band * segments * pulse);
        color += Rgb { 0.5f, 0.4f, 0.9f } * static_cast<float>(0.5 * std::exp(-radius * radius / 0.03));
        return color;
    });
}

// Rings rising from the assistant's corner of the screen, brightening as they leave it and fading
// out at the edges. The hue belongs to the distance, so only the rings themselves change per frame.
void paintRings(Canvas& canvas, double phase)
{
    double aspect = static_cast<double>(canvas.height()) / static_cast<double>(canvas.width());
    shade(canvas, [&](double u, double v) {
        double dx = u - 0.5, dy = (v - 0.78) * aspect;
        double distance = std::hypot(dx, dy) / 1.6;
        double position = fraction(5 * (distance - phase));
        double offset = (position - 0.5) / 0.06;
        double ring = std::exp(-offset * offset);
        double swell = smoothstep(0, 0.12, distance) * std::exp(-distance * 1.8);
        Rgb tint = hueColor(0.5 + 0.45 * smoothstep(0, 0.7, distance));
        Rgb color = Rgb { 0.03f, 0.01f, 0.07f } + tint * static_cast<float>(0.08 * std::exp(-distance * 3));
        return color + mix(tint, { 1, 1, 1 }, 0.2f) * static_cast<float>(1.2 * ring * swell);
    });
}

// A soft purple nebula and faint dust that stay still behind the stars, so that only the stars cost bytes.
void paintNebula(Canvas& canvas)
{
    double aspect = static_cast<double>(canvas.height()) / static_cast<double>(canvas.width());
    shade(canvas, [&](double u, double v) {
        auto blob = [&](double x, double y, double size) {
            double dx = u - x, dy = (v - y) * aspect;
            return static_cast<float>(std::exp(-(dx * dx + dy * dy) / size));
        };
        return Rgb { 0.01f, 0.0f, 0.03f } + Rgb { 0.28f, 0.06f, 0.38f } * blob(0.15, 0.25, 0.25)
            + Rgb { 0.05f, 0.12f, 0.40f } * blob(0.9, 0.55, 0.2) + Rgb { 0.32f, 0.05f, 0.22f } * blob(0.4, 0.85, 0.3);
    });
    addStaticStars(canvas, 0xD057, 50, 1.0);
}

// Stars flying out of the middle of the screen with short trails.
void paintStarfield(Canvas& canvas, double phase)
{
    paintNebula(canvas);
    double centreX = static_cast<double>(canvas.width()) / 2, centreY = static_cast<double>(canvas.height()) * 0.42;
    double reach = static_cast<double>(canvas.height()) * 0.75;
    SplitMix random(0x5EED);
    for (size_t star = 0; star < 150; ++star) {
        double angle = tau * random.next(), start = random.next();
        int speed = 1 + static_cast<int>(random.next() * 2);
        Rgb tint = mix({ 1, 1, 1 }, hueColor(0.55 + 0.35 * random.next()), 0.35f);
        // The trail is the star's recent path, drawn as lights close enough to merge into one streak.
        double head = fraction(start + speed * phase);
        double tail = std::max(0.0, head - 0.035);
        double headDistance = 4 + reach * head * head * head, tailDistance = 4 + reach * tail * tail * tail;
        double radius = 1 + 2 * head;
        int steps = std::clamp(static_cast<int>(std::ceil((headDistance - tailDistance) / (0.5 * radius))), 1, 48);
        float brightness = smoothstep(0, 0.15, head);
        for (int step = 0; step <= steps; ++step) {
            double along = static_cast<double>(step) / steps;
            double distance = headDistance - along * (headDistance - tailDistance);
            float fade = brightness * static_cast<float>(0.45 * (1 - along) * (1 - along));
            canvas.addGlow(centreX + distance * std::cos(angle), centreY + distance * std::sin(angle), radius * (1 - 0.5 * along), tint * fade);
        }
    }
}

const std::vector<Picture>& pictures()
{
    // Uneven delays: the pictures only move smoothly when each frame keeps its own duration.
    static const std::vector<Picture> all {
        { "a.gif", portraitWidth, portraitHeight, 16, { 6, 10, 14, 10 }, paintAurora, { 64, 0.15f } },
        { "b.gif", portraitWidth, portraitHeight, 32, { 5, 10, 15, 10 }, paintWaves, { 128, 0.3f } },
        { "c.gif", squareSide, squareSide, 24, { 4, 8, 4, 12 }, paintColorWheel, { 192, 0 } },
        { "h.gif", portraitWidth, portraitHeight, 20, { 3, 4, 7, 4 }, paintRings, { 64, 0.2f } },
        { "e.gif", portraitWidth, portraitHeight, 32, { 6, 12, 6, 6 }, paintStarfield, { 64, 0.2f } },
    };
    return all;
}

std::vector<Frame> renderFrames(const Picture& picture)
{
    std::vector<uint16_t> delays;
    for (size_t i = 0; i < picture.frameCount; ++i)
        delays.push_back(picture.delayPattern[i % picture.delayPattern.size()]);
    double total = std::accumulate(delays.begin(), delays.end(), 0.0);
    std::vector<Frame> frames;
    double elapsed = 0;
    for (auto delay : delays) {
        Canvas canvas(picture.width, picture.height);
        picture.paint(canvas, elapsed / total);
        frames.push_back({ canvas.rgba(), delay });
        elapsed += delay;
    }
    return frames;
}

bool writeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    return static_cast<bool>(file);
}

}

const std::vector<std::string>& shippedPictureNames()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list;
        for (auto& picture : pictures())
            list.emplace_back(picture.name);
        return list;
    }();
    return names;
}

std::vector<uint8_t> shippedPicture(size_t index)
{
    if (index >= pictures().size())
        return {};
    auto& picture = pictures()[index];
    return encodeGif(picture.width, picture.height, renderFrames(picture), picture.options);
}

bool writeShippedPictures(const std::filesystem::path& directory, std::string& error)
{
    std::error_code code;
    std::filesystem::create_directories(directory, code);
    if (code) {
        error = "cannot create " + directory.string() + ": " + code.message();
        return false;
    }
    for (size_t i = 0; i < pictures().size(); ++i) {
        auto bytes = shippedPicture(i);
        auto path = directory / pictures()[i].name;
        if (bytes.empty()) {
            error = std::string("cannot encode ") + pictures()[i].name;
            return false;
        }
        if (!writeFile(path, bytes)) {
            error = "cannot write " + path.string();
            return false;
        }
    }
    return true;
}

}
