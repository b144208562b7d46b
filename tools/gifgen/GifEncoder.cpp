#include <tools/gifgen/GifGenerator.hpp>
#include <tools/gifgen/IndexedGifWriter.hpp>

#include <algorithm>
#include <libimagequant.h>
#include <limits>
#include <memory>
#include <optional>

namespace gifgen {

namespace {

struct LiqAttrDeleter {
    void operator()(liq_attr* attr) const { liq_attr_destroy(attr); }
};
struct LiqImageDeleter {
    void operator()(liq_image* image) const { liq_image_destroy(image); }
};
struct LiqHistogramDeleter {
    void operator()(liq_histogram* histogram) const { liq_histogram_destroy(histogram); }
};
struct LiqResultDeleter {
    void operator()(liq_result* result) const { liq_result_destroy(result); }
};
using LiqAttr = std::unique_ptr<liq_attr, LiqAttrDeleter>;
using LiqImage = std::unique_ptr<liq_image, LiqImageDeleter>;
using LiqHistogram = std::unique_ptr<liq_histogram, LiqHistogramDeleter>;
using LiqResult = std::unique_ptr<liq_result, LiqResultDeleter>;

constexpr size_t maximumSide = std::numeric_limits<uint16_t>::max();
constexpr unsigned char opaqueThreshold = 128;

// Every frame indexed into one palette; transparentIndex names the entry that stands for
// transparent pixels, when there are any.
struct IndexedFrames {
    std::vector<uint8_t> palette; // RGB triples
    std::vector<std::vector<uint8_t>> indices;
    std::optional<uint8_t> transparentIndex;
};

bool isValidInput(size_t width, size_t height, const std::vector<Frame>& frames)
{
    if (width == 0 || height == 0 || width > maximumSide || height > maximumSide || frames.empty())
        return false;
    size_t byteCount = width * height * 4;
    return std::all_of(frames.begin(), frames.end(), [&](const Frame& frame) { return frame.rgba.size() == byteCount; });
}

bool hasTransparency(const std::vector<Frame>& frames)
{
    for (auto& frame : frames) {
        for (size_t i = 3; i < frame.rgba.size(); i += 4) {
            if (frame.rgba[i] < opaqueThreshold)
                return true;
        }
    }
    return false;
}

std::vector<LiqImage> makeImages(const liq_attr* attr, size_t width, size_t height, const std::vector<Frame>& frames)
{
    std::vector<LiqImage> images;
    for (auto& frame : frames) {
        LiqImage image(liq_image_create_rgba(attr, frame.rgba.data(), static_cast<int>(width), static_cast<int>(height), 0));
        if (!image)
            return {};
        images.push_back(std::move(image));
    }
    return images;
}

// One palette for all frames keeps colours from flickering and lets unchanged pixels keep their index.
LiqResult quantise(liq_attr* attr, const std::vector<LiqImage>& images)
{
    LiqHistogram histogram(liq_histogram_create(attr));
    if (!histogram)
        return nullptr;
    for (auto& image : images) {
        if (liq_histogram_add_image(histogram.get(), attr, image.get()) != LIQ_OK)
            return nullptr;
    }
    liq_result* result = nullptr;
    if (liq_histogram_quantize(histogram.get(), attr, &result) != LIQ_OK)
        return nullptr;
    return LiqResult(result);
}

bool samePalette(const liq_palette& first, const liq_palette& second)
{
    auto sameEntry = [](liq_color a, liq_color b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; };
    return first.count == second.count && std::equal(first.entries, first.entries + first.count, second.entries, sameEntry);
}

std::optional<uint8_t> lowestAlphaIndex(const liq_palette& palette)
{
    std::optional<uint8_t> found;
    for (unsigned i = 0; i < palette.count; ++i) {
        if (palette.entries[i].a < opaqueThreshold && (!found || palette.entries[i].a < palette.entries[*found].a))
            found = static_cast<uint8_t>(i);
    }
    return found;
}

// A GIF has one transparent index: every see-through entry is folded into it.
void foldTransparentEntries(const liq_palette& palette, uint8_t transparentIndex, std::vector<uint8_t>& indices)
{
    for (auto& index : indices) {
        if (index < palette.count && palette.entries[index].a < opaqueThreshold)
            index = transparentIndex;
    }
}

std::optional<IndexedFrames> indexFrames(size_t width, size_t height, const std::vector<Frame>& frames, EncodeOptions options)
{
    bool transparent = hasTransparency(frames);
    int colors = std::clamp(options.colors, 2, 256);
    LiqAttr attr(liq_attr_create());
    if (!attr)
        return std::nullopt;
    // Opaque pictures leave one entry free for the writer to mark pixels unchanged since the last frame.
    liq_set_max_colors(attr.get(), transparent ? colors : std::min(colors, 255));
    liq_set_speed(attr.get(), 3);
    auto images = makeImages(attr.get(), width, height, frames);
    if (images.empty())
        return std::nullopt;
    auto result = quantise(attr.get(), images);
    if (!result)
        return std::nullopt;
    liq_set_dithering_level(result.get(), std::clamp(options.dithering, 0.0f, 1.0f));

    IndexedFrames indexed;
    std::optional<liq_palette> firstPalette;
    for (auto& image : images) {
        std::vector<uint8_t> indices(width * height);
        if (liq_write_remapped_image(result.get(), image.get(), indices.data(), indices.size()) != LIQ_OK)
            return std::nullopt;
        indexed.indices.push_back(std::move(indices));
        // The palette gets its final refinement in the first remapping; all frames must share that one.
        if (!firstPalette)
            firstPalette = *liq_get_palette(result.get());
        else if (!samePalette(*firstPalette, *liq_get_palette(result.get())))
            return std::nullopt;
    }
    const liq_palette* palette = &*firstPalette;
    if (palette->count == 0)
        return std::nullopt;
    indexed.transparentIndex = transparent ? lowestAlphaIndex(*palette) : std::nullopt;
    for (unsigned i = 0; i < palette->count; ++i) {
        auto& entry = palette->entries[i];
        indexed.palette.insert(indexed.palette.end(), { entry.r, entry.g, entry.b });
    }
    if (indexed.transparentIndex) {
        for (auto& indices : indexed.indices)
            foldTransparentEntries(*palette, *indexed.transparentIndex, indices);
    }
    return indexed;
}

std::vector<uint8_t> writeGif(size_t width, size_t height, const IndexedFrames& indexed, const std::vector<Frame>& frames)
{
    // Transparent input needs its own index in every frame, so no entry is left to mark unchanged pixels.
    auto storage = indexed.transparentIndex ? IndexedGifWriter::FrameStorage::Whole : IndexedGifWriter::FrameStorage::ChangesOnly;
    IndexedGifWriter writer(width, height, indexed.palette, storage);
    for (size_t i = 0; i < frames.size(); ++i) {
        if (!writer.addFrame(indexed.indices[i], frames[i].delay, indexed.transparentIndex))
            return {};
    }
    return writer.finish();
}

}

std::vector<uint8_t> encodeGif(size_t width, size_t height, const std::vector<Frame>& frames, EncodeOptions options)
{
    if (!isValidInput(width, height, frames))
        return {};
    auto indexed = indexFrames(width, height, frames, options);
    if (!indexed)
        return {};
    return writeGif(width, height, *indexed, frames);
}

}
