#include "images/png_bitmap.h"

#include <cstddef>

// The decoder lays its header and colour table out as BITMAPINFO does, so
// that they can be handed to the platform as they are.
static_assert(sizeof(PngBitmapHeader) == sizeof(BITMAPINFOHEADER), "header laid out as BITMAPINFOHEADER");
static_assert(offsetof(PngBitmapHeader, bitCount) == offsetof(BITMAPINFOHEADER, biBitCount), "bit count");
static_assert(offsetof(PngBitmapHeader, clrUsed) == offsetof(BITMAPINFOHEADER, biClrUsed), "colours used");
static_assert(sizeof(PngColour) == sizeof(RGBQUAD), "colour laid out as RGBQUAD");
static_assert(offsetof(PngBitmapInfo, colours) == offsetof(BITMAPINFO, bmiColors), "colour table follows");

namespace {

const PngBitmapCalls platformCalls = {CreateDIBSection, CreateDIBitmap};
PngBitmapCalls bitmapCalls = platformCalls;

HBITMAP makeDibSection(PngState* state, HDC dc, const PngBitmapLayout& layout) {
    const auto* info = reinterpret_cast<const BITMAPINFO*>(&layout.info);
    void* bits = nullptr;
    HBITMAP bitmap = bitmapCalls.createDibSection(dc, info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr || bits == nullptr) {
        if (bitmap != nullptr) {
            DeleteObject(bitmap);
        }
        state->lastError = pngErrorBitmapRefused;
        return nullptr;
    }
    if (!pngFillPixels(state, &layout, static_cast<uint8_t*>(bits))) {
        // The section exists already: it goes with the failure.
        DeleteObject(bitmap);
        return nullptr;
    }
    return bitmap;
}

HBITMAP makeDependentBitmap(PngState* state, HDC dc, const PngBitmapLayout& layout) {
    uint8_t* pixels = nullptr;
    if (!pngRenderPixels(state, &layout, &pixels)) {
        return nullptr;
    }
    const auto* info = reinterpret_cast<const BITMAPINFO*>(&layout.info);
    HBITMAP bitmap = bitmapCalls.createDibitmap(dc, &info->bmiHeader, CBM_INIT, pixels, info, DIB_RGB_COLORS);
    if (bitmap == nullptr) {
        state->lastError = pngErrorBitmapRefused;
    }
    pngFree(pixels);
    return bitmap;
}

// A section of shared memory holding the bitmap and, while decoding, the raw
// rows after it; the bitmap made on it sees what was decoded into it.
HANDLE decodeIntoSection(PngState* state, const PngBitmapLayout& layout) {
    const uint64_t size = pngInPlaceSize(state, &layout);
    HANDLE section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, static_cast<DWORD>(size >> 32),
                                        static_cast<DWORD>(size), nullptr);
    void* view = section ? MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, static_cast<SIZE_T>(size)) : nullptr;
    if (view == nullptr) {
        if (section) CloseHandle(section);
        state->lastError = pngErrorBitmapRefused;
        return nullptr;
    }
    const int decoded = pngDecodeInPlace(state, &layout, static_cast<uint8_t*>(view), size);
    UnmapViewOfFile(view);
    if (!decoded) {
        CloseHandle(section);
        return nullptr;
    }
    return section;
}

}  // namespace

HBITMAP pngDecodeBitmap(PngState* state, HWND window, uint32_t format) {
    PngBitmapLayout layout;
    if (!pngPlanBitmap(state, format, &layout)) {
        return nullptr;
    }
    HANDLE section = decodeIntoSection(state, layout);
    if (section == nullptr) {
        return nullptr;
    }
    HDC dc = GetDC(window);
    void* bits = nullptr;
    const auto* info = reinterpret_cast<const BITMAPINFO*>(&layout.info);
    HBITMAP bitmap = bitmapCalls.createDibSection(dc, info, DIB_RGB_COLORS, &bits, section, 0);
    ReleaseDC(window, dc);
    // The bitmap keeps its own view of the section for as long as it lives.
    CloseHandle(section);
    if (bitmap == nullptr || bits == nullptr) {
        if (bitmap != nullptr) {
            DeleteObject(bitmap);
        }
        state->lastError = pngErrorBitmapRefused;
        return nullptr;
    }
    return bitmap;
}

PngBitmapCalls pngSetBitmapCalls(PngBitmapCalls calls) {
    const PngBitmapCalls previous = bitmapCalls;
    bitmapCalls.createDibSection = calls.createDibSection ? calls.createDibSection : platformCalls.createDibSection;
    bitmapCalls.createDibitmap = calls.createDibitmap ? calls.createDibitmap : platformCalls.createDibitmap;
    return previous;
}

int pngLoadResource(PngState* state, HMODULE module, int id) {
    if (state->stage != pngStageEmpty || state->sourceKind != pngSourceNone) {
        state->lastError = pngErrorAlreadyLoaded;
        return 0;
    }
    state->lastError = 0;
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));  // RT_RCDATA
    if (found == nullptr) {
        state->lastError = pngErrorNoResource;
        return 0;
    }
    HGLOBAL loaded = LoadResource(module, found);
    const DWORD size = SizeofResource(module, found);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr || size == 0) {
        state->lastError = pngErrorResourceUnreadable;
        return 0;
    }
    return pngLoadBytes(state, static_cast<const uint8_t*>(data), size);
}

HBITMAP pngCreateBitmap(PngState* state, HWND window, uint32_t format, int variant) {
    PngBitmapLayout layout;
    if (!pngPrepareBitmap(state, format, &layout)) {
        return nullptr;
    }
    HDC dc = GetDC(window);
    HBITMAP bitmap = variant == 0 ? makeDibSection(state, dc, layout) : makeDependentBitmap(state, dc, layout);
    ReleaseDC(window, dc);
    return bitmap;
}
