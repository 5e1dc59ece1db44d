#include "images/picture_loader.h"

#include <ole2.h>
#include <olectl.h>

#include <cstdio>
#include <cstring>

#include "quiz/messages.h"
#include "images/picture_header.h"
#include "images/picture_math.h"
#include "images/png_picture.h"

namespace {

constexpr char captionInformation[] = "Information";

// A picture file in memory, handed to the platform's picture loader. With
// `scrambled` the nibble swap is undone while copying, so the resource's own
// read-only bytes are never touched.
HBITMAP decodePicture(const uint8_t* bytes, size_t length, bool scrambled) {
    const HRESULT com = CoInitialize(nullptr);
    HBITMAP copy = nullptr;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, length ? length : 1);
    IStream* stream = nullptr;
    if (block) {
        auto* target = static_cast<uint8_t*>(GlobalLock(block));
        std::memcpy(target, bytes, length);
        if (scrambled) swapNibbles(target, length);
        GlobalUnlock(block);
        if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream))) {
            GlobalFree(block);
            stream = nullptr;
        }
    }
    IPicture* picture = nullptr;
    if (stream && SUCCEEDED(OleLoadPicture(stream, static_cast<LONG>(length), FALSE, IID_IPicture,
                                           reinterpret_cast<void**>(&picture)))) {
        // An icon or a metafile is a picture too, but its handle is no
        // bitmap: it counts as no picture rather than a failed copy.
        SHORT type = PICTYPE_UNINITIALIZED;
        OLE_HANDLE handle = 0;
        const bool bitmap = SUCCEEDED(picture->get_Type(&type)) && type == PICTYPE_BITMAP &&
                            SUCCEEDED(picture->get_Handle(&handle)) && handle;
        if (bitmap) {
            copy = static_cast<HBITMAP>(
                CopyImage(reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(handle)), IMAGE_BITMAP, 0, 0, 0));
        }
        if (bitmap && !copy) {
            char text[96];
            std::snprintf(text, sizeof text, "%s plante avec l'erreur : %d\n", "CopyImage", static_cast<int>(GetLastError()));
            showMessage(text, captionInformation, messageOk | messageIconInformation);
        }
        picture->Release();
    }
    if (stream) stream->Release();
    if (SUCCEEDED(com)) CoUninitialize();
    return copy;
}

}  // namespace

HBITMAP pictureFromBytes(const uint8_t* bytes, size_t length) { return decodePicture(bytes, length, false); }

HBITMAP scaleToBox(HBITMAP source, int boxWidth, int boxHeight) {
    if (!source) return nullptr;
    const SIZE size = bitmapSize(source);
    const PictureSize fit = fitToBox(size.cx, size.cy, boxWidth, boxHeight);
    HBITMAP scaled = nullptr;
    if (fit.width > 0 && fit.height > 0) {
        HDC screen = GetDC(nullptr);
        HDC from = CreateCompatibleDC(screen);
        HDC to = CreateCompatibleDC(screen);
        scaled = CreateCompatibleBitmap(screen, fit.width, fit.height);
        if (scaled) {
            HGDIOBJ oldFrom = SelectObject(from, source);
            HGDIOBJ oldTo = SelectObject(to, scaled);
            SetStretchBltMode(to, HALFTONE);
            SetBrushOrgEx(to, 0, 0, nullptr);
            StretchBlt(to, 0, 0, fit.width, fit.height, from, 0, 0, size.cx, size.cy, SRCCOPY);
            SelectObject(from, oldFrom);
            SelectObject(to, oldTo);
        }
        DeleteDC(from);
        DeleteDC(to);
        ReleaseDC(nullptr, screen);
    }
    DeleteObject(source);
    return scaled;
}

HBITMAP loadPicture(HMODULE module, int id, const char* type, int boxWidth, int boxHeight) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    if (!loaded) return scaleToBox(loadPngResource(module, id, boxWidth, boxHeight), boxWidth, boxHeight);
    const auto* bytes = static_cast<const uint8_t*>(LockResource(loaded));
    const DWORD length = SizeofResource(module, found);
    HBITMAP picture = bytes ? decodePicture(bytes, length, true) : nullptr;
    FreeResource(loaded);
    return scaleToBox(picture, boxWidth, boxHeight);
}

bool pictureResourceSize(HMODULE module, int id, const char* type, SIZE* size) {
    bool swapped = true;
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    if (!found) {
        found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));  // a PNG as raw data
        swapped = false;
    }
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* bytes = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
    PictureSize header{};
    const bool known = bytes && pictureHeaderSize(bytes, SizeofResource(module, found), swapped, &header);
    if (loaded) FreeResource(loaded);
    if (known) *size = {header.width, header.height};
    return known;
}

SIZE bitmapSize(HBITMAP bitmap) {
    BITMAP description{};
    if (!bitmap || !GetObjectA(bitmap, sizeof description, &description)) return {0, 0};
    return {description.bmWidth, description.bmHeight};
}

void attachPicture(HWND pictureStatic, HBITMAP bitmap) {
    if (!bitmap) return;
    HBITMAP old = reinterpret_cast<HBITMAP>(
        SendMessageA(pictureStatic, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
    if (old && old != bitmap) DeleteObject(old);
}
