#include <tools/gifgen/IndexedGifWriter.hpp>

#include <cgif.h>
#include <limits>

namespace gifgen {

struct IndexedGifContext {
    size_t pixelCount { 0 };
    IndexedGifWriter::FrameStorage storage { IndexedGifWriter::FrameStorage::Whole };
    std::vector<uint8_t> palette;
    std::vector<uint8_t> output;
    std::vector<uint8_t> scratch;
    CGIF* gif { nullptr };
    bool didFail { false };
};

static int appendBytes(void* context, const uint8_t* data, const size_t count)
{
    auto* output = static_cast<std::vector<uint8_t>*>(context);
    output->insert(output->end(), data, data + count);
    return CGIF_OK;
}

IndexedGifWriter::IndexedGifWriter(size_t width, size_t height, std::span<const uint8_t> palette, FrameStorage storage)
    : m_context(std::make_unique<IndexedGifContext>())
{
    constexpr size_t maximumSide = std::numeric_limits<uint16_t>::max();
    auto& context = *m_context;
    context.storage = storage;
    context.pixelCount = width * height;
    context.palette.assign(palette.begin(), palette.end());
    size_t entries = palette.size() / 3;
    // The encoder marks unchanged pixels with a spare index; with a palette that fills a power-of-two
    // table exactly it picks an index beyond the table it writes, so one more entry makes room.
    if (storage == FrameStorage::ChangesOnly && entries && !(entries & (entries - 1))) {
        context.palette.insert(context.palette.end(), { 0, 0, 0 });
        ++entries;
    }
    if (!width || !height || width > maximumSide || height > maximumSide || !entries || entries > 256 || palette.size() % 3) {
        context.didFail = true;
        return;
    }
    CGIF_Config config {};
    config.pGlobalPalette = context.palette.data();
    config.numGlobalPaletteEntries = static_cast<uint16_t>(entries);
    config.attrFlags = CGIF_ATTR_IS_ANIMATED;
    config.numLoops = CGIF_INFINITE_LOOP;
    config.width = static_cast<uint16_t>(width);
    config.height = static_cast<uint16_t>(height);
    config.pWriteFn = appendBytes;
    config.pContext = &context.output;
    context.gif = cgif_newgif(&config);
    context.didFail = !context.gif;
}

IndexedGifWriter::~IndexedGifWriter()
{
    if (m_context->gif)
        cgif_close(m_context->gif);
}

bool IndexedGifWriter::addFrame(std::span<const uint8_t> indices, uint16_t delay, std::optional<uint8_t> transparentIndex)
{
    auto& context = *m_context;
    if (indices.size() != context.pixelCount)
        context.didFail = true;
    if (context.didFail)
        return false;
    // The encoder takes a mutable buffer; hand it a copy so the caller's frame stays untouched.
    context.scratch.assign(indices.begin(), indices.end());
    CGIF_FrameConfig frame {};
    frame.pImageData = context.scratch.data();
    frame.delay = delay;
    if (transparentIndex) {
        frame.attrFlags = CGIF_FRAME_ATTR_HAS_SET_TRANS;
        frame.transIndex = *transparentIndex;
    } else if (context.storage == FrameStorage::ChangesOnly) {
        frame.genFlags = CGIF_FRAME_GEN_USE_TRANSPARENCY | CGIF_FRAME_GEN_USE_DIFF_WINDOW;
    }
    context.didFail = cgif_addframe(context.gif, &frame) != CGIF_OK;
    return !context.didFail;
}

std::vector<uint8_t> IndexedGifWriter::finish()
{
    auto& context = *m_context;
    if (!context.gif)
        return {};
    bool didClose = cgif_close(context.gif) == CGIF_OK;
    context.gif = nullptr;
    if (context.didFail || !didClose)
        return {};
    return std::move(context.output);
}

}
