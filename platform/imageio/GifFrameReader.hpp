// Decompresses one GIF frame's colour indices with giflib, row by row. The only file that knows giflib.
#pragma once

#include <imageio/GifStructure.hpp>

#include <cstdint>
#include <span>

class GifRowSink {
public:
    // `row` counts from the frame's top; `indices` holds the frame's width of colour indices.
    virtual void takeRow(size_t row, const uint8_t* indices) = 0;

protected:
    ~GifRowSink() = default;
};

// Hands the sink the frame's rows 0 to rowsNeeded - 1 (in file order, so interlaced rows come
// by pass) and stops decompressing once it has them all. False when the data ended or was corrupt
// before then; the rows handed over so far stay valid.
bool readGifFrameRows(std::span<const uint8_t> file, const GifStructure&, const GifFrameInfo&, size_t rowsNeeded, GifRowSink&);
