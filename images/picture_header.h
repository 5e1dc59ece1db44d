// The size of a BMP, GIF, PNG or JPEG picture read from its header, without
// decoding it, so that rows can be laid out before their pictures are.
#pragma once

#include <cstddef>
#include <cstdint>

#include "images/picture_math.h"

// `nibbleSwapped`: the bytes are stored with the halves of each byte
// exchanged, as the quiz's pictures are. False for anything it does not
// recognise or that ends too early.
bool pictureHeaderSize(const uint8_t* bytes, size_t length, bool nibbleSwapped, PictureSize* size);
