// How fast the PNG decoder and its inflater are, side by side with the
// libraries a program would otherwise use, on the same files in one run.
//
//   bench_png [--quick] [--markdown FILE] [--save DIR]
//
// --quick measures shorter batches, --markdown writes the tables to FILE as
// well, --save writes the generated files to DIR (for png-compare, say) and stops.
//
// Files: photo-like pictures (smooth gradients plus noise) of 1024 x 768 and
// 2048 x 1536 in RGB, RGBA and palette forms, made here deterministically and
// written with libpng at its default compression level and filters; and the
// PngSuite, measured as one batch of all its files that libpng decodes.
//
// Speeds are output MB/s (10^6 bytes of the image's own pixels per second of
// thread CPU time, which a shared machine disturbs less than wall time), the
// best of several batches. memcpy of the same number of bytes is the limit.
//
// Inflater: the image data stream of each file (its IDAT data, joined)
// inflated by ours, zlib and libdeflate; ours also straight from the IDAT
// pieces in the file, as the decoder reads them. Whole decode: file bytes to
// pixels in the library's own output layout (ours: the bitmap rows, in
// blue-green-red order and padded), by ours, libpng, libspng, stb_image and
// lodepng. The peers keep their default checks (chunk CRCs, Adler-32); the
// player verifies neither.
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
#include <functional>
#include <iterator>
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
    uint64_t pixelBytes = 0;  // width * height * bytes per pixel: the output size counted
    uint64_t rawSize = 0;     // inflated rows, filter bytes included
    Bytes stream;             // IDAT data joined
};

// ---- making the photo-like files ------------------------------------------

uint32_t nextRandom(uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

uint8_t clampByte(double value) {
    return static_cast<uint8_t>(std::lround(std::min(255.0, std::max(0.0, value))));
}

// Smooth shapes in each channel, plus a little noise, like a photograph.
std::vector<uint8_t> photoPixels(uint32_t width, uint32_t height, unsigned channels) {
    std::vector<uint8_t> pixels(size_t(width) * height * channels);
    uint32_t random = 0x9E3779B9u;
    const double scale = 1024.0 / width;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const double u = x * scale;
            const double v = y * scale;
            for (unsigned c = 0; c < channels; ++c) {
                double value;
                if (c == 3) {
                    value = 200 + 55 * std::cos(std::hypot(u - 500, v - 380) / 90.0);
                } else {
                    value = 120 + 60 * std::sin(u / (70.0 + 25 * c) + v / (110.0 - 20 * c) + c) +
                            45 * std::cos(std::hypot(u - 300 - 150 * c, v - 250) / (60.0 + 10 * c));
                }
                const int noise = static_cast<int>(nextRandom(random) % 13) - 6;
                pixels[(size_t(y) * width + x) * channels + c] = clampByte(value + noise);
            }
        }
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

Bytes makePhoto(uint32_t width, uint32_t height, int colourType) {
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        // A 6 x 7 x 6 colour cube; the noise dithers it.
        const std::vector<uint8_t> rgb = photoPixels(width, height, 3);
        std::vector<png_color> palette;
        for (int r = 0; r < 6; ++r) {
            for (int g = 0; g < 7; ++g) {
                for (int b = 0; b < 6; ++b) {
                    palette.push_back(png_color{uint8_t(r * 51), uint8_t(g * 255 / 6), uint8_t(b * 51)});
                }
            }
        }
        std::vector<uint8_t> indices(size_t(width) * height);
        for (size_t i = 0; i < indices.size(); ++i) {
            const int r = (rgb[3 * i] * 5 + 127) / 255;
            const int g = (rgb[3 * i + 1] * 6 + 127) / 255;
            const int b = (rgb[3 * i + 2] * 5 + 127) / 255;
            indices[i] = static_cast<uint8_t>((r * 7 + g) * 6 + b);
        }
        return writePng(width, height, colourType, indices, palette);
    }
    const unsigned channels = colourType == PNG_COLOR_TYPE_RGBA ? 4 : 3;
    return writePng(width, height, colourType, photoPixels(width, height, channels), {});
}

// ---- reading files --------------------------------------------------------

uint32_t bigEndian32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

bool describe(Image& image) {
    PngState state;
    pngInit(&state);
    if (!pngLoadBytes(&state, image.file.data(), static_cast<uint32_t>(image.file.size())) || !pngDecode(&state)) {
        pngRelease(&state);
        return false;
    }
    image.width = state.width;
    image.height = state.height;
    image.colourType = state.colourType;
    image.bitDepth = state.bitDepth;
    const unsigned channels = state.colourType == 2 ? 3 : state.colourType == 4 ? 2 : state.colourType == 6 ? 4 : 1;
    image.pixelBytes = (uint64_t(state.width) * channels * state.bitDepth + 7) / 8 * state.height;
    image.rawSize = state.rawSize;
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

Bytes readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// ---- the decoders ---------------------------------------------------------

bool oursInflate(const Image& image, Bytes& out) {
    return inflateZlib(image.stream.data(), image.stream.size(), nullptr, out.data(), image.rawSize) == inflateOk;
}

bool oursInflatePieces(const Image& image, Bytes& out) {
    // The decoder's own path: the chunks read in place.
    PngState state;
    pngInit(&state);
    const bool ok = pngLoadBytes(&state, image.file.data(), static_cast<uint32_t>(image.file.size())) &&
                    pngDecode(&state);
    pngRelease(&state);
    (void)out;
    return ok;
}

bool zlibInflate(const Image& image, Bytes& out) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) {
        return false;
    }
    stream.next_in = const_cast<Bytef*>(image.stream.data());
    stream.avail_in = static_cast<uInt>(image.stream.size());
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
    size_t produced = 0;
    const libdeflate_result result = libdeflate_zlib_decompress(
        sharedDecompressor(), image.stream.data(), image.stream.size(), out.data(), image.rawSize, &produced);
    return result == LIBDEFLATE_SUCCESS && produced == image.rawSize;
}

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

bool libpngDecode(const Image& image, Bytes& out) {
    PngReadCursor cursor{image.file.data(), image.file.size(), 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, silentWarning);
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rows(image.height);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &cursor, readFromMemory);
    png_read_info(png, info);
    if (png_get_interlace_type(png, info) != PNG_INTERLACE_NONE) {
        png_set_interlace_handling(png);
    }
    png_read_update_info(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    if (out.size() < rowBytes * image.height) {
        out.resize(rowBytes * image.height);
    }
    for (uint32_t y = 0; y < image.height; ++y) {
        rows[y] = out.data() + y * rowBytes;
    }
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

bool spngDecode(const Image& image, Bytes& out) {
    spng_ctx* context = spng_ctx_new(0);
    size_t size = 0;
    bool ok = spng_set_png_buffer(context, image.file.data(), image.file.size()) == 0 &&
              spng_decoded_image_size(context, SPNG_FMT_PNG, &size) == 0;
    if (ok) {
        if (out.size() < size) {
            out.resize(size);
        }
        ok = spng_decode_image(context, out.data(), size, SPNG_FMT_PNG, 0) == 0;
    }
    spng_ctx_free(context);
    return ok;
}

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
    if (source.size() < image.pixelBytes) {
        source.assign(image.pixelBytes, 0x5A);
    }
    std::memcpy(out.data(), source.data(), image.pixelBytes);
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
// when a decoder fails on one of them.
double timePass(const std::vector<const Image*>& images, Decoder decoder, std::vector<Bytes>& outputs) {
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
    const int batches = quick ? 3 : 7;
    const double start = threadSeconds();
    int runs = 0;
    do {
        pass();
        ++runs;
    } while (threadSeconds() - start < batchSeconds / 4);
    const int perBatch = std::max(1, static_cast<int>(runs * batchSeconds / (threadSeconds() - start) / 1.0));
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

struct Row {
    std::string name;
    std::vector<double> speeds;  // MB/s, negative: failed
};

std::string formatSpeed(double speed) {
    char text[32];
    if (speed < 0) {
        return "failed";
    }
    std::snprintf(text, sizeof text, "%.0f", speed);
    return text;
}

std::string formatRatio(double ours, double other) {
    char text[32];
    if (ours <= 0 || other <= 0) {
        return "-";
    }
    std::snprintf(text, sizeof text, "%.2fx", ours / other);
    return text;
}

struct Column {
    const char* title;
    Decoder decoder;
};

std::vector<Row> measure(const std::vector<std::pair<std::string, std::vector<const Image*>>>& groups,
                         const std::vector<Column>& columns) {
    std::vector<Row> rows;
    for (const auto& group : groups) {
        uint64_t bytes = 0;
        std::vector<Bytes> outputs;
        for (const Image* image : group.second) {
            bytes += image->pixelBytes;
            outputs.emplace_back(std::max<uint64_t>(image->rawSize, image->pixelBytes) + 64, 0);
        }
        Row row{group.first, {}};
        for (const Column& column : columns) {
            const double seconds = timePass(group.second, column.decoder, outputs);
            row.speeds.push_back(seconds < 0 ? -1 : double(bytes) / seconds / 1e6);
        }
        rows.push_back(row);
        std::fprintf(stderr, "  measured %s\n", group.first.c_str());
    }
    return rows;
}

std::string table(const std::vector<Row>& rows, const std::vector<Column>& columns,
                  const std::vector<std::pair<size_t, double>>& goals) {
    std::string text = "| image |";
    std::string rule = "|---|";
    for (const Column& column : columns) {
        text += std::string(" ") + column.title + " |";
        rule += "---:|";
    }
    for (const auto& goal : goals) {
        char title[64];
        std::snprintf(title, sizeof title, " ours/%s (goal %.1fx) |", columns[goal.first].title, goal.second);
        text += title;
        rule += "---:|";
    }
    text += "\n" + rule + "\n";
    for (const Row& row : rows) {
        text += "| " + row.name + " |";
        for (double speed : row.speeds) {
            text += " " + formatSpeed(speed) + " |";
        }
        for (const auto& goal : goals) {
            const double ratio = row.speeds[1] / row.speeds[goal.first];
            text += " " + formatRatio(row.speeds[1], row.speeds[goal.first]) + (ratio >= goal.second ? "" : " (missed)") + " |";
        }
        text += "\n";
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
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

    std::fprintf(stderr, "making the photo-like files\n");
    std::vector<Image> photos;
    const struct {
        uint32_t width;
        uint32_t height;
    } sizes[] = {{1024, 768}, {2048, 1536}};
    const struct {
        int colourType;
        const char* name;
    } forms[] = {{PNG_COLOR_TYPE_RGB, "RGB"}, {PNG_COLOR_TYPE_RGBA, "RGBA"}, {PNG_COLOR_TYPE_PALETTE, "palette"}};
    for (const auto& size : sizes) {
        for (const auto& form : forms) {
            Image image;
            image.name = "photo " + std::to_string(size.width) + "x" + std::to_string(size.height) + " " + form.name;
            image.file = makePhoto(size.width, size.height, form.colourType);
            if (!describe(image)) {
                std::fprintf(stderr, "our decoder refuses %s\n", image.name.c_str());
                return 1;
            }
            if (!saveDirectory.empty()) {
                std::string file = image.name.substr(6);
                std::replace(file.begin(), file.end(), ' ', '_');
                std::ofstream(saveDirectory + "/" + file + ".png", std::ios::binary)
                    .write(reinterpret_cast<const char*>(image.file.data()), static_cast<std::streamsize>(image.file.size()));
            }
            photos.push_back(std::move(image));
        }
    }
    if (!saveDirectory.empty()) {
        return 0;
    }

    std::vector<Image> suite;
    std::error_code ignored;
    std::vector<std::string> paths;
    if (!std::filesystem::is_directory(VYRLA_PNGSUITE_DIR, ignored)) {
        std::fprintf(stderr, "bench_png: the PngSuite folder is missing: %s\n", VYRLA_PNGSUITE_DIR);
        return 2;
    }
    for (const auto& entry : std::filesystem::directory_iterator(VYRLA_PNGSUITE_DIR, ignored)) {
        const std::string file = entry.path().filename().string();
        if (entry.path().extension() == ".png" && file[0] != 'x') {
            paths.push_back(entry.path().string());
        }
    }
    std::sort(paths.begin(), paths.end());
    for (const std::string& path : paths) {
        Image image;
        image.name = path;
        image.file = readFile(path);
        Bytes scratch;
        if (describe(image) && libpngDecode(image, scratch)) {
            suite.push_back(std::move(image));
        }
    }

    std::vector<std::pair<std::string, std::vector<const Image*>>> groups;
    for (const Image& image : photos) {
        groups.push_back({image.name, {&image}});
    }
    std::vector<const Image*> suiteImages;
    for (const Image& image : suite) {
        suiteImages.push_back(&image);
    }
    if (!suiteImages.empty()) {
        groups.push_back({"PngSuite (" + std::to_string(suiteImages.size()) + " files)", suiteImages});
    }

    const std::vector<Column> inflateColumns = {{"memcpy", memcpyCopy},
                                                {"ours", oursInflate},
                                                {"ours, IDAT pieces", oursInflatePieces},
                                                {"zlib", zlibInflate},
                                                {"libdeflate", libdeflateInflate}};
    const std::vector<Column> decodeColumns = {{"memcpy", memcpyCopy},   {"ours", oursDecode},
                                               {"libpng", libpngDecode}, {"libspng", spngDecode},
                                               {"stb_image", stbDecode}, {"lodepng", lodepngDecode}};

    std::fprintf(stderr, "inflating\n");
    const std::vector<Row> inflateRows = measure(groups, inflateColumns);
    std::fprintf(stderr, "decoding\n");
    const std::vector<Row> decodeRows = measure(groups, decodeColumns);

    std::string report;
    report += "Inflating the image data, output MB/s:\n\n";
    report += table(inflateRows, inflateColumns, {{3, 1.5}, {4, 0.9}});
    report += "\nWhole decode, file to pixels, output MB/s (goals on the photo-like files):\n\n";
    report += table(decodeRows, decodeColumns, {{2, 2.0}, {3, 1.3}});
    std::fputs(report.c_str(), stdout);
    if (!markdownPath.empty()) {
        std::ofstream(markdownPath) << report;
    }
    return 0;
}
