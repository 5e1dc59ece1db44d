// The platform half of the PngDecoder: finding the PNG resource, and making
// a bitmap of the decoded image. Everything else is pure (png_decoder.h).
#pragma once

#include "images/png_decoder.h"

#include <windows.h>

// Finds the raw-data (RCDATA) resource `id` of `module` and takes its bytes,
// in place, with the chunk scan (stage 0 -> 1). Fails with
// pngErrorAlreadyLoaded, pngErrorNoResource, pngErrorResourceUnreadable or a
// reason of the scan.
int pngLoadResource(PngState* state, HMODULE module, int id);

// Makes a bitmap of a decoded image (stage 2, unchanged), owned by the
// caller, or returns null. `window` lends its drawing context (null: the
// screen's); `format` is an output format word or pngDefaultFormat; variant
// 0 makes a DIB section written in place, any other value a device-dependent
// bitmap made from the pixels in a heap buffer.
HBITMAP pngCreateBitmap(PngState* state, HWND window, uint32_t format, int variant);

// Decodes a loaded image (stage 1, unchanged) straight into a new DIB
// section, as pngDecodeInPlace does: the memory taken is the bitmap's and
// about one byte per row more, with no buffer of the whole filtered image
// beside it. Null on failure, with lastError pngErrorNotPng (the image data)
// or pngErrorBitmapRefused (the platform).
HBITMAP pngDecodeBitmap(PngState* state, HWND window, uint32_t format);

// The two platform calls that make the bitmaps. Tests replace them to make
// the platform refuse, or to watch what is made; a null member restores the
// real call. Returns the previous ones.
struct PngBitmapCalls {
    HBITMAP(WINAPI* createDibSection)(HDC, const BITMAPINFO*, UINT, void**, HANDLE, DWORD);
    HBITMAP(WINAPI* createDibitmap)(HDC, const BITMAPINFOHEADER*, DWORD, const void*, const BITMAPINFO*, UINT);
};
PngBitmapCalls pngSetBitmapCalls(PngBitmapCalls calls);
