#include <imageio/GifFrameReader.hpp>

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// giflib reads a screen descriptor first; this one (without a global table, which the caller
// resolves itself) stands in for the file's, and reading then jumps straight to the frame.
class FrameStream {
public:
    FrameStream(std::span<const uint8_t> file, const GifStructure& structure, size_t frameOffset)
        : m_file(file)
        , m_position(frameOffset)
    {
        std::memcpy(m_header.data(), "GIF89a", 6);
        m_header[6] = static_cast<uint8_t>(structure.width);
        m_header[7] = static_cast<uint8_t>(structure.width >> 8);
        m_header[8] = static_cast<uint8_t>(structure.height);
        m_header[9] = static_cast<uint8_t>(structure.height >> 8);
    }

    static int read(GifFileType* gif, GifByteType* out, int length)
    {
        return static_cast<FrameStream*>(gif->UserData)->read(out, static_cast<size_t>(std::max(length, 0)));
    }

private:
    int read(uint8_t* out, size_t length)
    {
        size_t copied = 0;
        if (m_headerPosition < m_header.size()) {
            copied = std::min(length, m_header.size() - m_headerPosition);
            std::memcpy(out, m_header.data() + m_headerPosition, copied);
            m_headerPosition += copied;
        }
        size_t fromFile = std::min(length - copied, m_file.size() - std::min(m_position, m_file.size()));
        std::memcpy(out + copied, m_file.data() + m_position, fromFile);
        m_position += fromFile;
        return static_cast<int>(copied + fromFile);
    }

    std::span<const uint8_t> m_file;
    size_t m_position;
    std::array<uint8_t, 13> m_header {};
    size_t m_headerPosition { 0 };
};

struct GifCloser {
    void operator()(GifFileType* gif) const
    {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifFile = std::unique_ptr<GifFileType, GifCloser>;

GifFile openAtFrame(FrameStream& stream)
{
    int error = 0;
    GifFile gif(DGifOpen(&stream, &FrameStream::read, &error));
    if (!gif)
        return nullptr;
    GifRecordType type;
    if (DGifGetRecordType(gif.get(), &type) != GIF_OK || type != IMAGE_DESC_RECORD_TYPE)
        return nullptr;
    if (DGifGetImageDesc(gif.get()) != GIF_OK)
        return nullptr;
    return gif;
}

struct InterlacePass {
    size_t start;
    size_t step;
};
constexpr std::array<InterlacePass, 4> interlacePasses { { { 0, 8 }, { 4, 8 }, { 2, 4 }, { 1, 2 } } };

}

bool readGifFrameRows(std::span<const uint8_t> file, const GifStructure& structure, const GifFrameInfo& frame, size_t rowsNeeded, GifRowSink& sink)
{
    rowsNeeded = std::min<size_t>(rowsNeeded, frame.height);
    if (rowsNeeded == 0 || frame.width == 0)
        return true;
    FrameStream stream(file, structure, frame.descriptorOffset);
    auto gif = openAtFrame(stream);
    if (!gif)
        return false;
    std::vector<uint8_t> line(frame.width);
    size_t delivered = 0;
    auto readRow = [&](size_t row) {
        if (DGifGetLine(gif.get(), line.data(), frame.width) != GIF_OK)
            return false;
        if (row < rowsNeeded) {
            sink.takeRow(row, line.data());
            ++delivered;
        }
        return true;
    };
    if (!frame.isInterlaced) {
        for (size_t row = 0; row < rowsNeeded; ++row) {
            if (!readRow(row))
                return false;
        }
        return true;
    }
    for (const auto& pass : interlacePasses) {
        for (size_t row = pass.start; row < frame.height && delivered < rowsNeeded; row += pass.step) {
            if (!readRow(row))
                return false;
        }
    }
    return true;
}
