// How fast the PNG decoder and its inflater are, side by side with the
// libraries a program would otherwise use, on the same files in one run, and
// how much memory one decode of a big picture takes.
//
//   bench_png [--quick] [--markdown FILE] [--save DIR]
//
// --quick measures shorter batches, --markdown writes the tables to FILE as
// well, --save writes the generated files to DIR (for png-compare, say) and stops.
//
// Files: six kinds of picture as cameras, painting programs and screen grabs
// leave them (photo with grain in RGB and RGBA, smooth gradient, dithered
// 256-colour palette, screenshot, 8-bit grey), each 1920 x 1080 and
// 4000 x 3000, made here deterministically and written by libpng at its
// default level and filters (adaptive per row for all but palette pictures;
// the filter mix is printed); and the PngSuite as one batch of the files
// every decoder takes. A missing PngSuite folder is an error.
//
// Speeds are output MB/s: 10^6 bytes of our bitmap (stride * height) per
// second of thread CPU time, which a shared machine disturbs less than wall
// time, the best of several batches, so a ratio of two is the inverse ratio
// of their times. memcpy of the same bytes is the limit.
//
// Every decoder does the same work: no checksum is verified (ours verifies
// none; the peers are told to skip chunk CRCs and Adler-32, and the raw
// inflaters get the DEFLATE data without its zlib header and trailer), and
// each is asked for our bitmap's layout (blue-green-red, straight BGRA,
// palette indices, rows padded to 4 bytes) where it can give it; the format
// table says where a peer gives its nearest instead.
//
// Memory: one decode of a 4000 x 3000 RGBA photo per decoder, each in a fresh
// process (this program run with --memory-child) whose peak resident size,
// less that of a process that only reads the file, is the decode's peak.
#include "bench/wuffs_peer.h"
#include "images/inflate.h"
#include "images/png_decoder.h"

#include <libdeflate.h>
#include <lodepng.h>
#include <png.h>
#include <spng.h>
#include <zlib.h>
#include <stb/stb_image.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifndef VYRLA_PNGSUITE_DIR
#define VYRLA_PNGSUITE_DIR ""
#endif

namespace {

using Bytes = std::vector<uint8_t>;

struct Image {
    std::string name;
    Bytes file;
    uint32_t width = 0;
    uint32_t height = 0;
    int colourType = 0;
    int bitDepth = 0;
    bool interlaced = false;
    uint32_t stride = 0;       // our bitmap's
    uint64_t bitmapBytes = 0;  // stride * height: the output size counted
    uint64_t rawSize = 0;      // inflated rows, filter bytes included
    uint64_t filters[5] = {};  // rows per filter type (not counted for interlaced files)
    Bytes stream;              // IDAT data joined
};

// ---- making the pictures --------------------------------------------------

uint32_t nextRandom(uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

uint8_t clampByte(double value) {
    return static_cast<uint8_t>(std::lround(std::min(255.0, std::max(0.0, value))));
}

// Smooth value noise in [-1, 1] at lattice spacing `cell`, seeded by `seed`.
double valueNoise(double x, double y, double cell, uint32_t seed) {
    auto lattice = [seed](int32_t ix, int32_t iy) {
        uint32_t h = uint32_t(ix) * 0x8DA6B343u ^ uint32_t(iy) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
        h ^= h >> 15;
        h *= 0x2C1B3C6Du;
        h ^= h >> 12;
        return double(h & 0xFFFF) / 32767.5 - 1.0;
    };
    const double fx = x / cell;
    const double fy = y / cell;
    const auto ix = static_cast<int32_t>(std::floor(fx));
    const auto iy = static_cast<int32_t>(std::floor(fy));
    double tx = fx - ix;
    double ty = fy - iy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    const double top = lattice(ix, iy) + (lattice(ix + 1, iy) - lattice(ix, iy)) * tx;
    const double bottom = lattice(ix, iy + 1) + (lattice(ix + 1, iy + 1) - lattice(ix, iy + 1)) * tx;
    return top + (bottom - top) * ty;
}

// A photograph: a smooth sky above, textured ground below (foliage, stones
// with sharp edges), sensor grain of +-`grain` everywhere. With no grain and
// no texture, a smooth painted gradient.
std::vector<uint8_t> photoPixels(uint32_t width, uint32_t height, unsigned channels, int grain, bool textured = true) {
    std::vector<uint8_t> pixels(size_t(width) * height * channels);
    uint32_t random = 0x9E3779B9u;
    const double scale = 1024.0 / width;
    struct Stone {
        double x, y, radius;
        int shift[4];
    };
    std::vector<Stone> stones;
    for (int i = 0; textured && i < 40; ++i) {
        Stone stone{double(nextRandom(random) % 1024), 400 + double(nextRandom(random) % 400),
                    8 + double(nextRandom(random) % 60), {}};
        for (int& shift : stone.shift) {
            shift = static_cast<int>(nextRandom(random) % 121) - 60;
        }
        stones.push_back(stone);
    }
    std::vector<double> texture(width);
    for (uint32_t y = 0; y < height; ++y) {
        const double v = y * scale;
        // How much of this row is ground: none high up, all of it low down.
        const double ground = !textured ? 0.0 : std::clamp((v - 0.35 * height * scale) / (0.25 * height * scale), 0.0, 1.0);
        for (uint32_t x = 0; x < width && ground > 0; ++x) {
            const double u = x * scale;
            texture[x] = ground * (0.55 * valueNoise(x, y, 24, 1) + 0.3 * valueNoise(x, y, 7, 2) +
                                   0.15 * valueNoise(x, y, 2.5, 3) + 0.4 * valueNoise(u, v, 60, 4));
        }
        for (uint32_t x = 0; x < width; ++x) {
            const double u = x * scale;
            const Stone* on = nullptr;
            for (const Stone& stone : stones) {
                if (std::abs(v - stone.y) < stone.radius && std::hypot(u - stone.x, v - stone.y) < stone.radius) {
                    on = &stone;
                }
            }
            for (unsigned c = 0; c < channels; ++c) {
                double value;
                if (c == 3) {
                    value = 200 + 55 * std::cos(std::hypot(u - 500, v - 380) / 90.0);
                } else {
                    value = 120 + 60 * std::sin(u / (70.0 + 25 * c) + v / (110.0 - 20 * c) + c) +
                            45 * std::cos(std::hypot(u - 300 - 150 * c, v - 250) / (60.0 + 10 * c));
                    if (ground > 0) {
                        value += (45 + 8.0 * c) * texture[x];
                    }
                    if (on != nullptr) {
                        value += on->shift[c];
                    }
                }
                if (grain > 0) {
                    // Grain as a camera leaves it after demosaicing and
                    // denoising: spread over neighbouring pixels, with a
                    // little left per pixel.
                    value += grain * valueNoise(x + 0.5, y + 0.5, 1.7, 5 + c) +
                             static_cast<int>(nextRandom(random) % 3) - 1;
                }
                pixels[(size_t(y) * width + x) * channels + c] = clampByte(value);
            }
        }
    }
    return pixels;
}

// A photo reduced to a 3-3-2 palette of 256 colours by error diffusion, as
// an image editor's "indexed colour, dithered" export does.
std::vector<uint8_t> ditheredIndices(uint32_t width, uint32_t height, std::vector<png_color>& palette) {
    for (int i = 0; i < 256; ++i) {
        palette.push_back(png_color{uint8_t((i >> 5) * 255 / 7), uint8_t(((i >> 2) & 7) * 255 / 7),
                                    uint8_t((i & 3) * 255 / 3)});
    }
    const std::vector<uint8_t> rgb = photoPixels(width, height, 3, 4);
    std::vector<float> error(size_t(width + 2) * 2 * 3, 0.0f);  // this row and the next, one pixel of margin
    std::vector<uint8_t> indices(size_t(width) * height);
    const int levels[3] = {8, 8, 4};
    for (uint32_t y = 0; y < height; ++y) {
        float* here = error.data() + (y % 2) * (width + 2) * 3;
        float* below = error.data() + ((y + 1) % 2) * (width + 2) * 3;
        std::fill(below, below + (width + 2) * 3, 0.0f);
        for (uint32_t x = 0; x < width; ++x) {
            int index = 0;
            for (int c = 0; c < 3; ++c) {
                const float wanted = rgb[(size_t(y) * width + x) * 3 + c] + here[(x + 1) * 3 + c];
                const int step = std::clamp(static_cast<int>(std::lround(wanted * (levels[c] - 1) / 255.0f)), 0,
                                            levels[c] - 1);
                const float left = wanted - float(step * 255 / (levels[c] - 1));
                here[(x + 2) * 3 + c] += left * 7 / 16;
                below[x * 3 + c] += left * 3 / 16;
                below[(x + 1) * 3 + c] += left * 5 / 16;
                below[(x + 2) * 3 + c] += left * 1 / 16;
                index = index * levels[c] + step;
            }
            indices[size_t(y) * width + x] = static_cast<uint8_t>(index);
        }
    }
    return indices;
}

// Windows, panels, buttons and lines of small glyphs on flat colours, with
// one photo-like picture in a corner: what a screen grab holds.
std::vector<uint8_t> screenshotPixels(uint32_t width, uint32_t height) {
    std::vector<uint8_t> pixels(size_t(width) * height * 3);
    auto fill = [&](uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1, uint32_t colour) {
        for (uint32_t y = y0; y < std::min(y1, height); ++y) {
            for (uint32_t x = x0; x < std::min(x1, width); ++x) {
                uint8_t* p = &pixels[(size_t(y) * width + x) * 3];
                p[0] = uint8_t(colour >> 16);
                p[1] = uint8_t(colour >> 8);
                p[2] = uint8_t(colour);
            }
        }
    };
    uint32_t random = 0x2545F491u;
    fill(0, 0, width, height, 0x3A6EA5);  // desktop
    uint16_t glyphs[64];                  // 4 x 4 glyph shapes, a bit per dot
    for (uint16_t& glyph : glyphs) {
        glyph = static_cast<uint16_t>(nextRandom(random) | 0x0101u);
    }
    const uint32_t windows = 3 + width / 800;
    for (uint32_t w = 0; w < windows; ++w) {
        const uint32_t x0 = nextRandom(random) % (width * 2 / 3);
        const uint32_t y0 = nextRandom(random) % (height * 2 / 3);
        const uint32_t x1 = x0 + width / 4 + nextRandom(random) % (width / 3);
        const uint32_t y1 = y0 + height / 4 + nextRandom(random) % (height / 3);
        fill(x0, y0, x1, y1, 0x808080);                  // frame
        fill(x0 + 1, y0 + 1, x1 - 1, y0 + 24, 0x0A246A);  // title bar
        fill(x0 + 1, y0 + 24, x1 - 1, y1 - 1, 0xF0F0F0);  // client area
        fill(x0 + 8, y1 - 40, x0 + 88, y1 - 14, 0xD4D0C8);  // a button
        // Lines of text: glyphs 5 pixels apart, words split by spaces.
        for (uint32_t line = y0 + 32; line + 8 < y1 - 48; line += 14) {
            uint32_t x = x0 + 8;
            const uint32_t lineEnd = x0 + 8 + nextRandom(random) % std::max(1u, x1 - x0 - 16);
            while (x + 5 < std::min(lineEnd, x1 - 8)) {
                if (nextRandom(random) % 6 == 0) {
                    x += 5;
                    continue;
                }
                const uint16_t glyph = glyphs[nextRandom(random) % 64];
                for (uint32_t dy = 0; dy < 8; ++dy) {
                    for (uint32_t dx = 0; dx < 4; ++dx) {
                        if (glyph >> ((dy / 2) * 4 + dx) & 1) {
                            fill(x + dx, line + dy, x + dx + 1, line + dy + 1, 0x101010);
                        }
                    }
                }
                x += 5;
            }
        }
    }
    // A photo in the corner of the screen.
    const uint32_t photoWidth = width / 4;
    const uint32_t photoHeight = height / 4;
    const std::vector<uint8_t> photo = photoPixels(photoWidth, photoHeight, 3, 6);
    for (uint32_t y = 0; y < photoHeight; ++y) {
        std::memcpy(&pixels[(size_t(height - photoHeight + y) * width + width - photoWidth) * 3],
                    &photo[size_t(y) * photoWidth * 3], photoWidth * 3);
    }
    return pixels;
}

struct WriteBuffer {
    Bytes bytes;
};

void writeToMemory(png_structp png, png_bytep data, png_size_t length) {
    auto* buffer = static_cast<WriteBuffer*>(png_get_io_ptr(png));
    buffer->bytes.insert(buffer->bytes.end(), data, data + length);
}

void flushNothing(png_structp) {}

Bytes writePng(uint32_t width, uint32_t height, int colourType, const std::vector<uint8_t>& pixels,
               const std::vector<png_color>& palette) {
    WriteBuffer buffer;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fprintf(stderr, "libpng could not write a picture\n");
        std::exit(1);
    }
    png_set_write_fn(png, &buffer, writeToMemory, flushNothing);
    png_set_IHDR(png, info, width, height, 8, colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    }
    png_write_info(png, info);
    const size_t rowBytes = pixels.size() / height;
    for (uint32_t y = 0; y < height; ++y) {
        png_write_row(png, pixels.data() + y * rowBytes);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return buffer.bytes;
}

struct Kind {
    const char* name;
    int colourType;
};
const Kind kinds[] = {{"photo RGB", PNG_COLOR_TYPE_RGB},       {"photo RGBA", PNG_COLOR_TYPE_RGBA},
                      {"gradient RGB", PNG_COLOR_TYPE_RGB},    {"dithered palette", PNG_COLOR_TYPE_PALETTE},
                      {"screenshot RGB", PNG_COLOR_TYPE_RGB},  {"photo grey", PNG_COLOR_TYPE_GRAY}};

Bytes makePicture(const Kind& kind, uint32_t width, uint32_t height) {
    const std::string name = kind.name;
    if (name == "dithered palette") {
        std::vector<png_color> palette;
        const std::vector<uint8_t> indices = ditheredIndices(width, height, palette);
        return writePng(width, height, kind.colourType, indices, palette);
    }
    if (name == "screenshot RGB") {
        return writePng(width, height, kind.colourType, screenshotPixels(width, height), {});
    }
    const unsigned channels = kind.colourType == PNG_COLOR_TYPE_RGBA ? 4 : kind.colourType == PNG_COLOR_TYPE_RGB ? 3 : 1;
    const bool gradient = name == "gradient RGB";
    return writePng(width, height, kind.colourType, photoPixels(width, height, channels, gradient ? 0 : 6, !gradient),
                    {});
}

// ---- reading files --------------------------------------------------------

uint32_t bigEndian32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

unsigned channelsOf(int colourType) {
    return colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
}

bool describe(Image& image) {
    PngState state;
    pngInit(&state);
    PngBitmapLayout layout;
    if (!pngLoadBytes(&state, image.file.data(), static_cast<uint32_t>(image.file.size())) || !pngDecode(&state) ||
        !pngPrepareBitmap(&state, pngDefaultFormat, &layout)) {
        pngRelease(&state);
        return false;
    }
    image.width = state.width;
    image.height = state.height;
    image.colourType = state.colourType;
    image.bitDepth = state.bitDepth;
    image.interlaced = state.interlace != 0;
    image.stride = layout.stride;
    image.bitmapBytes = layout.pixelBytes;
    image.rawSize = state.rawSize;
    if (!image.interlaced) {
        const size_t rowBytes = (size_t(state.width) * channelsOf(state.colourType) * state.bitDepth + 7) / 8 + 1;
        for (uint32_t y = 0; y < state.height; ++y) {
            const uint8_t type = state.rawRows[y * rowBytes];
            image.filters[std::min<uint8_t>(type, 4)]++;
        }
    }
    // The IDAT data as the decoder reads it: the first IDAT and those right after it.
    const uint8_t* chunk = state.firstImageData;
    const uint8_t* end = image.file.data() + image.file.size();
    while (chunk + 12 <= end && std::memcmp(chunk + 4, "IDAT", 4) == 0) {
        const uint32_t length = bigEndian32(chunk);
        image.stream.insert(image.stream.end(), chunk + 8, chunk + 8 + length);
        chunk += 12 + size_t(length);
    }
    pngRelease(&state);
    return true;
}

// Read at its exact size: a growing buffer would leave a peak of its own.
Bytes readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    const std::streamoff size = file ? static_cast<std::streamoff>(file.tellg()) : 0;
    Bytes bytes(static_cast<size_t>(std::max<std::streamoff>(size, 0)));
    file.seekg(0);
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

// ---- the inflaters --------------------------------------------------------

bool oursInflate(const Image& image, Bytes& out) {
    return inflateZlib(image.stream.data(), image.stream.size(), nullptr, out.data(), image.rawSize) == inflateOk;
}

bool oursInflatePieces(const Image& image, Bytes&) {
    // The decoder's own path: the chunks read in place, into rows it allocates.
    PngState state;
    pngInit(&state);
    const bool ok = pngLoadBytes(&state, image.file.data(), static_cast<uint32_t>(image.file.size())) &&
                    pngDecode(&state);
    pngRelease(&state);
    return ok;
}

// The raw inflaters get the DEFLATE data alone: after the 2-byte zlib header,
// before the 4-byte Adler-32, which they then cannot check.
bool zlibInflate(const Image& image, Bytes& out) {
    if (image.stream.size() < 6) {
        return false;
    }
    z_stream stream{};
    if (inflateInit2(&stream, -15) != Z_OK) {
        return false;
    }
    stream.next_in = const_cast<Bytef*>(image.stream.data() + 2);
    stream.avail_in = static_cast<uInt>(image.stream.size() - 6);
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(image.rawSize);
    const int result = inflate(&stream, Z_FINISH);
    inflateEnd(&stream);
    return result == Z_STREAM_END || (result == Z_BUF_ERROR && stream.avail_out == 0);
}

libdeflate_decompressor* sharedDecompressor() {
    static libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
    return decompressor;
}

bool libdeflateInflate(const Image& image, Bytes& out) {
    if (image.stream.size() < 6) {
        return false;
    }
    size_t produced = 0;
    const libdeflate_result result = libdeflate_deflate_decompress(
        sharedDecompressor(), image.stream.data() + 2, image.stream.size() - 6, out.data(), image.rawSize, &produced);
    return result == LIBDEFLATE_SUCCESS && produced == image.rawSize;
}

bool wuffsInflate(const Image& image, Bytes& out) {
    return wuffsPeerInflate(image.stream.data(), image.stream.size(), out.data(), image.rawSize) != 0;
}

// ---- the decoders ---------------------------------------------------------

bool oursDecode(const Image& image, Bytes& out) {
    PngState state;
    pngInit(&state);
    PngBitmapLayout layout;
    bool ok = pngLoadBytes(&state, image.file.data(), static_cast<uint32_t>(image.file.size())) &&
              pngDecode(&state) && pngPrepareBitmap(&state, pngDefaultFormat, &layout);
    if (ok) {
        if (out.size() < layout.pixelBytes) {
            out.resize(layout.pixelBytes);
        }
        ok = pngFillPixels(&state, &layout, out.data()) != 0;
    }
    pngRelease(&state);
    return ok;
}

// The same straight into the bitmap's buffer, the inflated rows at its end.
bool oursDecodeInPlace(const Image& image, Bytes& out) {
    PngState state;
    pngInit(&state);
    PngBitmapLayout layout;
    bool ok = pngLoadBytes(&state, image.file.data(), static_cast<uint32_t>(image.file.size())) &&
              pngPlanBitmap(&state, pngDefaultFormat, &layout);
    if (ok) {
        const uint64_t size = pngInPlaceSize(&state, &layout);
        if (out.size() < size) {
            out.resize(size);
        }
        ok = pngDecodeInPlace(&state, &layout, out.data(), size) != 0;
    }
    pngRelease(&state);
    return ok;
}

// What Wuffs is asked for: our layout, or its nearest (8-bit grey for grey
// with alpha and for 16-bit grey; 8-bit indices for sub-byte palettes).
int wuffsLayout(const Image& image) {
    switch (image.colourType) {
    case 2:
        return wuffsPeerBgr;
    case 6:
        return wuffsPeerBgra;
    case 3:
        return wuffsPeerIndexed;
    default:
        return wuffsPeerGrey;
    }
}

uint32_t wuffsStride(const Image& image) {
    const uint32_t bytes = image.width * (image.colourType == 2 ? 3 : image.colourType == 6 ? 4 : 1);
    return std::max(image.stride, (bytes + 3) & ~3u);
}

// Its work buffer (the whole inflated image) is allocated per decode, as ours
// allocates its inflated rows: a program decodes each picture once.
bool wuffsDecode(const Image& image, Bytes& out) {
    uint8_t* work = nullptr;
    size_t workSize = 0;
    const bool ok = wuffsPeerDecode(image.file.data(), image.file.size(), wuffsLayout(image), out.data(),
                                    wuffsStride(image), &work, &workSize) != 0;
    wuffsPeerFree(work);
    return ok;
}

struct PngReadCursor {
    const uint8_t* data;
    size_t size;
    size_t at;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* cursor = static_cast<PngReadCursor*>(png_get_io_ptr(png));
    if (count > cursor->size - cursor->at) {
        png_error(png, "file ends early");
    }
    std::memcpy(out, cursor->data + cursor->at, count);
    cursor->at += count;
}

void silentWarning(png_structp, png_const_charp) {}

bool libpngIgnoresAdler = false;

bool libpngDecode(const Image& image, Bytes& out) {
    PngReadCursor cursor{image.file.data(), image.file.size(), 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, silentWarning);
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rows(image.height);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#ifdef PNG_IGNORE_ADLER32
    libpngIgnoresAdler = png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON) != PNG_OPTION_INVALID;
#endif
    png_set_read_fn(png, &cursor, readFromMemory);
    png_read_info(png, info);
    if (png_get_interlace_type(png, info) != PNG_INTERLACE_NONE) {
        png_set_interlace_handling(png);
    }
    if (image.colourType == 2 || image.colourType == 6) {
        png_set_bgr(png);
    }
    png_read_update_info(png, info);
    const size_t stride = std::max<size_t>(image.stride, png_get_rowbytes(png, info));
    if (out.size() < stride * image.height) {
        out.resize(stride * image.height);
    }
    for (uint32_t y = 0; y < image.height; ++y) {
        rows[y] = out.data() + y * stride;
    }
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

// libspng has no blue-green-red output and no row stride: RGB8 / RGBA8 rows
// back to back for 8-bit colour, the file's own format otherwise.
spng_format spngFormat(const Image& image) {
    if (image.bitDepth == 8 && image.colourType == 2) {
        return SPNG_FMT_RGB8;
    }
    if (image.bitDepth == 8 && image.colourType == 6) {
        return SPNG_FMT_RGBA8;
    }
    return SPNG_FMT_PNG;
}

bool spngDecode(const Image& image, Bytes& out) {
    spng_ctx* context = spng_ctx_new(SPNG_CTX_IGNORE_ADLER32);
    spng_set_crc_action(context, SPNG_CRC_USE, SPNG_CRC_USE);
    size_t size = 0;
    const spng_format format = spngFormat(image);
    bool ok = spng_set_png_buffer(context, image.file.data(), image.file.size()) == 0 &&
              spng_decoded_image_size(context, format, &size) == 0;
    if (ok) {
        if (out.size() < size) {
            out.resize(size);
        }
        ok = spng_decode_image(context, out.data(), size, format, 0) == 0;
    }
    spng_ctx_free(context);
    return ok;
}

// stb_image gives red-green-blue order, palettes expanded to RGB, no stride,
// into a buffer of its own; it checks no CRC and no Adler-32.
bool stbDecode(const Image& image, Bytes&) {
    int width = 0;
    int height = 0;
    int channels = 0;
    stbi_uc* pixels = image.bitDepth == 16
                          ? reinterpret_cast<stbi_uc*>(stbi_load_16_from_memory(
                                image.file.data(), static_cast<int>(image.file.size()), &width, &height, &channels, 0))
                          : stbi_load_from_memory(image.file.data(), static_cast<int>(image.file.size()), &width,
                                                  &height, &channels, 0);
    stbi_image_free(pixels);
    return pixels != nullptr;
}

bool lodepngDecode(const Image& image, Bytes&) {
    // No colour conversion: the pixels in the file's own format.
    LodePNGState state;
    lodepng_state_init(&state);
    state.decoder.color_convert = 0;
    state.decoder.ignore_crc = 1;
    state.decoder.zlibsettings.ignore_adler32 = 1;
    unsigned char* pixels = nullptr;
    unsigned width = 0;
    unsigned height = 0;
    const unsigned error = lodepng_decode(&pixels, &width, &height, &state, image.file.data(), image.file.size());
    lodepng_state_cleanup(&state);
    std::free(pixels);
    return error == 0;
}

bool memcpyCopy(const Image& image, Bytes& out) {
    static Bytes source;
    if (source.size() < image.bitmapBytes) {
        source.assign(image.bitmapBytes, 0x5A);
    }
    std::memcpy(out.data(), source.data(), image.bitmapBytes);
    return true;
}

using Decoder = bool (*)(const Image&, Bytes&);

// ---- timing ---------------------------------------------------------------

double threadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

bool quick = false;

// Seconds for one pass over `images`, the best of several batches; negative
// when a decoder fails on one of them. Big pictures get fewer batches.
double timePass(const std::vector<const Image*>& images, Decoder decoder, std::vector<Bytes>& outputs, bool big) {
    auto pass = [&]() {
        for (size_t i = 0; i < images.size(); ++i) {
            if (!decoder(*images[i], outputs[i])) {
                return false;
            }
        }
        return true;
    };
    if (!pass()) {
        return -1;
    }
    const double batchSeconds = quick ? 0.02 : 0.08;
    const int batches = quick ? 3 : big ? 5 : 9;
    const double start = threadSeconds();
    int runs = 0;
    do {
        pass();
        ++runs;
    } while (threadSeconds() - start < batchSeconds / 4);
    const int perBatch = std::max(1, static_cast<int>(runs * batchSeconds / (threadSeconds() - start)));
    double best = 1e30;
    for (int b = 0; b < batches; ++b) {
        const double begin = threadSeconds();
        for (int r = 0; r < perBatch; ++r) {
            pass();
        }
        best = std::min(best, (threadSeconds() - begin) / perBatch);
    }
    return best;
}

struct Column {
    const char* title;
    Decoder decoder;
};

struct Group {
    std::string name;
    std::vector<const Image*> images;
    bool generated;  // counted in the medians
};

struct Row {
    std::string name;
    bool generated;
    std::vector<double> speeds;  // MB/s, negative: failed
};

// `inflating`: bytes counted are the inflated rows, else our bitmap.
std::vector<Row> measure(const std::vector<Group>& groups, const std::vector<Column>& columns, bool inflating) {
    std::vector<Row> rows;
    for (const Group& group : groups) {
        uint64_t bytes = 0;
        std::vector<Bytes> outputs;
        for (const Image* image : group.images) {
            bytes += inflating ? image->rawSize : image->bitmapBytes;
            const uint64_t size = std::max<uint64_t>({image->rawSize, image->bitmapBytes,
                                                      uint64_t(wuffsStride(*image)) * image->height});
            outputs.emplace_back(size + 64, 0);
        }
        const bool big = bytes > 20000000;
        Row row{group.name, group.generated, {}};
        for (const Column& column : columns) {
            const double seconds = timePass(group.images, column.decoder, outputs, big);
            row.speeds.push_back(seconds < 0 ? -1 : double(bytes) / seconds / 1e6);
        }
        rows.push_back(row);
        std::fprintf(stderr, "  measured %s\n", group.name.c_str());
    }
    return rows;
}

std::string format(const char* pattern, double value) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

double median(std::vector<double> values) {
    if (values.empty()) {
        return -1;
    }
    std::sort(values.begin(), values.end());
    const size_t half = values.size() / 2;
    return values.size() % 2 ? values[half] : (values[half - 1] + values[half]) / 2;
}

// Speeds of every column, then the ratio of each pair of columns (first over
// second), and a last row with the median of each ratio over the generated pictures.
using Ratios = std::vector<std::pair<size_t, size_t>>;
std::string table(const std::vector<Row>& rows, const std::vector<Column>& columns, const Ratios& peers) {
    std::string text = "| picture |";
    std::string rule = "|---|";
    for (const Column& column : columns) {
        text += std::string(" ") + column.title + " |";
        rule += "---:|";
    }
    for (const auto& peer : peers) {
        text += std::string(" ") + columns[peer.first].title + " / " + columns[peer.second].title + " |";
        rule += "---:|";
    }
    text += "\n" + rule + "\n";
    std::vector<std::vector<double>> ratios(peers.size());
    for (const Row& row : rows) {
        text += "| " + row.name + " |";
        for (double speed : row.speeds) {
            text += " " + (speed < 0 ? std::string("failed") : format("%.0f", speed)) + " |";
        }
        for (size_t p = 0; p < peers.size(); ++p) {
            const double ours = row.speeds[peers[p].first];
            const double other = row.speeds[peers[p].second];
            if (ours <= 0 || other <= 0) {
                text += " - |";
                continue;
            }
            text += " " + format("%.2fx", ours / other) + " |";
            if (row.generated) {
                ratios[p].push_back(ours / other);
            }
        }
        text += "\n";
    }
    text += "| median of the generated pictures |";
    for (size_t c = 0; c < columns.size(); ++c) {
        text += " |";
    }
    for (const std::vector<double>& values : ratios) {
        text += " " + (values.empty() ? std::string("-") : format("%.2fx", median(values))) + " |";
    }
    return text + "\n";
}

std::string filterTable(const std::vector<Image>& pictures) {
    std::string text =
        "| picture | file MB | inflated / file | None | Sub | Up | Average | Paeth |\n|---|---:|---:|---:|---:|---:|---:|---:|\n";
    for (const Image& image : pictures) {
        text += "| " + image.name + " | " + format("%.2f", image.file.size() / 1e6) + " | " +
                format("%.1f", double(image.rawSize) / image.file.size()) + " |";
        for (uint64_t count : image.filters) {
            text += " " + format("%.0f%%", 100.0 * count / image.height) + " |";
        }
        text += "\n";
    }
    return text;
}

// ---- peak memory of one decode --------------------------------------------

// Runs in a fresh process: reads the file, decodes it once with `who`
// ("file" only reads it). Allocates nothing else.
bool decodeOnce(const std::string& who, const std::string& path) {
    Bytes file = readFile(path);
    Image image;
    image.file = std::move(file);
    if (who == "file" || image.file.size() < 33) {
        return !image.file.empty();
    }
    // The header alone, without decoding: width, height, colour type.
    image.width = bigEndian32(&image.file[16]);
    image.height = bigEndian32(&image.file[20]);
    image.bitDepth = image.file[24];
    image.colourType = image.file[25];
    image.stride = (image.width * channelsOf(image.colourType) * image.bitDepth / 8 + 3) & ~3u;
    Bytes pixels;  // sized by each decoder itself, once
    if (who == "ours") {
        return oursDecode(image, pixels);
    }
    if (who == "ours-in-place") {
        return oursDecodeInPlace(image, pixels);
    }
    if (who == "libpng") {
        return libpngDecode(image, pixels);
    }
    if (who == "libspng") {
        return spngDecode(image, pixels);
    }
    if (who == "stb_image") {
        return stbDecode(image, pixels);
    }
    if (who == "Wuffs") {
        pixels.resize(size_t(wuffsStride(image)) * image.height);
        return wuffsDecode(image, pixels);
    }
    return false;
}

// The peak resident size of this process (its high-water mark since exec),
// printed in kilobytes after one decode.
int memoryChild(const std::string& who, const std::string& path) {
    if (!decodeOnce(who, path)) {
        return 1;
    }
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            std::printf("%ld\n", std::strtol(line.c_str() + 6, nullptr, 10));
            return 0;
        }
    }
    return 1;
}

// Peak resident kilobytes of this program run as a memory child; -1 on
// failure. Its own high-water mark, not getrusage's: a spawned child's
// ru_maxrss starts from its parent's, which holds every picture.
long childPeakKilobytes(const std::string& who, const std::string& path) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string command = "'" + self + "' --memory-child " + who + " '" + path + "'";
    FILE* child = popen(command.c_str(), "r");
    if (child == nullptr) {
        return -1;
    }
    long kilobytes = -1;
    if (std::fscanf(child, "%ld", &kilobytes) != 1) {
        kilobytes = -1;
    }
    return pclose(child) == 0 ? kilobytes : -1;
}

std::string memoryTable(const Image& image) {
    const std::string path = (std::filesystem::temp_directory_path() / "bench_png_memory.png").string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.file.data()), static_cast<std::streamsize>(image.file.size()));
    // The smallest of three runs each: the same work, the least disturbed.
    auto peak = [&](const char* who) {
        long best = -1;
        for (int run = 0; run < 3; ++run) {
            const long kilobytes = childPeakKilobytes(who, path);
            if (kilobytes < 0) {
                return -1L;
            }
            best = best < 0 ? kilobytes : std::min(best, kilobytes);
        }
        return best;
    };
    const long baseline = peak("file");
    std::string text = "Peak memory of one decode of " + image.name + " (file " +
                       format("%.1f", image.file.size() / 1e6) + " MB), over a process that only reads the file; " +
                       "the bitmap itself (stride * height) is " + format("%.1f", image.bitmapBytes / 1e6) +
                       " MB:\n\n| decoder | peak MB | peak / bitmap |\n|---|---:|---:|\n";
    for (const char* who : {"ours", "ours-in-place", "Wuffs", "libpng", "libspng", "stb_image"}) {
        const long kilobytes = peak(who);
        if (kilobytes < 0 || baseline < 0) {
            text += std::string("| ") + who + " | failed | - |\n";
            continue;
        }
        const double megabytes = double(kilobytes - baseline) * 1024 / 1e6;
        text += std::string("| ") + who + " | " + format("%.1f", megabytes) + " | " +
                format("%.2f", megabytes * 1e6 / image.bitmapBytes) + " |\n";
    }
    std::filesystem::remove(path);
    return text + "\nours: pngDecode (the inflated rows) then pngRenderPixels (the bitmap), as the player does "
                  "now; ours-in-place: pngDecodeInPlace into one buffer of pngInPlaceSize bytes.\n";
}

const char* peerFormats =
    "Output asked of each decoder (generated pictures; the PngSuite gets each one's nearest):\n\n"
    "| picture | ours | Wuffs | libpng | libspng | stb_image | lodepng |\n"
    "|---|---|---|---|---|---|---|\n"
    "| RGB | BGR, stride | BGR, stride | BGR, stride | RGB (no BGR) | RGB (no BGR) | RGB (no BGR) |\n"
    "| RGBA | straight BGRA | straight BGRA | straight BGRA | RGBA (no BGRA) | RGBA (no BGRA) | RGBA (no BGRA) |\n"
    "| palette | 8-bit indices + colour table | indices + BGRA palette | indices | indices | RGB (no indices) | "
    "indices |\n"
    "| grey 8 | 8-bit indices to a grey table | Y 8 | grey 8 | grey 8 | grey 8 | grey 8 |\n\n"
    "libspng, stb_image and lodepng take no stride: their rows are back to back, the same bytes for these widths "
    "(1920 and 4000 pixels make rows of whole 4-byte words in every format here). stb_image and lodepng also "
    "allocate their output on every decode.\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--memory-child") == 0) {
        return memoryChild(argv[2], argv[3]);
    }
    std::string markdownPath;
    std::string saveDirectory;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) {
            quick = true;
        } else if (std::strcmp(argv[i], "--markdown") == 0 && i + 1 < argc) {
            markdownPath = argv[++i];
        } else if (std::strcmp(argv[i], "--save") == 0 && i + 1 < argc) {
            saveDirectory = argv[++i];
        } else {
            std::fprintf(stderr, "usage: bench_png [--quick] [--markdown FILE] [--save DIR]\n");
            return 2;
        }
    }

    std::error_code ignored;
    if (saveDirectory.empty() && !std::filesystem::is_directory(VYRLA_PNGSUITE_DIR, ignored)) {
        std::fprintf(stderr, "bench_png: the PngSuite folder is missing: %s\n", VYRLA_PNGSUITE_DIR);
        return 2;
    }

    std::fprintf(stderr, "making the pictures\n");
    std::vector<Image> pictures;
    const struct {
        uint32_t width;
        uint32_t height;
    } sizes[] = {{1920, 1080}, {4000, 3000}};
    for (const auto& size : sizes) {
        for (const Kind& kind : kinds) {
            Image image;
            image.name = std::string(kind.name) + " " + std::to_string(size.width) + "x" + std::to_string(size.height);
            image.file = makePicture(kind, size.width, size.height);
            if (!describe(image)) {
                std::fprintf(stderr, "our decoder refuses %s\n", image.name.c_str());
                return 1;
            }
            if (!saveDirectory.empty()) {
                std::string file = image.name;
                std::replace(file.begin(), file.end(), ' ', '_');
                std::ofstream(saveDirectory + "/" + file + ".png", std::ios::binary)
                    .write(reinterpret_cast<const char*>(image.file.data()), static_cast<std::streamsize>(image.file.size()));
            }
            pictures.push_back(std::move(image));
            std::fprintf(stderr, "  made %s\n", pictures.back().name.c_str());
        }
    }
    if (!saveDirectory.empty()) {
        std::fputs(filterTable(pictures).c_str(), stdout);
        return 0;
    }

    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::directory_iterator(VYRLA_PNGSUITE_DIR, ignored)) {
        const std::string file = entry.path().filename().string();
        if (entry.path().extension() == ".png" && file[0] != 'x') {
            paths.push_back(entry.path().string());
        }
    }
    std::sort(paths.begin(), paths.end());
    const std::vector<Column> decodeColumns = {{"memcpy", memcpyCopy},     {"ours", oursDecode},
                                               {"ours, in place", oursDecodeInPlace},
                                               {"Wuffs", wuffsDecode},     {"libpng", libpngDecode},
                                               {"libspng", spngDecode},    {"stb_image", stbDecode},
                                               {"lodepng", lodepngDecode}};
    // The PngSuite batch: the files every decoder takes, so that all do the same work.
    std::vector<Image> suite;
    std::string refused;
    for (const std::string& path : paths) {
        Image image;
        image.name = path;
        image.file = readFile(path);
        if (!describe(image)) {
            continue;
        }
        Bytes scratch(std::max<uint64_t>({image.rawSize, image.bitmapBytes, uint64_t(wuffsStride(image)) * image.height}) + 64);
        bool all = true;
        for (size_t c = 1; c < decodeColumns.size(); ++c) {
            if (!decodeColumns[c].decoder(image, scratch)) {
                refused += " " + std::filesystem::path(path).filename().string() + " (" + decodeColumns[c].title + ")";
                all = false;
                break;
            }
        }
        if (all) {
            suite.push_back(std::move(image));
        }
    }
    if (suite.empty()) {
        std::fprintf(stderr, "bench_png: no file of %s decodes\n", VYRLA_PNGSUITE_DIR);
        return 2;
    }

    std::vector<Group> groups;
    for (const Image& image : pictures) {
        groups.push_back({image.name, {&image}, true});
    }
    Group suiteGroup{"PngSuite (" + std::to_string(suite.size()) + " files)", {}, false};
    for (const Image& image : suite) {
        suiteGroup.images.push_back(&image);
    }
    groups.push_back(suiteGroup);

    const std::vector<Column> inflateColumns = {{"memcpy", memcpyCopy},       {"ours", oursInflate},
                                                {"ours, IDAT pieces", oursInflatePieces},
                                                {"libdeflate", libdeflateInflate}, {"zlib", zlibInflate},
                                                {"Wuffs-zlib", wuffsInflate}};

    // The peers asked for our layout must give our bytes, or they did other work.
    for (const Image& image : pictures) {
        Bytes ours(image.bitmapBytes + 64);
        if (!oursDecode(image, ours)) {
            std::fprintf(stderr, "bench_png: our decoder fails on %s\n", image.name.c_str());
            return 1;
        }
        for (const Column& column : {decodeColumns[2], decodeColumns[3], decodeColumns[4]}) {
            Bytes theirs(std::max<uint64_t>(image.rawSize, image.bitmapBytes) + 64);
            if (!column.decoder(image, theirs) || std::memcmp(ours.data(), theirs.data(), image.bitmapBytes) != 0) {
                std::fprintf(stderr, "bench_png: %s gives other pixels than ours for %s\n", column.title,
                             image.name.c_str());
                return 1;
            }
        }
    }

    std::fprintf(stderr, "inflating\n");
    const std::vector<Row> inflateRows = measure(groups, inflateColumns, true);
    std::fprintf(stderr, "decoding\n");
    const std::vector<Row> decodeRows = measure(groups, decodeColumns, false);
    std::fprintf(stderr, "peak memory\n");
    const Image* bigRgba = nullptr;
    for (const Image& image : pictures) {
        if (image.colourType == 6 && image.width == 4000) {
            bigRgba = &image;
        }
    }

    std::string report;
    report += "Generated pictures, written by libpng " PNG_LIBPNG_VER_STRING
              " at its defaults; rows per filter type:\n\n";
    report += filterTable(pictures);
    report += "\nInflating the image data, MB/s of inflated rows (raw DEFLATE for libdeflate and zlib, "
              "Adler-32 unchecked by all):\n\n";
    report += table(inflateRows, inflateColumns, {{1, 3}, {1, 4}, {1, 5}});
    report += "\nWhole decode, file to pixels, MB/s of our bitmap (checksums unchecked by all";
    report += libpngIgnoresAdler ? ")" : "; this libpng cannot skip Adler-32)";
    report += ":\n\n";
    report += table(decodeRows, decodeColumns, {{1, 3}, {1, 4}, {1, 5}, {1, 6}, {2, 3}, {2, 4}});
    report += "\nOn every generated picture, ours in place, Wuffs and libpng give exactly our bytes.\n\n";
    report += peerFormats;
    if (!refused.empty()) {
        report += "\nPngSuite files left out, with the first decoder that refused each:" + refused + "\n";
    }
    report += "\n" + memoryTable(*bigRgba);
    std::fputs(report.c_str(), stdout);
    if (!markdownPath.empty()) {
        std::ofstream(markdownPath) << report;
    }
    return 0;
}
