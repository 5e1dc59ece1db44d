// Row geometry shared by the PNG decoder's scan, inflation and pixel fill.
#pragma once

#include <cstdint>

struct PngPass {
    uint32_t xStart;
    uint32_t yStart;
    uint32_t xStep;
    uint32_t yStep;
};

// The seven Adam7 passes.
constexpr PngPass pngAdam7[7] = {
    {0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2},
};

// Pixels of one pass in a dimension of `size`; 0 when the pass misses it.
constexpr uint32_t pngPassExtent(uint32_t size, uint32_t start, uint32_t step) {
    return size > start ? (size - start + step - 1) / step : 0;
}

constexpr uint32_t pngChannels(uint8_t colourType) {
    return colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
}

// Bytes of a row of `pixels` pixels, filter-type byte not counted.
constexpr uint64_t pngRowBytes(uint64_t pixels, uint32_t bitsPerPixel) {
    return (pixels * bitsPerPixel + 7) / 8;
}

// Bytes of all filtered rows, filter-type bytes included. A pass that is
// empty for the image's size has no rows at all, not even filter bytes.
inline uint64_t pngRawSize(uint32_t width, uint32_t height, uint32_t bitsPerPixel, uint8_t interlace) {
    if (interlace == 0) {
        return uint64_t(height) * (1 + pngRowBytes(width, bitsPerPixel));
    }
    uint64_t total = 0;
    for (const PngPass& pass : pngAdam7) {
        const uint32_t columns = pngPassExtent(width, pass.xStart, pass.xStep);
        const uint32_t rows = pngPassExtent(height, pass.yStart, pass.yStep);
        if (columns != 0 && rows != 0) {
            total += uint64_t(rows) * (1 + pngRowBytes(columns, bitsPerPixel));
        }
    }
    return total;
}

// Output rows are padded to whole 32-bit words, as bitmaps want them.
constexpr uint64_t pngStride(uint32_t width, uint32_t bitsPerPixel) {
    return (uint64_t(width) * bitsPerPixel + 31) / 32 * 4;
}
