// The PNG decoder: files of every kind, size and filter written by libpng
// against libpng's decoding; how far each malformed or special file gets and
// with which code; the bitmap headers, colour tables and exact pixels of the
// narrowed kinds; the stages of its interface. png-compare compares the
// PngSuite with libpng file by file.
#include "images/png_decoder.h"
#include "tests/support/png_reference.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// ---- files built by hand --------------------------------------------------------

void putBigEndian32(Bytes& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

// A chunk with its length and a correct check value.
Bytes chunk(const char* type, const Bytes& data) {
    Bytes out;
    putBigEndian32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    putBigEndian32(out, static_cast<uint32_t>(crc32(0, out.data() + 4, static_cast<uInt>(out.size() - 4))));
    return out;
}

Bytes ihdr(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType, uint8_t interlace = 0, uint8_t compression = 0,
           uint8_t filter = 0, size_t length = 13) {
    Bytes data;
    putBigEndian32(data, width);
    putBigEndian32(data, height);
    data.insert(data.end(), {depth, colourType, compression, filter, interlace});
    data.resize(length);
    return chunk("IHDR", data);
}

Bytes compressed(const Bytes& raw) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    Bytes out(size);
    compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 6);
    out.resize(size);
    return out;
}

Bytes idat(const Bytes& raw) {
    return chunk("IDAT", compressed(raw));
}

// The signature, the chunks and, unless told otherwise, an end chunk.
Bytes file(std::vector<Bytes> chunks, bool end = true) {
    if (end) chunks.push_back(chunk("IEND", {}));
    Bytes out = {137, 80, 78, 71, 13, 10, 26, 10};
    for (const Bytes& c : chunks) out.insert(out.end(), c.begin(), c.end());
    return out;
}

// `rows` rows of `rowBytes` bytes with filter type 0; byte x of row y is y * 40 + x.
Bytes plainRows(uint32_t rows, size_t rowBytes) {
    Bytes raw;
    for (uint32_t y = 0; y < rows; ++y) {
        raw.push_back(0);
        for (size_t x = 0; x < rowBytes; ++x) raw.push_back(static_cast<uint8_t>(y * 40 + x));
    }
    return raw;
}

// 4 x 3 truecolour pixels of 8 bits, with more chunks before the image data.
Bytes smallRgb(std::vector<Bytes> before = {}) {
    before.insert(before.begin(), ihdr(4, 3, 8, 2));
    before.push_back(idat(plainRows(3, 12)));
    return file(before);
}

uint32_t channels(int colourType) {
    return colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
}

// ---- running the decoder ----------------------------------------------------------

struct Decoded {
    int loaded = 0, decoded = 0, prepared = 0, filled = 0;
    uint32_t error = 0;
    PngState state{};
    PngBitmapLayout layout{};
    Bytes pixels;
};

// Each stage until one fails; the pixels are filled into 0xEE bytes.
Decoded decode(const Bytes& bytes, uint32_t format = pngDefaultFormat) {
    Decoded d;
    pngInit(&d.state);
    d.loaded = pngLoadBytes(&d.state, bytes.data(), static_cast<uint32_t>(bytes.size()));
    d.decoded = d.loaded && pngDecode(&d.state);
    d.prepared = d.decoded && pngPrepareBitmap(&d.state, format, &d.layout);
    d.pixels.assign(d.prepared ? d.layout.pixelBytes : 0, 0xEE);
    d.filled = d.prepared && pngFillPixels(&d.state, &d.layout, d.pixels.data());
    d.error = d.state.lastError;
    PngState copy = d.state;
    pngRelease(&copy);
    d.state.rawRows = nullptr;
    return d;
}

// Our bitmap and colour table against libpng's decoding of the same bytes.
::testing::AssertionResult matchesLibpng(const Bytes& bytes, uint32_t format = pngDefaultFormat) {
    const PngReference reference = decodeWithLibpng(bytes.data(), bytes.size());
    if (!reference.decoded) return ::testing::AssertionFailure() << "libpng refuses it: " << reference.error;
    const Decoded d = decode(bytes, format);
    if (!d.filled) return ::testing::AssertionFailure() << "refused with " << d.error;
    const RowDifference diff =
        compareBitmap(reference, d.pixels.data(), d.layout.stride, uint8_t(d.layout.format & 0xFF), d.layout.bitsPerPixel);
    if (diff.found) {
        return ::testing::AssertionFailure() << "row " << diff.row << " byte " << diff.byte << ": ours " << int(diff.ours)
                                             << ", libpng " << int(diff.expected);
    }
    for (size_t i = 0; i < reference.palette.size() / 3; ++i) {
        const PngColour& c = d.layout.info.colours[i];
        if (Bytes{c.red, c.green, c.blue} != Bytes(&reference.palette[3 * i], &reference.palette[3 * i] + 3)) {
            return ::testing::AssertionFailure() << "colour table entry " << i;
        }
    }
    return ::testing::AssertionSuccess();
}

// ---- files written by libpng --------------------------------------------------------

void appendToBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

// A photo-like picture: smooth samples plus noise, with `filter` (a
// PNG_FILTER_* mask, or -1 for libpng's choice) on every row.
Bytes writeWithLibpng(uint32_t width, uint32_t height, int depth, int colourType, uint32_t seed,
                      int interlace = PNG_INTERLACE_NONE, int filter = -1) {
    const size_t samples = size_t(width) * channels(colourType);
    const uint32_t top = (1u << depth) - 1;
    std::mt19937 random(seed);
    std::vector<Bytes> rows(height, Bytes((samples * depth + 7) / 8, 0));
    std::vector<png_bytep> pointers;
    for (uint32_t y = 0; y < height; ++y) {
        for (size_t k = 0; k < samples; ++k) {
            const uint32_t v = std::min<uint32_t>(top, uint32_t(k * 7 + y * 3) % (top + 1) + random() % 3);
            if (depth == 16) {
                rows[y][2 * k] = static_cast<uint8_t>(v >> 8);
                rows[y][2 * k + 1] = static_cast<uint8_t>(v);
            } else {
                rows[y][k * depth / 8] |= static_cast<uint8_t>(v << (8 - depth - k * depth % 8));
            }
        }
        pointers.push_back(rows[y].data());
    }
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_color> palette;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        ADD_FAILURE() << "libpng could not write the file";
        return {};
    }
    png_set_write_fn(png, &out, appendToBytes, [](png_structp) {});
    png_set_IHDR(png, info, width, height, depth, colourType, interlace, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    for (int i = 0; colourType == PNG_COLOR_TYPE_PALETTE && i < (1 << depth); ++i) {
        palette.push_back(png_color{uint8_t(i * 37), uint8_t(255 - i), uint8_t(i * 11)});
    }
    if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    if (filter >= 0) png_set_filter(png, PNG_FILTER_TYPE_BASE, filter);
    png_write_info(png, info);
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// The image data of a file, joined.
Bytes imageData(const Bytes& png) {
    Bytes data;
    for (size_t at = 8; at + 12 <= png.size();) {
        const size_t length = (size_t(png[at]) << 24) | (size_t(png[at + 1]) << 16) | (size_t(png[at + 2]) << 8) | png[at + 3];
        if (std::memcmp(png.data() + at + 4, "IDAT", 4) == 0) data.insert(data.end(), png.data() + at + 8, png.data() + at + 8 + length);
        at += 12 + length;
    }
    return data;
}

Bytes headerChunk(const Bytes& png) {
    return Bytes(png.begin() + 8, png.begin() + 33);
}

// The file rebuilt with its image data cut at `cuts`, the pieces after the
// first in chunks named `name`, and `between` (if any) after the first.
Bytes withImageDataPieces(const Bytes& png, const std::vector<size_t>& cuts, const char* name = "IDAT", const Bytes& between = {}) {
    const Bytes data = imageData(png);
    std::vector<Bytes> chunks = {headerChunk(png)};
    for (size_t k = 0, from = 0; k <= cuts.size(); ++k) {
        const size_t to = k < cuts.size() ? cuts[k] : data.size();
        chunks.push_back(chunk(k == 0 ? "IDAT" : name, Bytes(data.begin() + ptrdiff_t(from), data.begin() + ptrdiff_t(to))));
        if (k == 0 && !between.empty()) chunks.push_back(between);
        from = to;
    }
    return file(chunks);
}

size_t allocations = 0;
void* countingAllocator(size_t size) {
    ++allocations;
    return std::malloc(size);
}

// ---- against libpng -------------------------------------------------------------------

const struct Kind {
    int depth, colourType;
} everyKind[] = {{1, 0}, {2, 0}, {4, 0}, {8, 0}, {16, 0}, {8, 2}, {16, 2}, {1, 3}, {2, 3}, {4, 3}, {8, 3}, {8, 4}, {16, 4}, {8, 6}, {16, 6}};

TEST(PngDecoder, EveryKindSizeAndFilterMatchesLibpng) {
    // Odd sizes leave interlace passes empty or one pixel wide; 37 x 23 is
    // written once with each filter type on every row.
    const int shapes[][3] = {{1, 1, -1},  {1, 7, -1},  {7, 1, -1},  {2, 2, -1},  {3, 5, -1},
                             {9, 9, -1},  {17, 3, -1}, {5, 33, -1}, {33, 31, -1}, {37, 23, PNG_FILTER_NONE},
                             {37, 23, PNG_FILTER_SUB}, {37, 23, PNG_FILTER_UP}, {37, 23, PNG_FILTER_AVG}, {37, 23, PNG_FILTER_PAETH}};
    uint32_t seed = 1;
    for (const Kind& kind : everyKind) {
        for (int interlace : {PNG_INTERLACE_NONE, PNG_INTERLACE_ADAM7}) {
            for (const auto& s : shapes) {
                EXPECT_TRUE(matchesLibpng(writeWithLibpng(s[0], s[1], kind.depth, kind.colourType, seed++, interlace, s[2])))
                    << "depth " << kind.depth << " colour type " << kind.colourType << " interlace " << interlace << " "
                    << s[0] << "x" << s[1] << " filter " << s[2];
            }
        }
    }
    // Alpha dropped on request.
    for (int interlace : {PNG_INTERLACE_NONE, PNG_INTERLACE_ADAM7}) {
        EXPECT_TRUE(matchesLibpng(writeWithLibpng(33, 31, 8, 6, 2, interlace), pngFormatWord(pngTruecolourAlpha, 8, 1, pngRgbaToBgr)));
        EXPECT_TRUE(matchesLibpng(writeWithLibpng(33, 31, 16, 6, 3, interlace), pngFormatWord(pngTruecolourAlpha, 16, 1, pngRgba16ToBgr24)));
    }
}

TEST(PngDecoder, ImageDataSplitAnywhereIsOneStream) {
    const Bytes png = writeWithLibpng(24, 16, 8, 2, 10);
    const Decoded whole = decode(png);
    ASSERT_TRUE(whole.filled);
    const size_t length = imageData(png).size();
    std::vector<size_t> everyByte;
    for (size_t cut = 0; cut <= length; ++cut) {
        ASSERT_EQ(decode(withImageDataPieces(png, {cut})).pixels, whole.pixels) << cut;
        if (cut > 0 && cut < length) everyByte.push_back(cut);
    }
    EXPECT_EQ(decode(withImageDataPieces(png, everyByte)).pixels, whole.pixels) << "a chunk per byte";
}

// ---- how far each file gets -------------------------------------------------------------

// Refused by the scan, loaded but not decoded, decoded but a row's filter
// refused, or filled.
enum Reach { scanRefuses, decodeRefuses, fillRefuses, fills };

struct FileCase {
    const char* what;
    Bytes bytes;
    Reach reach;
    uint32_t error;
};

// A one-row grey file whose image data is a zlib header and these DEFLATE bytes.
Bytes greyRowWithDeflate(Bytes deflate) {
    deflate.insert(deflate.begin(), {0x78, 0x9C});
    return file({ihdr(4, 1, 8, 0), chunk("IDAT", deflate)});
}

std::vector<FileCase> fileCases() {
    const Bytes good = smallRgb(), libpngFile = writeWithLibpng(20, 10, 8, 2, 12), rows = plainRows(3, 12);
    Bytes badFilter = rows, tooMuch = rows, wrongChecks = good, badSignature = good, afterEnd = good;
    badFilter[13] = 5;  // the second row's filter type
    tooMuch.insert(tooMuch.end(), 500, 0x42);
    wrongChecks[29] ^= 0xFF;  // the header's check value, then the end chunk's
    wrongChecks.back() ^= 0xFF;
    badSignature[3] = 'g';
    const Bytes unknown = chunk("ZZZZ", {});
    afterEnd.insert(afterEnd.end(), unknown.begin(), unknown.end());
    Bytes noCheck = file({ihdr(4, 3, 8, 2), idat(rows)}, false);
    noCheck.resize(noCheck.size() - 4);
    std::vector<FileCase> cases = {
        {"15 bytes", Bytes(good.begin(), good.begin() + 15), scanRefuses, pngErrorNotPng},
        {"signature", badSignature, scanRefuses, pngErrorNotPng},
        {"first chunk not IHDR", file({chunk("gAMA", {0, 0, 0, 1}), ihdr(1, 1, 8, 0)}), scanRefuses, pngErrorNotPng},
        {"width 0", file({ihdr(0, 1, 8, 0)}), scanRefuses, pngErrorNotPng},
        {"height 0", file({ihdr(1, 0, 8, 0)}), scanRefuses, pngErrorNotPng},
        {"interlace method 2", file({ihdr(1, 1, 8, 2, 2), idat({0, 0, 0, 0})}), scanRefuses, pngErrorUnsupported},
        {"compression method 1", file({ihdr(1, 1, 8, 2, 0, 1), idat({0, 0, 0, 0})}), scanRefuses, pngErrorUnsupported},
        {"filter method 1", file({ihdr(1, 1, 8, 2, 0, 0, 1), idat({0, 0, 0, 0})}), scanRefuses, pngErrorUnsupported},
        {"grey of 3 bits", file({ihdr(1, 1, 3, 0), idat({0, 0})}), scanRefuses, pngErrorUnsupported},
        {"colour type 5", file({ihdr(1, 1, 8, 5), idat({0, 0})}), scanRefuses, pngErrorUnsupported},
        {"truecolour of 4 bits", file({ihdr(1, 1, 4, 2), idat({0, 0})}), scanRefuses, pngErrorUnsupported},
        {"unknown critical chunk", smallRgb({chunk("QQQQ", {1, 2})}), scanRefuses, pngErrorUnsupported},
        {"\"Idat\": only the first letter's case is ignored", file({ihdr(2, 1, 8, 0), chunk("Idat", {})}), scanRefuses, pngErrorUnsupported},
        {"unknown critical chunk after IEND", afterEnd, scanRefuses, pngErrorUnsupported},
        {"image data continued in \"IDAt\"", withImageDataPieces(libpngFile, {40}, "IDAt"), scanRefuses, pngErrorUnsupported},
        {"8192 x 8192 grey, within the limit, its data short", file({ihdr(8192, 8192, 8, 0), idat({0, 0})}), decodeRefuses, pngErrorNotPng},
        {"no image data", file({ihdr(1, 1, 8, 0)}), decodeRefuses, pngErrorNotPng},
        {"image data chunk cut before its check value", noCheck, decodeRefuses, pngErrorNotPng},
        {"indices without palette", file({ihdr(2, 1, 8, 3), idat({0, 0, 1})}), decodeRefuses, pngErrorNotPng},
        {"indices with 257 colours", file({ihdr(1, 1, 8, 3), chunk("PLTE", Bytes(257 * 3, 1)), idat({0, 0})}), decodeRefuses, pngErrorNotPng},
        {"truecolour with 257 colours", file({ihdr(1, 1, 8, 2), chunk("PLTE", Bytes(257 * 3, 1)), idat({0, 0, 0, 0})}), decodeRefuses,
         pngErrorNotPng},
        {"2-bit indices with 5 colours", file({ihdr(4, 1, 2, 3), chunk("PLTE", Bytes(15, 7)), idat({0, 0x1B})}), decodeRefuses, pngErrorNotPng},
        {"2-bit indices with 4 colours", file({ihdr(4, 1, 2, 3), chunk("PLTE", Bytes(12, 7)), idat({0, 0x1B})}), fills, 0},
        {"image data a byte short", file({ihdr(4, 3, 8, 2), idat(Bytes(rows.begin(), rows.end() - 1))}), decodeRefuses, pngErrorNotPng},
        {"image data broken by another chunk", withImageDataPieces(libpngFile, {40}, "IDAT", chunk("tEXt", {'a', 0, 'b'})), decodeRefuses,
         pngErrorNotPng},
        // 257 + 1 codes, 19 precode lengths all 1: over-subscribed.
        {"malformed Huffman table", greyRowWithDeflate({0x05, 0xE0, 0x49, 0x49, 0x49, 0x49, 0x49, 0x49, 0x49, 0x49}), decodeRefuses,
         pngErrorNotPng},
        // Fixed block: literal 0, then length 3 at distance 2.
        {"distance before the start", greyRowWithDeflate({0x63, 0x00, 0x42, 0x00}), decodeRefuses, pngErrorNotPng},
        {"stored block", greyRowWithDeflate({0x01, 0x05, 0x00, 0xFA, 0xFF, 0, 1, 2, 3, 4}), fills, 0},
        {"stored block with a wrong NLEN", greyRowWithDeflate({0x01, 0x05, 0x00, 0xFB, 0xFF, 0, 1, 2, 3, 4}), decodeRefuses, pngErrorNotPng},
        {"filter type 5", file({ihdr(4, 3, 8, 2), idat(badFilter)}), fillRefuses, 0},
        {"interlaced, filter type 7", file({ihdr(1, 1, 8, 0, 1), idat({7, 0})}), fillRefuses, 0},
        {"unknown ancillary chunk skipped", smallRgb({chunk("qqQQ", {1, 2})}), fills, 0},
        {"wrong check values, not verified", wrongChecks, fills, 0},
        {"image data beyond the rows, ignored", file({ihdr(4, 3, 8, 2), idat(tooMuch)}), fills, 0},
    };
    for (size_t length = 0; length < 13; ++length) {
        cases.push_back({"IHDR shorter than 13 bytes", file({ihdr(1, 1, 8, 0, 0, 0, 0, length), idat({0, 1})}), scanRefuses, pngErrorNotPng});
    }
    // A length wrapping a 32-bit position round to the next chunk, or
    // reaching just past the end: the scan ends there, without image data.
    for (uint32_t length : {0xFFFFFFF4u, 0x7FFFFFFFu, 13u}) {
        Bytes png = file({ihdr(1, 1, 8, 0), chunk("tEXt", Bytes(1, 'x')), idat({0, 1})});
        for (int k = 0; k < 4; ++k) png[33 + k] = static_cast<uint8_t>(length >> (24 - 8 * k));
        cases.push_back({"chunk length past the end", png, decodeRefuses, pngErrorNotPng});
    }
    const uint32_t tooLarge[][4] = {{pngMaxSide + 1, 1, 8, 0}, {1, pngMaxSide + 1, 8, 0}, {0x7FFFFFFF, 0x7FFFFFFF, 16, 6},
                                    {0xFFFFFFFF, 1, 1, 0},     {16384, 16384, 8, 2},     {9000, 8000, 8, 6}};
    for (const auto& t : tooLarge) {
        cases.push_back({"size over the limit", file({ihdr(t[0], t[1], uint8_t(t[2]), uint8_t(t[3])), idat({0, 0})}), scanRefuses,
                         pngErrorUnsupported});
    }
    return cases;
}

TEST(PngDecoder, EachFileGetsAsFarAsItShould) {
    int index = 0;
    for (const FileCase& c : fileCases()) {
        allocations = 0;
        const PngAllocator previous = pngSetAllocator(countingAllocator);
        const Decoded d = decode(c.bytes);
        pngSetAllocator(previous);
        const std::string what = std::to_string(index++) + ": " + c.what;
        EXPECT_EQ(d.loaded + d.decoded + d.filled, int(c.reach)) << what;
        EXPECT_EQ(d.prepared, d.decoded) << what;
        EXPECT_EQ(d.error, c.error) << what;
        EXPECT_EQ(d.state.stage, c.reach == scanRefuses ? pngStageEmpty : c.reach == decodeRefuses ? pngStageLoaded : pngStageDecoded) << what;
        if (c.reach == scanRefuses) {
            EXPECT_EQ(allocations, 0u) << what << ": sizes are checked before anything is allocated";
            EXPECT_EQ(d.state.sourceKind, pngSourceNone) << what;
        }
    }
}

// ---- bitmap headers, colour tables and pixels --------------------------------------------

TEST(PngBitmap, OnePixelOfTruecolourIsATopDownBlueGreenRedBitmap) {
    const Decoded d = decode(file({ihdr(1, 1, 8, 2), idat({0, 10, 20, 30})}));
    ASSERT_TRUE(d.filled);
    const PngBitmapHeader& h = d.layout.info.header;
    EXPECT_TRUE(h.size == 40 && h.width == 1 && h.height == -1 && h.planes == 1 && h.bitCount == 24 && h.compression == 0 && h.clrUsed == 0);
    EXPECT_EQ(d.pixels, (Bytes{30, 20, 10, 0}));
}

TEST(PngBitmap, BitCountsGreyRampsAndPalettes) {
    const uint32_t dropAlpha8 = pngFormatWord(pngTruecolourAlpha, 8, 1, pngRgbaToBgr);
    const uint32_t dropAlpha16 = pngFormatWord(pngTruecolourAlpha, 16, 1, pngRgba16ToBgr24);
    // Depth, colour type, format, bits per pixel, entries of the grey ramp.
    const uint32_t cases[][5] = {{1, 0, pngDefaultFormat, 1, 2},    {2, 0, pngDefaultFormat, 4, 4},    {4, 0, pngDefaultFormat, 4, 16},
                                 {8, 0, pngDefaultFormat, 8, 256},  {16, 0, pngDefaultFormat, 8, 256}, {8, 4, pngDefaultFormat, 8, 256},
                                 {16, 4, pngDefaultFormat, 8, 256}, {16, 2, pngDefaultFormat, 24, 0},  {1, 3, pngDefaultFormat, 1, 0},
                                 {2, 3, pngDefaultFormat, 4, 0},    {4, 3, pngDefaultFormat, 4, 0},    {8, 3, pngDefaultFormat, 8, 0},
                                 {8, 6, pngDefaultFormat, 32, 0},   {16, 6, pngDefaultFormat, 32, 0},  {8, 6, dropAlpha8, 24, 0},
                                 {16, 6, dropAlpha16, 24, 0}};
    for (const auto& c : cases) {
        const uint8_t depth = uint8_t(c[0]), colourType = uint8_t(c[1]);
        const std::string what = "depth " + std::to_string(depth) + " colour type " + std::to_string(colourType);
        // Three colours, or two where 1-bit indices allow no more.
        const Bytes palette = {255, 0, 0, 0, 128, 0, 1, 2, 3};
        std::vector<Bytes> chunks = {ihdr(3, 2, depth, colourType)};
        if (colourType == 3) chunks.push_back(chunk("PLTE", Bytes(palette.begin(), palette.end() - (depth == 1 ? 3 : 0))));
        chunks.push_back(idat(plainRows(2, (3 * depth * channels(colourType) + 7) / 8)));
        const Decoded d = decode(file(chunks), c[2]);
        ASSERT_TRUE(d.filled) << what;
        EXPECT_EQ(d.layout.info.header.bitCount, c[3]) << what;
        EXPECT_EQ(d.layout.info.header.clrUsed, c[4]) << what;
        EXPECT_EQ(d.layout.stride % 4, 0u) << what;
        for (uint32_t i = 0; i < c[4]; ++i) {
            const PngColour& colour = d.layout.info.colours[i];
            const uint32_t level = i * 255 / (c[4] - 1);
            ASSERT_TRUE(colour.red == level && colour.green == level && colour.blue == level && colour.reserved == 0) << what << " " << i;
        }
        PngColour expected[4] = {{0, 0, 255, 0}, {0, 128, 0, 0}, {3, 2, 1, 0}, {0, 0, 0, 0}};  // blue, green, red; then zeros
        if (depth == 1) expected[2] = expected[3];
        if (colourType == 3) EXPECT_EQ(std::memcmp(d.layout.info.colours, expected, sizeof expected), 0) << what;
    }
}

TEST(PngBitmap, PixelsOfTheNarrowedKinds) {
    const struct {
        const char* what;
        Bytes bytes;
        Bytes pixels;  // the bitmap's first row
        uint32_t colours;
    } cases[] = {
        {"2-bit grey widened to 4 bits", file({ihdr(5, 1, 2, 0), idat({0, 0x1B, 0x80})}), {0x01, 0x23, 0x20, 0}, 0},
        {"16-bit grey: the high bytes", file({ihdr(2, 1, 16, 0), idat({0, 0x12, 0x34, 0xAB, 0xCD})}), {0x12, 0xAB, 0, 0}, 0},
        {"8-bit indices", file({ihdr(3, 1, 8, 3), chunk("PLTE", Bytes(9, 4)), idat({0, 0, 1, 2})}), {0, 1, 2, 0}, 3},
        {"the first letter's case ignored, the first palette used",
         file({ihdr(2, 1, 8, 3), chunk("pLTE", {9, 8, 7, 4, 5, 6}), chunk("PLTE", {1, 1, 1}), chunk("iDAT", compressed({0, 1, 0}))}),
         {1, 0, 0, 0}, 2},
    };
    for (const auto& c : cases) {
        const Decoded d = decode(c.bytes);
        ASSERT_TRUE(d.filled) << c.what;
        EXPECT_EQ(Bytes(d.pixels.begin(), d.pixels.begin() + 4), c.pixels) << c.what;
        EXPECT_EQ(d.state.paletteCount, c.colours) << c.what;
        if (c.colours != 0) EXPECT_EQ(d.layout.info.colours[1].red, 4) << c.what;
    }
}

TEST(PngBitmap, InterlacedRowsKeepTheirPaddingZero) {
    // Passes of sub-byte pixels are ORed into cleared bytes, and no pass
    // writes the padding at the end of a row (found by fuzz_png_decode,
    // corpus: interlaced_row_padding); decode() fills 0xEE beforehand.
    const Decoded bits = decode(writeWithLibpng(13, 11, 1, 0, 0, PNG_INTERLACE_ADAM7));
    ASSERT_TRUE(bits.filled && bits.layout.stride == 4);
    for (uint32_t y = 0; y < 11; ++y) EXPECT_EQ((bits.pixels[4 * y + 1] & 7) | bits.pixels[4 * y + 2] | bits.pixels[4 * y + 3], 0) << y;
    const Decoded grey = decode(writeWithLibpng(55, 7, 16, 0, 17, PNG_INTERLACE_ADAM7));
    ASSERT_TRUE(grey.filled && grey.layout.stride == 56);
    for (uint32_t y = 0; y < 7; ++y) EXPECT_EQ(grey.pixels[size_t(y) * 56 + 55], 0) << y;
}

// ---- conversion codes ---------------------------------------------------------------------

TEST(PngConversions, EveryCodeOnItsPixelsAndNothingPast) {
    const uint8_t rgba16[8] = {0x11, 0x12, 0x21, 0x22, 0x31, 0x32, 0x41, 0x42}, rgba8[4] = {0x10, 0x20, 0x30, 0x40};
    const uint8_t twoBit[2] = {0xE4, 0x80}, greyAlpha[6] = {1, 200, 2, 201, 3, 202};  // 2-bit samples 3 2 1 0 | 2
    const struct {
        uint8_t code;
        const uint8_t* in;
        uint32_t pixels, rawBits;
        Bytes expected;
    } cases[] = {
        {pngCopy, rgba8, 1, 32, {0x10, 0x20, 0x30, 0x40}},
        {pngSwap16, rgba16, 1, 64, {0x12, 0x11, 0x22, 0x21, 0x32, 0x31, 0x42, 0x41}},
        {pngRgb16ToBgr48, rgba16, 1, 48, {0x32, 0x31, 0x22, 0x21, 0x12, 0x11}},
        {pngRgba16ToBgr48, rgba16, 1, 64, {0x32, 0x31, 0x22, 0x21, 0x12, 0x11}},
        {pngRgba16ToBgra64, rgba16, 1, 64, {0x32, 0x31, 0x22, 0x21, 0x12, 0x11, 0x42, 0x41}},
        {pngGreyAlpha16ToGrey16, rgba16, 1, 32, {0x12, 0x11}},
        {pngEverySecondByte, rgba16, 1, 32, {0x11, 0x21}},
        {pngEverySecondByte, greyAlpha, 3, 16, {1, 2, 3}},
        {pngRgb16ToBgr24, rgba16, 1, 48, {0x31, 0x21, 0x11}},
        {pngRgba16ToBgr24, rgba16, 1, 64, {0x31, 0x21, 0x11}},
        {pngRgba16ToBgra32, rgba16, 1, 64, {0x31, 0x21, 0x11, 0x41}},
        {pngGreyAlpha16ToGrey8, rgba16, 1, 32, {0x11}},
        {pngRgbToBgr, rgba8, 1, 24, {0x30, 0x20, 0x10}},
        {pngRgbaToBgr, rgba8, 1, 32, {0x30, 0x20, 0x10}},
        {pngRgbaToBgra, rgba8, 1, 32, {0x30, 0x20, 0x10, 0x40}},
        {pngWiden2To4, twoBit, 5, 2, {0x32, 0x10, 0x20}},
    };
    for (const auto& c : cases) {
        Bytes out(c.expected.size() + 4, 0xEE);
        pngConvertRow(c.code, c.in, c.pixels, c.rawBits, out.data());
        EXPECT_EQ(Bytes(out.begin(), out.begin() + ptrdiff_t(c.expected.size())), c.expected) << int(c.code);
        EXPECT_EQ(out[c.expected.size()], 0xEE) << "code " << int(c.code) << " wrote past its row";
    }
    // Rows long enough for the 16-byte steps, and the plain tail.
    for (uint32_t pixels = 1; pixels < 40; ++pixels) {
        Bytes in(4 * size_t(pixels) + 32), out3(3 * size_t(pixels) + 1, 0xEE), out4(4 * size_t(pixels) + 1, 0xEE);
        for (size_t i = 0; i < in.size(); ++i) in[i] = static_cast<uint8_t>(i * 7);
        pngConvertRow(pngRgbToBgr, in.data(), pixels, 24, out3.data());
        pngConvertRow(pngRgbaToBgra, in.data(), pixels, 32, out4.data());
        for (uint32_t p = 0; p < pixels; ++p) {
            for (uint32_t k = 0; k < 3; ++k) ASSERT_EQ(out3[3 * p + k], in[3 * p + 2 - k]) << pixels;
            for (uint32_t k = 0; k < 4; ++k) ASSERT_EQ(out4[4 * p + k], in[4 * p + (k < 3 ? 2 - k : 3)]) << pixels;
        }
        EXPECT_TRUE(out3.back() == 0xEE && out4.back() == 0xEE) << pixels << " pixels: written past the row";
    }
}

// ---- stages -------------------------------------------------------------------------------

TEST(PngStages, EachCallInTheWrongStageIsRefused) {
    const Bytes png = smallRgb();
    const auto size = static_cast<uint32_t>(png.size());
    PngState state;
    pngInit(&state);
    PngBitmapLayout layout;
    const auto refused = [&](int result, uint32_t error) { return result == 0 && state.lastError == error; };
    EXPECT_TRUE(refused(pngDecode(&state), pngErrorWrongStage)) << "decode before loading";
    EXPECT_TRUE(refused(pngPrepareBitmap(&state, pngDefaultFormat, &layout), pngErrorWrongStage)) << "bitmap before loading";
    EXPECT_TRUE(refused(pngLoadBytes(&state, nullptr, 0), pngErrorResourceUnreadable));
    EXPECT_TRUE(refused(pngLoadBytes(&state, png.data(), 0), pngErrorResourceUnreadable));
    ASSERT_EQ(pngLoadBytes(&state, png.data(), size), 1);
    EXPECT_TRUE(refused(pngLoadBytes(&state, png.data(), size), pngErrorAlreadyLoaded));
    EXPECT_EQ(state.stage, pngStageLoaded);
    EXPECT_TRUE(refused(pngPrepareBitmap(&state, pngDefaultFormat, &layout), pngErrorWrongStage)) << "bitmap before decoding";
    ASSERT_EQ(pngDecode(&state), 1);
    EXPECT_EQ(state.lastError, 0u);
    EXPECT_TRUE(refused(pngDecode(&state), pngErrorWrongStage)) << "decode twice";
    for (uint32_t format : {pngFormatWord(pngTruecolour, 8, 0, pngRgbToBgr), pngFormatWord(pngGrey, 8, 1, pngCopy),
                            pngFormatWord(pngTruecolour, 16, 1, pngRgb16ToBgr24), pngFormatWord(pngTruecolour, 8, 1, pngRgbaToBgra)}) {
        // Flag 0, another colour type, another depth, a code not listed for the kind.
        EXPECT_TRUE(refused(pngPrepareBitmap(&state, format, &layout), pngErrorFormatMismatch)) << std::hex << format;
    }
    const uint32_t flag0 = pngFormatWord(pngTruecolour, 16, 0, pngRgb16ToBgr48);  // listed, but flag 0
    EXPECT_EQ(decode(file({ihdr(1, 1, 16, 2), idat(Bytes(7, 0))}), flag0).error, pngErrorFormatMismatch);
    // The pixel buffer out of memory, then made twice.
    ASSERT_EQ(pngPrepareBitmap(&state, pngDefaultFormat, &layout), 1);
    const PngAllocator previous = pngSetAllocator([](size_t) -> void* { return nullptr; });
    uint8_t* pixels = reinterpret_cast<uint8_t*>(1);
    EXPECT_TRUE(refused(pngRenderPixels(&state, &layout, &pixels), pngErrorOutOfMemory));
    pngSetAllocator(previous);
    EXPECT_EQ(pixels, nullptr);
    uint8_t* again = nullptr;
    ASSERT_TRUE(pngRenderPixels(&state, &layout, &pixels) && pngRenderPixels(&state, &layout, &again));
    EXPECT_EQ(pixels[0], 2) << "blue of the first pixel";
    EXPECT_EQ(std::memcmp(pixels, again, layout.pixelBytes), 0);
    EXPECT_EQ(state.stage, pngStageDecoded);
    pngFree(pixels);
    pngFree(again);
    // Release clears every field, whatever the stage.
    const PngState empty{};
    for (uint32_t stage : {pngStageDecoded, pngStageLoaded, pngStageEmpty}) {
        EXPECT_EQ(pngRelease(&state), 1);
        EXPECT_EQ(std::memcmp(&state, &empty, sizeof state), 0) << stage;
        if (stage == pngStageDecoded) ASSERT_EQ(pngLoadBytes(&state, png.data(), size), 1) << "loading again after release";
    }
}

}  // namespace
