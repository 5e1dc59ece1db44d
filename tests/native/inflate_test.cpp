// The inflater: streams written bit by bit, each a special case or a fault
// with the result and bytes it must give; then zlib's streams whole, cut,
// split, and near the end of the buffer. Random streams against zlib are
// fuzz_inflate's job.
#include "images/inflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
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
    BitWriter& align() {
        while (used_ != 0) put(0);
        return *this;
    }
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

// A dynamic block header, the counts and the 19 precode lengths, alone or
// after the blocks `w` holds.
BitWriter writePrecode(unsigned litlenCount, unsigned distanceCount, const Lengths& precode, BitWriter w = {}) {
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
BitWriter dynamic(const Lengths& litlen, const Lengths& distance, const Lengths& precode = flatPrecode, BitWriter before = {}) {
    const Lengths codes = canonicalCodes(precode);
    BitWriter w = writePrecode(static_cast<unsigned>(litlen.size()), static_cast<unsigned>(distance.size()), precode, before);
    for (const Lengths* list : {&litlen, &distance}) {
        for (unsigned length : *list) w.code(codes[length], precode[length]);
    }
    return w;
}

// Codes 'A' 00, 'B' 01, end 10, 'C' 110, 'D' 111; symbol 257 present, without a code.
const Lengths fourLiterals = changed(Lengths(258, 0), {{'A', 2}, {'B', 2}, {256, 2}, {'C', 3}, {'D', 3}});
// 'D' gone and match length 3 given its code, 111.
const Lengths withLength3 = changed(fourLiterals, {{'D', 0}, {257, 3}});

Bytes zlibCompress(const Bytes& data, int level, int strategy = Z_DEFAULT_STRATEGY, int windowBits = 15) {
    z_stream stream{};
    deflateInit2(&stream, level, Z_DEFLATED, windowBits, 8, strategy);
    Bytes out(deflateBound(&stream, static_cast<uLong>(data.size())) + 64);
    stream.next_in = const_cast<Bytef*>(data.data());
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

// Noise, runs and short repeated patterns: matches of every distance.
Bytes mixedData(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    Bytes data;
    while (data.size() < size) {
        const unsigned kind = random() % 3, period = 1 + random() % 12, count = 10 + random() % 300;
        for (unsigned i = 0; i < count; ++i) data.push_back(static_cast<uint8_t>(kind == 0 ? random() : 'a' + i % period));
    }
    data.resize(size);
    return data;
}

Bytes text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

struct Stream {
    Bytes bytes;
    Bytes expected;         // the output when accepted
    size_t outputSize = 0;  // the expected bytes' size when 0
    bool zlib = false;
};

Stream raw(BitWriter w, Bytes expected = {}, size_t outputSize = 1) {
    return {w.done(), std::move(expected), outputSize};
}

// A zlib stream of 3 bytes with a header byte changed.
Stream zlibHeader(int byte, uint8_t keep, uint8_t set) {
    Bytes stream = zlibCompress({1, 2, 3}, 6);
    stream[byte] = static_cast<uint8_t>((stream[byte] & keep) | set);
    return {stream, {1, 2, 3}, 0, true};
}

BitWriter fixedBlock() {
    return BitWriter().header(true, 1);
}

// Literals 'a' 'b', then a match of length 3 at `distance`.
Stream fixedMatch(unsigned distance) {
    return raw(fixedBlock().fixed('a').fixed('b').match(3, distance).fixed(256), text("ababa"), distance == 2 ? 0 : 5);
}

// 138 zeros, then `second` more, for 258 lengths.
Stream repeatZeros(unsigned second) {
    Lengths precode(19, 0);
    precode[18] = precode[1] = 1;  // zeros 11..138: code 1
    return raw(writePrecode(257, 1, precode).code(1, 1).bits(127, 7).code(1, 1).bits(second - 11, 7));
}

const struct {
    const char* what;
    std::function<Stream()> build;
    InflateResult result;
} cases[] = {
    {"stored block", [] { return raw(BitWriter().stored(true, {1, 2, 3, 4, 5}), {1, 2, 3, 4, 5}, 0); }, inflateOk},
    {"stored NLEN one bit off", [] { return raw(BitWriter().stored(true, {1, 2, 3, 4, 5}, 1), {}, 5); }, inflateBadStoredLength},
    {"stored NLEN off in bit 0 of an even length", [] { return raw(BitWriter().stored(true, {7, 9}, 1), {}, 2); },
     inflateBadStoredLength},
    {"empty stored block, then data", [] { return raw(BitWriter().stored(false, {}).stored(true, {7, 9}), {7, 9}, 0); }, inflateOk},
    {"fixed literals and a match",
     [] { return raw(fixedBlock().fixed('a').fixed('b').fixed('c').match(6, 3).fixed(200).fixed(256), text("abcabcabc\xC8"), 0); }, inflateOk},
    {"longest matches at distances 1 to 40 overlap their own output",
     [] {
         BitWriter w = fixedBlock();
         Bytes expected;
         for (unsigned value = 0; value < 40; ++value) w.fixed(value * 5), expected.push_back(static_cast<uint8_t>(value * 5));
         for (unsigned distance = 1; distance <= 40; ++distance) {
             w.match(258, distance);
             for (unsigned k = 0; k < 258; ++k) expected.push_back(expected[expected.size() - distance]);
         }
         return raw(w.fixed(256), expected, 0);
     },
     inflateOk},
    {"match back to the first byte", [] { return fixedMatch(2); }, inflateOk},
    {"distance before the start", [] { return fixedMatch(3); }, inflateDistanceTooFar},
    {"distance before the start in the fast loop",
     [] {
         BitWriter w = fixedBlock();
         for (int i = 0; i < 100; ++i) w.fixed('x');
         w.match(10, 101);
         for (int i = 0; i < 600; ++i) w.fixed('y');
         return raw(w.fixed(256), {}, 710);
     },
     inflateDistanceTooFar},
    {"distance symbol 30", [] { return raw(fixedBlock().fixed('a').fixed(257).code(30, 5).fixed(256), {}, 4); }, inflateBadSymbol},
    {"length symbol 286", [] { return raw(fixedBlock().fixed('a').fixed(286).code(0, 5).fixed(256), {}, 4); }, inflateBadSymbol},
    {"block type 3", [] { return raw(BitWriter().header(true, 3).bits(0, 16)); }, inflateBadBlockType},
    {"stored, fixed and dynamic blocks in a row",
     [] {
         const BitWriter before = BitWriter().stored(false, {'s', 't'}).header(false, 1).fixed('f').match(4, 3).fixed(256);
         const Lengths litlen = changed(Lengths(257, 0), {{'d', 1}, {256, 1}});  // codes 0 and 1
         return raw(dynamic(litlen, {0}, flatPrecode, before).code(0, 1).code(0, 1).code(1, 1), text("stfstfsdd"), 0);
     },
     inflateOk},
    {"dynamic block", [] { return raw(dynamic(fourLiterals, {0}).code(0, 2).code(1, 2).code(6, 3).code(7, 3).code(0, 2).code(2, 2), text("ABCDA"), 0); },
     inflateOk},
    {"over-subscribed literal code", [] { return raw(dynamic(changed(fourLiterals, {{'E', 2}}), {0})); }, inflateBadHuffmanCode},
    {"incomplete literal code", [] { return raw(dynamic(changed(fourLiterals, {{'D', 0}}), {0})); }, inflateBadHuffmanCode},
    {"incomplete precode", [] { return raw(dynamic(Lengths(257, 0), {0}, changed(flatPrecode, {{15, 0}}))); }, inflateBadHuffmanCode},
    {"over-subscribed distance code", [] { return raw(dynamic(fourLiterals, {1, 1, 1})); }, inflateBadHuffmanCode},
    {"incomplete distance code of many codes", [] { return raw(dynamic(fourLiterals, {2, 2, 2})); }, inflateBadHuffmanCode},
    {"lone one-bit distance code",  // 'A', length 3 at distance 1, end
     [] { return raw(dynamic(withLength3, {1}).code(0, 2).code(7, 3).code(0, 1).code(2, 2), text("AAAA"), 0); }, inflateOk},
    {"the gap of a lone one-bit distance code",
     [] { return raw(dynamic(withLength3, {1}).code(0, 2).code(7, 3).code(1, 1).code(2, 2), {}, 4); }, inflateBadSymbol},
    {"no distance codes, literals only", [] { return raw(dynamic(withLength3, {0}).code(0, 2).code(1, 2).code(2, 2), text("AB"), 0); },
     inflateOk},
    {"a match without distance codes",
     [] { return raw(dynamic(withLength3, {0}).code(0, 2).code(7, 3).bits(0, 8).code(2, 2), {}, 4); }, inflateBadSymbol},
    {"repeat with nothing to repeat",
     [] {
         const Lengths precode = changed(flatPrecode, {{15, 0}, {16, 4}});
         return raw(writePrecode(257, 1, precode).code(canonicalCodes(precode)[16], 4).bits(0, 2));
     },
     inflateBadCodeLengths},
    {"repeat past the last length", [] { return repeatZeros(138); }, inflateBadCodeLengths},
    {"repeat one past the last length", [] { return repeatZeros(121); }, inflateBadCodeLengths},
    {"287 literal/length codes", [] { return raw(BitWriter().header(true, 2).bits(30, 5).bits(0, 5).bits(0, 4)); }, inflateBadCodeLengths},
    {"31 distance codes", [] { return raw(BitWriter().header(true, 2).bits(0, 5).bits(30, 5).bits(0, 4)); }, inflateBadCodeLengths},
    {"no end-of-block code", [] { return raw(dynamic(changed(Lengths(257, 0), {{'A', 1}, {'B', 1}}), {0})); },
     inflateBadCodeLengths},
    {"codes of every length up to 15, in subtables",
     [] {
         Lengths litlen(257, 0);  // 'a' + k has length k + 1; 'z' and the end 15
         for (unsigned k = 0; k < 14; ++k) litlen['a' + k] = k + 1;
         litlen['z'] = litlen[256] = 15;
         const Lengths codes = canonicalCodes(litlen);
         BitWriter w = dynamic(litlen, {0});
         Bytes expected;
         for (int round = 0; round < 40; ++round) {
             for (unsigned s = 'a'; s <= 'z'; ++s) {
                 if (litlen[s] != 0) w.code(codes[s], litlen[s]), expected.push_back(static_cast<uint8_t>(s));
             }
         }
         return raw(w.code(codes[256], 15), expected, 0);
     },
     inflateOk},
    {"zlib method 7", [] { return zlibHeader(0, 0xF0, 7); }, inflateBadHeader},
    {"zlib window of 64 KiB", [] { return zlibHeader(0, 0x0F, 0x80); }, inflateBadHeader},
    {"zlib preset dictionary", [] { return zlibHeader(1, 0xFF, 0x20); }, inflateBadHeader},
    {"zlib check bits and Adler-32 wrong: not verified",
     [] { Stream s = zlibHeader(1, 0xFF, 0); s.bytes[1] ^= 1, s.bytes.back() ^= 0xFF; return s; }, inflateOk},
    {"zlib stream shorter than the buffer", [] { return Stream{zlibCompress({1, 2, 3}, 6), {}, 4, true}; }, inflateShortOutput},
    {"no input", [] { return Stream{{}, {}, 1, true}; }, inflateTruncated},
};

TEST(Inflate, EachStreamGivesItsResultAndBytes) {
    for (const auto& c : cases) {
        const Stream s = c.build();
        Bytes out(s.outputSize != 0 ? s.outputSize : s.expected.size());
        const uint8_t* in = s.bytes.empty() ? nullptr : s.bytes.data();
        const InflateResult result = s.zlib ? inflateZlib(in, s.bytes.size(), nullptr, out.data(), out.size())
                                            : inflateRaw(in, s.bytes.size(), nullptr, out.data(), out.size());
        EXPECT_EQ(result, c.result) << c.what;
        if (result == inflateOk && c.result == inflateOk) EXPECT_EQ(out, s.expected) << c.what;
    }
    for (int r = inflateOk; r <= inflateShortOutput; ++r) EXPECT_STRNE(inflateResultName(InflateResult(r)), "unknown");
}

TEST(Inflate, EveryLevelAndStrategyOfZlib) {
    // Over 16 KiB of output, so that paired literal entries are used too.
    const Bytes data = mixedData(70000, 10);
    for (int level : {0, 1, 6, 9}) {
        for (int strategy : {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED}) {
            const Bytes stream = zlibCompress(data, level, strategy);
            Bytes out(data.size());
            ASSERT_EQ(inflateZlib(stream.data(), stream.size(), nullptr, out.data(), out.size()), inflateOk) << level << " " << strategy;
            ASSERT_EQ(out, data) << level << " " << strategy;
        }
    }
}

TEST(Inflate, LongerStreamFillsTheBufferAndNothingPastIt) {
    // Guard bytes around buffers ending all over a stream of matches and
    // literals: the fast loop's wide copies must stay inside.
    const Bytes data = mixedData(3000, 4);
    const Bytes stream = zlibCompress(data, 9);
    for (size_t size = 1; size <= data.size(); size += size < 2600 ? 97 : 1) {
        Bytes buffer(size + 128, 0xA5);
        ASSERT_EQ(inflateZlib(stream.data(), stream.size(), nullptr, buffer.data() + 64, size), inflateOk) << size;
        ASSERT_TRUE(std::equal(data.begin(), data.begin() + static_cast<ptrdiff_t>(size), buffer.begin() + 64)) << size;
        ASSERT_EQ(std::count(buffer.begin(), buffer.begin() + 64, 0xA5) + std::count(buffer.end() - 64, buffer.end(), 0xA5), 128) << size;
    }
}

TEST(Inflate, EveryCutIsTruncatedOrComplete) {
    // Raw DEFLATE, so that no Adler-32 follows: a cut holding every bit the
    // output needs may succeed (the rest only ends the block), any other is
    // truncated, and none loops.
    const Bytes data = mixedData(6000, 5);
    for (int level : {0, 1, 6, 9}) {
        const Bytes stream = zlibCompress(data, level, Z_DEFAULT_STRATEGY, -15);
        for (size_t cut = 0; cut < stream.size(); ++cut) {
            Bytes out(data.size());
            const InflateResult result = inflateRaw(stream.data(), cut, nullptr, out.data(), out.size());
            if (cut + 3 <= stream.size() || result != inflateOk) {
                ASSERT_EQ(result, inflateTruncated) << "level " << level << " cut " << cut;
            } else {
                ASSERT_EQ(out, data);
            }
        }
    }
    const Bytes header = dynamic(fourLiterals, {0}).done();
    for (size_t cut = 0; cut + 1 < header.size(); ++cut) {
        Bytes out(1);
        EXPECT_EQ(inflateRaw(header.data(), cut, nullptr, out.data(), out.size()), inflateTruncated) << cut;
    }
}

// The stream cut into pieces at `cuts`, the first one given, the rest from the source.
Bytes inflatePieces(const Bytes& stream, const std::vector<size_t>& cuts, size_t outputSize) {
    std::vector<Bytes> pieces;
    for (size_t k = 0; k <= cuts.size(); ++k) {
        pieces.emplace_back(stream.begin() + ptrdiff_t(k == 0 ? 0 : cuts[k - 1]),
                            stream.begin() + ptrdiff_t(k < cuts.size() ? cuts[k] : stream.size()));
    }
    auto next = [](void* context, const uint8_t** data, size_t* size) {
        auto* rest = static_cast<std::vector<Bytes>*>(context);
        if (rest->size() == 1) return false;
        rest->erase(rest->begin());
        *data = rest->front().data(), *size = rest->front().size();
        return true;
    };
    const InflateSource more{next, &pieces};
    Bytes out(outputSize);
    const Bytes first = pieces[0];
    return inflateZlib(first.data(), first.size(), &more, out.data(), out.size()) == inflateOk ? out : Bytes{};
}

TEST(Inflate, InputInPiecesSplitAnywhere) {
    const Bytes data = mixedData(4000, 6);
    for (int level : {0, 6}) {
        const Bytes stream = zlibCompress(data, level);
        std::vector<size_t> everyByteAndEmpty;  // one byte at a time, with empty pieces between
        for (size_t split = 0; split <= stream.size(); ++split) {
            ASSERT_EQ(inflatePieces(stream, {split}, data.size()), data) << split;
            if (split > 0) everyByteAndEmpty.insert(everyByteAndEmpty.end(), {split, split});
        }
        EXPECT_EQ(inflatePieces(stream, everyByteAndEmpty, data.size()), data) << level;
    }
}

}  // namespace
