// Inflater of zlib-wrapped DEFLATE data (RFC 1950 and RFC 1951), as PNG
// image data uses it.
//
// The output buffer has a fixed size, known before inflating: it must be
// filled completely, and whatever the stream would produce beyond it is
// ignored (its blocks are not even decoded). Nothing is ever written outside
// the buffer. The input may arrive in several pieces (a PNG splits its image
// data over IDAT chunks); it is read in place, never gathered into a copy.
#pragma once

#include <cstddef>
#include <cstdint>

enum InflateResult : int32_t {
    inflateOk = 0,
    inflateBadHeader = 1,        // zlib header: method not 8, window above 32 KiB, or a preset dictionary
    inflateBadBlockType = 2,     // block type 3
    inflateBadStoredLength = 3,  // stored block whose NLEN is not the complement of LEN
    inflateBadCodeLengths = 4,   // too many symbols, a repeat with nothing to repeat or past the end,
                                 // or no end-of-block code
    inflateBadHuffmanCode = 5,   // over-subscribed, or incomplete where DEFLATE does not allow it
    inflateBadSymbol = 6,        // length 286 or 287, distance 30 or 31, or bits no code was given
    inflateDistanceTooFar = 7,   // a distance reaching before the start of the output
    inflateTruncated = 8,        // the input ends inside the stream
    inflateShortOutput = 9,      // the last block ends before the output is full
};

// Where the input continues once a piece is used up. `next` gives the next
// piece (it may be empty) and returns false when there is none.
struct InflateSource {
    bool (*next)(void* context, const uint8_t** data, size_t* size);
    void* context;
};

// Inflates a zlib stream whose first piece is data[0..size) and whose further
// pieces, if any, come from `more` (null for none). The header's check bits
// and the closing Adler-32 value are not verified.
InflateResult inflateZlib(const uint8_t* data, size_t size, const InflateSource* more, uint8_t* output,
                          size_t outputSize);

// The same for bare DEFLATE data without the zlib wrapper.
InflateResult inflateRaw(const uint8_t* data, size_t size, const InflateSource* more, uint8_t* output,
                         size_t outputSize);

const char* inflateResultName(InflateResult result);
