#include "images/png_decoder.h"

#include "images/inflate.h"
#include "images/png_rows.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

// Format notes
//
// The decoder follows PNG with a few rules of its own; keep them:
//
//  - Chunk names are compared with the case of their first letter ignored,
//    so "iDAT" is image data and "pLTE" a palette. Any other chunk is
//    skipped when its first letter is lower case and refuses the file
//    otherwise.
//  - IEND does not end the scan: every chunk up to the end of the file is
//    looked at, and one that cannot be read (fewer than 12 bytes left, or a
//    length reaching past the end) ends it quietly.
//  - Check values (chunk CRCs, the zlib header check and Adler-32) are never
//    verified: a picture whose check value went wrong still shows.
//  - Only the first PLTE counts, and the image data is the first IDAT
//    chunk followed by the IDAT chunks directly after it, recognised with
//    their fourth letter's case ignored; the stream ends at the first other
//    chunk.

namespace {

const uint8_t pngSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

void* allocateWithMalloc(size_t size) {
    return std::malloc(size);
}

PngAllocator blockAllocator = allocateWithMalloc;

uint32_t readBigEndian32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

int fail(PngState* state, uint32_t error) {
    state->lastError = error;
    return 0;
}

// A chunk can be read when its length, type and check value all lie inside
// the file. The length is compared with what remains in 64 bits, so no
// length can wrap the arithmetic around or step past the end.
bool chunkReadable(const PngState* state, const uint8_t* chunk, uint32_t* length) {
    const uint64_t remaining = uint64_t(state->fileData + state->fileSize - chunk);
    if (remaining < 12) {
        return false;
    }
    *length = readBigEndian32(chunk);
    return uint64_t(*length) + 12 <= remaining;
}

const uint8_t* nextChunk(const uint8_t* chunk, uint32_t length) {
    return chunk + 12 + size_t(length);
}

bool sameNameFirstCaseIgnored(const uint8_t* type, const char* name) {
    return (type[0] | 0x20) == (uint8_t(name[0]) | 0x20) && type[1] == uint8_t(name[1]) &&
           type[2] == uint8_t(name[2]) && type[3] == uint8_t(name[3]);
}

enum class ChunkKind { header, palette, imageData, end, ancillary, unknownCritical };

ChunkKind classify(const uint8_t* type) {
    if (sameNameFirstCaseIgnored(type, "IHDR")) {
        return ChunkKind::header;
    }
    if (sameNameFirstCaseIgnored(type, "PLTE")) {
        return ChunkKind::palette;
    }
    if (sameNameFirstCaseIgnored(type, "IDAT")) {
        return ChunkKind::imageData;
    }
    if (sameNameFirstCaseIgnored(type, "IEND")) {
        return ChunkKind::end;
    }
    return (type[0] & 0x20) != 0 ? ChunkKind::ancillary : ChunkKind::unknownCritical;
}

bool kindAccepted(uint8_t bitDepth, uint8_t colourType) {
    const uint16_t kind = uint16_t((bitDepth << 8) | colourType);
    for (const uint16_t* accepted = pngAcceptedKinds; *accepted != 0xFFFF; ++accepted) {
        if (*accepted == kind) {
            return true;
        }
    }
    return false;
}

uint8_t defaultCode(uint8_t colourType, uint8_t bitDepth) {
    switch ((bitDepth << 8) | colourType) {
    case (16 << 8) | pngGrey:
    case (8 << 8) | pngGreyAlpha:
        return pngEverySecondByte;
    case (16 << 8) | pngTruecolour:
        return pngRgb16ToBgr24;
    case (16 << 8) | pngTruecolourAlpha:
        return pngRgba16ToBgra32;
    case (16 << 8) | pngGreyAlpha:
        return pngGreyAlpha16ToGrey8;
    case (2 << 8) | pngGrey:
    case (2 << 8) | pngIndexed:
        return pngWiden2To4;
    case (8 << 8) | pngTruecolour:
        return pngRgbToBgr;
    case (8 << 8) | pngTruecolourAlpha:
        return pngRgbaToBgra;
    default:
        return pngCopy;
    }
}

const PngFormat* findFormat(uint32_t word) {
    for (size_t i = 0; i < pngFormatCount; ++i) {
        if (pngFormats[i].word == word) {
            return &pngFormats[i];
        }
    }
    return nullptr;
}

uint32_t rawBitsPerPixel(const PngState* state) {
    return pngChannels(state->colourType) * state->bitDepth;
}

int chunkScan(PngState* state) {
    state->chunkCursor = nullptr;
    state->header = nullptr;
    state->firstImageData = nullptr;
    state->palette = nullptr;
    if (state->fileSize < 16 || std::memcmp(state->fileData, pngSignature, 8) != 0) {
        return fail(state, pngErrorNotPng);
    }
    const uint8_t* cursor = state->fileData + 8;
    state->chunkCursor = cursor;
    uint32_t length = 0;
    if (!chunkReadable(state, cursor, &length) || classify(cursor + 4) != ChunkKind::header) {
        return fail(state, pngErrorNotPng);
    }
    // The fields below are read from the first 13 bytes of the header.
    if (length < 13) {
        return fail(state, pngErrorNotPng);
    }
    state->header = cursor + 8;
    state->width = readBigEndian32(state->header);
    state->height = readBigEndian32(state->header + 4);
    if (state->width == 0 || state->height == 0) {
        return fail(state, pngErrorNotPng);
    }

    for (cursor = nextChunk(cursor, length); chunkReadable(state, cursor, &length);
         cursor = nextChunk(cursor, length)) {
        state->chunkCursor = cursor;
        switch (classify(cursor + 4)) {
        case ChunkKind::unknownCritical:
            return fail(state, pngErrorUnsupported);
        case ChunkKind::palette:
            if (state->palette == nullptr) {
                state->palette = cursor + 8;
                state->paletteCount = length / 3;
            }
            break;
        case ChunkKind::imageData:
            if (state->firstImageData == nullptr) {
                state->firstImageData = cursor;
            }
            break;
        case ChunkKind::header:
        case ChunkKind::end:
        case ChunkKind::ancillary:
            break;
        }
    }

    state->interlace = state->header[12];
    state->colourType = state->header[9];
    state->bitDepth = state->header[8];
    if (!kindAccepted(state->bitDepth, state->colourType) || state->header[10] != 0 || state->header[11] != 0 ||
        state->interlace > 1) {
        return fail(state, pngErrorUnsupported);
    }
    const PngFormat* output = findFormat(
        pngFormatWord(state->colourType, state->bitDepth, 1, defaultCode(state->colourType, state->bitDepth)));
    if (state->width > pngMaxSide || state->height > pngMaxSide ||
        pngRawSize(state->width, state->height, rawBitsPerPixel(state), state->interlace) > pngMaxBufferBytes ||
        pngStride(state->width, output->bitsPerPixel) * state->height > pngMaxBufferBytes) {
        return fail(state, pngErrorUnsupported);
    }
    return 1;
}

// Walks the IDAT chunks that directly follow the first one.
struct ImageDataChunks {
    const PngState* state;
    const uint8_t* chunk;
};

bool nextImageData(void* context, const uint8_t** data, size_t* size) {
    auto* chunks = static_cast<ImageDataChunks*>(context);
    if (chunks->chunk == nullptr) {
        return false;
    }
    uint32_t length = readBigEndian32(chunks->chunk);
    const uint8_t* next = nextChunk(chunks->chunk, length);
    if (!chunkReadable(chunks->state, next, &length) || next[4] != 'I' || next[5] != 'D' || next[6] != 'A' ||
        (next[7] | 0x20) != 't') {
        chunks->chunk = nullptr;
        return false;
    }
    chunks->chunk = next;
    *data = next + 8;
    *size = length;
    return true;
}

bool paletteFits(const PngState* state) {
    if (state->palette != nullptr && state->paletteCount > 256) {
        return false;
    }
    if (state->colourType != pngIndexed) {
        return true;
    }
    return state->palette != nullptr && state->paletteCount <= (uint32_t(1) << state->bitDepth);
}

}  // namespace

const uint16_t pngAcceptedKinds[] = {
    (1 << 8) | pngGrey,  (2 << 8) | pngGrey,   (4 << 8) | pngGrey,   (8 << 8) | pngGrey,
    (16 << 8) | pngGrey, (8 << 8) | pngTruecolour, (16 << 8) | pngTruecolour, (1 << 8) | pngIndexed,
    (2 << 8) | pngIndexed, (4 << 8) | pngIndexed, (8 << 8) | pngIndexed, (8 << 8) | pngGreyAlpha,
    (16 << 8) | pngGreyAlpha, (8 << 8) | pngTruecolourAlpha, (16 << 8) | pngTruecolourAlpha, 0xFFFF,
};

const PngFormat pngFormats[] = {
    {pngFormatWord(pngGrey, 1, 1, pngCopy), 1},
    {pngFormatWord(pngGrey, 2, 0, pngCopy), 2},
    {pngFormatWord(pngGrey, 2, 1, pngWiden2To4), 4},
    {pngFormatWord(pngGrey, 4, 1, pngCopy), 4},
    {pngFormatWord(pngGrey, 8, 1, pngCopy), 8},
    {pngFormatWord(pngGrey, 16, 0, pngSwap16), 16},
    {pngFormatWord(pngGrey, 16, 1, pngEverySecondByte), 8},
    {pngFormatWord(pngTruecolour, 8, 1, pngRgbToBgr), 24},
    {pngFormatWord(pngTruecolour, 16, 0, pngRgb16ToBgr48), 48},
    {pngFormatWord(pngTruecolour, 16, 1, pngRgb16ToBgr24), 24},
    {pngFormatWord(pngIndexed, 1, 1, pngCopy), 1},
    {pngFormatWord(pngIndexed, 2, 0, pngCopy), 2},
    {pngFormatWord(pngIndexed, 2, 1, pngWiden2To4), 4},
    {pngFormatWord(pngIndexed, 4, 1, pngCopy), 4},
    {pngFormatWord(pngIndexed, 8, 1, pngCopy), 8},
    {pngFormatWord(pngGreyAlpha, 8, 0, pngCopy), 16},
    {pngFormatWord(pngGreyAlpha, 8, 1, pngEverySecondByte), 8},
    {pngFormatWord(pngGreyAlpha, 16, 0, pngSwap16), 32},
    {pngFormatWord(pngGreyAlpha, 16, 0, pngGreyAlpha16ToGrey16), 16},
    {pngFormatWord(pngGreyAlpha, 16, 0, pngEverySecondByte), 16},
    {pngFormatWord(pngGreyAlpha, 16, 1, pngGreyAlpha16ToGrey8), 8},
    {pngFormatWord(pngTruecolourAlpha, 8, 1, pngRgbaToBgra), 32},
    {pngFormatWord(pngTruecolourAlpha, 8, 1, pngRgbaToBgr), 24},
    {pngFormatWord(pngTruecolourAlpha, 16, 0, pngRgba16ToBgra64), 64},
    {pngFormatWord(pngTruecolourAlpha, 16, 0, pngRgba16ToBgr48), 48},
    {pngFormatWord(pngTruecolourAlpha, 16, 1, pngRgba16ToBgra32), 32},
    {pngFormatWord(pngTruecolourAlpha, 16, 1, pngRgba16ToBgr24), 24},
};
const size_t pngFormatCount = sizeof pngFormats / sizeof pngFormats[0];

PngAllocator pngSetAllocator(PngAllocator allocator) {
    const PngAllocator previous = blockAllocator;
    blockAllocator = allocator != nullptr ? allocator : allocateWithMalloc;
    return previous;
}

void* pngAllocate(size_t size) {
    return blockAllocator(size);
}

void pngFree(void* block) {
    std::free(block);
}

void pngInit(PngState* state) {
    *state = PngState{};
}

int pngLoadBytes(PngState* state, const uint8_t* data, uint32_t size) {
    if (state->stage != pngStageEmpty || state->sourceKind != pngSourceNone) {
        return fail(state, pngErrorAlreadyLoaded);
    }
    state->lastError = 0;
    if (data == nullptr || size == 0) {
        return fail(state, pngErrorResourceUnreadable);
    }
    state->fileData = data;
    state->fileSize = size;
    state->sourceKind = pngSourceResource;
    if (!chunkScan(state)) {
        state->sourceKind = pngSourceNone;
        return 0;
    }
    state->stage = pngStageLoaded;
    return 1;
}

// The image data inflated into `rows`, which holds exactly the raw size.
bool inflateImageData(PngState* state, uint8_t* rows, uint32_t rawSize) {
    ImageDataChunks chunks{state, state->firstImageData};
    const InflateSource more{nextImageData, &chunks};
    const uint32_t firstLength = readBigEndian32(state->firstImageData);
    return inflateZlib(state->firstImageData + 8, firstLength, &more, rows, rawSize) == inflateOk;
}

// Without image data, or without the palette its indices point into, there
// is no picture to show.
bool hasPicture(const PngState* state) { return state->firstImageData != nullptr && paletteFits(state); }

uint32_t rawSizeOf(const PngState* state) {
    // The scan has kept the size below the limit.
    return static_cast<uint32_t>(pngRawSize(state->width, state->height, rawBitsPerPixel(state), state->interlace));
}

int pngDecode(PngState* state) {
    if (state->stage != pngStageLoaded) {
        return fail(state, pngErrorWrongStage);
    }
    state->lastError = pngErrorNotPng;
    if (!hasPicture(state)) {
        return 0;
    }
    const uint32_t rawSize = rawSizeOf(state);
    auto* rows = static_cast<uint8_t*>(pngAllocate(rawSize));
    if (rows == nullptr) {
        return 0;
    }
    if (!inflateImageData(state, rows, rawSize)) {
        pngFree(rows);
        return 0;
    }
    state->rawRows = rows;
    state->rawSize = rawSize;
    state->lastError = 0;
    state->stage = pngStageDecoded;
    return 1;
}

// With the raw rows at the end of the buffer, row y's output ends at
// (y + 1) * stride and row y + 1's raw bytes start at size - rawSize +
// (y + 1) * rawRow: the output never reaches raw bytes not yet read as long
// as the buffer holds both the bitmap and the raw rows.
uint64_t pngInPlaceSize(const PngState* state, const PngBitmapLayout* layout) {
    if (state->interlace != 0) {
        return layout->pixelBytes;
    }
    return std::max<uint64_t>(layout->pixelBytes, rawSizeOf(state));
}

int pngDecodeInPlace(PngState* state, const PngBitmapLayout* layout, uint8_t* buffer, uint64_t size) {
    if (state->stage != pngStageLoaded) {
        return fail(state, pngErrorWrongStage);
    }
    if (size < pngInPlaceSize(state, layout)) {
        return fail(state, pngErrorFormatMismatch);
    }
    state->lastError = pngErrorNotPng;
    if (!hasPicture(state)) {
        return 0;
    }
    const uint32_t rawSize = rawSizeOf(state);
    // Interlaced rows land all over the bitmap, pass after pass: they are
    // inflated beside it, as pngDecode does.
    const bool inPlace = state->interlace == 0;
    uint8_t* rows = inPlace ? buffer + (size - rawSize) : static_cast<uint8_t*>(pngAllocate(rawSize));
    if (rows == nullptr) {
        return 0;
    }
    // A row with an unknown filter type is image data that cannot be decoded.
    const int done = inflateImageData(state, rows, rawSize) && pngFillRows(state, layout, rows, buffer);
    state->lastError = done ? 0 : pngErrorNotPng;
    if (!inPlace) {
        pngFree(rows);
    }
    return done;
}

int pngRelease(PngState* state) {
    if (state->stage == pngStageDecoded) {
        pngFree(state->rawRows);
    }
    if (state->sourceKind == pngSourceOwned) {
        pngFree(const_cast<uint8_t*>(state->fileData));
    }
    pngInit(state);
    return 1;
}

namespace {

int describeBitmap(PngState* state, uint32_t format, PngBitmapLayout* layout) {
    const uint32_t defaultFormat =
        pngFormatWord(state->colourType, state->bitDepth, 1, defaultCode(state->colourType, state->bitDepth));
    if (format == pngDefaultFormat) {
        format = defaultFormat;
    }
    // An explicit word must be one of the known bitmap formats of this image
    // kind: its conversion is what decides how far the rows are read.
    const PngFormat* known = findFormat(format);
    if (known == nullptr || ((format >> 8) & 0xFF) != 1 || (format >> 24) != state->colourType ||
        ((format >> 16) & 0xFF) != state->bitDepth) {
        return fail(state, pngErrorFormatMismatch);
    }

    *layout = PngBitmapLayout{};
    PngBitmapHeader& header = layout->info.header;
    header.size = sizeof(PngBitmapHeader);
    header.width = static_cast<int32_t>(state->width);
    header.height = -static_cast<int32_t>(state->height);
    header.planes = 1;
    header.bitCount = static_cast<uint16_t>(known->bitsPerPixel);

    const bool grey = state->colourType == pngGrey || state->colourType == pngGreyAlpha;
    if (grey) {
        uint32_t entries = uint32_t(1) << header.bitCount;
        if (state->bitDepth == 2) {
            entries = 4;
        } else if (state->bitDepth == 16) {
            entries = 256;
        }
        for (uint32_t i = 0; i < entries; ++i) {
            const auto level = static_cast<uint8_t>(i * 255 / (entries - 1));
            layout->info.colours[i] = PngColour{level, level, level, 0};
        }
        header.clrUsed = entries;
    } else if (state->colourType == pngIndexed) {
        for (uint32_t i = 0; i < state->paletteCount && i < 256; ++i) {
            const uint8_t* rgb = state->palette + 3 * i;
            layout->info.colours[i] = PngColour{rgb[2], rgb[1], rgb[0], 0};
        }
    }

    layout->format = format;
    layout->bitsPerPixel = known->bitsPerPixel;
    layout->stride = static_cast<uint32_t>(pngStride(state->width, known->bitsPerPixel));
    layout->pixelBytes = layout->stride * state->height;
    return 1;
}

}  // namespace

int pngPrepareBitmap(PngState* state, uint32_t format, PngBitmapLayout* layout) {
    if (state->stage != pngStageDecoded) {
        return fail(state, pngErrorWrongStage);
    }
    return describeBitmap(state, format, layout);
}

int pngPlanBitmap(PngState* state, uint32_t format, PngBitmapLayout* layout) {
    if (state->stage != pngStageLoaded) {
        return fail(state, pngErrorWrongStage);
    }
    return describeBitmap(state, format, layout);
}

int pngRenderPixels(PngState* state, const PngBitmapLayout* layout, uint8_t** pixels) {
    *pixels = nullptr;
    auto* buffer = static_cast<uint8_t*>(pngAllocate(layout->pixelBytes));
    if (buffer == nullptr) {
        return fail(state, pngErrorOutOfMemory);
    }
    if (!pngFillPixels(state, layout, buffer)) {
        pngFree(buffer);
        return 0;
    }
    *pixels = buffer;
    return 1;
}
