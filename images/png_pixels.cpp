// Filling a bitmap's pixels from the inflated rows: unfiltering, the
// conversion codes, and the spreading of Adam7 passes.
#include "images/png_decoder.h"
#include "images/png_rows.h"
#include "images/png_unfilter.h"

#include <cstring>

namespace {

// Each row buffer keeps zeros before its first byte, so that the left
// neighbours of the first pixel read as zero without a test, and room after
// its last byte for the wide loads and stores of the unfiltering.
constexpr size_t rowLead = 16;
constexpr size_t rowTail = 32;

void convertRow(uint8_t code, const uint8_t* in, uint32_t pixels, uint32_t rawBits, uint8_t* out) {
    switch (code) {
    case pngCopy:
        std::memcpy(out, in, static_cast<size_t>(pngRowBytes(pixels, rawBits)));
        break;
    case pngSwap16: {
        const size_t samples = size_t(pixels) * rawBits / 16;
        for (size_t i = 0; i < samples; ++i) {
            out[2 * i] = in[2 * i + 1];
            out[2 * i + 1] = in[2 * i];
        }
        break;
    }
    case pngRgb16ToBgr48:
        for (uint32_t i = 0; i < pixels; ++i, in += 6, out += 6) {
            out[0] = in[5], out[1] = in[4], out[2] = in[3], out[3] = in[2], out[4] = in[1], out[5] = in[0];
        }
        break;
    case pngRgba16ToBgr48:
        for (uint32_t i = 0; i < pixels; ++i, in += 8, out += 6) {
            out[0] = in[5], out[1] = in[4], out[2] = in[3], out[3] = in[2], out[4] = in[1], out[5] = in[0];
        }
        break;
    case pngRgba16ToBgra64:
        for (uint32_t i = 0; i < pixels; ++i, in += 8, out += 8) {
            out[0] = in[5], out[1] = in[4], out[2] = in[3], out[3] = in[2], out[4] = in[1], out[5] = in[0];
            out[6] = in[7], out[7] = in[6];
        }
        break;
    case pngGreyAlpha16ToGrey16:
        for (uint32_t i = 0; i < pixels; ++i, in += 4, out += 2) {
            out[0] = in[1], out[1] = in[0];
        }
        break;
    case pngEverySecondByte: {
        const size_t bytes = size_t(pixels) * rawBits / 16;
        for (size_t i = 0; i < bytes; ++i) {
            out[i] = in[2 * i];
        }
        break;
    }
    case pngRgb16ToBgr24:
        for (uint32_t i = 0; i < pixels; ++i, in += 6, out += 3) {
            out[0] = in[4], out[1] = in[2], out[2] = in[0];
        }
        break;
    case pngRgba16ToBgr24:
        for (uint32_t i = 0; i < pixels; ++i, in += 8, out += 3) {
            out[0] = in[4], out[1] = in[2], out[2] = in[0];
        }
        break;
    case pngRgba16ToBgra32:
        for (uint32_t i = 0; i < pixels; ++i, in += 8, out += 4) {
            out[0] = in[4], out[1] = in[2], out[2] = in[0], out[3] = in[6];
        }
        break;
    case pngGreyAlpha16ToGrey8:
        for (uint32_t i = 0; i < pixels; ++i, in += 4) {
            out[i] = in[0];
        }
        break;
    case pngWiden2To4: {
        // Two samples of 2 bits make one output byte, leftmost in the high half.
        const size_t bytes = (size_t(pixels) + 1) / 2;
        for (size_t i = 0; i < bytes; ++i) {
            const unsigned pair = (in[i / 2] >> ((i & 1) != 0 ? 0 : 4)) & 0x0F;
            out[i] = static_cast<uint8_t>(((pair >> 2) << 4) | (pair & 3));
        }
        break;
    }
    case pngRgbToBgr:
        pngRgbToBgrRow(in, pixels, out);
        break;
    case pngRgbaToBgr:
        for (uint32_t i = 0; i < pixels; ++i, in += 4, out += 3) {
            out[0] = in[2], out[1] = in[1], out[2] = in[0];
        }
        break;
    case pngRgbaToBgra:
        pngRgbaToBgraRow(in, pixels, out);
        break;
    default:
        break;
    }
}

// Puts the pixels of one converted pass row into their columns of an output
// row: every `step`-th pixel from `start`. Pixels under 8 bits are ORed into
// bytes cleared beforehand, leftmost pixel in the high bits.
void placePassRow(const uint8_t* converted, uint32_t pixels, uint32_t bits, uint32_t start, uint32_t step,
                  uint8_t* outRow) {
    if (bits >= 8) {
        const size_t bytes = bits / 8;
        uint8_t* to = outRow + size_t(start) * bytes;
        const size_t toStep = size_t(step) * bytes;
        for (uint32_t i = 0; i < pixels; ++i, converted += bytes, to += toStep) {
            std::memcpy(to, converted, bytes);
        }
        return;
    }
    const uint32_t perByte = 8 / bits;
    const unsigned mask = (1u << bits) - 1;
    for (uint32_t i = 0; i < pixels; ++i) {
        const unsigned from = (converted[i / perByte] >> (8 - bits - (i % perByte) * bits)) & mask;
        const uint32_t x = start + i * step;
        outRow[x / perByte] |= static_cast<uint8_t>(from << (8 - bits - (x % perByte) * bits));
    }
}

// Unfilters one row into `current`; false for an unknown filter type.
bool unfilterRow(unsigned filter, const uint8_t* raw, const uint8_t* previous, uint8_t* current, size_t bytes,
                 unsigned distance) {
    if (filter > 4) {
        return false;
    }
    pngUnfilterRow(filter, raw, previous, current, bytes, distance);
    return true;
}

// Row y's output ends before row y + 1's raw bytes begin when the raw rows
// lie at the end of the same buffer (pngDecodeInPlace): each row is read
// whole into `current` before its output is written.
int fillStraight(const PngState* state, const PngBitmapLayout* layout, const uint8_t* raw, uint8_t* pixels,
                 uint8_t* previous, uint8_t* current) {
    const uint32_t rawBits = pngChannels(state->colourType) * state->bitDepth;
    const auto rowBytes = static_cast<size_t>(pngRowBytes(state->width, rawBits));
    const unsigned distance = rawBits >= 8 ? rawBits / 8 : 1;
    const auto code = static_cast<uint8_t>(layout->format & 0xFF);
    const auto outBytes = static_cast<size_t>(pngRowBytes(state->width, layout->bitsPerPixel));
    uint8_t* out = pixels;
    for (uint32_t y = 0; y < state->height; ++y) {
        if (!unfilterRow(raw[0], raw + 1, previous, current, rowBytes, distance)) {
            return 0;
        }
        convertRow(code, current, state->width, rawBits, out);
        std::memset(out + outBytes, 0, layout->stride - outBytes);
        raw += rowBytes + 1;
        out += layout->stride;
        uint8_t* swap = previous;
        previous = current;
        current = swap;
    }
    return 1;
}

int fillInterlaced(const PngState* state, const PngBitmapLayout* layout, const uint8_t* raw, uint8_t* pixels,
                   uint8_t* previous, uint8_t* current, uint8_t* converted) {
    const uint32_t rawBits = pngChannels(state->colourType) * state->bitDepth;
    const unsigned distance = rawBits >= 8 ? rawBits / 8 : 1;
    const auto code = static_cast<uint8_t>(layout->format & 0xFF);
    const uint32_t outBits = layout->bitsPerPixel;
    // Pixels under 8 bits are ORed into place; the row padding is written by
    // no pass. Cleared first, the bytes come out the same in every buffer.
    std::memset(pixels, 0, layout->pixelBytes);
    for (const PngPass& pass : pngAdam7) {
        const uint32_t columns = pngPassExtent(state->width, pass.xStart, pass.xStep);
        const uint32_t rows = pngPassExtent(state->height, pass.yStart, pass.yStep);
        if (columns == 0 || rows == 0) {
            continue;
        }
        const auto rowBytes = static_cast<size_t>(pngRowBytes(columns, rawBits));
        std::memset(previous, 0, rowBytes);
        for (uint32_t r = 0; r < rows; ++r) {
            if (!unfilterRow(raw[0], raw + 1, previous, current, rowBytes, distance)) {
                return 0;
            }
            convertRow(code, current, columns, rawBits, converted);
            uint8_t* outRow = pixels + size_t(pass.yStart + r * pass.yStep) * layout->stride;
            placePassRow(converted, columns, outBits, pass.xStart, pass.xStep, outRow);
            raw += rowBytes + 1;
            uint8_t* swap = previous;
            previous = current;
            current = swap;
        }
    }
    return 1;
}

}  // namespace

void pngConvertRow(uint8_t code, const uint8_t* row, uint32_t pixelCount, uint32_t rawBitsPerPixel, uint8_t* out) {
    convertRow(code, row, pixelCount, rawBitsPerPixel, out);
}

int pngFillPixels(PngState* state, const PngBitmapLayout* layout, uint8_t* pixels) {
    if (state->stage != pngStageDecoded) {
        state->lastError = pngErrorWrongStage;
        return 0;
    }
    return pngFillRows(state, layout, state->rawRows, pixels);
}

int pngFillRows(const PngState* state, const PngBitmapLayout* layout, const uint8_t* raw, uint8_t* pixels) {
    const uint32_t rawBits = pngChannels(state->colourType) * state->bitDepth;
    const auto rowBytes = static_cast<size_t>(pngRowBytes(state->width, rawBits));
    const size_t rowRoom = rowLead + rowBytes + rowTail;
    // Converted pass rows are at most 8 bytes a pixel.
    const size_t convertedRoom = state->interlace != 0 ? size_t(state->width) * 8 + rowTail : 0;
    auto* work = static_cast<uint8_t*>(pngAllocate(2 * rowRoom + convertedRoom));
    if (work == nullptr) {
        return 0;
    }
    uint8_t* previous = work + rowLead;
    uint8_t* current = work + rowRoom + rowLead;
    std::memset(work, 0, 2 * rowRoom);
    const int filled = state->interlace != 0
                           ? fillInterlaced(state, layout, raw, pixels, previous, current, work + 2 * rowRoom)
                           : fillStraight(state, layout, raw, pixels, previous, current);
    pngFree(work);
    return filled;
}
