// The PNG decoder: against libpng on the PngSuite and on generated files,
// its bitmap headers and colour tables, every error code, and the faults
// mended in it, each with a file built to show it.
#include "images/png_decoder.h"
#include "tests/support/png_reference.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>


namespace {

using Bytes = std::vector<uint8_t>;

// ---- building files by hand ------------------------------------------------

void putBigEndian32(Bytes& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<uint8_t>(value >> shift));
    }
}

// A chunk with its length and a correct check value.
Bytes chunk(const char* type, const Bytes& data) {
    Bytes out;
    putBigEndian32(out, static_cast<uint32_t>(data.size()));
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    putBigEndian32(out, static_cast<uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
    return out;
}

Bytes ihdrData(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType, uint8_t interlace = 0,
               uint8_t compression = 0, uint8_t filter = 0) {
    Bytes data;
    putBigEndian32(data, width);
    putBigEndian32(data, height);
    data.insert(data.end(), {depth, colourType, compression, filter, interlace});
    return data;
}

Bytes compress(const Bytes& raw, int level = 6) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    Bytes out(size);
    compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), level);
    out.resize(size);
    return out;
}

Bytes file(const std::vector<Bytes>& chunks) {
    Bytes out = {137, 80, 78, 71, 13, 10, 26, 10};
    for (const Bytes& c : chunks) {
        out.insert(out.end(), c.begin(), c.end());
    }
    return out;
}

// Filtered rows with filter type 0: `rows` of `rowBytes` bytes, each byte
// from `value(row, column)`.
template <typename Value>
Bytes plainRows(uint32_t rows, size_t rowBytes, Value value) {
    Bytes raw;
    for (uint32_t y = 0; y < rows; ++y) {
        raw.push_back(0);
        for (size_t x = 0; x < rowBytes; ++x) {
            raw.push_back(static_cast<uint8_t>(value(y, x)));
        }
    }
    return raw;
}

// A small truecolour file: 4 x 3 pixels, 8 bits.
Bytes smallRgb(const std::vector<Bytes>& extraChunksBeforeData = {}) {
    std::vector<Bytes> chunks = {chunk("IHDR", ihdrData(4, 3, 8, 2))};
    chunks.insert(chunks.end(), extraChunksBeforeData.begin(), extraChunksBeforeData.end());
    chunks.push_back(chunk("IDAT", compress(plainRows(3, 12, [](uint32_t y, size_t x) { return y * 40 + x; }))));
    chunks.push_back(chunk("IEND", {}));
    return file(chunks);
}

// ---- running the decoder -----------------------------------------------------

struct Decoded {
    int loaded = 0;
    int decoded = 0;
    int prepared = 0;
    int filled = 0;
    uint32_t error = 0;
    PngState state{};
    PngBitmapLayout layout{};
    Bytes pixels;
};

Decoded decode(const Bytes& bytes, uint32_t format = pngDefaultFormat) {
    Decoded d;
    pngInit(&d.state);
    d.loaded = pngLoadBytes(&d.state, bytes.data(), static_cast<uint32_t>(bytes.size()));
    d.decoded = d.loaded && pngDecode(&d.state);
    d.prepared = d.decoded && pngPrepareBitmap(&d.state, format, &d.layout);
    if (d.prepared) {
        d.pixels.assign(d.layout.pixelBytes, 0xEE);
        d.filled = pngFillPixels(&d.state, &d.layout, d.pixels.data());
    }
    d.error = d.state.lastError;
    PngState copy = d.state;
    pngRelease(&copy);
    d.state.rawRows = nullptr;
    return d;
}

// Our bitmap against libpng's decoding of the same bytes.
::testing::AssertionResult matchesLibpng(const Bytes& bytes, uint32_t format = pngDefaultFormat) {
    const PngReference reference = decodeWithLibpng(bytes.data(), bytes.size());
    if (!reference.decoded) {
        return ::testing::AssertionFailure() << "libpng refuses it: " << reference.error;
    }
    const Decoded d = decode(bytes, format);
    if (!d.filled) {
        return ::testing::AssertionFailure() << "refused with " << d.error << " (loaded " << d.loaded << ", decoded "
                                             << d.decoded << ", prepared " << d.prepared << ")";
    }
    const auto code = static_cast<uint8_t>(d.layout.format & 0xFF);
    const RowDifference difference = compareBitmap(reference, d.pixels.data(), d.layout.stride, code, d.layout.bitsPerPixel);
    if (difference.found) {
        return ::testing::AssertionFailure() << "row " << difference.row << " byte " << difference.byte << ": ours "
                                             << int(difference.ours) << ", libpng " << int(difference.expected);
    }
    if (reference.colourType == PNG_COLOR_TYPE_PALETTE) {
        for (size_t i = 0; i < reference.palette.size() / 3; ++i) {
            const PngColour& colour = d.layout.info.colours[i];
            if (colour.red != reference.palette[3 * i] || colour.green != reference.palette[3 * i + 1] ||
                colour.blue != reference.palette[3 * i + 2]) {
                return ::testing::AssertionFailure() << "colour table entry " << i;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// ---- writing files with libpng -----------------------------------------------

struct WriteOptions {
    int level = 6;
    int filters = -1;       // PNG_FILTER_* mask, or -1 for libpng's choice
    size_t chunkSize = 0;   // bytes per IDAT chunk, or 0 for libpng's
    int interlace = PNG_INTERLACE_NONE;
};

void appendToBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void flushNothing(png_structp) {}

// `samples` holds, per row, one value per sample (channels per pixel), each
// below 2^depth; they are packed as PNG rows here.
Bytes writeWithLibpng(uint32_t width, uint32_t height, int depth, int colourType,
                      const std::vector<std::vector<uint16_t>>& samples, const WriteOptions& options = {}) {
    const int channels = colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
    const size_t rowBytes = (size_t(width) * channels * depth + 7) / 8;
    std::vector<Bytes> rows(height, Bytes(rowBytes, 0));
    for (uint32_t y = 0; y < height; ++y) {
        for (size_t k = 0; k < size_t(width) * channels; ++k) {
            const uint16_t v = samples[y][k];
            if (depth == 16) {
                rows[y][2 * k] = static_cast<uint8_t>(v >> 8);
                rows[y][2 * k + 1] = static_cast<uint8_t>(v);
            } else if (depth == 8) {
                rows[y][k] = static_cast<uint8_t>(v);
            } else {
                const size_t bit = k * depth;
                rows[y][bit / 8] |= static_cast<uint8_t>(v << (8 - depth - bit % 8));
            }
        }
    }
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> pointers(height);
    std::vector<png_color> palette;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        ADD_FAILURE() << "libpng could not write the file";
        return {};
    }
    png_set_write_fn(png, &out, appendToBytes, flushNothing);
    png_set_IHDR(png, info, width, height, depth, colourType, options.interlace, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        for (int i = 0; i < (1 << depth); ++i) {
            palette.push_back(png_color{uint8_t(i * 37), uint8_t(255 - i), uint8_t(i * 11)});
        }
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    }
    png_set_compression_level(png, options.level);
    if (options.filters >= 0) {
        png_set_filter(png, PNG_FILTER_TYPE_BASE, options.filters);
    }
    if (options.chunkSize != 0) {
        png_set_compression_buffer_size(png, options.chunkSize);
    }
    png_write_info(png, info);
    for (uint32_t y = 0; y < height; ++y) {
        pointers[y] = rows[y].data();
    }
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// Photo-like samples: smooth values plus noise, below 2^depth.
std::vector<std::vector<uint16_t>> samplesFor(uint32_t width, uint32_t height, int depth, int colourType,
                                              uint32_t seed) {
    const int channels = colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
    const uint32_t top = (1u << depth) - 1;
    std::mt19937 random(seed);
    std::vector<std::vector<uint16_t>> samples(height, std::vector<uint16_t>(size_t(width) * channels));
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            for (int c = 0; c < channels; ++c) {
                const uint32_t smooth = (x * 7 + y * 3 + uint32_t(c) * 50) % (top + 1);
                const uint32_t noise = random() % 3;
                samples[y][size_t(x) * channels + c] = static_cast<uint16_t>(std::min(top, smooth + noise));
            }
        }
    }
    return samples;
}

struct Kind {
    int depth;
    int colourType;
};

const Kind everyKind[] = {{1, 0}, {2, 0}, {4, 0}, {8, 0}, {16, 0}, {8, 2}, {16, 2}, {1, 3},
                          {2, 3}, {4, 3}, {8, 3}, {8, 4}, {16, 4}, {8, 6}, {16, 6}};

// The IDAT data of a file, joined, and the file rebuilt with that data cut
// into the given pieces.
Bytes imageData(const Bytes& png) {
    Bytes data;
    size_t at = 8;
    while (at + 12 <= png.size()) {
        const uint32_t length = (uint32_t(png[at]) << 24) | (uint32_t(png[at + 1]) << 16) |
                                (uint32_t(png[at + 2]) << 8) | png[at + 3];
        if (std::memcmp(png.data() + at + 4, "IDAT", 4) == 0) {
            data.insert(data.end(), png.begin() + static_cast<ptrdiff_t>(at + 8),
                        png.begin() + static_cast<ptrdiff_t>(at + 8 + length));
        }
        at += 12 + size_t(length);
    }
    return data;
}

Bytes headerChunk(const Bytes& png) {
    return Bytes(png.begin() + 8, png.begin() + 33);
}

Bytes withImageDataPieces(const Bytes& png, const std::vector<size_t>& cuts) {
    const Bytes data = imageData(png);
    std::vector<Bytes> chunks = {headerChunk(png)};
    size_t from = 0;
    for (size_t cut : cuts) {
        chunks.push_back(chunk("IDAT", Bytes(data.begin() + static_cast<ptrdiff_t>(from),
                                             data.begin() + static_cast<ptrdiff_t>(cut))));
        from = cut;
    }
    chunks.push_back(chunk("IDAT", Bytes(data.begin() + static_cast<ptrdiff_t>(from), data.end())));
    chunks.push_back(chunk("IEND", {}));
    return file(chunks);
}

std::vector<std::string> suiteFiles() {
    std::vector<std::string> files;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(VYRLA_PNGSUITE, ignored)) {
        if (entry.path().extension() == ".png") {
            files.push_back(entry.path().filename().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

Bytes suiteFile(const std::string& name) {
    return readFileBytes(std::string(VYRLA_PNGSUITE) + "/" + name);
}

// Counts the decoder's allocations.
size_t allocations = 0;
void* countingAllocator(size_t size) {
    ++allocations;
    return std::malloc(size);
}
void* failingAllocator(size_t) {
    return nullptr;
}

// ---- the PngSuite ------------------------------------------------------------

// A missing copy of the suite is said in one line naming the folder, never as
// a file the decoder refused.
class PngSuite : public ::testing::Test {
protected:
    void SetUp() override {
        std::error_code ignored;
        if (!std::filesystem::is_directory(VYRLA_PNGSUITE, ignored)) {
            GTEST_FAIL() << "the PngSuite folder is missing: " << VYRLA_PNGSUITE;
        }
    }
};

TEST_F(PngSuite, ExplicitBitmapFormatsMatchLibpng) {
    // The formats a bitmap can be made of besides the defaults: alpha dropped.
    EXPECT_TRUE(matchesLibpng(suiteFile("basn6a08.png"), pngFormatWord(pngTruecolourAlpha, 8, 1, pngRgbaToBgr)));
    EXPECT_TRUE(matchesLibpng(suiteFile("basi6a08.png"), pngFormatWord(pngTruecolourAlpha, 8, 1, pngRgbaToBgr)));
    EXPECT_TRUE(matchesLibpng(suiteFile("basn6a16.png"), pngFormatWord(pngTruecolourAlpha, 16, 1, pngRgba16ToBgr24)));
    EXPECT_TRUE(matchesLibpng(suiteFile("basi6a16.png"), pngFormatWord(pngTruecolourAlpha, 16, 1, pngRgba16ToBgr24)));
}

TEST_F(PngSuite, BrokenFilesAreRefused) {
    struct Broken {
        const char* name;
        bool scanRefuses;
        uint32_t error;
    };
    const Broken broken[] = {
        {"xc1n0g08.png", true, pngErrorUnsupported},  // colour type 1
        {"xc9n2c08.png", true, pngErrorUnsupported},  // colour type 9
        {"xcrn0g04.png", true, pngErrorNotPng},       // signature with CR for LF
        {"xd0n2c08.png", true, pngErrorUnsupported},  // bit depth 0
        {"xd3n2c08.png", true, pngErrorUnsupported},  // bit depth 3
        {"xd9n2c08.png", true, pngErrorUnsupported},  // bit depth 99
        {"xdtn0g01.png", false, pngErrorNotPng},      // no image data
        {"xlfn0g04.png", true, pngErrorNotPng},       // signature with LF for CR LF
        {"xs1n0g01.png", true, pngErrorNotPng},       // signature byte 1
        {"xs2n0g01.png", true, pngErrorNotPng},       // signature byte 2
        {"xs4n0g01.png", true, pngErrorNotPng},       // signature byte 4
        {"xs7n0g01.png", true, pngErrorNotPng},       // signature byte 7
    };
    for (const Broken& b : broken) {
        const Decoded d = decode(suiteFile(b.name));
        EXPECT_EQ(d.loaded, b.scanRefuses ? 0 : 1) << b.name;
        EXPECT_EQ(d.decoded, 0) << b.name;
        EXPECT_EQ(d.error, b.error) << b.name;
    }
}

TEST_F(PngSuite, WrongCheckValuesStillDecode) {
    // The other two broken files differ from good ones only in a chunk's
    // check value, which the decoder does not verify.
    const Decoded withBadDataCheck = decode(suiteFile("xcsn0g01.png"));
    const Decoded good1 = decode(suiteFile("basn0g01.png"));
    ASSERT_TRUE(withBadDataCheck.filled);
    EXPECT_EQ(withBadDataCheck.pixels, good1.pixels);
    const Decoded withBadHeaderCheck = decode(suiteFile("xhdn0g08.png"));
    const Decoded good8 = decode(suiteFile("basn0g08.png"));
    ASSERT_TRUE(withBadHeaderCheck.filled);
    EXPECT_EQ(withBadHeaderCheck.pixels, good8.pixels);
}

TEST_F(PngSuite, EveryBrokenFileIsListed) {
    size_t broken = 0;
    for (const std::string& name : suiteFiles()) {
        broken += name[0] == 'x' ? 1 : 0;
    }
    EXPECT_EQ(broken, 14u);
}

// ---- generated files -----------------------------------------------------------

TEST(PngGenerated, EveryKindAtOddSizesInterlacedOrNot) {
    const std::pair<uint32_t, uint32_t> sizes[] = {{1, 1}, {1, 7}, {7, 1}, {2, 2}, {3, 5},
                                                   {9, 9}, {17, 3}, {5, 33}, {33, 31}};
    uint32_t seed = 1;
    for (const Kind& kind : everyKind) {
        for (int interlace : {PNG_INTERLACE_NONE, PNG_INTERLACE_ADAM7}) {
            for (const auto& size : sizes) {
                WriteOptions options;
                options.interlace = interlace;
                const Bytes png = writeWithLibpng(size.first, size.second, kind.depth, kind.colourType,
                                                  samplesFor(size.first, size.second, kind.depth, kind.colourType, seed++),
                                                  options);
                EXPECT_TRUE(matchesLibpng(png)) << "depth " << kind.depth << " colour type " << kind.colourType
                                                << " interlace " << interlace << " " << size.first << "x"
                                                << size.second;
            }
        }
    }
}

TEST(PngGenerated, EachFilterTypeOnEveryRow) {
    const int filters[] = {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_AVG, PNG_FILTER_PAETH};
    uint32_t seed = 100;
    for (const Kind& kind : everyKind) {
        for (int filter : filters) {
            for (int interlace : {PNG_INTERLACE_NONE, PNG_INTERLACE_ADAM7}) {
                WriteOptions options;
                options.filters = filter;
                options.interlace = interlace;
                const Bytes png = writeWithLibpng(37, 23, kind.depth, kind.colourType,
                                                  samplesFor(37, 23, kind.depth, kind.colourType, seed++), options);
                EXPECT_TRUE(matchesLibpng(png)) << "depth " << kind.depth << " colour type " << kind.colourType
                                                << " filter " << filter << " interlace " << interlace;
            }
        }
    }
}

TEST(PngGenerated, LargeAndOddSized) {
    const Bytes rgb = writeWithLibpng(2049, 1537, 8, 2, samplesFor(2049, 1537, 8, 2, 7));
    EXPECT_TRUE(matchesLibpng(rgb));
    WriteOptions interlaced;
    interlaced.interlace = PNG_INTERLACE_ADAM7;
    const Bytes rgba = writeWithLibpng(1023, 769, 16, 6, samplesFor(1023, 769, 16, 6, 8), interlaced);
    EXPECT_TRUE(matchesLibpng(rgba));
}

TEST(PngGenerated, LongRuns) {
    // One grey level over a large picture: the data is a few matches of the
    // longest length at distance 1; and stripes of runs at the row distance.
    const uint32_t width = 3000;
    const uint32_t height = 1200;
    std::vector<std::vector<uint16_t>> flat(height, std::vector<uint16_t>(width, 77));
    EXPECT_TRUE(matchesLibpng(writeWithLibpng(width, height, 8, 0, flat)));
    std::vector<std::vector<uint16_t>> stripes(height, std::vector<uint16_t>(size_t(width) * 3));
    for (uint32_t y = 0; y < height; ++y) {
        for (size_t k = 0; k < stripes[y].size(); ++k) {
            stripes[y][k] = static_cast<uint16_t>((k / 300 + y / 100) % 2 == 0 ? 10 : 240);
        }
    }
    for (int level : {1, 9}) {
        WriteOptions options;
        options.level = level;
        EXPECT_TRUE(matchesLibpng(writeWithLibpng(width, height, 8, 2, stripes, options))) << level;
    }
}

TEST(PngGenerated, EveryCompressionLevel) {
    const auto samples = samplesFor(300, 200, 8, 6, 9);
    for (int level = 0; level <= 9; ++level) {
        WriteOptions options;
        options.level = level;
        EXPECT_TRUE(matchesLibpng(writeWithLibpng(300, 200, 8, 6, samples, options))) << level;
    }
}

TEST(PngGenerated, ImageDataSplitAtEveryBoundary) {
    const Bytes png = writeWithLibpng(24, 16, 8, 2, samplesFor(24, 16, 8, 2, 10));
    const Decoded whole = decode(png);
    ASSERT_TRUE(whole.filled);
    const size_t length = imageData(png).size();
    for (size_t cut = 0; cut <= length; ++cut) {
        const Decoded split = decode(withImageDataPieces(png, {cut}));
        ASSERT_TRUE(split.filled) << cut;
        ASSERT_EQ(split.pixels, whole.pixels) << cut;
    }
    std::vector<size_t> everyByte;
    for (size_t cut = 1; cut < length; ++cut) {
        everyByte.push_back(cut);
    }
    const Decoded bytewise = decode(withImageDataPieces(png, everyByte));
    ASSERT_TRUE(bytewise.filled);
    EXPECT_EQ(bytewise.pixels, whole.pixels);
}

TEST(PngGenerated, ManySmallChunksFromLibpng) {
    WriteOptions options;
    options.chunkSize = 7;
    EXPECT_TRUE(matchesLibpng(writeWithLibpng(120, 90, 8, 6, samplesFor(120, 90, 8, 6, 11), options)));
}

// ---- bitmap headers and colour tables --------------------------------------------

TEST(PngBitmap, OnePixelOfTruecolourIsBlueGreenRedPaddedToFourBytes) {
    const Bytes png = file({chunk("IHDR", ihdrData(1, 1, 8, 2)), chunk("IDAT", compress({0, 10, 20, 30})),
                            chunk("IEND", {})});
    const Decoded d = decode(png);
    ASSERT_TRUE(d.filled);
    const PngBitmapHeader& h = d.layout.info.header;
    EXPECT_EQ(h.size, 40u);
    EXPECT_EQ(h.width, 1);
    EXPECT_EQ(h.height, -1);
    EXPECT_EQ(h.planes, 1);
    EXPECT_EQ(h.bitCount, 24);
    EXPECT_EQ(h.compression, 0u);
    EXPECT_EQ(h.clrUsed, 0u);
    EXPECT_EQ(d.layout.stride, 4u);
    EXPECT_EQ(d.pixels, (Bytes{30, 20, 10, 0}));
}

TEST(PngBitmap, TwoBitGreyIsFourBitWithAFourEntryRamp) {
    // Samples 0, 1, 2, 3 in one byte.
    const Bytes png = file({chunk("IHDR", ihdrData(4, 1, 2, 0)), chunk("IDAT", compress({0, 0x1B})),
                            chunk("IEND", {})});
    const Decoded d = decode(png);
    ASSERT_TRUE(d.filled);
    EXPECT_EQ(d.layout.info.header.bitCount, 4);
    EXPECT_EQ(d.layout.info.header.clrUsed, 4u);
    const uint8_t levels[4] = {0, 85, 170, 255};
    for (int i = 0; i < 4; ++i) {
        const PngColour& c = d.layout.info.colours[i];
        EXPECT_EQ(c.blue, levels[i]);
        EXPECT_EQ(c.green, levels[i]);
        EXPECT_EQ(c.red, levels[i]);
        EXPECT_EQ(c.reserved, 0);
    }
    EXPECT_EQ(d.pixels[0], 0x01);
    EXPECT_EQ(d.pixels[1], 0x23);
}

TEST(PngBitmap, SixteenBitGreyIsEightBitFromTheHighBytesWithA256EntryRamp) {
    const Bytes png = file({chunk("IHDR", ihdrData(2, 1, 16, 0)), chunk("IDAT", compress({0, 0x12, 0x34, 0xAB, 0xCD})),
                            chunk("IEND", {})});
    const Decoded d = decode(png);
    ASSERT_TRUE(d.filled);
    EXPECT_EQ(d.layout.info.header.bitCount, 8);
    EXPECT_EQ(d.layout.info.header.clrUsed, 256u);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(d.layout.info.colours[i].green, i);
    }
    EXPECT_EQ(d.pixels[0], 0x12);
    EXPECT_EQ(d.pixels[1], 0xAB);
}

TEST(PngBitmap, GreyRampsOfEveryDepth) {
    const struct {
        uint8_t depth;
        uint8_t colourType;
        uint16_t bitCount;
        uint32_t entries;
    } cases[] = {{1, 0, 1, 2}, {4, 0, 4, 16}, {8, 0, 8, 256}, {8, 4, 8, 256}, {16, 4, 8, 256}};
    for (const auto& c : cases) {
        const uint32_t bits = c.depth * (c.colourType == 4 ? 2u : 1u);
        const Bytes png = file({chunk("IHDR", ihdrData(3, 2, c.depth, c.colourType)),
                                chunk("IDAT", compress(plainRows(2, (3 * bits + 7) / 8, [](uint32_t, size_t) { return 0; }))),
                                chunk("IEND", {})});
        const Decoded d = decode(png);
        ASSERT_TRUE(d.filled) << int(c.depth);
        EXPECT_EQ(d.layout.info.header.bitCount, c.bitCount) << int(c.depth);
        EXPECT_EQ(d.layout.info.header.clrUsed, c.entries) << int(c.depth);
        for (uint32_t i = 0; i < c.entries; ++i) {
            EXPECT_EQ(d.layout.info.colours[i].red, i * 255 / (c.entries - 1)) << int(c.depth) << " " << i;
        }
    }
}

TEST(PngBitmap, ThreeEntryPaletteFillsTheFirstThreeColours) {
    const Bytes png = file({chunk("IHDR", ihdrData(3, 1, 8, 3)), chunk("PLTE", {255, 0, 0, 0, 128, 0, 1, 2, 3}),
                            chunk("IDAT", compress({0, 0, 1, 2})), chunk("IEND", {})});
    const Decoded d = decode(png);
    ASSERT_TRUE(d.filled);
    EXPECT_EQ(d.layout.info.header.bitCount, 8);
    EXPECT_EQ(d.layout.info.header.clrUsed, 0u);
    const PngColour expected[4] = {{0, 0, 255, 0}, {0, 128, 0, 0}, {3, 2, 1, 0}, {0, 0, 0, 0}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(std::memcmp(&d.layout.info.colours[i], &expected[i], 4), 0) << i;
    }
    EXPECT_EQ(d.pixels[0], 0);
    EXPECT_EQ(d.pixels[2], 2);
}

TEST(PngBitmap, BitCountsOfTheOtherKinds) {
    const struct {
        uint8_t depth;
        uint8_t colourType;
        uint32_t format;
        uint16_t bitCount;
    } cases[] = {
        {16, 2, pngDefaultFormat, 24},
        {1, 3, pngDefaultFormat, 1},
        {2, 3, pngDefaultFormat, 4},
        {4, 3, pngDefaultFormat, 4},
        {8, 6, pngDefaultFormat, 32},
        {16, 6, pngDefaultFormat, 32},
        {8, 6, pngFormatWord(pngTruecolourAlpha, 8, 1, pngRgbaToBgr), 24},
        {16, 6, pngFormatWord(pngTruecolourAlpha, 16, 1, pngRgba16ToBgr24), 24},
    };
    for (const auto& c : cases) {
        std::vector<Bytes> chunks = {chunk("IHDR", ihdrData(3, 2, c.depth, c.colourType))};
        if (c.colourType == 3) {
            chunks.push_back(chunk("PLTE", Bytes(6, 9)));
        }
        const uint32_t bits = c.depth * (c.colourType == 2 ? 3u : c.colourType == 6 ? 4u : 1u);
        chunks.push_back(chunk("IDAT", compress(plainRows(2, (3 * bits + 7) / 8, [](uint32_t, size_t x) { return x; }))));
        const Decoded d = decode(file(chunks), c.format);
        ASSERT_TRUE(d.filled) << int(c.depth) << " " << int(c.colourType);
        EXPECT_EQ(d.layout.info.header.bitCount, c.bitCount) << int(c.depth) << " " << int(c.colourType);
        EXPECT_EQ(d.layout.info.header.clrUsed, 0u);
        EXPECT_EQ(d.layout.stride % 4, 0u);
    }
}

TEST(PngBitmap, PassesOfSubBytePixelsAreOredIntoClearedBytes) {
    // 1-bit grey, interlaced, all pixels set: every bit of the bitmap's
    // pixels is 1 and the padding 0.
    WriteOptions options;
    options.interlace = PNG_INTERLACE_ADAM7;
    const Bytes png = writeWithLibpng(13, 11, 1, 0, std::vector<std::vector<uint16_t>>(11, std::vector<uint16_t>(13, 1)),
                                      options);
    const Decoded d = decode(png);
    ASSERT_TRUE(d.filled);
    ASSERT_EQ(d.layout.stride, 4u);
    for (uint32_t y = 0; y < 11; ++y) {
        EXPECT_EQ(d.pixels[4 * y], 0xFF) << y;
        EXPECT_EQ(d.pixels[4 * y + 1], 0xF8) << y;
        EXPECT_EQ(d.pixels[4 * y + 2], 0) << y;
    }
}

// ---- conversion codes --------------------------------------------------------------

TEST(PngConversions, EveryCodeOnOnePixel) {
    const uint8_t rgba16[8] = {0x11, 0x12, 0x21, 0x22, 0x31, 0x32, 0x41, 0x42};
    const uint8_t rgba8[4] = {0x10, 0x20, 0x30, 0x40};
    const struct {
        uint8_t code;
        const uint8_t* in;
        uint32_t rawBits;
        Bytes expected;
    } cases[] = {
        {pngCopy, rgba8, 32, {0x10, 0x20, 0x30, 0x40}},
        {pngSwap16, rgba16, 64, {0x12, 0x11, 0x22, 0x21, 0x32, 0x31, 0x42, 0x41}},
        {pngRgb16ToBgr48, rgba16, 48, {0x32, 0x31, 0x22, 0x21, 0x12, 0x11}},
        {pngRgba16ToBgr48, rgba16, 64, {0x32, 0x31, 0x22, 0x21, 0x12, 0x11}},
        {pngRgba16ToBgra64, rgba16, 64, {0x32, 0x31, 0x22, 0x21, 0x12, 0x11, 0x42, 0x41}},
        {pngGreyAlpha16ToGrey16, rgba16, 32, {0x12, 0x11}},
        {pngEverySecondByte, rgba16, 32, {0x11, 0x21}},
        {pngRgb16ToBgr24, rgba16, 48, {0x31, 0x21, 0x11}},
        {pngRgba16ToBgr24, rgba16, 64, {0x31, 0x21, 0x11}},
        {pngRgba16ToBgra32, rgba16, 64, {0x31, 0x21, 0x11, 0x41}},
        {pngGreyAlpha16ToGrey8, rgba16, 32, {0x11}},
        {pngRgbToBgr, rgba8, 24, {0x30, 0x20, 0x10}},
        {pngRgbaToBgr, rgba8, 32, {0x30, 0x20, 0x10}},
        {pngRgbaToBgra, rgba8, 32, {0x30, 0x20, 0x10, 0x40}},
    };
    for (const auto& c : cases) {
        Bytes out(c.expected.size() + 4, 0xEE);
        pngConvertRow(c.code, c.in, 1, c.rawBits, out.data());
        EXPECT_EQ(Bytes(out.begin(), out.begin() + static_cast<ptrdiff_t>(c.expected.size())), c.expected)
            << int(c.code);
        EXPECT_EQ(out[c.expected.size()], 0xEE) << "code " << int(c.code) << " wrote past its row";
    }
}

TEST(PngConversions, TwoBitSamplesWidenToFourBits) {
    const uint8_t in[2] = {0xE4, 0x80};  // samples 3 2 1 0 | 2 0 0 0
    Bytes out(4, 0xEE);
    pngConvertRow(pngWiden2To4, in, 5, 2, out.data());
    EXPECT_EQ(out, (Bytes{0x32, 0x10, 0x20, 0xEE}));
}

TEST(PngConversions, EverySecondByteOfGreyWithAlpha) {
    const uint8_t in[6] = {1, 200, 2, 201, 3, 202};
    Bytes out(4, 0xEE);
    pngConvertRow(pngEverySecondByte, in, 3, 16, out.data());
    EXPECT_EQ(out, (Bytes{1, 2, 3, 0xEE}));
}

TEST(PngConversions, LongRowsTakeTheWideWayAndTheTail) {
    // Enough pixels for the 16-byte steps and a few for the plain tail.
    for (uint32_t pixels = 1; pixels < 40; ++pixels) {
        Bytes rgb(3 * size_t(pixels) + 32);
        Bytes rgba(4 * size_t(pixels) + 32);
        for (size_t i = 0; i < rgb.size(); ++i) {
            rgb[i] = static_cast<uint8_t>(i * 7);
        }
        for (size_t i = 0; i < rgba.size(); ++i) {
            rgba[i] = static_cast<uint8_t>(i * 5);
        }
        Bytes out3(3 * size_t(pixels) + 1, 0xEE);
        Bytes out4(4 * size_t(pixels) + 1, 0xEE);
        pngConvertRow(pngRgbToBgr, rgb.data(), pixels, 24, out3.data());
        pngConvertRow(pngRgbaToBgra, rgba.data(), pixels, 32, out4.data());
        for (uint32_t p = 0; p < pixels; ++p) {
            ASSERT_EQ(out3[3 * p], rgb[3 * p + 2]);
            ASSERT_EQ(out3[3 * p + 1], rgb[3 * p + 1]);
            ASSERT_EQ(out3[3 * p + 2], rgb[3 * p]);
            ASSERT_EQ(out4[4 * p], rgba[4 * p + 2]);
            ASSERT_EQ(out4[4 * p + 3], rgba[4 * p + 3]);
        }
        EXPECT_EQ(out3.back(), 0xEE) << pixels;
        EXPECT_EQ(out4.back(), 0xEE) << pixels;
    }
}

TEST(PngConversions, TheFormatTableListsEveryKindsDefault) {
    for (const Kind& kind : everyKind) {
        std::vector<Bytes> chunks = {chunk("IHDR", ihdrData(1, 1, uint8_t(kind.depth), uint8_t(kind.colourType)))};
        if (kind.colourType == 3) {
            chunks.push_back(chunk("PLTE", {1, 2, 3}));
        }
        const uint32_t bits = kind.depth * (kind.colourType == 2 ? 3u : kind.colourType == 4 ? 2u : kind.colourType == 6 ? 4u : 1u);
        chunks.push_back(chunk("IDAT", compress(Bytes(1 + (bits + 7) / 8, 0))));
        const Decoded d = decode(file(chunks));
        ASSERT_TRUE(d.filled) << kind.depth << " " << kind.colourType;
        bool listed = false;
        for (size_t i = 0; i < pngFormatCount; ++i) {
            listed |= pngFormats[i].word == d.layout.format && pngFormats[i].bitsPerPixel == d.layout.bitsPerPixel;
        }
        EXPECT_TRUE(listed) << kind.depth << " " << kind.colourType;
        EXPECT_EQ((d.layout.format >> 8) & 0xFF, 1u);
    }
}

// ---- the chunk scan ----------------------------------------------------------------

TEST(PngChunkScan, UnknownCriticalChunkIsUnsupported) {
    const Decoded d = decode(smallRgb({chunk("QQQQ", {1, 2})}));
    EXPECT_EQ(d.loaded, 0);
    EXPECT_EQ(d.error, pngErrorUnsupported);
}

TEST(PngChunkScan, UnknownAncillaryChunkIsSkipped) {
    EXPECT_TRUE(matchesLibpng(smallRgb({chunk("qqQQ", {1, 2})})));
}

TEST(PngChunkScan, FirstLetterCaseIsIgnored) {
    // "iDAT" is image data and "pLTE" a palette; "Idat" is unknown and critical.
    const Bytes rows = plainRows(1, 2, [](uint32_t, size_t x) { return x; });
    const Bytes png = file({chunk("IHDR", ihdrData(2, 1, 8, 3)), chunk("pLTE", {1, 2, 3, 4, 5, 6}),
                            chunk("iDAT", compress(rows)), chunk("IEND", {})});
    const Decoded d = decode(png);
    ASSERT_TRUE(d.filled);
    EXPECT_EQ(d.layout.info.colours[1].red, 4);
    EXPECT_EQ(d.pixels[1], 1);
    const Bytes odd = file({chunk("IHDR", ihdrData(2, 1, 8, 0)), chunk("Idat", compress(rows)), chunk("IEND", {})});
    EXPECT_EQ(decode(odd).error, pngErrorUnsupported);
}

TEST(PngChunkScan, EndChunkDoesNotEndTheScan) {
    Bytes png = smallRgb();
    const Bytes after = chunk("ZZZZ", {});
    png.insert(png.end(), after.begin(), after.end());
    EXPECT_EQ(decode(png).error, pngErrorUnsupported);
}

TEST(PngChunkScan, WrongCheckValueDoesNotStopDecoding) {
    Bytes png = smallRgb();
    png[29] ^= 0xFF;  // the header's check value
    png[png.size() - 1] ^= 0xFF;  // IEND's
    EXPECT_TRUE(decode(png).filled);
}

TEST(PngChunkScan, OnlyTheFirstPaletteCounts) {
    const Bytes png = file({chunk("IHDR", ihdrData(1, 1, 8, 3)), chunk("PLTE", {9, 8, 7}), chunk("PLTE", {1, 1, 1, 2, 2, 2}),
                            chunk("IDAT", compress({0, 0})), chunk("IEND", {})});
    const Decoded d = decode(png);
    ASSERT_TRUE(d.filled);
    EXPECT_EQ(d.state.paletteCount, 1u);
    EXPECT_EQ(d.layout.info.colours[0].red, 9);
}

TEST(PngChunkScan, ImageDataChunksInARowAreOneStream) {
    const Bytes png = writeWithLibpng(20, 10, 8, 2, samplesFor(20, 10, 8, 2, 12));
    const Bytes data = imageData(png);
    EXPECT_TRUE(decode(withImageDataPieces(png, {data.size() / 2})).filled);
}

TEST(PngChunkScan, ChunkBetweenImageDataChunksEndsTheStream) {
    const Bytes png = writeWithLibpng(20, 10, 8, 2, samplesFor(20, 10, 8, 2, 13));
    const Bytes data = imageData(png);
    const Bytes split = file({headerChunk(png), chunk("IDAT", Bytes(data.begin(), data.begin() + 40)),
                              chunk("tEXt", {'a', 0, 'b'}), chunk("IDAT", Bytes(data.begin() + 40, data.end())),
                              chunk("IEND", {})});
    const Decoded d = decode(split);
    EXPECT_EQ(d.loaded, 1);
    EXPECT_EQ(d.decoded, 0);
    EXPECT_EQ(d.error, pngErrorNotPng);
}

TEST(PngChunkScan, ImageDataWithALowerCaseFourthLetterIsUnknownToTheScan) {
    // The stream would continue into "IDAt", but the scan, which ignores the
    // case of the first letter only, takes it for an unknown critical chunk.
    const Bytes png = writeWithLibpng(20, 10, 8, 2, samplesFor(20, 10, 8, 2, 14));
    const Bytes data = imageData(png);
    const Bytes split = file({headerChunk(png), chunk("IDAT", Bytes(data.begin(), data.begin() + 40)),
                              chunk("IDAt", Bytes(data.begin() + 40, data.end())), chunk("IEND", {})});
    EXPECT_EQ(decode(split).error, pngErrorUnsupported);
}

TEST(PngChunkScan, HeaderFieldsOutsideTheTableAreUnsupported) {
    const Bytes rows = compress(plainRows(1, 3, [](uint32_t, size_t) { return 0; }));
    const struct {
        Bytes header;
        const char* what;
    } cases[] = {
        {ihdrData(1, 1, 8, 2, 2), "interlace method 2"},
        {ihdrData(1, 1, 8, 2, 0, 1), "compression method 1"},
        {ihdrData(1, 1, 8, 2, 0, 0, 1), "filter method 1"},
        {ihdrData(1, 1, 3, 0), "grey of 3 bits"},
        {ihdrData(1, 1, 8, 5), "colour type 5"},
        {ihdrData(1, 1, 4, 2), "truecolour of 4 bits"},
    };
    for (const auto& c : cases) {
        const Decoded d = decode(file({chunk("IHDR", c.header), chunk("IDAT", rows), chunk("IEND", {})}));
        EXPECT_EQ(d.loaded, 0) << c.what;
        EXPECT_EQ(d.error, pngErrorUnsupported) << c.what;
    }
}

TEST(PngChunkScan, NotAPng) {
    const Bytes good = smallRgb();
    Bytes wrongSignature = good;
    wrongSignature[3] = 'g';
    const Bytes firstChunkNotHeader = file({chunk("gAMA", {0, 0, 0, 1}), chunk("IHDR", ihdrData(1, 1, 8, 0))});
    const struct {
        Bytes bytes;
        const char* what;
    } cases[] = {
        {Bytes(good.begin(), good.begin() + 15), "15 bytes"},
        {wrongSignature, "signature"},
        {firstChunkNotHeader, "first chunk not IHDR"},
        {file({chunk("IHDR", ihdrData(0, 1, 8, 0)), chunk("IEND", {})}), "width 0"},
        {file({chunk("IHDR", ihdrData(1, 0, 8, 0)), chunk("IEND", {})}), "height 0"},
    };
    for (const auto& c : cases) {
        const Decoded d = decode(c.bytes);
        EXPECT_EQ(d.loaded, 0) << c.what;
        EXPECT_EQ(d.error, pngErrorNotPng) << c.what;
        EXPECT_EQ(d.state.stage, pngStageEmpty) << c.what;
        EXPECT_EQ(d.state.sourceKind, pngSourceNone) << c.what;
    }
}

// ---- stages and the other error codes --------------------------------------------------

TEST(PngStages, DecodeBeforeLoadingIsTheWrongStage) {
    PngState state;
    pngInit(&state);
    EXPECT_EQ(pngDecode(&state), 0);
    EXPECT_EQ(state.lastError, pngErrorWrongStage);
}

TEST(PngStages, LoadingTwiceWithoutReleaseIsRefused) {
    const Bytes png = smallRgb();
    PngState state;
    pngInit(&state);
    ASSERT_EQ(pngLoadBytes(&state, png.data(), static_cast<uint32_t>(png.size())), 1);
    EXPECT_EQ(pngLoadBytes(&state, png.data(), static_cast<uint32_t>(png.size())), 0);
    EXPECT_EQ(state.lastError, pngErrorAlreadyLoaded);
    EXPECT_EQ(state.stage, pngStageLoaded);
    pngRelease(&state);
    EXPECT_EQ(pngLoadBytes(&state, png.data(), static_cast<uint32_t>(png.size())), 1);
    pngRelease(&state);
}

TEST(PngStages, BitmapBeforeDecodingIsTheWrongStage) {
    const Bytes png = smallRgb();
    PngState state;
    pngInit(&state);
    PngBitmapLayout layout;
    EXPECT_EQ(pngPrepareBitmap(&state, pngDefaultFormat, &layout), 0);
    EXPECT_EQ(state.lastError, pngErrorWrongStage);
    ASSERT_EQ(pngLoadBytes(&state, png.data(), static_cast<uint32_t>(png.size())), 1);
    EXPECT_EQ(pngPrepareBitmap(&state, pngDefaultFormat, &layout), 0);
    EXPECT_EQ(state.lastError, pngErrorWrongStage);
    pngRelease(&state);
}

TEST(PngStages, DecodeTwiceIsTheWrongStage) {
    const Bytes png = smallRgb();
    PngState state;
    pngInit(&state);
    ASSERT_EQ(pngLoadBytes(&state, png.data(), static_cast<uint32_t>(png.size())), 1);
    ASSERT_EQ(pngDecode(&state), 1);
    EXPECT_EQ(state.lastError, 0u);
    EXPECT_EQ(state.stage, pngStageDecoded);
    EXPECT_EQ(pngDecode(&state), 0);
    EXPECT_EQ(state.lastError, pngErrorWrongStage);
    pngRelease(&state);
}

TEST(PngStages, ReleaseClearsEveryField) {
    const Bytes png = smallRgb();
    for (int stage = 0; stage <= 2; ++stage) {
        PngState state;
        pngInit(&state);
        if (stage >= 1) {
            ASSERT_EQ(pngLoadBytes(&state, png.data(), static_cast<uint32_t>(png.size())), 1);
        }
        if (stage >= 2) {
            ASSERT_EQ(pngDecode(&state), 1);
        }
        EXPECT_EQ(pngRelease(&state), 1);
        const PngState empty{};
        EXPECT_EQ(std::memcmp(&state, &empty, sizeof state), 0) << stage;
    }
}

TEST(PngStages, BitmapMayBeMadeMoreThanOnce) {
    const Bytes png = smallRgb();
    PngState state;
    pngInit(&state);
    ASSERT_TRUE(pngLoadBytes(&state, png.data(), static_cast<uint32_t>(png.size())) && pngDecode(&state));
    PngBitmapLayout layout;
    ASSERT_EQ(pngPrepareBitmap(&state, pngDefaultFormat, &layout), 1);
    Bytes first(layout.pixelBytes);
    Bytes second(layout.pixelBytes);
    ASSERT_EQ(pngFillPixels(&state, &layout, first.data()), 1);
    ASSERT_EQ(pngFillPixels(&state, &layout, second.data()), 1);
    EXPECT_EQ(first, second);
    EXPECT_EQ(state.stage, pngStageDecoded);
    pngRelease(&state);
}

TEST(PngStages, FormatThatDoesNotFitTheImageIsRefused) {
    const uint32_t formats[] = {
        pngFormatWord(pngTruecolour, 8, 0, pngRgbToBgr),         // flag 0
        pngFormatWord(pngGrey, 8, 1, pngCopy),                   // another colour type
        pngFormatWord(pngTruecolour, 16, 1, pngRgb16ToBgr24),    // another depth
        pngFormatWord(pngTruecolour, 8, 1, pngRgbaToBgra),       // a code not listed for the kind
    };
    for (uint32_t format : formats) {
        const Decoded d = decode(smallRgb(), format);
        EXPECT_EQ(d.prepared, 0) << std::hex << format;
        EXPECT_EQ(d.error, pngErrorFormatMismatch) << std::hex << format;
    }
}

TEST(PngStages, EmptyBytesCannotBeLoaded) {
    PngState state;
    pngInit(&state);
    EXPECT_EQ(pngLoadBytes(&state, nullptr, 0), 0);
    EXPECT_EQ(state.lastError, pngErrorResourceUnreadable);
    const uint8_t one = 0x89;
    EXPECT_EQ(pngLoadBytes(&state, &one, 0), 0);
    EXPECT_EQ(state.lastError, pngErrorResourceUnreadable);
}

TEST(PngStages, PixelBufferOutOfMemory) {
    const Bytes png = smallRgb();
    PngState state;
    pngInit(&state);
    ASSERT_TRUE(pngLoadBytes(&state, png.data(), static_cast<uint32_t>(png.size())) && pngDecode(&state));
    PngBitmapLayout layout;
    ASSERT_EQ(pngPrepareBitmap(&state, pngDefaultFormat, &layout), 1);
    const PngAllocator previous = pngSetAllocator(failingAllocator);
    uint8_t* pixels = reinterpret_cast<uint8_t*>(1);
    EXPECT_EQ(pngRenderPixels(&state, &layout, &pixels), 0);
    pngSetAllocator(previous);
    EXPECT_EQ(state.lastError, pngErrorOutOfMemory);
    EXPECT_EQ(pixels, nullptr);
    ASSERT_EQ(pngRenderPixels(&state, &layout, &pixels), 1);
    EXPECT_EQ(pixels[0], 2);  // blue of the first pixel
    pngFree(pixels);
    pngRelease(&state);
}

TEST(PngStages, FilterTypeAbove4EndsTheFillWithoutANewError) {
    Bytes rows = plainRows(3, 12, [](uint32_t, size_t x) { return x; });
    rows[13] = 5;  // the second row's filter type
    const Bytes png = file({chunk("IHDR", ihdrData(4, 3, 8, 2)), chunk("IDAT", compress(rows)), chunk("IEND", {})});
    const Decoded d = decode(png);
    ASSERT_EQ(d.prepared, 1);
    EXPECT_EQ(d.filled, 0);
    EXPECT_EQ(d.error, 0u);
    WriteOptions options;
    options.interlace = PNG_INTERLACE_ADAM7;
    Bytes interlaced = writeWithLibpng(9, 9, 8, 0, samplesFor(9, 9, 8, 0, 15), options);
    Bytes raw(1000);
    uLongf rawSize = raw.size();
    const Bytes data = imageData(interlaced);
    ASSERT_EQ(uncompress(raw.data(), &rawSize, data.data(), static_cast<uLong>(data.size())), Z_OK);
    raw.resize(rawSize);
    raw[0] = 7;  // the first pass's first filter type
    const Decoded di = decode(file({headerChunk(interlaced), chunk("IDAT", compress(raw)), chunk("IEND", {})}));
    ASSERT_EQ(di.prepared, 1);
    EXPECT_EQ(di.filled, 0);
}

// ---- the mended faults ---------------------------------------------------------------

TEST(PngMendedFaults, ChunkLengthReachingPastTheFileEndsTheScan) {
    // A length that would wrap a 32-bit position around to the next chunk,
    // and one just past the end: both end the scan there, so the file has
    // no image data.
    for (uint32_t length : {0xFFFFFFF4u, 0x7FFFFFFFu, 13u}) {
        Bytes png = file({chunk("IHDR", ihdrData(1, 1, 8, 0)), chunk("tEXt", Bytes(1, 'x'))});
        png[33] = static_cast<uint8_t>(length >> 24);
        png[34] = static_cast<uint8_t>(length >> 16);
        png[35] = static_cast<uint8_t>(length >> 8);
        png[36] = static_cast<uint8_t>(length);
        const Bytes rest = file({chunk("IDAT", compress({0, 1})), chunk("IEND", {})});
        png.insert(png.end(), rest.begin() + 8, rest.end());
        const Decoded d = decode(png);
        EXPECT_EQ(d.loaded, 1) << length;
        EXPECT_EQ(d.state.firstImageData, nullptr) << length;
        EXPECT_EQ(d.decoded, 0) << length;
        EXPECT_EQ(d.error, pngErrorNotPng) << length;
    }
}

TEST(PngMendedFaults, HeaderShorterThan13BytesIsRefused) {
    Bytes header = ihdrData(1, 1, 8, 0);
    for (size_t length = 0; length < 13; ++length) {
        const Bytes png = file({chunk("IHDR", Bytes(header.begin(), header.begin() + static_cast<ptrdiff_t>(length))),
                                chunk("IDAT", compress({0, 1})), chunk("IEND", {})});
        const Decoded d = decode(png);
        EXPECT_EQ(d.loaded, 0) << length;
        EXPECT_EQ(d.error, pngErrorNotPng) << length;
    }
}

TEST(PngMendedFaults, SizesBeyondTheLimitAreRefusedBeforeAnyAllocation) {
    const struct {
        uint32_t width;
        uint32_t height;
        uint8_t depth;
        uint8_t colourType;
    } cases[] = {
        {pngMaxSide + 1, 1, 8, 0},
        {1, pngMaxSide + 1, 8, 0},
        {0x7FFFFFFF, 0x7FFFFFFF, 16, 6},  // overflows 32-bit size arithmetic
        {0xFFFFFFFF, 1, 1, 0},
        {16384, 16384, 8, 2},  // 768 MiB of rows
        {9000, 8000, 8, 6},    // 275 MB of rows
    };
    for (const auto& c : cases) {
        const Bytes png = file({chunk("IHDR", ihdrData(c.width, c.height, c.depth, c.colourType)),
                                chunk("IDAT", compress({0, 0})), chunk("IEND", {})});
        allocations = 0;
        const PngAllocator previous = pngSetAllocator(countingAllocator);
        const Decoded d = decode(png);
        pngSetAllocator(previous);
        EXPECT_EQ(d.loaded, 0) << c.width << "x" << c.height;
        EXPECT_EQ(d.error, pngErrorUnsupported) << c.width << "x" << c.height;
        EXPECT_EQ(allocations, 0u) << c.width << "x" << c.height;
    }
}

TEST(PngMendedFaults, LargestAcceptedSizeIsWithinTheLimit) {
    // 8192 x 8192 grey: 64 MiB of rows, accepted by the scan.
    const Bytes png = file({chunk("IHDR", ihdrData(8192, 8192, 8, 0)), chunk("IDAT", compress({0, 0})),
                            chunk("IEND", {})});
    PngState state;
    pngInit(&state);
    EXPECT_EQ(pngLoadBytes(&state, png.data(), static_cast<uint32_t>(png.size())), 1);
    pngRelease(&state);
}

TEST(PngMendedFaults, ImageWithoutImageDataIsADecodeError) {
    const Decoded d = decode(file({chunk("IHDR", ihdrData(1, 1, 8, 0)), chunk("IEND", {})}));
    EXPECT_EQ(d.loaded, 1);
    EXPECT_EQ(d.decoded, 0);
    EXPECT_EQ(d.error, pngErrorNotPng);
    EXPECT_EQ(d.state.stage, pngStageLoaded);
    EXPECT_EQ(d.state.rawRows, nullptr);
}

TEST(PngMendedFaults, IndexedImageWithoutPaletteIsADecodeError) {
    const Decoded d = decode(file({chunk("IHDR", ihdrData(2, 1, 8, 3)), chunk("IDAT", compress({0, 0, 1})),
                                   chunk("IEND", {})}));
    EXPECT_EQ(d.loaded, 1);
    EXPECT_EQ(d.decoded, 0);
    EXPECT_EQ(d.error, pngErrorNotPng);
}

TEST(PngMendedFaults, PaletteOfMoreThan256EntriesIsADecodeError) {
    for (uint8_t colourType : {uint8_t(3), uint8_t(2)}) {
        const uint32_t bytes = colourType == 3 ? 2 : 4;
        const Decoded d = decode(file({chunk("IHDR", ihdrData(1, 1, 8, colourType)), chunk("PLTE", Bytes(257 * 3, 1)),
                                       chunk("IDAT", compress(Bytes(bytes, 0))), chunk("IEND", {})}));
        EXPECT_EQ(d.loaded, 1);
        EXPECT_EQ(d.decoded, 0) << int(colourType);
        EXPECT_EQ(d.error, pngErrorNotPng) << int(colourType);
    }
}

TEST(PngMendedFaults, PaletteLongerThanTheDepthAllowsIsADecodeError) {
    // A 2-bit index reaches 4 entries; 5 are too many, 4 are fine.
    for (uint32_t entries : {4u, 5u}) {
        const Decoded d = decode(file({chunk("IHDR", ihdrData(4, 1, 2, 3)), chunk("PLTE", Bytes(entries * 3, 7)),
                                       chunk("IDAT", compress({0, 0x1B})), chunk("IEND", {})}));
        EXPECT_EQ(d.decoded, entries == 4 ? 1 : 0) << entries;
    }
}

TEST(PngMendedFaults, TooLittleImageDataIsADecodeError) {
    const Bytes rows = plainRows(3, 12, [](uint32_t, size_t x) { return x; });
    const Decoded d = decode(file({chunk("IHDR", ihdrData(4, 3, 8, 2)),
                                   chunk("IDAT", compress(Bytes(rows.begin(), rows.end() - 1))), chunk("IEND", {})}));
    EXPECT_EQ(d.decoded, 0);
    EXPECT_EQ(d.error, pngErrorNotPng);
}

TEST(PngMendedFaults, TooMuchImageDataIsIgnored) {
    Bytes rows = plainRows(3, 12, [](uint32_t y, size_t x) { return y + x; });
    const Bytes expected = decode(file({chunk("IHDR", ihdrData(4, 3, 8, 2)), chunk("IDAT", compress(rows)),
                                        chunk("IEND", {})}))
                               .pixels;
    rows.insert(rows.end(), 500, 0x42);
    const Decoded d = decode(file({chunk("IHDR", ihdrData(4, 3, 8, 2)), chunk("IDAT", compress(rows)), chunk("IEND", {})}));
    ASSERT_TRUE(d.filled);
    EXPECT_EQ(d.pixels, expected);
}

// zlib header, then raw DEFLATE bytes.
Bytes zlibWrapped(const Bytes& deflate) {
    Bytes out = {0x78, 0x9C};
    out.insert(out.end(), deflate.begin(), deflate.end());
    return out;
}

Bytes oneRowFile(const Bytes& imageDataStream) {
    return file({chunk("IHDR", ihdrData(4, 1, 8, 0)), chunk("IDAT", imageDataStream), chunk("IEND", {})});
}

TEST(PngMendedFaults, MalformedHuffmanTableIsADecodeError) {
    // Dynamic block: 257 literal/length codes and 1 distance code, 19
    // precode lengths all 1: over-subscribed.
    Bytes deflate = {0x05, 0xE0};  // last, dynamic; HLIT 0, HDIST 0, HCLEN 15 (bits packed low first)
    deflate.insert(deflate.end(), 8, 0x49);  // 3-bit lengths of 1, repeated
    const Decoded d = decode(oneRowFile(zlibWrapped(deflate)));
    EXPECT_EQ(d.loaded, 1);
    EXPECT_EQ(d.decoded, 0);
    EXPECT_EQ(d.error, pngErrorNotPng);
}

TEST(PngMendedFaults, DistanceBeforeTheOutputStartIsADecodeError) {
    // Fixed block: literal 0, then length 3 at distance 2 (only 1 byte out).
    // Bits in order: 1 (last), 1 0 (fixed), literal 0 = 00110000, length
    // 257 = 0000001, distance code 1 = 00001, end 0000000.
    const Bytes deflate = {0x63, 0x00, 0x42, 0x00};
    const Decoded d = decode(oneRowFile(zlibWrapped(deflate)));
    EXPECT_EQ(d.decoded, 0);
    EXPECT_EQ(d.error, pngErrorNotPng);
}

TEST(PngMendedFaults, StoredLengthWithAWrongComplementIsADecodeError) {
    const Bytes good = {0x01, 0x05, 0x00, 0xFA, 0xFF, 0, 1, 2, 3, 4};
    EXPECT_EQ(decode(oneRowFile(zlibWrapped(good))).decoded, 1);
    Bytes bad = good;
    bad[3] = 0xFB;
    const Decoded d = decode(oneRowFile(zlibWrapped(bad)));
    EXPECT_EQ(d.decoded, 0);
    EXPECT_EQ(d.error, pngErrorNotPng);
}

TEST(PngMendedFaults, TruncatedImageDataIsADecodeErrorAtEveryCut) {
    const Bytes png = writeWithLibpng(30, 20, 8, 6, samplesFor(30, 20, 8, 6, 16));
    const Bytes data = imageData(png);
    for (size_t cut = 0; cut + 4 < data.size(); ++cut) {  // the last 4 bytes are the Adler-32
        const Decoded d = decode(file({headerChunk(png), chunk("IDAT", Bytes(data.begin(), data.begin() + static_cast<ptrdiff_t>(cut))),
                                       chunk("IEND", {})}));
        if (d.decoded) {
            // Only the end-of-block code can be missing from a cut that decodes.
            EXPECT_GE(cut + 7, data.size()) << cut;
        } else {
            EXPECT_EQ(d.error, pngErrorNotPng) << cut;
        }
    }
}

// ---- fuzz findings ------------------------------------------------------------------

TEST(PngFuzzFindings, InterlacedRowPaddingIsClearedLikeTheRest) {
    // Found by fuzz_png_decode (corpus: interlaced_row_padding): no pass
    // writes the padding at the end of an interlaced image's rows, so a heap
    // buffer kept whatever was there before.
    WriteOptions options;
    options.interlace = PNG_INTERLACE_ADAM7;
    const Bytes png = writeWithLibpng(55, 7, 16, 0, samplesFor(55, 7, 16, 0, 17), options);
    const Decoded d = decode(png);  // fills a buffer of 0xEE bytes
    ASSERT_TRUE(d.filled);
    ASSERT_EQ(d.layout.stride, 56u);
    for (uint32_t y = 0; y < 7; ++y) {
        EXPECT_EQ(d.pixels[size_t(y) * 56 + 55], 0) << y;
    }
}

}  // namespace
