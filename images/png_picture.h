// PNG pictures stored as raw-data resources, for ids without an "IMG" one.
#pragma once

#include <windows.h>

// Decodes the PNG raw-data resource `id` into a bitmap fitted to the box;
// null when there is none or it cannot be decoded (the decoder says why).
HBITMAP loadPngResource(HMODULE module, int id, int boxWidth, int boxHeight);
