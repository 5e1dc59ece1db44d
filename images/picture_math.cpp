#include "images/picture_math.h"

PictureSize fitToBox(int width, int height, int boxWidth, int boxHeight) {
    if (width <= 0 || height <= 0 || boxWidth <= 0 || boxHeight <= 0) return {0, 0};
    // boxWidth / width <= boxHeight / height, without dividing.
    const int64_t widthLimited = int64_t{boxWidth} * height;
    const int64_t heightLimited = int64_t{boxHeight} * width;
    if (widthLimited <= heightLimited) {
        return {boxWidth, static_cast<int>(int64_t{height} * boxWidth / width)};
    }
    return {static_cast<int>(int64_t{width} * boxHeight / height), boxHeight};
}

void swapNibbles(uint8_t* bytes, size_t length) {
    for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>((bytes[i] << 4) | (bytes[i] >> 4));
}
