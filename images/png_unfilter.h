// The hot loops of the pixel fill: unfiltering a row, and the byte-order
// swaps of the two most common outputs. SIMD where the machine has it, plain
// code otherwise.
#pragma once

#include <cstddef>
#include <cstdint>

// Undoes filter type `filter` (0 None, 1 Sub, 2 Up, 3 Average, 4 Paeth) on
// `bytes` bytes of `raw` into `current`, with `previous` the unfiltered row
// above. Both row buffers have 16 zero bytes before their start and 32 spare
// bytes after their end, which may be overwritten. `distance` is the byte
// distance to the left neighbour: 1 to 8.
void pngUnfilterRow(unsigned filter, const uint8_t* raw, const uint8_t* previous, uint8_t* current, size_t bytes,
                    unsigned distance);

void pngRgbToBgrRow(const uint8_t* in, uint32_t pixels, uint8_t* out);
void pngRgbaToBgraRow(const uint8_t* in, uint32_t pixels, uint8_t* out);
