// The inflater: good streams against zlib, and bad streams written bit by
// bit, one kind of fault in each test.
#include "images/inflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// Writes DEFLATE bits: fields least significant bit first, Huffman codes
// most significant bit first, as RFC 1951 packs them.
class BitWriter {
public:
    BitWriter& bits(uint32_t value, unsigned count) {
        for (unsigned i = 0; i < count; ++i) {
            put((value >> i) & 1);
        }
        return *this;
    }
    BitWriter& code(uint32_t value, unsigned length) {
        for (unsigned i = length; i-- > 0;) {
            put((value >> i) & 1);
        }
        return *this;
    }
    BitWriter& align() {
        while (used_ != 0) {
            put(0);
        }
        return *this;
    }
    BitWriter& byte(uint8_t value) {
        return bits(value, 8);
    }
    // Block header: last-block flag, then the type.
    BitWriter& header(bool last, unsigned type) {
        return bits(last ? 1 : 0, 1).bits(type, 2);
    }
    // A literal or length symbol of the fixed code.
    BitWriter& fixedSymbol(unsigned symbol) {
        if (symbol < 144) {
            return code(0x30 + symbol, 8);
        }
        if (symbol < 256) {
            return code(0x190 + symbol - 144, 9);
        }
        if (symbol < 280) {
            return code(symbol - 256, 7);
        }
        return code(0xC0 + symbol - 280, 8);
    }
    // A length of 3..258 in the fixed code, with its extra bits.
    BitWriter& fixedLength(unsigned length) {
        static const unsigned base[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                          31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
        static const unsigned extra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
        unsigned k = 28;
        while (base[k] > length) {
            --k;
        }
        fixedSymbol(257 + k);
        return bits(length - base[k], extra[k]);
    }
    // A distance of 1..32768 in the fixed code (5-bit codes), with its extra bits.
    BitWriter& fixedDistance(unsigned distance) {
        unsigned k = 29;
        while (distanceBase(k) > distance) {
            --k;
        }
        code(k, 5);
        return bits(distance - distanceBase(k), k < 4 ? 0 : k / 2 - 1);
    }
    Bytes done() {
        align();
        return bytes_;
    }

private:
    static unsigned distanceBase(unsigned k) {
        static const unsigned base[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                          193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
        return base[k];
    }
    void put(unsigned bit) {
        if (used_ == 0) {
            bytes_.push_back(0);
        }
        bytes_.back() |= static_cast<uint8_t>(bit << used_);
        used_ = (used_ + 1) & 7;
    }
    Bytes bytes_;
    unsigned used_ = 0;
};

// The order of the precode lengths in a dynamic block header.
const unsigned precodeOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// Canonical codes for the given lengths.
void assignCodes(const unsigned* lengths, unsigned count, unsigned* codes) {
    unsigned perLength[16] = {};
    for (unsigned s = 0; s < count; ++s) {
        ++perLength[lengths[s]];
    }
    perLength[0] = 0;
    unsigned next[16] = {};
    unsigned code = 0;
    for (unsigned length = 1; length < 16; ++length) {
        code = (code + perLength[length - 1]) << 1;
        next[length] = code;
    }
    for (unsigned s = 0; s < count; ++s) {
        if (lengths[s] != 0) {
            codes[s] = next[lengths[s]]++;
        }
    }
}

// Writes a dynamic block header sending `lengths` (literal/length lengths,
// then distance lengths) one precode symbol each. The precode gives every
// symbol 0..15 a 4-bit code (complete: 16 codes of 4 bits), unless a test
// asks for other precode lengths.
void writeDynamicHeader(BitWriter& writer, const std::vector<unsigned>& litlen, const std::vector<unsigned>& distance,
                        const unsigned* precodeLengths = nullptr) {
    unsigned lengths[19] = {};
    for (unsigned s = 0; s < 16; ++s) {
        lengths[s] = 4;
    }
    if (precodeLengths != nullptr) {
        std::memcpy(lengths, precodeLengths, sizeof lengths);
    }
    unsigned codes[19] = {};
    assignCodes(lengths, 19, codes);
    writer.bits(static_cast<uint32_t>(litlen.size() - 257), 5);     // HLIT
    writer.bits(static_cast<uint32_t>(distance.size() - 1), 5);     // HDIST
    writer.bits(19 - 4, 4);                                         // HCLEN: all 19
    for (unsigned k = 0; k < 19; ++k) {
        writer.bits(lengths[precodeOrder[k]], 3);
    }
    for (unsigned length : litlen) {
        writer.code(codes[length], lengths[length]);
    }
    for (unsigned length : distance) {
        writer.code(codes[length], lengths[length]);
    }
}

InflateResult inflateInto(const Bytes& stream, Bytes& output, bool zlibWrapper = false) {
    return zlibWrapper ? inflateZlib(stream.data(), stream.size(), nullptr, output.data(), output.size())
                       : inflateRaw(stream.data(), stream.size(), nullptr, output.data(), output.size());
}

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

Bytes mixedData(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    Bytes data;
    const std::string words[] = {"quiz ", "image ", "Vyrla ", "PNG ", "\x89PNG", "row ", "pixel "};
    while (data.size() < size) {
        switch (random() % 4) {
        case 0:  // noise
            for (int i = 0; i < 40; ++i) {
                data.push_back(static_cast<uint8_t>(random()));
            }
            break;
        case 1:  // a run
            data.insert(data.end(), 10 + random() % 300, static_cast<uint8_t>(random()));
            break;
        case 2: {  // a word
            const std::string& word = words[random() % 7];
            data.insert(data.end(), word.begin(), word.end());
            break;
        }
        default:  // a short pattern repeated
            for (int i = 0, period = 2 + random() % 6; i < 60; ++i) {
                data.push_back(static_cast<uint8_t>('a' + i % period));
            }
            break;
        }
    }
    data.resize(size);
    return data;
}

// ---- stored blocks --------------------------------------------------------

TEST(InflateStored, CopiesItsBytes) {
    BitWriter writer;
    writer.header(true, 0).align().bits(5, 16).bits(0xFFFF ^ 5, 16);
    for (uint8_t b : {1, 2, 3, 4, 5}) {
        writer.byte(b);
    }
    Bytes out(5);
    EXPECT_EQ(inflateInto(writer.done(), out), inflateOk);
    EXPECT_EQ(out, (Bytes{1, 2, 3, 4, 5}));
}

TEST(InflateStored, LengthWhoseComplementDiffersIsRefused) {
    BitWriter writer;
    // NLEN should be 0xFFFA; one bit off.
    writer.header(true, 0).align().bits(5, 16).bits(0xFFFB, 16);
    for (uint8_t b : {1, 2, 3, 4, 5}) {
        writer.byte(b);
    }
    Bytes out(5);
    EXPECT_EQ(inflateInto(writer.done(), out), inflateBadStoredLength);
}

TEST(InflateStored, EmptyStoredBlocksThenData) {
    BitWriter writer;
    writer.header(false, 0).align().bits(0, 16).bits(0xFFFF, 16);
    writer.header(true, 0).align().bits(2, 16).bits(0xFFFD, 16).byte(7).byte(9);
    Bytes out(2);
    EXPECT_EQ(inflateInto(writer.done(), out), inflateOk);
    EXPECT_EQ(out, (Bytes{7, 9}));
}

TEST(InflateStored, CutInsideItsBytesIsTruncated) {
    BitWriter writer;
    writer.header(true, 0).align().bits(5, 16).bits(0xFFFF ^ 5, 16).byte(1).byte(2);
    Bytes out(5);
    EXPECT_EQ(inflateInto(writer.done(), out), inflateTruncated);
}

// ---- fixed codes ----------------------------------------------------------

TEST(InflateFixed, LiteralsAndAMatch) {
    BitWriter writer;
    writer.header(true, 1).fixedSymbol('a').fixedSymbol('b').fixedSymbol('c');
    writer.fixedLength(6).fixedDistance(3);  // abcabc
    writer.fixedSymbol(200).fixedSymbol(256);
    Bytes out(10);
    EXPECT_EQ(inflateInto(writer.done(), out), inflateOk);
    EXPECT_EQ(out, (Bytes{'a', 'b', 'c', 'a', 'b', 'c', 'a', 'b', 'c', 200}));
}

TEST(InflateFixed, LongRunsOverlapTheirOwnOutput) {
    // Distances 1 to 40 with the longest length, one after another.
    BitWriter writer;
    writer.header(true, 1);
    Bytes expected;
    for (unsigned value = 0; value < 40; ++value) {
        writer.fixedSymbol(value * 5);
        expected.push_back(static_cast<uint8_t>(value * 5));
    }
    for (unsigned distance = 1; distance <= 40; ++distance) {
        writer.fixedLength(258).fixedDistance(distance);
        for (unsigned k = 0; k < 258; ++k) {
            expected.push_back(expected[expected.size() - distance]);
        }
    }
    writer.fixedSymbol(256);
    Bytes out(expected.size());
    EXPECT_EQ(inflateInto(writer.done(), out), inflateOk);
    EXPECT_EQ(out, expected);
}

TEST(InflateFixed, DistanceBeforeTheStartIsRefused) {
    BitWriter writer;
    writer.header(true, 1).fixedSymbol('a').fixedSymbol('b').fixedLength(3).fixedDistance(3).fixedSymbol(256);
    Bytes out(5);
    EXPECT_EQ(inflateInto(writer.done(), out), inflateDistanceTooFar);
}

TEST(InflateFixed, DistanceBeforeTheStartIsRefusedInTheFastLoop) {
    // Enough output and input for the fast path, then one distance too far.
    BitWriter writer;
    writer.header(true, 1);
    for (int i = 0; i < 100; ++i) {
        writer.fixedSymbol('x');
    }
    writer.fixedLength(10).fixedDistance(101);
    for (int i = 0; i < 600; ++i) {
        writer.fixedSymbol('y');
    }
    writer.fixedSymbol(256);
    Bytes out(710);
    EXPECT_EQ(inflateInto(writer.done(), out), inflateDistanceTooFar);
}

TEST(InflateFixed, DistanceSymbol30IsRefused) {
    BitWriter writer;
    writer.header(true, 1).fixedSymbol('a').fixedSymbol(257).code(30, 5).fixedSymbol(256);
    Bytes out(4);
    EXPECT_EQ(inflateInto(writer.done(), out), inflateBadSymbol);
}

TEST(InflateFixed, LengthSymbol286IsRefused) {
    BitWriter writer;
    writer.header(true, 1).fixedSymbol('a').fixedSymbol(286).code(0, 5).fixedSymbol(256);
    Bytes out(4);
    EXPECT_EQ(inflateInto(writer.done(), out), inflateBadSymbol);
}

TEST(InflateBlocks, ReservedBlockTypeIsRefused) {
    BitWriter writer;
    writer.header(true, 3).bits(0, 16);
    Bytes out(1);
    EXPECT_EQ(inflateInto(writer.done(), out), inflateBadBlockType);
}

TEST(InflateBlocks, BlocksOfAllKindsFollowOneAnother) {
    BitWriter writer;
    writer.header(false, 0).align().bits(2, 16).bits(0xFFFD, 16).byte('s').byte('t');
    writer.header(false, 1).fixedSymbol('f').fixedLength(4).fixedDistance(3).fixedSymbol(256);
    std::vector<unsigned> litlen(257, 0);
    litlen['d'] = 1;
    litlen[256] = 1;
    writeDynamicHeader(writer.header(true, 2), litlen, {0});
    writer.code(0, 1).code(0, 1).code(1, 1);  // "dd", end of block (codes: 'd' 0, end 1)
    Bytes out(9);
    ASSERT_EQ(inflateInto(writer.done(), out), inflateOk);
    EXPECT_EQ(std::string(out.begin(), out.end()), "stfstfsdd");
}

// ---- dynamic codes --------------------------------------------------------

// Literal/length lengths for 'A'..'D' and end-of-block, with room for
// length symbol 257 (no code unless a test gives it one).
std::vector<unsigned> fourLiterals() {
    std::vector<unsigned> litlen(258, 0);
    litlen['A'] = 2;
    litlen['B'] = 2;
    litlen['C'] = 3;
    litlen['D'] = 3;
    litlen[256] = 2;
    return litlen;
}

TEST(InflateDynamic, DecodesAHandMadeBlock) {
    // Codes: 'A' 00, 'B' 01, end 10, 'C' 110, 'D' 111.
    BitWriter writer;
    writeDynamicHeader(writer.header(true, 2), fourLiterals(), {0});
    writer.code(0, 2).code(1, 2).code(6, 3).code(7, 3).code(0, 2).code(2, 2);
    Bytes out(5);
    ASSERT_EQ(inflateInto(writer.done(), out), inflateOk);
    EXPECT_EQ(std::string(out.begin(), out.end()), "ABCDA");
}

TEST(InflateDynamic, OverSubscribedLiteralCodeIsRefused) {
    std::vector<unsigned> litlen = fourLiterals();
    litlen['E'] = 2;  // five codes where four 2-bit codes fit
    BitWriter writer;
    writeDynamicHeader(writer.header(true, 2), litlen, {0});
    Bytes out(1);
    EXPECT_EQ(inflateInto(writer.done(), out), inflateBadHuffmanCode);
}

TEST(InflateDynamic, IncompleteLiteralCodeIsRefused) {
    std::vector<unsigned> litlen = fourLiterals();
    litlen['D'] = 0;  // 111 unused
    BitWriter writer;
    writeDynamicHeader(writer.header(true, 2), litlen, {0});
    Bytes out(1);
    EXPECT_EQ(inflateInto(writer.done(), out), inflateBadHuffmanCode);
}

TEST(InflateDynamic, IncompletePrecodeIsRefused) {
    unsigned precode[19] = {};
    for (unsigned s = 0; s < 15; ++s) {
        precode[s] = 4;  // 15 of 16 four-bit codes
    }
    BitWriter writer;
    writeDynamicHeader(writer.header(true, 2), std::vector<unsigned>(257, 0), {0}, precode);
    Bytes out(1);
    EXPECT_EQ(inflateInto(writer.done(), out), inflateBadHuffmanCode);
}

TEST(InflateDynamic, OverSubscribedDistanceCodeIsRefused) {
    BitWriter writer;
    writeDynamicHeader(writer.header(true, 2), fourLiterals(), {1, 1, 1});
    Bytes out(1);
    EXPECT_EQ(inflateInto(writer.done(), out), inflateBadHuffmanCode);
}

TEST(InflateDynamic, IncompleteDistanceCodeOfManyCodesIsRefused) {
    BitWriter writer;
    writeDynamicHeader(writer.header(true, 2), fourLiterals(), {2, 2, 2});
    Bytes out(1);
    EXPECT_EQ(inflateInto(writer.done(), out), inflateBadHuffmanCode);
}

TEST(InflateDynamic, LoneOneBitDistanceCodeIsAcceptedAndItsGapRefused) {
    std::vector<unsigned> litlen = fourLiterals();
    litlen['D'] = 0;
    litlen[257] = 3;  // length 3 takes 111
    {
        BitWriter writer;
        writeDynamicHeader(writer.header(true, 2), litlen, {1});  // distance 1 is code 0
        writer.code(0, 2).code(7, 3).code(0, 1).code(2, 2);         // A, length 3 distance 1, end
        Bytes out(4);
        ASSERT_EQ(inflateInto(writer.done(), out), inflateOk);
        EXPECT_EQ(std::string(out.begin(), out.end()), "AAAA");
    }
    {
        BitWriter writer;
        writeDynamicHeader(writer.header(true, 2), litlen, {1});
        writer.code(0, 2).code(7, 3).code(1, 1).code(2, 2);  // bit 1: no distance has it
        Bytes out(4);
        EXPECT_EQ(inflateInto(writer.done(), out), inflateBadSymbol);
    }
}

TEST(InflateDynamic, NoDistanceCodesServeLiteralsOnly) {
    std::vector<unsigned> litlen = fourLiterals();
    litlen['D'] = 0;
    litlen[257] = 3;
    {
        BitWriter writer;
        writeDynamicHeader(writer.header(true, 2), litlen, {0});
        writer.code(0, 2).code(1, 2).code(2, 2);
        Bytes out(2);
        ASSERT_EQ(inflateInto(writer.done(), out), inflateOk);
        EXPECT_EQ(std::string(out.begin(), out.end()), "AB");
    }
    {
        BitWriter writer;
        writeDynamicHeader(writer.header(true, 2), litlen, {0});
        writer.code(0, 2).code(7, 3).bits(0, 8).code(2, 2);  // a match with no distance code
        Bytes out(4);
        EXPECT_EQ(inflateInto(writer.done(), out), inflateBadSymbol);
    }
}

TEST(InflateDynamic, RepeatWithNothingToRepeatIsRefused) {
    BitWriter writer;
    writer.header(true, 2).bits(0, 5).bits(0, 5).bits(19 - 4, 4);
    unsigned lengths[19] = {};
    for (unsigned s = 0; s < 16; ++s) {
        lengths[s] = 4;
    }
    lengths[16] = 4;  // over-subscribed now: drop symbol 15 to make room
    lengths[15] = 0;
    unsigned codes[19] = {};
    assignCodes(lengths, 19, codes);
    for (unsigned k = 0; k < 19; ++k) {
        writer.bits(lengths[precodeOrder[k]], 3);
    }
    writer.code(codes[16], 4).bits(0, 2);  // "repeat the previous length" first
    Bytes out(1);
    EXPECT_EQ(inflateInto(writer.done(), out), inflateBadCodeLengths);
}

TEST(InflateDynamic, RepeatPastTheLastLengthIsRefused) {
    BitWriter writer;
    writer.header(true, 2).bits(0, 5).bits(0, 5).bits(19 - 4, 4);
    unsigned lengths[19] = {};
    lengths[18] = 1;  // zeros 11..138
    lengths[1] = 1;
    unsigned codes[19] = {};
    assignCodes(lengths, 19, codes);
    for (unsigned k = 0; k < 19; ++k) {
        writer.bits(lengths[precodeOrder[k]], 3);
    }
    // 257 + 1 lengths to send: 138 zeros fit, 138 more do not.
    writer.code(codes[18], 1).bits(127, 7).code(codes[18], 1).bits(127, 7);
    Bytes out(1);
    EXPECT_EQ(inflateInto(writer.done(), out), inflateBadCodeLengths);
}

TEST(InflateDynamic, TooManyLiteralLengthCodesAreRefused) {
    BitWriter writer;
    writer.header(true, 2).bits(30, 5).bits(0, 5).bits(0, 4);  // 287 literal/length codes
    Bytes out(1);
    EXPECT_EQ(inflateInto(writer.done(), out), inflateBadCodeLengths);
}

TEST(InflateDynamic, TooManyDistanceCodesAreRefused) {
    BitWriter writer;
    writer.header(true, 2).bits(0, 5).bits(30, 5).bits(0, 4);  // 31 distance codes
    Bytes out(1);
    EXPECT_EQ(inflateInto(writer.done(), out), inflateBadCodeLengths);
}

TEST(InflateDynamic, MissingEndOfBlockCodeIsRefused) {
    std::vector<unsigned> litlen(257, 0);
    litlen['A'] = 1;
    litlen['B'] = 1;
    BitWriter writer;
    writeDynamicHeader(writer.header(true, 2), litlen, {0});
    Bytes out(1);
    EXPECT_EQ(inflateInto(writer.done(), out), inflateBadCodeLengths);
}

TEST(InflateDynamic, CodesLongerThanTheTableIndexDecode) {
    // Lengths 1, 2, ..., 14, 15, 15: every length up to the longest, so that
    // subtables are needed. 'a' + k gets length k + 1.
    std::vector<unsigned> litlen(257, 0);
    for (unsigned k = 0; k < 14; ++k) {
        litlen['a' + k] = k + 1;
    }
    litlen['z'] = 15;
    litlen[256] = 15;
    unsigned lengths[257];
    for (unsigned s = 0; s < 257; ++s) {
        lengths[s] = litlen[s];
    }
    unsigned codes[257] = {};
    assignCodes(lengths, 257, codes);
    BitWriter writer;
    writeDynamicHeader(writer.header(true, 2), litlen, {0});
    std::string expected;
    for (int round = 0; round < 40; ++round) {
        for (unsigned k = 0; k < 14; ++k) {
            writer.code(codes['a' + k], lengths['a' + k]);
            expected.push_back(static_cast<char>('a' + k));
        }
        writer.code(codes[unsigned('z')], 15);
        expected.push_back('z');
    }
    writer.code(codes[256], 15);
    Bytes out(expected.size());
    ASSERT_EQ(inflateInto(writer.done(), out), inflateOk);
    EXPECT_EQ(std::string(out.begin(), out.end()), expected);
}

// ---- the zlib wrapper -----------------------------------------------------

TEST(InflateZlib, MethodOtherThan8IsRefused) {
    Bytes stream = zlibCompress({1, 2, 3}, 6);
    stream[0] = (stream[0] & 0xF0) | 7;
    Bytes out(3);
    EXPECT_EQ(inflateInto(stream, out, true), inflateBadHeader);
}

TEST(InflateZlib, WindowAbove32KiBIsRefused) {
    Bytes stream = zlibCompress({1, 2, 3}, 6);
    stream[0] = (stream[0] & 0x0F) | 0x80;
    Bytes out(3);
    EXPECT_EQ(inflateInto(stream, out, true), inflateBadHeader);
}

TEST(InflateZlib, PresetDictionaryIsRefused) {
    Bytes stream = zlibCompress({1, 2, 3}, 6);
    stream[1] |= 0x20;
    Bytes out(3);
    EXPECT_EQ(inflateInto(stream, out, true), inflateBadHeader);
}

TEST(InflateZlib, CheckBitsAndAdlerAreNotVerified) {
    const Bytes data = mixedData(5000, 1);
    Bytes stream = zlibCompress(data, 6);
    stream[1] ^= 0x01;              // header check bits wrong
    stream[stream.size() - 1] ^= 0xFF;  // Adler-32 wrong
    Bytes out(data.size());
    EXPECT_EQ(inflateInto(stream, out, true), inflateOk);
    EXPECT_EQ(out, data);
}

TEST(InflateZlib, EmptyInputIsTruncated) {
    Bytes out(1);
    EXPECT_EQ(inflateZlib(nullptr, 0, nullptr, out.data(), out.size()), inflateTruncated);
}

// ---- output size ----------------------------------------------------------

TEST(InflateOutput, StreamLongerThanTheBufferFillsItAndIsAccepted) {
    const Bytes data = mixedData(20000, 2);
    const Bytes stream = zlibCompress(data, 6);
    for (size_t size : {size_t(1), size_t(100), size_t(4096), size_t(19999)}) {
        Bytes out(size);
        EXPECT_EQ(inflateInto(stream, out, true), inflateOk) << size;
        EXPECT_TRUE(std::equal(out.begin(), out.end(), data.begin())) << size;
    }
}

TEST(InflateOutput, StreamShorterThanTheBufferIsRefused) {
    const Bytes data = mixedData(20000, 3);
    const Bytes stream = zlibCompress(data, 6);
    Bytes out(data.size() + 1);
    EXPECT_EQ(inflateInto(stream, out, true), inflateShortOutput);
}

TEST(InflateOutput, NothingIsWrittenPastTheBuffer) {
    // Guard bytes around every buffer size near the end of a stream of
    // matches and literals: the fast loop's wide copies must stay inside.
    const Bytes data = mixedData(3000, 4);
    const Bytes stream = zlibCompress(data, 9);
    for (size_t size = 2600; size <= data.size(); ++size) {
        Bytes buffer(size + 128, 0xA5);
        const InflateResult result = inflateZlib(stream.data(), stream.size(), nullptr, buffer.data() + 64, size);
        ASSERT_EQ(result, inflateOk) << size;
        for (size_t k = 0; k < 64; ++k) {
            ASSERT_EQ(buffer[k], 0xA5) << size;
            ASSERT_EQ(buffer[64 + size + k], 0xA5) << size;
        }
    }
}

// ---- truncation -----------------------------------------------------------

TEST(InflateTruncation, EveryCutIsRefusedOrComplete) {
    // Raw DEFLATE, so that no Adler-32 follows. A cut that still holds every
    // bit the output needs may succeed (the rest would only have ended the
    // block); any other is truncated, and none loops.
    const Bytes data = mixedData(6000, 5);
    for (int level : {0, 1, 6, 9}) {
        const Bytes stream = zlibCompress(data, level, Z_DEFAULT_STRATEGY, -15);
        for (size_t cut = 0; cut < stream.size(); ++cut) {
            Bytes cutStream(stream.begin(), stream.begin() + static_cast<ptrdiff_t>(cut));
            Bytes out(data.size());
            const InflateResult result = inflateInto(cutStream, out);
            if (cut + 3 <= stream.size()) {
                ASSERT_EQ(result, inflateTruncated) << "level " << level << " cut " << cut;
            } else if (result == inflateOk) {
                ASSERT_EQ(out, data);
            } else {
                ASSERT_EQ(result, inflateTruncated);
            }
        }
    }
}

TEST(InflateTruncation, CutInsideADynamicHeaderIsTruncated) {
    BitWriter writer;
    writeDynamicHeader(writer.header(true, 2), fourLiterals(), {0});
    const Bytes full = writer.done();
    for (size_t cut = 0; cut + 1 < full.size(); ++cut) {
        Bytes out(1);
        EXPECT_EQ(inflateInto(Bytes(full.begin(), full.begin() + static_cast<ptrdiff_t>(cut)), out), inflateTruncated)
            << cut;
    }
}

// ---- against zlib ---------------------------------------------------------

TEST(InflateAgainstZlib, EveryLevelAndStrategyGivesTheSameBytes) {
    const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
    for (uint32_t seed = 10; seed < 13; ++seed) {
        const Bytes data = mixedData(70000 + seed * 1000, seed);
        for (int level = 0; level <= 9; ++level) {
            for (int strategy : strategies) {
                const Bytes stream = zlibCompress(data, level, strategy);
                Bytes out(data.size());
                ASSERT_EQ(inflateInto(stream, out, true), inflateOk) << level << " " << strategy;
                ASSERT_EQ(out, data) << level << " " << strategy;
            }
        }
    }
}

TEST(InflateAgainstZlib, NoiseAndLongRuns) {
    std::mt19937 random(77);
    Bytes noise(300000);
    for (uint8_t& b : noise) {
        b = static_cast<uint8_t>(random());
    }
    const Bytes zeros(1 << 20, 0);
    for (const Bytes* data : {static_cast<const Bytes*>(&noise), &zeros}) {
        const Bytes stream = zlibCompress(*data, 6);
        Bytes out(data->size());
        ASSERT_EQ(inflateInto(stream, out, true), inflateOk);
        EXPECT_EQ(out, *data);
    }
}

// ---- input in pieces ------------------------------------------------------

struct Pieces {
    std::vector<Bytes> pieces;
    size_t next = 1;
};

bool nextPiece(void* context, const uint8_t** data, size_t* size) {
    auto* pieces = static_cast<Pieces*>(context);
    if (pieces->next >= pieces->pieces.size()) {
        return false;
    }
    const Bytes& piece = pieces->pieces[pieces->next++];
    *data = piece.data();
    *size = piece.size();
    return true;
}

InflateResult inflatePieces(Pieces& pieces, Bytes& out) {
    const InflateSource more{nextPiece, &pieces};
    return inflateZlib(pieces.pieces[0].data(), pieces.pieces[0].size(), &more, out.data(), out.size());
}

TEST(InflatePieces, SplitAtEveryBoundary) {
    const Bytes data = mixedData(4000, 6);
    for (int level : {0, 6}) {
        const Bytes stream = zlibCompress(data, level);
        for (size_t split = 0; split <= stream.size(); ++split) {
            Pieces pieces;
            pieces.pieces.emplace_back(stream.begin(), stream.begin() + static_cast<ptrdiff_t>(split));
            pieces.pieces.emplace_back(stream.begin() + static_cast<ptrdiff_t>(split), stream.end());
            Bytes out(data.size());
            ASSERT_EQ(inflatePieces(pieces, out), inflateOk) << split;
            ASSERT_EQ(out, data) << split;
        }
    }
}

TEST(InflatePieces, OneByteAtATimeWithEmptyPiecesBetween) {
    const Bytes data = mixedData(30000, 7);
    for (int level : {0, 1, 9}) {
        const Bytes stream = zlibCompress(data, level);
        Pieces pieces;
        for (uint8_t b : stream) {
            pieces.pieces.push_back({b});
            pieces.pieces.push_back({});
        }
        Bytes out(data.size());
        ASSERT_EQ(inflatePieces(pieces, out), inflateOk) << level;
        EXPECT_EQ(out, data) << level;
    }
}

TEST(InflateResultNames, EveryResultHasAName) {
    for (int r = inflateOk; r <= inflateShortOutput; ++r) {
        EXPECT_STRNE(inflateResultName(static_cast<InflateResult>(r)), "unknown");
    }
}

}  // namespace
