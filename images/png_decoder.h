// PngDecoder: a PNG file from the executable's raw-data resources, decoded
// into the pixels and header of a device-independent bitmap.
//
// Use: pngInit, pngLoadResource (or pngLoadBytes on bytes already at hand),
// pngDecode, pngCreateBitmap, pngRelease. Every operation takes the state
// first and returns 1 for success or 0 for failure, leaving the reason in
// `lastError`. Everything here is pure; only pngLoadResource and
// pngCreateBitmap (png_bitmap.h) touch the platform.
#pragma once

#include <cstddef>
#include <cstdint>

// Reasons left in PngState::lastError.
constexpr uint32_t pngErrorOutOfMemory = 4097;        // pixel buffer of the device-dependent variant
constexpr uint32_t pngErrorAlreadyLoaded = 4098;      // the state holds a file: release it first
constexpr uint32_t pngErrorNotPng = 8192;             // not a PNG, or its image data cannot be decoded
constexpr uint32_t pngErrorUnsupported = 8193;        // a PNG kind or size the decoder does not take
constexpr uint32_t pngErrorFormatMismatch = 8194;     // the requested output format does not fit the image
constexpr uint32_t pngErrorWrongStage = 8195;         // operation called in the wrong stage
constexpr uint32_t pngErrorBitmapRefused = 8198;      // the platform refused to create the bitmap
constexpr uint32_t pngErrorNoResource = 12289;        // no raw-data resource with that identifier
constexpr uint32_t pngErrorResourceUnreadable = 12290;  // the resource cannot be loaded or is empty

constexpr uint32_t pngStageEmpty = 0;
constexpr uint32_t pngStageLoaded = 1;   // file accepted by the chunk scan
constexpr uint32_t pngStageDecoded = 2;  // image data inflated into rawRows

constexpr uint32_t pngSourceNone = 0;
constexpr uint32_t pngSourceOwned = 1;     // file bytes freed by pngRelease; nothing here makes such a state
constexpr uint32_t pngSourceResource = 2;  // file bytes belong to someone else

constexpr uint8_t pngGrey = 0;
constexpr uint8_t pngTruecolour = 2;
constexpr uint8_t pngIndexed = 3;
constexpr uint8_t pngGreyAlpha = 4;
constexpr uint8_t pngTruecolourAlpha = 6;

// The largest picture accepted: a quiz shows pictures in boxes of 260 pixels,
// so anything bigger than 16384 pixels a side, or needing more than 256 MiB
// for its inflated rows or its bitmap, is no picture a quiz can use. The
// scan refuses it (unsupported) before anything is allocated, which also
// keeps every size below 2^32.
constexpr uint32_t pngMaxSide = 16384;
constexpr uint64_t pngMaxBufferBytes = uint64_t(256) << 20;

struct PngState {
    uint32_t width;
    uint32_t height;
    uint32_t lastError;
    uint32_t paletteCount;  // length of the first PLTE chunk / 3
    uint8_t colourType;
    uint8_t bitDepth;
    uint8_t interlace;  // 0 none, 1 Adam7
    const uint8_t* fileData;  // not owned unless sourceKind is pngSourceOwned
    uint32_t fileSize;
    const uint8_t* chunkCursor;
    uint8_t* rawRows;  // inflated, still filtered scanlines (stage 2 only)
    uint32_t rawSize;
    const uint8_t* palette;  // data of the first PLTE chunk
    uint32_t sourceKind;
    const uint8_t* header;          // data of the IHDR chunk
    const uint8_t* firstImageData;  // start (length field) of the first IDAT chunk
    uint32_t stage;
};

// Output format word: colour type in bits 24-31, bit depth in 16-23, a flag
// in 8-15 (1: a bitmap can be made of it) and the conversion code in 0-7.
constexpr uint32_t pngDefaultFormat = 0xFFFFFFFFu;

constexpr uint32_t pngFormatWord(uint8_t colourType, uint8_t bitDepth, uint8_t flag, uint8_t code) {
    return (uint32_t(colourType) << 24) | (uint32_t(bitDepth) << 16) | (uint32_t(flag) << 8) | code;
}

// Conversion codes: what happens to one unfiltered row on its way out.
enum PngConversion : uint8_t {
    pngCopy = 0,                // bytes unchanged
    pngSwap16 = 1,              // 16-bit samples to little-endian
    pngRgb16ToBgr48 = 2,        // little-endian samples
    pngRgba16ToBgr48 = 3,       // alpha dropped
    pngRgba16ToBgra64 = 4,      // little-endian samples
    pngGreyAlpha16ToGrey16 = 5,  // little-endian, alpha dropped
    pngEverySecondByte = 6,     // 16-bit grey to its high byte; grey with alpha 8 to its grey byte
    pngRgb16ToBgr24 = 7,        // high bytes
    pngRgba16ToBgr24 = 8,       // high bytes
    pngRgba16ToBgra32 = 9,      // high bytes
    pngGreyAlpha16ToGrey8 = 10,  // high byte of the grey sample
    pngWiden2To4 = 11,          // each 2-bit sample in its own 4-bit half
    pngRgbToBgr = 12,
    pngRgbaToBgr = 13,
    pngRgbaToBgra = 14,
};

// The accepted (bit depth << 8 | colour type) pairs, ended by 0xFFFF: every
// pair the PNG standard allows.
extern const uint16_t pngAcceptedKinds[];

// Every format word the decoder knows, with the bits per pixel of its rows.
struct PngFormat {
    uint32_t word;
    uint32_t bitsPerPixel;
};
extern const PngFormat pngFormats[];
extern const size_t pngFormatCount;

// A BITMAPINFOHEADER, field for field, and the colour table after it.
struct PngBitmapHeader {
    uint32_t size;
    int32_t width;
    int32_t height;  // negative: rows top to bottom
    uint16_t planes;
    uint16_t bitCount;
    uint32_t compression;
    uint32_t sizeImage;
    int32_t xPelsPerMeter;
    int32_t yPelsPerMeter;
    uint32_t clrUsed;
    uint32_t clrImportant;
};
struct PngColour {
    uint8_t blue;
    uint8_t green;
    uint8_t red;
    uint8_t reserved;
};
// A BITMAPINFO with room for the largest colour table; the entries past the
// used ones are zero.
struct PngBitmapInfo {
    PngBitmapHeader header;
    PngColour colours[256];
};
static_assert(sizeof(PngBitmapHeader) == 40, "laid out as a BITMAPINFOHEADER");

// What pngCreateBitmap makes: the header, and where the pixels go.
struct PngBitmapLayout {
    PngBitmapInfo info;
    uint32_t format;        // the format word the pixels are written in
    uint32_t bitsPerPixel;  // of the output rows
    uint32_t stride;        // bytes from one output row to the next: a multiple of 4
    uint32_t pixelBytes;    // stride * height
};

void pngInit(PngState* state);

// Takes a PNG file that stays where it is while the state uses it (stage
// 0 -> 1): records it and checks it with the chunk scan.
int pngLoadBytes(PngState* state, const uint8_t* data, uint32_t size);

// Inflates the image data into rawRows (stage 1 -> 2).
int pngDecode(PngState* state);

// Decoding straight into the bitmap's memory, with no buffer of the whole
// filtered image beside it: the image data is inflated into the end of one
// buffer, then unfiltered row by row into its start, each output row landing
// on raw rows already read. The buffer is the bitmap and about one byte per
// row more (the filter bytes) at most, so a big picture costs its bitmap and
// little else. Stage 1, unchanged: pngPlanBitmap gives the layout as
// pngPrepareBitmap does, pngInPlaceSize the buffer's size (at least
// layout->pixelBytes), and pngDecodeInPlace leaves the pixels at the
// buffer's start. It fails as pngDecode does (pngErrorNotPng), and with
// pngErrorFormatMismatch for a buffer too small.
int pngPlanBitmap(PngState* state, uint32_t format, PngBitmapLayout* layout);
uint64_t pngInPlaceSize(const PngState* state, const PngBitmapLayout* layout);
int pngDecodeInPlace(PngState* state, const PngBitmapLayout* layout, uint8_t* buffer, uint64_t size);

// Frees what the state owns and clears it (any stage -> 0).
int pngRelease(PngState* state);

// The pure part of pngCreateBitmap: checks the stage and the format word
// (pngDefaultFormat for the image's default) and fills `layout`.
int pngPrepareBitmap(PngState* state, uint32_t format, PngBitmapLayout* layout);

// Unfilters the rows and writes them converted into `pixels`, which holds
// layout->pixelBytes bytes. Fails, without a new lastError, on a filter type
// above 4 or when its row buffers cannot be allocated.
int pngFillPixels(PngState* state, const PngBitmapLayout* layout, uint8_t* pixels);

// Unfilters and converts the raw rows at `raw` (the image's raw size) into
// `pixels`, as pngFillPixels does with rawRows; any stage.
int pngFillRows(const PngState* state, const PngBitmapLayout* layout, const uint8_t* raw, uint8_t* pixels);

// The same into a new buffer from the decoder's allocator (free it with
// pngFree); failing to get the buffer is pngErrorOutOfMemory.
int pngRenderPixels(PngState* state, const PngBitmapLayout* layout, uint8_t** pixels);

// Converts one unfiltered row of `pixelCount` pixels of `rawBitsPerPixel`
// with conversion `code`; writes exactly the converted row's bytes.
void pngConvertRow(uint8_t code, const uint8_t* row, uint32_t pixelCount, uint32_t rawBitsPerPixel, uint8_t* out);

// The decoder's allocation routines, on the heap. Tests replace the
// allocation to reach the out-of-memory paths; a block must stay releasable
// with std::free. A null argument restores the default; returns the previous.
using PngAllocator = void* (*)(size_t);
PngAllocator pngSetAllocator(PngAllocator allocator);
void* pngAllocate(size_t size);
void pngFree(void* block);
