#include "pack/stored/lzw_compress.h"
#include "quiz/lzw_expand.h"
#include "tests/support/french_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

int32_t expandInto(const Bytes& coded, Bytes* produced) {
    uint8_t* block = nullptr;
    int32_t reported = 0;
    const int32_t result = lzwExpand(coded.data(), coded.size(), &block, &reported);
    if (block != nullptr && reported >= 2) {
        produced->assign(block, block + (reported - 2));
    }
    lzwFree(block);
    return result;
}

// Passes the caller's line through so that a failure points at the case.
void expectRoundTrip(const Bytes& data, int line) {
    SCOPED_TRACE(testing::Message() << "from line " << line << ", " << data.size() << " bytes");
    const Bytes coded = lzwCompress(data.data(), data.size());
    ASSERT_LE(coded.size(), lzwMaxInput);
    Bytes produced;
    ASSERT_EQ(expandInto(coded, &produced), lzwOk);
    ASSERT_TRUE(produced == data);
}
#define EXPECT_ROUND_TRIP(data) expectRoundTrip((data), __LINE__)

// The widest code width and the resets of a coded stream, read as the
// expander reads it.
struct CodeCounts {
    size_t widens = 0;
    size_t resets = 0;
    int widestWidth = 9;
    bool ended = false;
};

CodeCounts countCodes(const Bytes& coded) {
    CodeCounts counts;
    size_t bit = 0;
    int width = 9;
    for (bool first = true; bit + static_cast<size_t>(width) <= coded.size() * 8; first = false) {
        uint32_t code = 0;
        for (int i = 0; i < width; ++i, ++bit) {
            code = (code << 1) | ((coded[bit / 8] >> (7 - bit % 8)) & 1u);
        }
        if (first) {
            continue;
        }
        if (code == 256) {
            counts.ended = true;
            break;
        }
        counts.widens += code == 257 ? 1 : 0;
        counts.resets += code == 258 ? 1 : 0;
        width = code == 257 ? width + 1 : code == 258 ? 9 : width;
        counts.widestWidth = std::max(counts.widestWidth, width);
    }
    return counts;
}

Bytes randomBytes(size_t length, uint32_t seed, uint32_t alphabet = 256) {
    std::mt19937 random(seed);
    Bytes data(length);
    for (uint8_t& b : data) {
        b = static_cast<uint8_t>(alphabet == 256 ? random() : 'a' + random() % alphabet);
    }
    return data;
}

TEST(LzwRoundTrip, ShortInputs) {
    const uint8_t none = 0;
    EXPECT_TRUE(lzwCompress(&none, 0).empty());
    for (uint8_t value : {0x00, 0x61, 0xFF}) {
        EXPECT_ROUND_TRIP(Bytes{value});
    }
    for (size_t length : {2u, 3u, 10u, 100u, 300u}) {
        EXPECT_ROUND_TRIP(randomBytes(length, static_cast<uint32_t>(length)));
    }
}

TEST(LzwRoundTrip, RandomBytesPassResetsAtTwelveBits) {
    for (size_t length : {511u, 512u, 4096u, 4097u, 24000u}) {
        EXPECT_ROUND_TRIP(randomBytes(length, static_cast<uint32_t>(length * 7)));
    }
    const CodeCounts counts = countCodes(lzwCompress(randomBytes(24000, 1).data(), 24000));
    EXPECT_GE(counts.resets, 2u);
    EXPECT_EQ(counts.widestWidth, 12);
    // 30000 random bytes code to more than the 32768-byte input room: the
    // expander turns the stream down rather than reading past it.
    const Bytes full = randomBytes(lzwMaxOutput, 99);
    const Bytes coded = lzwCompress(full.data(), full.size());
    ASSERT_GT(coded.size(), lzwMaxInput);
    Bytes produced;
    EXPECT_EQ(expandInto(coded, &produced), lzwBadData);
}

TEST(LzwRoundTrip, LongEntriesAndRuns) {
    // Few distinct values and runs of one byte make long entries and many
    // codes naming the entry they define.
    for (uint32_t alphabet : {2u, 16u}) {
        for (size_t length : {1000u, 30000u}) {
            EXPECT_ROUND_TRIP(randomBytes(length, alphabet + static_cast<uint32_t>(length), alphabet));
        }
    }
    for (uint8_t value : {0x00, 0xFF}) {
        for (size_t length : {2u, 3u, 100u, 4096u, 30000u}) {
            EXPECT_ROUND_TRIP(Bytes(length, value));
        }
    }
    Bytes mixed;
    std::mt19937 random(5);
    while (mixed.size() < lzwMaxOutput) {
        mixed.insert(mixed.end(), 1 + random() % 300, static_cast<uint8_t>(random() % 4));
        mixed.push_back(static_cast<uint8_t>(random()));
    }
    mixed.resize(lzwMaxOutput);
    EXPECT_ROUND_TRIP(mixed);
}

TEST(LzwRoundTrip, TextReachesTwelveBitCodesAndResets) {
    for (size_t length : {1u, 2u, 50u, 200u, 3750u, 29999u}) {
        EXPECT_ROUND_TRIP(frenchText(length, static_cast<uint32_t>(length)));
    }
    const Bytes data = frenchText(lzwMaxOutput);
    const Bytes coded = lzwCompress(data.data(), data.size());
    EXPECT_LT(coded.size(), data.size() * 6 / 10);
    const CodeCounts counts = countCodes(coded);
    EXPECT_TRUE(counts.ended);
    EXPECT_EQ(counts.widestWidth, 12);
    EXPECT_GE(counts.resets, 1u);
    // Three widens (9 to 12) from the start and after each reset; the last
    // stretch may stop short of 12 bits.
    EXPECT_GE(counts.widens, 3 * counts.resets);
    EXPECT_LE(counts.widens, 3 * (counts.resets + 1));
    EXPECT_ROUND_TRIP(data);
    // Random stretches inside text: resets come with every kind of string pending.
    for (uint32_t seed = 0; seed < 5; ++seed) {
        Bytes mixed = frenchText(6000, seed);
        const Bytes noise = randomBytes(9000, seed);
        mixed.insert(mixed.begin() + seed * 700, noise.begin(), noise.end());
        EXPECT_ROUND_TRIP(mixed);
    }
}

}  // namespace
