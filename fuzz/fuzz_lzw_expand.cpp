// Fuzzes the LZW expander, and the coder against it.
//
// The first byte picks the property:
//   top bit clear  the rest is a coded stream: the expander must end with one
//                  of its results, never write outside its block, report a
//                  length inside the block and leave the slack bytes zeroed;
//   top bit set    the rest is plain data: coding it and expanding the code
//                  must give it back (or, when the code is larger than the
//                  expander's input room, be turned down as bad data).
#include "pack/stored/lzw_compress.h"
#include "quiz/lzw_expand.h"
#include "fuzz/require.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// A little over the input limit, so that the limit itself gets exercised.
constexpr size_t maxFuzzInput = lzwMaxInput + 64;

void checkExpansion(const uint8_t* data, size_t size) {
    uint8_t* block = nullptr;
    int32_t reported = -1;
    const int32_t result = lzwExpand(data, size, &block, &reported);
    require(result == lzwOk || result == lzwNoInput || result == lzwBadData);
    require(block != nullptr);
    require(reported >= 2 && reported <= static_cast<int32_t>(lzwMaxOutput + 2));
    require((result == lzwNoInput) == (size < 2));
    require(result != lzwNoInput || reported == 2);
    require(size <= lzwMaxInput || result == lzwBadData);
    const size_t produced = static_cast<size_t>(reported - 2);
    for (size_t i = 0; i < lzwOutputSlack; ++i) {
        require(block[produced + i] == 0);
    }
    lzwFree(block);
}

void checkRoundTrip(const uint8_t* data, size_t size) {
    if (size > lzwMaxOutput) {
        size = lzwMaxOutput;
    }
    if (size == 0) {
        return;
    }
    const std::vector<uint8_t> coded = lzwCompress(data, size);
    uint8_t* block = nullptr;
    int32_t reported = -1;
    const int32_t result = lzwExpand(coded.data(), coded.size(), &block, &reported);
    require(block != nullptr);
    if (coded.size() > lzwMaxInput) {
        require(result == lzwBadData);
    } else {
        require(result == lzwOk);
        require(reported == static_cast<int32_t>(size + 2));
        require(std::memcmp(block, data, size) == 0);
    }
    lzwFree(block);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > maxFuzzInput) {
        return 0;
    }
    const bool roundTrip = (data[0] & 0x80) != 0;
    if (roundTrip) {
        checkRoundTrip(data + 1, size - 1);
    } else {
        checkExpansion(data + 1, size - 1);
    }
    return 0;
}
