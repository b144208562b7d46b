// The only file that knows cgif and libimagequant.
#include <render/AnimatedGifWriter.hpp>

#include <cgif.h>
#include <libimagequant.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int quantisationSpeed = 8;
constexpr float ditheringLevel = 0.5f;

struct AttrDeleter {
    void operator()(liq_attr* attr) const { liq_attr_destroy(attr); }
};
struct ImageDeleter {
    void operator()(liq_image* image) const { liq_image_destroy(image); }
};
struct ResultDeleter {
    void operator()(liq_result* result) const { liq_result_destroy(result); }
};
using QuantAttr = std::unique_ptr<liq_attr, AttrDeleter>;
using QuantImage = std::unique_ptr<liq_image, ImageDeleter>;
using QuantResult = std::unique_ptr<liq_result, ResultDeleter>;

struct IndexedFrame {
    std::vector<uint8_t> palette;
    std::vector<uint8_t> indices;
    uint16_t colourCount { 0 };
};

// Frames are opaque: a half-transparent pixel would otherwise gain a palette entry of its own.
std::vector<uint8_t> opaqueCopy(const RGBAPixels& pixels)
{
    std::vector<uint8_t> bytes = pixels.bytes;
    for (size_t i = 3; i < bytes.size(); i += 4)
        bytes[i] = 255;
    return bytes;
}

bool quantise(const RGBAPixels& pixels, IndexedFrame& frame)
{
    QuantAttr attr(liq_attr_create());
    if (!attr || liq_set_speed(attr.get(), quantisationSpeed) != LIQ_OK || liq_set_max_colors(attr.get(), 256) != LIQ_OK)
        return false;
    std::vector<uint8_t> bytes = opaqueCopy(pixels);
    QuantImage image(liq_image_create_rgba(attr.get(), bytes.data(), static_cast<int>(pixels.width), static_cast<int>(pixels.height), 0));
    if (!image)
        return false;
    liq_result* raw = nullptr;
    if (liq_image_quantize(image.get(), attr.get(), &raw) != LIQ_OK || !raw)
        return false;
    QuantResult result(raw);
    liq_set_dithering_level(result.get(), ditheringLevel);
    frame.indices.resize(pixels.width * pixels.height);
    if (liq_write_remapped_image(result.get(), image.get(), frame.indices.data(), frame.indices.size()) != LIQ_OK)
        return false;
    const liq_palette* palette = liq_get_palette(result.get());
    frame.colourCount = static_cast<uint16_t>(std::clamp<unsigned>(palette->count, 1, 256));
    for (unsigned i = 0; i < frame.colourCount; ++i)
        frame.palette.insert(frame.palette.end(), { palette->entries[i].r, palette->entries[i].g, palette->entries[i].b });
    return true;
}

}

struct AnimatedGifWriter::Encoder {
    CGIF* gif { nullptr };
    ~Encoder()
    {
        if (gif)
            cgif_close(gif);
    }
};

AnimatedGifWriter::AnimatedGifWriter(std::filesystem::path path, double framesPerSecond)
    : m_path(std::move(path))
    , m_framesPerSecond(std::isfinite(framesPerSecond) ? std::clamp(framesPerSecond, minimumFramesPerSecond, maximumFramesPerSecond) : defaultFramesPerSecond)
{
}

AnimatedGifWriter::~AnimatedGifWriter() = default;

uint16_t AnimatedGifWriter::delayOfFrame(size_t index) const
{
    // Each frame ends where the clock says it should, so rounding never adds up to drift.
    auto end = [this](size_t frame) { return std::llround(static_cast<double>(frame) * 100 / m_framesPerSecond); };
    return static_cast<uint16_t>(std::max(1LL, end(index + 1) - end(index)));
}

bool AnimatedGifWriter::fail(std::string reason)
{
    if (m_error.empty())
        m_error = std::move(reason);
    return false;
}

bool AnimatedGifWriter::addFrame(const RGBAPixels& pixels)
{
    if (m_isFinished)
        return fail("a frame came after the recording was finished");
    if (pixels.width == 0 || pixels.height == 0 || pixels.width > maximumSide || pixels.height > maximumSide
        || pixels.bytes.size() != pixels.width * pixels.height * 4)
        return fail("a frame had no usable pixels");
    if (m_encoder && (pixels.width != m_width || pixels.height != m_height))
        return fail("a frame's size differed from the first frame's");
    IndexedFrame frame;
    if (!quantise(pixels, frame))
        return fail("a frame's colours could not be quantised");
    if (!m_encoder) {
        CGIF_Config config {};
        std::string path = m_path.string();
        config.path = path.c_str();
        config.attrFlags = CGIF_ATTR_IS_ANIMATED | CGIF_ATTR_NO_GLOBAL_TABLE;
        config.width = static_cast<uint16_t>(pixels.width);
        config.height = static_cast<uint16_t>(pixels.height);
        config.numLoops = CGIF_INFINITE_LOOP;
        auto encoder = std::make_unique<Encoder>();
        encoder->gif = cgif_newgif(&config);
        if (!encoder->gif)
            return fail("can't create " + path);
        m_encoder = std::move(encoder);
        m_width = pixels.width;
        m_height = pixels.height;
    }
    CGIF_FrameConfig config {};
    config.pLocalPalette = frame.palette.data();
    config.numLocalPaletteEntries = frame.colourCount;
    config.pImageData = frame.indices.data();
    config.attrFlags = CGIF_FRAME_ATTR_USE_LOCAL_TABLE;
    config.delay = delayOfFrame(m_frameCount);
    if (cgif_addframe(m_encoder->gif, &config) != CGIF_OK)
        return fail("can't write a frame to " + m_path.string());
    ++m_frameCount;
    return true;
}

bool AnimatedGifWriter::finish(std::string& error)
{
    if (m_isFinished) {
        error = m_error.empty() ? "the recording was already finished" : m_error;
        return false;
    }
    m_isFinished = true;
    if (m_encoder) {
        int closed = cgif_close(m_encoder->gif);
        m_encoder->gif = nullptr;
        if (closed != CGIF_OK)
            fail("can't finish writing " + m_path.string());
    }
    if (m_frameCount == 0)
        fail("no frame was recorded");
    if (!m_error.empty()) {
        error = m_error;
        return false;
    }
    return true;
}
