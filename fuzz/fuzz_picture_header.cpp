// Fuzzes the reading of picture sizes from their headers, plain and
// nibble-swapped: it must answer within the bytes it is given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "images/picture_header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 20) return 0;
    // An exact-size copy, so that a read past the end is caught.
    std::vector<uint8_t> bytes(data, data + size);
    for (bool swapped : {false, true}) {
        PictureSize picture{};
        if (pictureHeaderSize(bytes.data(), bytes.size(), swapped, &picture)) {
            if (picture.width <= 0 || picture.height <= 0) std::abort();
        }
    }
    return 0;
}
