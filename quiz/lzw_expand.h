// Expander of the LZW-coded quiz contents.
//
// Codes are packed most significant bit first, 9 bits wide at the start.
// 0..255 are bytes, 256 ends the data, 257 widens the codes by one bit,
// 258 resets the dictionary and the width, 259 and up are dictionary strings.
#pragma once

#include <cstddef>
#include <cstdint>

enum LzwResult : int32_t {
    lzwOk = 0,
    lzwOutOfMemory = -4,
    lzwNoInput = -5,   // the data ends before the first code is complete
    lzwBadData = -7,   // bad code, missing end code, or a limit below exceeded
};

constexpr size_t lzwMaxInput = 32768;
constexpr size_t lzwMaxOutput = 30000;
constexpr int lzwDictionarySize = 4096;
constexpr size_t lzwMaxString = 4096;
// The codes parser may read up to three bytes past the produced data; the
// output block always has them, zeroed.
constexpr size_t lzwOutputSlack = 3;

// Expands `input`. On every result but an out-of-memory before expansion
// starts, *output receives a new block (free it with lzwFree) and
// *reportedLength the number of bytes produced plus 2.
int32_t lzwExpand(const uint8_t* input, size_t inputLength, uint8_t** output, int32_t* reportedLength);

void lzwFree(uint8_t* block);

// Tests replace the block allocation to reach the out-of-memory path; a
// block must stay releasable with std::free. Returns the previous one.
using LzwBlockAllocator = void* (*)(size_t);
LzwBlockAllocator lzwSetBlockAllocator(LzwBlockAllocator allocator);
