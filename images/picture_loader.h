// Question pictures from the executable's resources, scaled into their box.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// The "IMG" resource `id` of `type` (its bytes nibble-swapped), or else the
// PNG raw-data resource of that id, scaled to fit the box. The caller owns
// the bitmap; null when there is no such picture.
HBITMAP loadPicture(HMODULE module, int id, const char* type, int boxWidth, int boxHeight);

// A BMP, JPEG or GIF file in memory as a bitmap of its own size, or null.
HBITMAP pictureFromBytes(const uint8_t* bytes, size_t length);

// A new bitmap fitted to the box, smoothed; the source is deleted.
HBITMAP scaleToBox(HBITMAP source, int boxWidth, int boxHeight);

// The picture's own size, read from the header of its resource (the "IMG"
// one, or else the PNG raw-data one) without decoding it.
bool pictureResourceSize(HMODULE module, int id, const char* type, SIZE* size);

// Width and height of a bitmap; 0 x 0 for none.
SIZE bitmapSize(HBITMAP bitmap);

// Gives a picture static its bitmap; the static owns it from then on, and the
// bitmap it held before is deleted.
void attachPicture(HWND pictureStatic, HBITMAP bitmap);
