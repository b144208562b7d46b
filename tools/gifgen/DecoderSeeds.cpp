#include <tools/gifgen/GifBuilder.hpp>
#include <tools/gifgen/GifGenerator.hpp>

namespace gifgen {

namespace {

std::vector<Rgb8> palette(size_t count)
{
    std::vector<Rgb8> colors;
    for (size_t index = 0; index < count; ++index)
        colors.push_back({ static_cast<uint8_t>(index * 37), static_cast<uint8_t>(index * 91 + 7), static_cast<uint8_t>(255 - index * 13) });
    return colors;
}

std::vector<uint16_t> pattern(size_t width, size_t height, unsigned modulo, unsigned seed = 0)
{
    std::vector<uint16_t> pixels(width * height);
    for (size_t y = 0; y < height; ++y) {
        for (size_t x = 0; x < width; ++x)
            pixels[y * width + x] = static_cast<uint16_t>((x * x / 3 + 5 * y + seed + (x * y) % 7) % modulo);
    }
    return pixels;
}

std::vector<uint8_t> compressed(std::span<const uint16_t> pixels, unsigned codeSize, LzwOptions options = {})
{
    return packCodes(lzwCodes(pixels, codeSize, options), codeSize);
}

}

std::vector<std::pair<std::string, std::vector<uint8_t>>> decoderSeeds()
{
    std::vector<std::pair<std::string, std::vector<uint8_t>>> seeds;
    for (unsigned codeSize = 2; codeSize <= 11; ++codeSize) {
        GifBuilder gif(20, 12, palette(std::min(256u, 1u << codeSize)));
        gif.image({ 0, 0, 20, 12, false, {} }, pattern(20, 12, 1u << codeSize), codeSize, { false, codeSize % 3 ? 0u : 7u });
        seeds.emplace_back("gif-code-size-" + std::to_string(codeSize) + ".gif", gif.finish());
    }
    {
        GifBuilder gif(96, 64, palette(256));
        gif.image({ 0, 0, 96, 64, false, {} }, pattern(96, 64, 256, 3), 8, { true, 0 });
        seeds.emplace_back("gif-deferred-clear.gif", gif.finish());
    }
    {
        // Interlaced, cut inside a sub-block, with the file ending there.
        GifBuilder gif(13, 21, palette(16));
        auto data = subBlocks(compressed(inFileOrder(pattern(13, 21, 16), 13, 21, true), 4), 40);
        gif.rawImage({ 0, 0, 13, 21, true, {} }, 4, std::span(data).first(data.size() / 2));
        seeds.emplace_back("gif-interlaced-cut.gif", gif.written());
    }
    {
        // An end code halfway, data after it, then a code never defined in the second frame.
        GifBuilder gif(8, 8, palette(4));
        std::vector<uint16_t> codes { 4, 1, 2, 3, 1, 2, 5, 0, 0, 0 };
        gif.control(1).rawImage({ 0, 0, 8, 8, false, {} }, 2, subBlocks(packCodes(codes, 2)));
        std::vector<uint16_t> invalid { 4, 1, 2, 6, 3, 15, 0, 5 };
        gif.control(0).rawImage({ 0, 0, 8, 8, false, {} }, 2, subBlocks(packCodes(invalid, 2)));
        seeds.emplace_back("gif-early-end.gif", gif.finish());
    }
    {
        // Every disposal, transparency, clipping and a local table.
        GifBuilder gif(24, 16, palette(8));
        gif.loop();
        gif.control(1, -1, 5).image({ 0, 0, 24, 16, false, {} }, pattern(24, 16, 8), 3);
        for (unsigned disposal = 0; disposal < 8; ++disposal) {
            ImageBlock block { static_cast<uint16_t>(disposal * 3), static_cast<uint16_t>(disposal * 2), 9, 7, disposal == 5, {} };
            if (disposal == 6)
                block.localColors = palette(16);
            gif.control(disposal, static_cast<int>(disposal), 3).image(block, pattern(9, 7, 8, disposal), 3);
        }
        gif.control(2).image({ 20, 12, 30, 30, false, {} }, pattern(30, 30, 8, 1), 3);
        seeds.emplace_back("gif-disposals.gif", gif.finish());
    }
    return seeds;
}

}
