// Fuzzes the whole PNG decode: scan, inflation, and the pixels of every
// bitmap format the image allows, into exact-size buffers. Images above a
// million pixels are skipped (read from the header first) so that each run
// stays short; the decoder's own limits are tested elsewhere.
#include "images/png_decoder.h"
#include "fuzz/require.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr size_t maxFuzzInput = 1 << 20;
constexpr uint64_t maxFuzzPixels = 1 << 20;

uint32_t bigEndian32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

void fillWith(PngState& state, uint32_t format) {
    PngBitmapLayout layout;
    if (!pngPrepareBitmap(&state, format, &layout)) {
        require(state.lastError == pngErrorFormatMismatch);
        return;
    }
    require(layout.stride % 4 == 0 && layout.pixelBytes == uint64_t(layout.stride) * state.height);
    std::vector<uint8_t> pixels(layout.pixelBytes);
    const int filled = pngFillPixels(&state, &layout, pixels.data());
    uint8_t* rendered = nullptr;
    const int renderedOk = pngRenderPixels(&state, &layout, &rendered);
    require(renderedOk == filled);
    if (filled) {
        require(std::memcmp(rendered, pixels.data(), pixels.size()) == 0);
    }
    pngFree(rendered);
}

// Decoded in place, into a buffer of exactly the size it asks for, the
// pixels are those of the two-step decode, or both refuse.
void decodeInPlace(const uint8_t* data, size_t size) {
    PngState twoStep, inPlace;
    pngInit(&twoStep);
    pngInit(&inPlace);
    PngBitmapLayout layout;
    if (pngLoadBytes(&inPlace, data, static_cast<uint32_t>(size)) &&
        pngPlanBitmap(&inPlace, pngDefaultFormat, &layout)) {
        std::vector<uint8_t> buffer(pngInPlaceSize(&inPlace, &layout));
        require(buffer.size() >= layout.pixelBytes);
        const int decoded = pngDecodeInPlace(&inPlace, &layout, buffer.data(), buffer.size());
        std::vector<uint8_t> pixels(layout.pixelBytes);
        const int expected = pngLoadBytes(&twoStep, data, static_cast<uint32_t>(size)) && pngDecode(&twoStep) &&
                             pngFillPixels(&twoStep, &layout, pixels.data());
        require(decoded == expected);
        if (decoded) require(std::memcmp(buffer.data(), pixels.data(), pixels.size()) == 0);
    }
    pngRelease(&twoStep);
    pngRelease(&inPlace);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > maxFuzzInput) {
        return 0;
    }
    if (size >= 24 && uint64_t(bigEndian32(data + 16)) * bigEndian32(data + 20) > maxFuzzPixels) {
        return 0;
    }
    PngState state;
    pngInit(&state);
    if (pngLoadBytes(&state, data, static_cast<uint32_t>(size)) && pngDecode(&state)) {
        require(state.stage == pngStageDecoded && state.rawRows != nullptr && state.lastError == 0);
        fillWith(state, pngDefaultFormat);
        for (size_t i = 0; i < pngFormatCount; ++i) {
            fillWith(state, pngFormats[i].word);
        }
    } else {
        require(state.rawRows == nullptr);
        require(state.lastError == pngErrorNotPng || state.lastError == pngErrorUnsupported ||
                state.lastError == pngErrorResourceUnreadable);
    }
    pngRelease(&state);
    decodeInPlace(data, size);
    return 0;
}
