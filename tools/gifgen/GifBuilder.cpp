#include <tools/gifgen/GifBuilder.hpp>

#include <algorithm>
#include <unordered_map>

namespace gifgen {

namespace {

constexpr unsigned maxCodeBits = 12;
constexpr unsigned tableSize = 1u << maxCodeBits;

void putU16(std::vector<uint8_t>& bytes, unsigned value)
{
    bytes.push_back(static_cast<uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

// The size field of a table holding `count` colours: 2^(field + 1) entries.
unsigned tableSizeField(size_t count)
{
    unsigned field = 0;
    while ((size_t { 2 } << field) < count && field < 7)
        ++field;
    return field;
}

}

std::vector<uint16_t> lzwCodes(std::span<const uint16_t> indices, unsigned minimumCodeSize, LzwOptions options)
{
    const unsigned clear = 1u << minimumCodeSize;
    std::vector<uint16_t> codes { static_cast<uint16_t>(clear) };
    std::unordered_map<uint32_t, uint16_t> table;
    unsigned next = clear + 2;
    size_t sinceClear = 0;
    auto reset = [&] {
        codes.push_back(static_cast<uint16_t>(clear));
        table.clear();
        next = clear + 2;
        sinceClear = 0;
    };
    if (!indices.empty()) {
        uint32_t prefix = indices[0];
        for (size_t i = 1; i < indices.size(); ++i) {
            uint32_t key = prefix << 12 | indices[i];
            if (auto found = table.find(key); found != table.end()) {
                prefix = found->second;
                continue;
            }
            codes.push_back(static_cast<uint16_t>(prefix));
            ++sinceClear;
            if (next < tableSize)
                table.emplace(key, static_cast<uint16_t>(next++));
            if ((next == tableSize && !options.deferredClear) || (options.clearEvery && sinceClear >= options.clearEvery))
                reset();
            prefix = indices[i];
        }
        codes.push_back(static_cast<uint16_t>(prefix));
    }
    codes.push_back(static_cast<uint16_t>(clear + 1));
    return codes;
}

std::vector<uint8_t> packCodes(std::span<const uint16_t> codes, unsigned minimumCodeSize)
{
    const unsigned clear = 1u << minimumCodeSize;
    unsigned width = minimumCodeSize + 1;
    unsigned next = clear + 2;
    bool hasPrevious = false;
    std::vector<uint8_t> bytes;
    uint32_t bits = 0;
    unsigned count = 0;
    for (uint16_t code : codes) {
        bits |= uint32_t { code } << count;
        count += width;
        while (count >= 8) {
            bytes.push_back(static_cast<uint8_t>(bits));
            bits >>= 8;
            count -= 8;
        }
        // The width the decoder reads the next code with.
        if (code == clear) {
            width = minimumCodeSize + 1;
            next = clear + 2;
            hasPrevious = false;
        } else if (code != clear + 1) {
            if (hasPrevious && next < tableSize) {
                ++next;
                if (next >= (1u << width) && width < maxCodeBits)
                    ++width;
            }
            hasPrevious = true;
        }
    }
    if (count)
        bytes.push_back(static_cast<uint8_t>(bits));
    return bytes;
}

std::vector<uint8_t> subBlocks(std::span<const uint8_t> data, size_t blockSize, bool isTerminated)
{
    blockSize = std::clamp<size_t>(blockSize, 1, 255);
    std::vector<uint8_t> bytes;
    for (size_t start = 0; start < data.size(); start += blockSize) {
        size_t length = std::min(blockSize, data.size() - start);
        bytes.push_back(static_cast<uint8_t>(length));
        bytes.insert(bytes.end(), data.begin() + static_cast<long>(start), data.begin() + static_cast<long>(start + length));
    }
    if (isTerminated)
        bytes.push_back(0);
    return bytes;
}

std::vector<uint16_t> inFileOrder(std::span<const uint16_t> pixels, size_t width, size_t height, bool isInterlaced)
{
    if (!isInterlaced)
        return { pixels.begin(), pixels.end() };
    std::vector<uint16_t> ordered;
    ordered.reserve(pixels.size());
    for (auto [start, step] : { std::pair<size_t, size_t> { 0, 8 }, { 4, 8 }, { 2, 4 }, { 1, 2 } }) {
        for (size_t row = start; row < height; row += step)
            ordered.insert(ordered.end(), pixels.begin() + static_cast<long>(row * width), pixels.begin() + static_cast<long>((row + 1) * width));
    }
    return ordered;
}

GifBuilder::GifBuilder(uint16_t width, uint16_t height, std::vector<Rgb8> globalColors)
{
    m_bytes = { 'G', 'I', 'F', '8', '9', 'a' };
    putU16(m_bytes, width);
    putU16(m_bytes, height);
    m_bytes.push_back(globalColors.empty() ? 0x70 : static_cast<uint8_t>(0xF0 | tableSizeField(globalColors.size())));
    m_bytes.push_back(0);
    m_bytes.push_back(0);
    colorTable(globalColors);
}

void GifBuilder::colorTable(const std::vector<Rgb8>& colors)
{
    if (colors.empty())
        return;
    size_t entries = size_t { 2 } << tableSizeField(colors.size());
    for (size_t index = 0; index < entries; ++index) {
        auto color = index < colors.size() ? colors[index] : Rgb8 {};
        m_bytes.insert(m_bytes.end(), color.begin(), color.end());
    }
}

GifBuilder& GifBuilder::loop()
{
    const uint8_t block[] = { 0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0 };
    m_bytes.insert(m_bytes.end(), std::begin(block), std::end(block));
    return *this;
}

GifBuilder& GifBuilder::control(unsigned disposal, int transparentIndex, uint16_t delayHundredths)
{
    m_bytes.insert(m_bytes.end(), { 0x21, 0xF9, 4, static_cast<uint8_t>((disposal & 7) << 2 | (transparentIndex >= 0 ? 1 : 0)) });
    putU16(m_bytes, delayHundredths);
    m_bytes.push_back(static_cast<uint8_t>(transparentIndex >= 0 ? transparentIndex : 0));
    m_bytes.push_back(0);
    return *this;
}

GifBuilder& GifBuilder::image(const ImageBlock& block, std::span<const uint16_t> pixels, unsigned minimumCodeSize, LzwOptions options)
{
    auto ordered = inFileOrder(pixels, block.width, block.height, block.isInterlaced);
    auto data = subBlocks(packCodes(lzwCodes(ordered, minimumCodeSize, options), minimumCodeSize));
    return rawImage(block, minimumCodeSize, data);
}

GifBuilder& GifBuilder::rawImage(const ImageBlock& block, unsigned minimumCodeSize, std::span<const uint8_t> data)
{
    m_bytes.push_back(0x2C);
    putU16(m_bytes, block.left);
    putU16(m_bytes, block.top);
    putU16(m_bytes, block.width);
    putU16(m_bytes, block.height);
    uint8_t packed = block.isInterlaced ? 0x40 : 0;
    if (!block.localColors.empty())
        packed |= static_cast<uint8_t>(0x80 | tableSizeField(block.localColors.size()));
    m_bytes.push_back(packed);
    colorTable(block.localColors);
    m_bytes.push_back(static_cast<uint8_t>(minimumCodeSize));
    m_bytes.insert(m_bytes.end(), data.begin(), data.end());
    return *this;
}

GifBuilder& GifBuilder::bytes(std::span<const uint8_t> bytes)
{
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    return *this;
}

std::vector<uint8_t> GifBuilder::finish() const
{
    auto bytes = m_bytes;
    bytes.push_back(0x3B);
    return bytes;
}

}
