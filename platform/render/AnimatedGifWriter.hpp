// Writes pictures to an animated GIF file as they come: each frame quantised to a palette of its
// own (at most 256 colours, lightly dithered), shown for 1/fps seconds in hundredths that add up
// without drift, looping forever. Transparency is not kept: frames are taken as opaque.
#pragma once

#include <coregraphics/CGImage.hpp>

#include <filesystem>
#include <memory>
#include <string>

class AnimatedGifWriter {
public:
    static constexpr double defaultFramesPerSecond = 10;
    static constexpr double minimumFramesPerSecond = 1;
    static constexpr double maximumFramesPerSecond = 50;
    static constexpr size_t maximumSide = 4096;

    // The rate is clamped to the range above (a rate that isn't a number gives the default); the
    // file is created with the first frame.
    AnimatedGifWriter(std::filesystem::path, double framesPerSecond);
    ~AnimatedGifWriter();
    AnimatedGifWriter(const AnimatedGifWriter&) = delete;
    AnimatedGifWriter& operator=(const AnimatedGifWriter&) = delete;

    // The first frame fixes the size: frames of another size, empty or oversized ones, and frames
    // after finish are refused (false, with the reason kept for finish).
    bool addFrame(const RGBAPixels&);
    // Closes the file. False, with the first error met, when no frame was written or writing failed.
    bool finish(std::string& error);

    size_t frameCount() const { return m_frameCount; }
    double framesPerSecond() const { return m_framesPerSecond; }
    // Hundredths of a second that frame `index` is shown.
    uint16_t delayOfFrame(size_t index) const;

private:
    struct Encoder;

    bool fail(std::string reason);

    std::filesystem::path m_path;
    double m_framesPerSecond;
    std::unique_ptr<Encoder> m_encoder;
    size_t m_width { 0 };
    size_t m_height { 0 };
    size_t m_frameCount { 0 };
    bool m_isFinished { false };
    std::string m_error;
};
