#include "ScaledPictureCache.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace sim {

namespace {

// Fixed-point shares: the shares of one output pixel add up to exactly this.
constexpr uint32_t wholeShare = 1u << 16;

// Which input pixels one output pixel covers along one axis, and how much of each.
struct Taps {
    std::vector<size_t> first;
    std::vector<size_t> count;
    std::vector<size_t> offset;
    std::vector<uint32_t> shares;
};

Taps coverage(size_t input, size_t output)
{
    Taps taps;
    taps.first.resize(output);
    taps.count.resize(output);
    taps.offset.resize(output);
    double step = static_cast<double>(input) / static_cast<double>(output);
    for (size_t out = 0; out < output; ++out) {
        double start = static_cast<double>(out) * step;
        double end = std::min(static_cast<double>(input), static_cast<double>(out + 1) * step);
        auto first = std::min(input - 1, static_cast<size_t>(start));
        auto last = std::clamp(static_cast<size_t>(std::ceil(end)), first + 1, input);
        taps.first[out] = first;
        taps.count[out] = last - first;
        taps.offset[out] = taps.shares.size();
        uint32_t given = 0;
        for (size_t in = first; in < last; ++in) {
            double covered = std::min(end, static_cast<double>(in + 1)) - std::max(start, static_cast<double>(in));
            auto share = static_cast<uint32_t>(std::lround(std::max(0.0, covered) / (end - start) * wholeShare));
            share = std::min(share, wholeShare - given);
            taps.shares.push_back(share);
            given += share;
        }
        // Rounding leftovers go to the last pixel, so that a flat colour stays exactly that colour.
        taps.shares.back() += wholeShare - given;
    }
    return taps;
}

// The row with its colours multiplied by alpha, or the row itself when it is all opaque.
const uint8_t* premultipliedRow(const uint8_t* row, size_t width, std::vector<uint8_t>& scratch)
{
    // Every byte of each pixel position ANDed together, in blocks the compiler can vectorise.
    constexpr size_t block = 16;
    uint8_t lanes[block];
    std::fill(std::begin(lanes), std::end(lanes), uint8_t { 255 });
    size_t x = 0;
    for (; x + block <= width * 4; x += block) {
        for (size_t k = 0; k < block; ++k)
            lanes[k] &= row[x + k];
    }
    for (; x < width * 4; x += 4)
        lanes[3] &= row[x + 3];
    if ((lanes[3] & lanes[7] & lanes[11] & lanes[15]) == 255)
        return row;
    scratch.resize(width * 4);
    for (size_t at = 0; at < width * 4; at += 4) {
        uint32_t alpha = row[at + 3];
        for (size_t c = 0; c < 3; ++c)
            scratch[at + c] = static_cast<uint8_t>((row[at + c] * alpha + 127) / 255);
        scratch[at + 3] = static_cast<uint8_t>(alpha);
    }
    return scratch.data();
}

// The output row's input rows added up, each by its share: the whole input width, premultiplied.
void addRows(const RGBAPixels& input, const Taps& down, size_t y, std::vector<uint32_t>& sums, std::vector<uint8_t>& scratch)
{
    std::fill(sums.begin(), sums.end(), 0u);
    for (size_t tap = 0; tap < down.count[y]; ++tap) {
        const uint8_t* row = premultipliedRow(input.bytes.data() + (down.first[y] + tap) * input.width * 4, input.width, scratch);
        uint32_t share = down.shares[down.offset[y] + tap];
        // In blocks of a fixed length, which the compiler turns into vector instructions.
        constexpr size_t block = 16;
        uint32_t* sum = sums.data();
        size_t count = sums.size(), i = 0;
        for (; i + block <= count; i += block) {
            uint32_t widened[block];
            for (size_t k = 0; k < block; ++k)
                widened[k] = row[i + k];
            for (size_t k = 0; k < block; ++k)
                sum[i + k] += share * widened[k];
        }
        for (; i < count; ++i)
            sum[i] += share * row[i];
    }
}

// A colour multiplied by alpha back to the colour itself; both in the same units.
uint8_t channel(uint32_t premultiplied, uint32_t alpha)
{
    return static_cast<uint8_t>(std::min<uint64_t>(255, (uint64_t { premultiplied } * 255 + alpha / 2) / alpha));
}

// The summed rows narrowed to the output's width, back to colours not multiplied by alpha.
void narrowRow(const std::vector<uint32_t>& sums, const Taps& across, uint8_t* out)
{
    // The sums lose their lowest 8 bits so that a whole output pixel (255 at most, in 1/2^24ths)
    // fits 32 bits.
    constexpr uint32_t unit = 1u << 24;
    constexpr uint32_t opaque = 255 * unit;
    for (size_t x = 0; x < across.first.size(); ++x, out += 4) {
        const uint32_t* pixel = sums.data() + across.first[x] * 4;
        const uint32_t* share = across.shares.data() + across.offset[x];
        uint32_t total[4] = {};
        for (size_t tap = 0; tap < across.count[x]; ++tap, pixel += 4) {
            for (size_t c = 0; c < 4; ++c)
                total[c] += share[tap] * (pixel[c] >> 8);
        }
        auto alpha = static_cast<uint8_t>((uint64_t { total[3] } + unit / 2) >> 24);
        for (size_t c = 0; c < 3; ++c) {
            if (total[3] == opaque)
                out[c] = static_cast<uint8_t>((uint64_t { total[c] } + unit / 2) >> 24);
            else
                out[c] = alpha ? channel(total[c], total[3]) : 0;
        }
        out[3] = alpha;
    }
}

}

std::shared_ptr<RGBAPixels> scalePixels(const RGBAPixels& input, size_t width, size_t height)
{
    if (width == 0 || height == 0 || input.width == 0 || input.height == 0 || input.bytes.size() != input.width * input.height * 4)
        return nullptr;
    auto across = coverage(input.width, width);
    auto down = coverage(input.height, height);
    auto output = std::make_shared<RGBAPixels>();
    output->width = width;
    output->height = height;
    output->bytes.resize(width * height * 4);
    std::vector<uint32_t> sums(input.width * 4);
    std::vector<uint8_t> scratch;
    for (size_t y = 0; y < height; ++y) {
        addRows(input, down, y, sums, scratch);
        narrowRow(sums, across, output->bytes.data() + y * width * 4);
    }
    return output;
}

ScaledPictureCache::ScaledPictureCache(size_t budgetBytes)
    : m_budgetBytes(budgetBytes)
{
}

ScaledPictureCache::~ScaledPictureCache()
{
    for (auto& entry : m_entries)
        release(entry);
    for (auto& entry : m_recent)
        release(entry);
}

CGImageRef ScaledPictureCache::renditionOf(CGImageRef source, size_t width, size_t height)
{
    if (!source)
        return nullptr;
    auto held = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& entry) { return entry.source == source; });
    if (held != m_entries.end() && held->width == width && held->height == height)
        return held->scaled;
    for (const auto& entry : m_recent) {
        if (entry.source == source && entry.width == width && entry.height == height)
            return entry.scaled;
    }
    // One size per picture: a page that changed its scale won't ask for the old one again.
    if (held != m_entries.end()) {
        release(*held);
        m_entries.erase(held);
    }
    auto pixels = CGImageGetPixels(source);
    auto scaled = pixels ? scalePixels(*pixels, width, height) : nullptr;
    if (!scaled)
        return nullptr;
    Entry entry { CGImageRetain(source), CGImageCreateWithPixels(std::move(scaled)), width, height, 0 };
    dropOrphans();
    size_t bytes = width * height * 4;
    if (m_bytesHeld + bytes > m_budgetBytes) {
        m_recent.push_back(entry);
        if (m_recent.size() > recentCount) {
            release(m_recent.front());
            m_recent.pop_front();
        }
        return entry.scaled;
    }
    entry.bytes = bytes;
    m_entries.push_back(entry);
    m_bytesHeld += bytes;
    return entry.scaled;
}

// A source only this cache still holds can never be drawn again.
void ScaledPictureCache::dropOrphans()
{
    auto orphan = [this](Entry& entry) {
        if (CFGetRetainCount(entry.source) > 1)
            return false;
        release(entry);
        return true;
    };
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(), orphan), m_entries.end());
}

void ScaledPictureCache::release(Entry& entry)
{
    m_bytesHeld -= entry.bytes;
    CGImageRelease(entry.scaled);
    CGImageRelease(entry.source);
}

}
