// Picture arithmetic that needs no window: fitting into a box and the
// nibble swap of the stored pictures.
#pragma once

#include <cstddef>
#include <cstdint>

struct PictureSize {
    int width;
    int height;
};

// Keeps the aspect ratio and enlarges as well as shrinks. The limiting side
// equals the box side exactly and the other is truncated; worked out in
// integers, since floating point can land one pixel short of the box.
PictureSize fitToBox(int width, int height, int boxWidth, int boxHeight);

// Stored pictures have the two 4-bit halves of every byte exchanged; the
// exchange is its own inverse.
void swapNibbles(uint8_t* bytes, size_t length);
