// png-compare FILE|DIR...
//
// Decodes each PNG file (each *.png of a directory, in name order) with the
// player's decoder and with libpng, and prints one line per file:
//   ok                 both decode it to the same pixels and colour table;
//   refused CODE       our decoder refuses it with lastError CODE; this
//                      passes only when libpng refuses it too;
//   row R byte B: ...  the first byte of the bitmap that differs.
// It ends with "N passed, N failed" and exits with 1 when any failed.
//
// libpng's rows are turned into the bitmap the default format promises
// (blue-green-red order, high bytes of 16-bit samples, ...) pixel by pixel,
// and libpng is told to ignore check values, as the player does.
#include "images/png_decoder.h"
#include "bench/png_reference.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct Verdict {
    bool passed;
    std::string text;
};

std::string hexByte(uint8_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02x", value);
    return text;
}

// Our decoding of `bytes`: the error code, or 0 with the layout and pixels.
uint32_t decodeWithPlayer(const std::vector<uint8_t>& bytes, PngBitmapLayout& layout, std::vector<uint8_t>& pixels,
                          bool& badFilter) {
    PngState state;
    pngInit(&state);
    badFilter = false;
    uint32_t error = 0;
    if (!pngLoadBytes(&state, bytes.data(), static_cast<uint32_t>(bytes.size())) || !pngDecode(&state) ||
        !pngPrepareBitmap(&state, pngDefaultFormat, &layout)) {
        error = state.lastError;
    } else {
        pixels.assign(layout.pixelBytes, 0);
        if (!pngFillPixels(&state, &layout, pixels.data())) {
            badFilter = true;
        }
    }
    pngRelease(&state);
    return error;
}

// The player's own path decodes into the bitmap's memory: it must refuse
// what the two-step decode refuses and give the very same bytes otherwise.
bool inPlaceAgrees(const std::vector<uint8_t>& bytes, bool refused, const std::vector<uint8_t>& pixels) {
    PngState state;
    pngInit(&state);
    PngBitmapLayout layout{};
    bool same = false;
    if (pngLoadBytes(&state, bytes.data(), static_cast<uint32_t>(bytes.size())) &&
        pngPlanBitmap(&state, pngDefaultFormat, &layout)) {
        std::vector<uint8_t> buffer(pngInPlaceSize(&state, &layout), 0xA5);
        const bool decoded = pngDecodeInPlace(&state, &layout, buffer.data(), buffer.size());
        same = decoded ? !refused && std::equal(pixels.begin(), pixels.end(), buffer.begin()) : refused;
    } else {
        same = refused;
    }
    pngRelease(&state);
    return same;
}

Verdict compareFile(const std::string& path) {
    const std::vector<uint8_t> bytes = readFileBytes(path);
    const PngReference reference = decodeWithLibpng(bytes.data(), bytes.size());
    PngBitmapLayout layout{};
    std::vector<uint8_t> pixels;
    bool badFilter = false;
    const uint32_t error = decodeWithPlayer(bytes, layout, pixels, badFilter);
    if (!inPlaceAgrees(bytes, error != 0 || badFilter, pixels)) {
        return {false, "decoded in place, it differs from the two-step decode"};
    }

    if (error != 0 || badFilter) {
        const std::string refusal = badFilter ? "refused (filter type above 4)" : "refused " + std::to_string(error);
        if (reference.decoded) {
            return {false, refusal + ", but libpng decodes it"};
        }
        return {true, refusal};
    }
    if (!reference.decoded) {
        return {false, "decoded, but libpng refuses it: " + reference.error};
    }
    const auto code = static_cast<uint8_t>(layout.format & 0xFF);
    const RowDifference difference = compareBitmap(reference, pixels.data(), layout.stride, code, layout.bitsPerPixel);
    if (difference.found) {
        return {false, "row " + std::to_string(difference.row) + " byte " + std::to_string(difference.byte) +
                           ": ours " + hexByte(difference.ours) + ", libpng " + hexByte(difference.expected)};
    }
    if (reference.colourType == 3) {
        const size_t entries = reference.palette.size() / 3;
        for (size_t i = 0; i < entries && i < 256; ++i) {
            const PngColour& colour = layout.info.colours[i];
            if (colour.red != reference.palette[3 * i] || colour.green != reference.palette[3 * i + 1] ||
                colour.blue != reference.palette[3 * i + 2] || colour.reserved != 0) {
                return {false, "colour table entry " + std::to_string(i) + " differs from the palette"};
            }
        }
    }
    return {true, "ok"};
}

// False when the argument names nothing on disk, so that a missing folder is
// said as such and never read as a file the decoder refuses.
bool collect(const std::string& argument, std::vector<std::string>& files) {
    namespace fs = std::filesystem;
    std::error_code ignored;
    if (!fs::exists(argument, ignored)) {
        std::fprintf(stderr, "png-compare: no such file or folder: %s\n", argument.c_str());
        return false;
    }
    if (fs::is_directory(argument, ignored)) {
        std::vector<std::string> found;
        for (const fs::directory_entry& entry : fs::directory_iterator(argument, ignored)) {
            if (entry.is_regular_file(ignored) && entry.path().extension() == ".png") {
                found.push_back(entry.path().string());
            }
        }
        std::sort(found.begin(), found.end());
        files.insert(files.end(), found.begin(), found.end());
    } else {
        files.push_back(argument);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: png-compare FILE|DIR...\n");
        return 2;
    }
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (!collect(argv[i], files)) return 2;
    }
    if (files.empty()) {
        std::fprintf(stderr, "png-compare: no PNG files found\n");
        return 2;
    }
    int passed = 0;
    int failed = 0;
    for (const std::string& file : files) {
        const Verdict verdict = compareFile(file);
        std::printf("%s: %s\n", file.c_str(), verdict.text.c_str());
        (verdict.passed ? passed : failed) += 1;
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
