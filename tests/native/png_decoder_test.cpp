// The PNG decoder on files built by hand: how far each malformed or special
// file gets and with which code, and the bitmap headers, colour tables and
// rows that the PngSuite comparison with libpng (png-compare) does not see.
#include "images/png_decoder.h"
#include "images/png_unfilter.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes& putBigEndian32(Bytes& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
    return out;
}

// A chunk with its length and a correct check value.
Bytes chunk(const char* type, const Bytes& data) {
    Bytes out;
    putBigEndian32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    return putBigEndian32(out, static_cast<uint32_t>(crc32(0, out.data() + 4, static_cast<uInt>(out.size() - 4))));
}

Bytes ihdr(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType, uint8_t interlace = 0, size_t length = 13) {
    Bytes data;
    putBigEndian32(putBigEndian32(data, width), height);
    data.insert(data.end(), {depth, colourType, 0, 0, interlace});
    data.resize(length);
    return chunk("IHDR", data);
}

Bytes compressed(const Bytes& raw) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    Bytes out(size);
    compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 6);
    return out.resize(size), out;
}

Bytes idat(const Bytes& raw) { return chunk("IDAT", compressed(raw)); }

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

// smallRgb's image data in two chunks, the second named `name`, with `between` (if any) between them.
Bytes split(const char* name, const Bytes& between = {}) {
    const Bytes data = compressed(plainRows(3, 12));
    std::vector<Bytes> chunks = {ihdr(4, 3, 8, 2), chunk("IDAT", Bytes(data.begin(), data.begin() + 10))};
    if (!between.empty()) chunks.push_back(between);
    chunks.push_back(chunk(name, Bytes(data.begin() + 10, data.end())));
    return file(chunks);
}

struct Decoded {
    int loaded = 0, decoded = 0, prepared = 0, filled = 0;
    uint32_t error = 0;
    PngState state{}; PngBitmapLayout layout{};
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
    return d.state.rawRows = nullptr, d;
}

size_t allocations = 0;

// Refused by the scan, loaded but not decoded, decoded but a row's filter refused, or filled.
enum Reach { scanRefuses, decodeRefuses, fillRefuses, fills };

TEST(PngDecoder, EachFileGetsAsFarAsItShould) {
    const Bytes good = smallRgb(), rows = plainRows(3, 12);
    Bytes badFilter = rows, tooMuch = rows, afterEnd = good;
    badFilter[13] = 5;  // the second row's filter type
    tooMuch.insert(tooMuch.end(), 500, 0x42);
    for (uint8_t b : chunk("ZZZZ", {})) afterEnd.push_back(b);
    Bytes noCheck = file({ihdr(4, 3, 8, 2), idat(rows)}, false);
    noCheck.resize(noCheck.size() - 4);
    struct FileCase {
        std::string what;
        Bytes bytes;
        Reach reach;
        uint32_t error;
    };
    std::vector<FileCase> cases = {
        {"15 bytes", Bytes(good.begin(), good.begin() + 15), scanRefuses, pngErrorNotPng},
        {"first chunk not IHDR", file({chunk("gAMA", {0, 0, 0, 1}), ihdr(1, 1, 8, 0)}), scanRefuses, pngErrorNotPng},
        {"width 0", file({ihdr(0, 1, 8, 0)}), scanRefuses, pngErrorNotPng},
        {"height 0", file({ihdr(1, 0, 8, 0)}), scanRefuses, pngErrorNotPng},
        {"interlace method 2", file({ihdr(1, 1, 8, 2, 2), idat({0, 0, 0, 0})}), scanRefuses, pngErrorUnsupported},
        {"unknown critical chunk", smallRgb({chunk("QQQQ", {1, 2})}), scanRefuses, pngErrorUnsupported},
        {"\"Idat\": only the first letter's case is ignored", file({ihdr(2, 1, 8, 0), chunk("Idat", {})}), scanRefuses,
         pngErrorUnsupported},
        {"unknown critical chunk after IEND", afterEnd, scanRefuses, pngErrorUnsupported},
        {"image data continued in \"IDAt\"", split("IDAt"), scanRefuses, pngErrorUnsupported},
        {"width 16385", file({ihdr(pngMaxSide + 1, 1, 8, 0), idat({0, 0})}), scanRefuses, pngErrorUnsupported},
        {"height 16385", file({ihdr(1, pngMaxSide + 1, 8, 0), idat({0, 0})}), scanRefuses, pngErrorUnsupported},
        {"9000 x 8000 RGBA, over the buffer limit", file({ihdr(9000, 8000, 8, 6), idat({0, 0})}), scanRefuses, pngErrorUnsupported},
        {"8192 x 8192 grey, within the limits, its data short", file({ihdr(8192, 8192, 8, 0), idat({0, 0})}), decodeRefuses,
         pngErrorNotPng},
        {"image data chunk cut before its check value", noCheck, decodeRefuses, pngErrorNotPng},
        {"indices without palette", file({ihdr(2, 1, 8, 3), idat({0, 0, 1})}), decodeRefuses, pngErrorNotPng},
        {"truecolour with 257 colours", file({ihdr(1, 1, 8, 2), chunk("PLTE", Bytes(257 * 3, 1)), idat({0, 0, 0, 0})}),
         decodeRefuses, pngErrorNotPng},
        {"2-bit indices with 5 colours", file({ihdr(4, 1, 2, 3), chunk("PLTE", Bytes(15, 7)), idat({0, 0x1B})}), decodeRefuses,
         pngErrorNotPng},
        {"2-bit indices with 4 colours", file({ihdr(4, 1, 2, 3), chunk("PLTE", Bytes(12, 7)), idat({0, 0x1B})}), fills, 0},
        {"image data a byte short", file({ihdr(4, 3, 8, 2), idat(Bytes(rows.begin(), rows.end() - 1))}), decodeRefuses,
         pngErrorNotPng},
        {"image data broken by another chunk", split("IDAT", chunk("tEXt", {'a', 0, 'b'})), decodeRefuses, pngErrorNotPng},
        {"filter type 5", file({ihdr(4, 3, 8, 2), idat(badFilter)}), fillRefuses, 0},
        {"interlaced, filter type 7", file({ihdr(1, 1, 8, 0, 1), idat({7, 0})}), fillRefuses, 0},
        {"image data beyond the rows, ignored", file({ihdr(4, 3, 8, 2), idat(tooMuch)}), fills, 0},
    };
    for (size_t length : {0u, 12u}) {
        cases.push_back({"IHDR of " + std::to_string(length) + " bytes", file({ihdr(1, 1, 8, 0, 0, length), idat({0, 1})}),
                         scanRefuses, pngErrorNotPng});
    }
    // A length wrapping a 32-bit position round to the next chunk, or
    // reaching just past the end: the scan ends there, without image data.
    for (uint32_t length : {0xFFFFFFF4u, 13u}) {
        Bytes png = file({ihdr(1, 1, 8, 0), chunk("tEXt", Bytes(1, 'x')), idat({0, 1})});
        for (int k = 0; k < 4; ++k) png[33 + k] = static_cast<uint8_t>(length >> (24 - 8 * k));
        cases.push_back({"chunk length " + std::to_string(length), png, decodeRefuses, pngErrorNotPng});
    }
    for (const FileCase& c : cases) {
        SCOPED_TRACE(c.what);
        allocations = 0;
        const PngAllocator previous = pngSetAllocator([](size_t size) { return ++allocations, std::malloc(size); });
        const Decoded d = decode(c.bytes);
        pngSetAllocator(previous);
        EXPECT_EQ(d.loaded + d.decoded + d.filled, int(c.reach));
        EXPECT_EQ(d.prepared, d.decoded);
        EXPECT_EQ(d.error, c.error);
        EXPECT_EQ(d.state.stage, c.reach == scanRefuses ? pngStageEmpty : c.reach == decodeRefuses ? pngStageLoaded : pngStageDecoded);
        if (c.reach == scanRefuses) EXPECT_EQ(allocations, 0u) << "sizes are checked before anything is allocated";
    }
}

TEST(PngBitmap, HeadersGreyRampsAndPalettes) {
    const Decoded one = decode(file({ihdr(1, 1, 8, 2), idat({0, 10, 20, 30})}));
    ASSERT_TRUE(one.filled);
    const PngBitmapHeader& h = one.layout.info.header;
    EXPECT_TRUE(h.size == 40 && h.width == 1 && h.height == -1 && h.planes == 1 && h.bitCount == 24 && h.compression == 0);
    EXPECT_EQ(one.pixels, (Bytes{30, 20, 10, 0})) << "a top-down blue-green-red bitmap";
    // Depth, colour type, bits per pixel, entries of the grey ramp (the PngSuite comparison checks palettes).
    const uint32_t cases[][4] = {{1, 0, 1, 2},   {2, 0, 4, 4},    {4, 0, 4, 16},  {8, 0, 8, 256}, {16, 0, 8, 256}, {8, 4, 8, 256},
                                 {16, 4, 8, 256}, {16, 2, 24, 0}, {2, 3, 4, 0},   {8, 6, 32, 0},  {16, 6, 32, 0}};
    for (const auto& c : cases) {
        const uint8_t depth = uint8_t(c[0]), colourType = uint8_t(c[1]);
        const uint32_t channels = colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
        const Decoded d = decode(file({ihdr(3, 2, depth, colourType), colourType == 3 ? chunk("PLTE", Bytes(12, 7)) : chunk("tEXt", {'a', 0}),
                                       idat(plainRows(2, (3 * depth * channels + 7) / 8))}));
        ASSERT_TRUE(d.filled) << c[0] << " " << c[1];
        const PngBitmapHeader& h = d.layout.info.header;
        EXPECT_TRUE(h.bitCount == c[2] && h.clrUsed == c[3] && d.layout.stride % 4 == 0) << c[0] << " " << c[1];
        for (uint32_t i = 0; i < c[3]; ++i) {
            const PngColour& colour = d.layout.info.colours[i];
            const uint32_t level = i * 255 / (c[3] - 1);
            ASSERT_TRUE(colour.red == level && colour.green == level && colour.blue == level && colour.reserved == 0) << i;
        }
    }
    // A format listed for the kind, but with flag 0, is refused.
    EXPECT_EQ(decode(file({ihdr(1, 1, 16, 2), idat(Bytes(7, 0))}), pngFormatWord(pngTruecolour, 16, 0, pngRgb16ToBgr48)).error,
              pngErrorFormatMismatch);
    // The first letter's case is ignored, and the first palette is the one used.
    const Decoded first = decode(file({ihdr(2, 1, 8, 3), chunk("pLTE", {9, 8, 7, 4, 5, 6}), chunk("PLTE", {1, 1, 1}),
                                       chunk("iDAT", compressed({0, 1, 0}))}));
    ASSERT_TRUE(first.filled);
    EXPECT_EQ(Bytes(first.pixels.begin(), first.pixels.begin() + 4), (Bytes{1, 0, 0, 0}));
    EXPECT_TRUE(first.state.paletteCount == 2 && first.layout.info.colours[1].red == 4);
}

// Rows long enough for the wide steps, and every tail after them; nothing written past the row.
TEST(PngConversions, RowsOfEveryLength) {
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

// Sub, Average and Paeth against the filters' definitions, on random rows
// of each pixel size and of lengths on both sides of the wide steps.
TEST(PngUnfilter, RandomRowsMatchTheDefinitions) {
    uint32_t seed = 1;
    const auto next = [&] { return static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 23); };
    for (unsigned distance : {1u, 2u, 3u, 4u, 6u, 8u}) {
        for (size_t bytes = distance; bytes <= 40 * distance; bytes += distance) {
            Bytes raw(bytes), previous(16 + bytes + 32, 0), current(16 + bytes + 32, 0), expected(bytes);
            for (size_t i = 0; i < bytes; ++i) raw[i] = next(), previous[16 + i] = next();
            for (unsigned filter : {1u, 3u, 4u}) {
                for (size_t i = 0; i < bytes; ++i) {
                    const int a = i >= distance ? expected[i - distance] : 0, b = previous[16 + i];
                    const int c = i >= distance ? previous[16 + i - distance] : 0, p = a + b - c;
                    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
                    const int paeth = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
                    expected[i] = static_cast<uint8_t>(raw[i] + (filter == 1 ? a : filter == 3 ? (a + b) / 2 : paeth));
                }
                pngUnfilterRow(filter, raw.data(), previous.data() + 16, current.data() + 16, bytes, distance);
                ASSERT_EQ(Bytes(current.begin() + 16, current.begin() + 16 + ptrdiff_t(bytes)), expected)
                    << "filter " << filter << ", distance " << distance << ", " << bytes << " bytes";
            }
        }
    }
}

}  // namespace
