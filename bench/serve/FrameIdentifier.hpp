// Which frame of the benchmark GIF a picture of the stream shows: each picture is compared with
// every frame (decoded by giflib) over the top of the screen, clear of the flames, by the
// correlation of block averages, so the picture's opacity and the dim background don't matter.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace servebench {

class FrameIdentifier {
public:
    // False when giflib refuses the file.
    bool learn(const std::vector<uint8_t>& gif);
    size_t frameCount() const { return m_frames.size(); }
    // The frame a JPEG picture of the whole screen shows; none when it matches no frame well.
    std::optional<size_t> frameOf(const std::string& jpeg) const;

private:
    std::vector<std::vector<double>> m_frames;
};

}
