// The XOR scrambling of the stored contents with the content key.
#pragma once

#include <cstddef>
#include <cstdint>

// Byte 0 is left as it is; every later byte is XORed with key byte
// *keyPosition, which advances and wraps at the key length. The position
// carries on from one block to the next, so it is passed in and out.
// Scrambling and unscrambling are the same operation.
void scrambleWithKey(uint8_t* bytes, size_t length, int* keyPosition);
