// The expander on streams written code by code, with the bytes they give,
// and on what the packer's compressor stores.
#include "pack/stored/lzw_compress.h"
#include "quiz/lzw_expand.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// Codes packed most significant bit first and padded with zero bits; the
// width follows the widen (257) and reset (258) codes as the expander's does.
struct CodeStream {
    CodeStream& code(uint32_t value, size_t times = 1) {
        while (times-- > 0) bits(value, width);
        return *this;
    }
    CodeStream& widenTo(int to) {
        while (width < to) code(257), ++width;
        return *this;
    }
    CodeStream& reset() { return code(258), width = 9, *this; }
    CodeStream& bits(uint64_t value, int count) {
        for (int i = count - 1; i >= 0; --i) stream.push_back(((value >> i) & 1u) != 0);
        return *this;
    }
    std::vector<bool> stream;
    int width = 9;
};

Bytes bytesOf(const CodeStream& s) {
    Bytes out((s.stream.size() + 7) / 8);
    for (size_t i = 0; i < s.stream.size(); ++i) out[i / 8] |= static_cast<uint8_t>(s.stream[i] << (7 - i % 8));
    return out;
}
// The result and the bytes produced; the three bytes past them must be zero
// whatever the result (the codes parser reads them).
std::pair<int32_t, Bytes> expand(const Bytes& input) {
    uint8_t* block = nullptr;
    int32_t reported = -1;
    const int32_t result = lzwExpand(input.data(), input.size(), &block, &reported);
    EXPECT_TRUE(block != nullptr && reported >= 2 && reported <= static_cast<int32_t>(lzwMaxOutput + 2));
    Bytes produced(block, block + (block ? reported - 2 : 0));
    if (block) EXPECT_EQ(std::memcmp(block + reported - 2, "\0\0\0", lzwOutputSlack), 0);
    lzwFree(block);
    return {result, produced};
}

std::string manyB(size_t count, const std::string& after = "") { return "a" + std::string(count, 'b') + after; }

// Every result, and the output one step late: a failure leaves out the pending string.
TEST(LzwExpand, Cases) {
    const struct {
        const char* what;
        CodeStream stream;
        int32_t result;
        std::string produced;
        Bytes stored;  // the packed bytes, where known
    } cases[] = {
        {"entry repeats a pair", CodeStream().code(97).code(98).code(259).code(256), lzwOk, "abab", {0x30, 0x98, 0xA0, 0x70, 0x00}},
        {"code equal to next free", CodeStream().code(97).code(259).code(256), lzwOk, "aaa", {0x30, 0xC0, 0xE0, 0x00}},
        {"reset keeps the pending string", CodeStream().code(97).reset().code(98).code(256), lzwOk, "ab", {0x30, 0xC0, 0x8C, 0x50, 0x00}},
        {"widen: 10-bit codes follow", CodeStream().code(97).widenTo(10).code(98).code(256), lzwOk, "ab", {0x30, 0xC0, 0x46, 0x24, 0x00}},
        {"code above next free", CodeStream().code(97).code(300).code(256), lzwBadData, "", {}},
        {"empty input", CodeStream(), lzwNoInput, "", {}},
        {"failure after a long pending string", CodeStream().code(97).code(98).code(259).code(261).code(300), lzwBadData, "abab", {}},
        {"reset forgets entries", CodeStream().code(97).code(98).code(99).reset().code(260).code(256), lzwBadData, "ab", {}},
        {"reset brings the width back to 9", CodeStream().code(97).widenTo(12).code(98).reset().code(99).code(256), lzwOk, "abc", {}},
        {"cut code reads as 256: the missing bits count as zeros", CodeStream().code(97).code(98).code(259).bits(1, 1), lzwOk, "abab", {}},
        {"cut code reads as 384", CodeStream().code(97).code(98).bits(3, 2), lzwBadData, "a", {}},
        {"no end code", CodeStream().code(97).code(98).code(99).code(100).code(101).code(102).code(103).code(104), lzwBadData, "abcdefg", {}},
        {"32-bit codes are read whole", CodeStream().code(97).widenTo(32).code(98).code(259).code(256), lzwOk, "abab", {}},
        {"width 33", CodeStream().code(97).code(98).widenTo(33).code(256), lzwBadData, "a", {}},
        // The 4096 dictionary entries: 3837 codes after the first define 259..4095.
        {"full dictionary", CodeStream().code(97).code(98, 3837).code(256), lzwOk, manyB(3837), {}},
        {"defining entry 4096", CodeStream().code(97).code(98, 3838).code(256), lzwBadData, manyB(3836), {}},
        {"a reset after the last entry makes room",
         CodeStream().code(97).code(98, 3836).widenTo(12).code(4094).reset().code(99).code(259).code(256), lzwOk, manyB(3836, "bbcbbc"), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes input = bytesOf(c.stream);
        if (!c.stored.empty()) EXPECT_EQ(input, c.stored);
        EXPECT_EQ(expand(input), std::make_pair(c.result, Bytes(c.produced.begin(), c.produced.end())));
    }
}

// What the packer stores comes back byte for byte: every byte value, long
// entries and runs, resets at 12 bits, up to the 30000-byte block and the
// 32768 bytes of input; anything past either is turned down.
TEST(LzwExpand, WhatThePackerStoresRoundTrips) {
    std::mt19937 random(5);
    auto randomBytes = [&](size_t length, uint32_t alphabet) {
        Bytes data(length);
        for (uint8_t& b : data) b = static_cast<uint8_t>(alphabet == 256 ? random() : 'a' + random() % alphabet);
        return data;
    };
    for (const Bytes& data : {Bytes{0x00}, Bytes(2, 0), Bytes(lzwMaxOutput, 0xFF), randomBytes(300, 256), randomBytes(4097, 256),
                              randomBytes(24000, 256), randomBytes(lzwMaxOutput, 2), randomBytes(lzwMaxOutput, 16)}) {
        const Bytes coded = lzwCompress(data.data(), data.size());
        ASSERT_LE(coded.size(), lzwMaxInput);
        ASSERT_TRUE(expand(coded) == std::make_pair(int32_t(lzwOk), data)) << data.size() << " bytes";
    }
    const Bytes tooLong(lzwMaxOutput + 1, 'a'), noise = randomBytes(lzwMaxOutput, 256), coded = lzwCompress(noise.data(), noise.size());
    EXPECT_EQ(expand(lzwCompress(tooLong.data(), tooLong.size())).first, lzwBadData);
    ASSERT_GT(coded.size(), lzwMaxInput);
    EXPECT_EQ(expand(coded).first, lzwBadData);
    Bytes padded = bytesOf(CodeStream().code(97).code(256));
    padded.resize(lzwMaxInput, 0xAB);
    EXPECT_EQ(expand(padded).first, lzwOk);
    padded.push_back(0xAB);
    EXPECT_EQ(expand(padded).first, lzwBadData);
}

}  // namespace
