// Fuzzes the PNG chunk scan: any bytes, loaded in place. The scan must end
// with one of its results, read nothing outside the file, and leave the
// state as its stage promises; releasing must clear it.
#include "images/png_decoder.h"
#include "fuzz/require.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// The scan allocates nothing; the cap only keeps each run short.
constexpr size_t maxFuzzInput = 1 << 20;

bool inside(const PngState& state, const uint8_t* p, size_t bytes) {
    return p >= state.fileData && p + bytes <= state.fileData + state.fileSize;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > maxFuzzInput) {
        return 0;
    }
    PngState state;
    pngInit(&state);
    const int loaded = pngLoadBytes(&state, data, static_cast<uint32_t>(size));
    if (loaded) {
        require(state.stage == pngStageLoaded && state.sourceKind == pngSourceResource);
        require(state.lastError == 0);
        require(state.width >= 1 && state.width <= pngMaxSide && state.height >= 1 && state.height <= pngMaxSide);
        require(state.interlace <= 1);
        require(inside(state, state.header, 13));
        if (state.firstImageData != nullptr) {
            require(inside(state, state.firstImageData, 12));
        }
        if (state.palette != nullptr) {
            require(inside(state, state.palette, size_t(state.paletteCount) * 3));
        }
    } else {
        require(state.stage == pngStageEmpty && state.sourceKind == pngSourceNone);
        require(state.lastError == pngErrorNotPng || state.lastError == pngErrorUnsupported ||
                state.lastError == pngErrorResourceUnreadable);
    }
    pngRelease(&state);
    const PngState empty{};
    require(std::memcmp(&state, &empty, sizeof state) == 0);
    return 0;
}
