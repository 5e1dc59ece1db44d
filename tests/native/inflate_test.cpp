// The inflater on streams written bit by bit, each a special case or a fault
// with the result and bytes it must give. Random, cut and split streams
// against zlib, into exact-size buffers, are fuzz_inflate's job.
#include "images/inflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using Lengths = std::vector<unsigned>;

// Writes DEFLATE bits: fields least significant bit first, Huffman codes
// most significant bit first, as RFC 1951 packs them.
class BitWriter {
public:
    BitWriter& bits(uint32_t value, unsigned count) {
        for (unsigned i = 0; i < count; ++i) put((value >> i) & 1);
        return *this;
    }
    BitWriter& code(uint32_t value, unsigned length) {
        for (unsigned i = length; i-- > 0;) put((value >> i) & 1);
        return *this;
    }
    BitWriter& header(bool last, unsigned type) { return bits(last ? 1 : 0, 1).bits(type, 2); }
    // A stored block, its NLEN off by `nlenError`.
    BitWriter& stored(bool last, const Bytes& data, uint32_t nlenError = 0) {
        const auto length = static_cast<uint32_t>(data.size());
        header(last, 0).align().bits(length, 16).bits(0xFFFF ^ length ^ nlenError, 16);
        for (uint8_t b : data) bits(b, 8);
        return *this;
    }
    // A literal or length symbol of the fixed code.
    BitWriter& fixed(unsigned symbol) {
        if (symbol < 144) return code(0x30 + symbol, 8);
        if (symbol < 256) return code(0x190 + symbol - 144, 9);
        return symbol < 280 ? code(symbol - 256, 7) : code(0xC0 + symbol - 280, 8);
    }
    // A match in the fixed code: length 3..258, distance 1..32768, with their extra bits.
    BitWriter& match(unsigned length, unsigned distance) {
        unsigned k = 28;
        while (lengthBase(k) > length) --k;
        fixed(257 + k).bits(length - lengthBase(k), k < 8 || k == 28 ? 0 : (k - 4) / 4);
        unsigned d = 29;
        while (distanceBase(d) > distance) --d;
        return code(d, 5).bits(distance - distanceBase(d), d < 4 ? 0 : d / 2 - 1);
    }
    Bytes done() { return align().bytes_; }

private:
    static unsigned lengthBase(unsigned k) { return k < 8 ? k + 3 : k == 28 ? 258 : ((4 + k % 4) << (k / 4 - 1)) + 3; }
    static unsigned distanceBase(unsigned k) { return k < 4 ? k + 1 : ((2 + k % 2) << (k / 2 - 1)) + 1; }
    BitWriter& align() { return used_ != 0 ? bits(0, 8 - used_) : *this; }
    void put(unsigned bit) {
        if (used_ == 0) bytes_.push_back(0);
        bytes_.back() |= static_cast<uint8_t>(bit << used_);
        used_ = (used_ + 1) & 7;
    }
    Bytes bytes_;
    unsigned used_ = 0;
};

// Canonical codes for the given lengths.
Lengths canonicalCodes(const Lengths& lengths) {
    unsigned perLength[16] = {}, next[16] = {};
    for (unsigned length : lengths) ++perLength[length];
    perLength[0] = 0;
    for (unsigned length = 1, code = 0; length < 16; ++length) next[length] = code = (code + perLength[length - 1]) << 1;
    Lengths codes(lengths.size());
    for (size_t s = 0; s < lengths.size(); ++s) codes[s] = lengths[s] != 0 ? next[lengths[s]]++ : 0;
    return codes;
}

// A dynamic block header: the counts and the 19 precode lengths.
BitWriter writePrecode(unsigned litlenCount, unsigned distanceCount, const Lengths& precode) {
    BitWriter w;
    static const unsigned order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    w.header(true, 2).bits(litlenCount - 257, 5).bits(distanceCount - 1, 5).bits(19 - 4, 4);
    for (unsigned symbol : order) w.bits(precode[symbol], 3);
    return w;
}

Lengths changed(Lengths lengths, std::vector<std::pair<unsigned, unsigned>> changes) {
    for (const auto& change : changes) lengths[change.first] = change.second;
    return lengths;
}

// Lengths 0..15 with a 4-bit code each: a complete precode.
const Lengths flatPrecode = {4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 0, 0, 0};

// A dynamic block header sending each length with one precode symbol.
BitWriter dynamic(const Lengths& litlen, const Lengths& distance, const Lengths& precode = flatPrecode) {
    const Lengths codes = canonicalCodes(precode);
    BitWriter w = writePrecode(static_cast<unsigned>(litlen.size()), static_cast<unsigned>(distance.size()), precode);
    for (const Lengths* list : {&litlen, &distance}) {
        for (unsigned length : *list) w.code(codes[length], precode[length]);
    }
    return w;
}

// Codes 'A' 00, 'B' 01, end 10, 'C' 110, 'D' 111; symbol 257 present, without a code.
const Lengths fourLiterals = changed(Lengths(258, 0), {{'A', 2}, {'B', 2}, {256, 2}, {'C', 3}, {'D', 3}});
// 'D' gone and match length 3 given its code, 111.
const Lengths withLength3 = changed(fourLiterals, {{'D', 0}, {257, 3}});

struct Stream {
    Bytes bytes;
    Bytes expected;         // the output when accepted
    size_t outputSize = 0;  // the expected bytes' size when 0
    bool zlib = false;
};

Stream raw(BitWriter w, Bytes expected = {}, size_t outputSize = 1) {
    return {w.done(), std::move(expected), outputSize};
}

// zlib's stream of 1 2 3 with a header byte changed.
Stream zlibHeader(int byte, uint8_t keep, uint8_t set) {
    Bytes stream(64);
    uLongf size = stream.size();
    compress(stream.data(), &size, reinterpret_cast<const Bytef*>("\1\2\3"), 3);
    stream.resize(size);
    stream[byte] = static_cast<uint8_t>((stream[byte] & keep) | set);
    return {stream, {1, 2, 3}, 0, true};
}

BitWriter fixedBlock() { return BitWriter().header(true, 1); }

// Literals 'a' 'b', then a match of length 3 at `distance`.
Stream fixedMatch(unsigned distance) {
    return raw(fixedBlock().fixed('a').fixed('b').match(3, distance).fixed(256), Bytes{'a', 'b', 'a', 'b', 'a'}, distance == 2 ? 0 : 5);
}

// 138 zeros, then `second` more, for 258 lengths.
Stream repeatZeros(unsigned second) {
    Lengths precode(19, 0);
    precode[18] = precode[1] = 1;  // zeros 11..138: code 1
    return raw(writePrecode(257, 1, precode).code(1, 1).bits(127, 7).code(1, 1).bits(second - 11, 7));
}

TEST(Inflate, EachStreamGivesItsResultAndBytes) {
    BitWriter overlapping = fixedBlock(), fastLoop = fixedBlock();
    Bytes overlapped;
    for (unsigned value = 0; value < 40; ++value) overlapping.fixed(value * 5), overlapped.push_back(static_cast<uint8_t>(value * 5));
    for (unsigned distance = 1; distance <= 40; ++distance) {
        overlapping.match(258, distance);
        for (unsigned k = 0; k < 258; ++k) overlapped.push_back(overlapped[overlapped.size() - distance]);
    }
    for (int i = 0; i < 100; ++i) fastLoop.fixed('x');
    fastLoop.match(10, 101);
    for (int i = 0; i < 600; ++i) fastLoop.fixed('y');
    Stream wrongChecks = zlibHeader(1, 0xFF, 0);
    wrongChecks.bytes[1] ^= 1, wrongChecks.bytes.back() ^= 0xFF;
    const Lengths repeatFirst = changed(flatPrecode, {{15, 0}, {16, 4}});
    const struct {
        const char* what;
        Stream stream;
        InflateResult result;
    } cases[] = {
        {"stored block", raw(BitWriter().stored(true, {1, 2, 3, 4, 5}), {1, 2, 3, 4, 5}, 0), inflateOk},
        {"stored NLEN off in bit 0 of an even length", raw(BitWriter().stored(true, {7, 9}, 1), {}, 2), inflateBadStoredLength},
        {"longest matches at distances 1 to 40 overlap their own output", raw(overlapping.fixed(256), overlapped, 0), inflateOk},
        {"match back to the first byte", fixedMatch(2), inflateOk},
        {"distance before the start", fixedMatch(3), inflateDistanceTooFar},
        {"distance before the start in the fast loop", raw(fastLoop.fixed(256), {}, 710), inflateDistanceTooFar},
        {"distance symbol 30", raw(fixedBlock().fixed('a').fixed(257).code(30, 5).fixed(256), {}, 4), inflateBadSymbol},
        {"length symbol 286", raw(fixedBlock().fixed('a').fixed(286).code(0, 5).fixed(256), {}, 4), inflateBadSymbol},
        {"block type 3", raw(BitWriter().header(true, 3).bits(0, 16)), inflateBadBlockType},
        {"dynamic block", raw(dynamic(fourLiterals, {0}).code(0, 2).code(1, 2).code(6, 3).code(7, 3).code(0, 2).code(2, 2), Bytes{'A', 'B', 'C', 'D', 'A'}, 0),
         inflateOk},
        {"over-subscribed literal code", raw(dynamic(changed(fourLiterals, {{'E', 2}}), {0})), inflateBadHuffmanCode},
        {"incomplete precode", raw(dynamic(Lengths(257, 0), {0}, changed(flatPrecode, {{15, 0}}))), inflateBadHuffmanCode},
        {"incomplete distance code of many codes", raw(dynamic(fourLiterals, {2, 2, 2})), inflateBadHuffmanCode},
        {"lone one-bit distance code",  // 'A', length 3 at distance 1, end
         raw(dynamic(withLength3, {1}).code(0, 2).code(7, 3).code(0, 1).code(2, 2), Bytes(4, 'A'), 0), inflateOk},
        {"the gap of a lone one-bit distance code", raw(dynamic(withLength3, {1}).code(0, 2).code(7, 3).code(1, 1).code(2, 2), {}, 4),
         inflateBadSymbol},
        {"repeat with nothing to repeat",
         raw(writePrecode(257, 1, repeatFirst).code(canonicalCodes(repeatFirst)[16], 4).bits(0, 2)),
         inflateBadCodeLengths},
        {"repeat past the last length", repeatZeros(138), inflateBadCodeLengths},
        {"repeat one past the last length", repeatZeros(121), inflateBadCodeLengths},
        {"287 literal/length codes", raw(BitWriter().header(true, 2).bits(30, 5).bits(0, 5).bits(0, 4)), inflateBadCodeLengths},
        {"31 distance codes", raw(BitWriter().header(true, 2).bits(0, 5).bits(30, 5).bits(0, 4)), inflateBadCodeLengths},
        {"no end-of-block code", raw(dynamic(changed(Lengths(257, 0), {{'A', 1}, {'B', 1}}), {0})), inflateBadCodeLengths},
        {"zlib method 7", zlibHeader(0, 0xF0, 7), inflateBadHeader},
        {"zlib window of 64 KiB", zlibHeader(0, 0x0F, 0x80), inflateBadHeader},
        {"zlib preset dictionary", zlibHeader(1, 0xFF, 0x20), inflateBadHeader},
        {"zlib check bits and Adler-32 wrong: not verified", wrongChecks, inflateOk},
        {"zlib stream shorter than the buffer", Stream{zlibHeader(0, 0xFF, 0).bytes, {}, 4, true}, inflateShortOutput},
        {"no input", Stream{{}, {}, 1, true}, inflateTruncated},
    };
    for (const auto& c : cases) {
        const Stream& s = c.stream;
        Bytes out(s.outputSize != 0 ? s.outputSize : s.expected.size());
        const uint8_t* in = s.bytes.empty() ? nullptr : s.bytes.data();
        const InflateResult result = s.zlib ? inflateZlib(in, s.bytes.size(), nullptr, out.data(), out.size())
                                            : inflateRaw(in, s.bytes.size(), nullptr, out.data(), out.size());
        EXPECT_EQ(result, c.result) << c.what;
        if (result == inflateOk && c.result == inflateOk) EXPECT_EQ(out, s.expected) << c.what;
    }
}

// Dithered-looking rows: short matches at many distances between short
// runs of literals, in outputs large enough for the fast loop's own table
// entries, whole and cut anywhere.
TEST(Inflate, LargeStreamsOfShortMatchesAsZlib) {
    Bytes data(80000);
    uint32_t seed = 5;
    for (size_t i = 0; i < data.size();) {
        seed = seed * 1103515245u + 12345u;
        const size_t distance = 1 + (seed >> 8) % 300, run = (seed >> 28) < 9 && i >= 300 ? 3 + (seed >> 4) % 6 : 0;
        for (size_t k = 0; k < run && i < data.size(); ++k, ++i) data[i] = data[i - distance];
        if (run == 0) data[i++] = static_cast<uint8_t>(seed >> 20);
    }
    for (int level : {1, 6, 9}) {
        Bytes packed(compressBound(data.size()));
        uLongf size = packed.size();
        ASSERT_EQ(compress2(packed.data(), &size, data.data(), data.size(), level), Z_OK);
        for (size_t less : {0, 1, 200}) {
            Bytes out(data.size() - less);
            ASSERT_EQ(inflateZlib(packed.data(), size, nullptr, out.data(), out.size()), inflateOk) << level;
            EXPECT_TRUE(std::equal(out.begin(), out.end(), data.begin())) << level << " " << less;
        }
        Bytes out(data.size());
        for (uLongf cut = 2; cut < size - 4; cut += size / 7) {
            EXPECT_EQ(inflateZlib(packed.data(), cut, nullptr, out.data(), out.size()), inflateTruncated) << cut;
        }
    }
}

}  // namespace
