// Fuzzes the inflater alone, against zlib.
//
// Input: two bytes of settings, then the stream.
//   byte 0, bits 0-6  the output size in 512-byte steps (0..63.5 KiB), plus
//                     byte 1 for the size's low bits;
//   byte 0, bit 7     1: the stream has the zlib wrapper; 0: bare DEFLATE.
//   byte 1, bits 4-7  also: pieces of (this + 1) bytes for a second run.
// Properties: no result but the listed ones, nothing written outside the
// output (an exact-size buffer under AddressSanitizer), the same result and
// bytes whether the input comes whole or in pieces, and for bare DEFLATE:
// success exactly when zlib fills the same output, with the same bytes.
#include "images/inflate.h"
#include "fuzz/require.h"

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr size_t maxFuzzInput = 1 << 18;

struct Pieces {
    const uint8_t* data;
    size_t size;
    size_t pieceSize;
    size_t at;
};

bool nextPiece(void* context, const uint8_t** data, size_t* size) {
    auto* pieces = static_cast<Pieces*>(context);
    if (pieces->at >= pieces->size) {
        return false;
    }
    const size_t n = pieces->size - pieces->at < pieces->pieceSize ? pieces->size - pieces->at : pieces->pieceSize;
    *data = pieces->data + pieces->at;
    *size = n;
    pieces->at += n;
    return true;
}

InflateResult run(bool zlibWrapper, const uint8_t* data, size_t size, const InflateSource* more, uint8_t* out,
                  size_t outSize) {
    return zlibWrapper ? inflateZlib(data, size, more, out, outSize) : inflateRaw(data, size, more, out, outSize);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > maxFuzzInput) {
        return 0;
    }
    const bool zlibWrapper = (data[0] & 0x80) != 0;
    const size_t outSize = size_t(data[0] & 0x7F) * 512 + data[1];
    const size_t pieceSize = size_t(data[1] >> 4) + 1;
    const uint8_t* stream = data + 2;
    const size_t streamSize = size - 2;

    std::vector<uint8_t> whole(outSize);
    const InflateResult result = run(zlibWrapper, stream, streamSize, nullptr, whole.data(), outSize);
    require(result >= inflateOk && result <= inflateShortOutput);

    Pieces pieces{stream, streamSize, pieceSize, pieceSize < streamSize ? pieceSize : streamSize};
    const InflateSource more{nextPiece, &pieces};
    std::vector<uint8_t> split(outSize);
    const InflateResult splitResult = run(zlibWrapper, stream, pieces.at, &more, split.data(), outSize);
    require(splitResult == result);
    if (result == inflateOk) {
        require(split == whole);
    }

    if (!zlibWrapper) {
        z_stream z{};
        require(inflateInit2(&z, -15) == Z_OK);
        std::vector<uint8_t> reference(outSize + 1);
        z.next_in = const_cast<Bytef*>(stream);
        z.avail_in = static_cast<uInt>(streamSize);
        z.next_out = reference.data();
        z.avail_out = static_cast<uInt>(outSize);
        inflate(&z, Z_FINISH);
        const size_t produced = outSize - z.avail_out;
        inflateEnd(&z);
        require((result == inflateOk) == (produced == outSize));
        if (result == inflateOk && outSize > 0) {
            require(std::memcmp(reference.data(), whole.data(), outSize) == 0);
        }
    }
    return 0;
}
