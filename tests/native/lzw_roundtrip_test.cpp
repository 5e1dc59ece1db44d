#include "french_text.h"
#include "lzw_compress.h"
#include "lzw_expand.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

struct RoundTrip {
    int32_t result = 1;
    Bytes produced;
};

RoundTrip expand(const Bytes& coded) {
    RoundTrip r;
    uint8_t* block = nullptr;
    int32_t reported = 0;
    r.result = lzwExpand(coded.data(), coded.size(), &block, &reported);
    if (block != nullptr && reported >= 2) {
        r.produced.assign(block, block + (reported - 2));
    }
    lzwFree(block);
    return r;
}

// Passes the caller's line through so that a failure points at the case.
void expectRoundTrip(const Bytes& data, int line) {
    SCOPED_TRACE(testing::Message() << "from line " << line << ", " << data.size() << " bytes");
    const Bytes coded = lzwCompress(data.data(), data.size());
    ASSERT_LE(coded.size(), lzwMaxInput);
    const RoundTrip r = expand(coded);
    ASSERT_EQ(r.result, lzwOk);
    ASSERT_EQ(r.produced.size(), data.size());
    ASSERT_TRUE(r.produced == data);
}
#define EXPECT_ROUND_TRIP(data) expectRoundTrip((data), __LINE__)

// What a coded stream holds, read the way the expander reads it.
struct CodeCounts {
    size_t codes = 0;
    size_t widens = 0;
    size_t resets = 0;
    int widestWidth = 9;
    bool ended = false;
};

CodeCounts countCodes(const Bytes& coded) {
    CodeCounts counts;
    size_t bit = 0;
    auto read = [&](int width, uint32_t& code) {
        if (bit + static_cast<size_t>(width) > coded.size() * 8) {
            return false;
        }
        code = 0;
        for (int i = 0; i < width; ++i, ++bit) {
            code = (code << 1) | ((coded[bit / 8] >> (7 - bit % 8)) & 1u);
        }
        return true;
    };
    int width = 9;
    uint32_t code = 0;
    if (!read(width, code)) {
        return counts;
    }
    ++counts.codes;
    while (read(width, code)) {
        ++counts.codes;
        if (code == 256) {
            counts.ended = true;
            break;
        }
        if (code == 257) {
            ++counts.widens;
            ++width;
            counts.widestWidth = std::max(counts.widestWidth, width);
        } else if (code == 258) {
            ++counts.resets;
            width = 9;
        }
    }
    return counts;
}

Bytes randomBytes(size_t length, uint32_t seed) {
    std::mt19937 random(seed);
    Bytes data(length);
    for (uint8_t& b : data) {
        b = static_cast<uint8_t>(random());
    }
    return data;
}

TEST(LzwRoundTrip, EmptyInputCodesToNothing) {
    const uint8_t none = 0;
    EXPECT_TRUE(lzwCompress(&none, 0).empty());
}

TEST(LzwRoundTrip, SingleBytes) {
    for (int value = 0; value < 256; ++value) {
        EXPECT_ROUND_TRIP(Bytes{static_cast<uint8_t>(value)});
    }
}

TEST(LzwRoundTrip, EveryByteValueInOrderAndReversed) {
    Bytes up(256);
    for (size_t i = 0; i < up.size(); ++i) {
        up[i] = static_cast<uint8_t>(i);
    }
    EXPECT_ROUND_TRIP(up);
    Bytes down(up.rbegin(), up.rend());
    EXPECT_ROUND_TRIP(down);
    // Repeated, so that pairs of every value become entries and get used.
    Bytes many;
    for (int i = 0; i < 60; ++i) {
        many.insert(many.end(), up.begin(), up.end());
        many.insert(many.end(), down.begin(), down.end());
    }
    many.resize(lzwMaxOutput);
    EXPECT_ROUND_TRIP(many);
}

TEST(LzwRoundTrip, RandomBytesOfShortLengths) {
    for (size_t length = 1; length <= 300; ++length) {
        EXPECT_ROUND_TRIP(randomBytes(length, static_cast<uint32_t>(length)));
    }
}

TEST(LzwRoundTrip, RandomBytesOfLongLengths) {
    // Random bytes grow under LZW; 24000 of them still code to less than the
    // expander's 32768-byte input limit, and they pass several resets.
    for (size_t length : {511u, 512u, 513u, 1000u, 4095u, 4096u, 4097u, 5000u, 8191u, 12345u, 20000u, 24000u}) {
        EXPECT_ROUND_TRIP(randomBytes(length, static_cast<uint32_t>(length * 7)));
    }
    const Bytes coded = lzwCompress(randomBytes(24000, 1).data(), 24000);
    const CodeCounts counts = countCodes(coded);
    EXPECT_GE(counts.resets, 2u);
    EXPECT_EQ(counts.widestWidth, 12);
}

TEST(LzwRoundTrip, RandomBytesOfTheFullBlockCodeToMoreThanTheInputLimit) {
    // The limit is on the coded size: 30000 random bytes do not fit, and the
    // expander turns the stream down as bad data rather than reading past
    // its input room.
    const Bytes data = randomBytes(lzwMaxOutput, 99);
    const Bytes coded = lzwCompress(data.data(), data.size());
    ASSERT_GT(coded.size(), lzwMaxInput);
    EXPECT_EQ(expand(coded).result, lzwBadData);
}

TEST(LzwRoundTrip, RandomBytesFromSmallAlphabets) {
    // Few distinct values make long entries and many codes naming the entry
    // they define.
    for (uint32_t alphabet : {2u, 3u, 4u, 16u}) {
        for (size_t length : {10u, 100u, 1000u, 10000u, 30000u}) {
            Bytes data = randomBytes(length, alphabet * 31 + static_cast<uint32_t>(length));
            for (uint8_t& b : data) {
                b = static_cast<uint8_t>('a' + b % alphabet);
            }
            EXPECT_ROUND_TRIP(data);
        }
    }
}

TEST(LzwRoundTrip, FrenchTextOfManyLengths) {
    for (size_t length = 1; length <= 200; ++length) {
        EXPECT_ROUND_TRIP(frenchText(length));
    }
    for (size_t length : {1000u, 2500u, 3750u, 7500u, 15000u, 29999u, 30000u}) {
        EXPECT_ROUND_TRIP(frenchText(length, static_cast<uint32_t>(length)));
    }
}

TEST(LzwRoundTrip, FrenchTextReachesTwelveBitCodesAndResets) {
    const Bytes data = frenchText(lzwMaxOutput);
    const Bytes coded = lzwCompress(data.data(), data.size());
    const CodeCounts counts = countCodes(coded);
    EXPECT_TRUE(counts.ended);
    EXPECT_EQ(counts.widestWidth, 12);
    EXPECT_GE(counts.resets, 1u);
    // Three widens (9 to 12) after the start and after each reset, except
    // that the last stretch may stop short of 12 bits.
    EXPECT_GE(counts.widens, 3 * counts.resets);
    EXPECT_LE(counts.widens, 3 * (counts.resets + 1));
    EXPECT_ROUND_TRIP(data);
}

TEST(LzwRoundTrip, FrenchTextIsSmallerCoded) {
    const Bytes data = frenchText(lzwMaxOutput);
    const Bytes coded = lzwCompress(data.data(), data.size());
    EXPECT_LT(coded.size(), data.size() * 6 / 10);
}

TEST(LzwRoundTrip, FrenchTextIsTheSameEveryTime) {
    EXPECT_EQ(frenchText(5000), frenchText(5000));
    EXPECT_NE(frenchText(5000, 1), frenchText(5000, 2));
    // A prefix of a longer text is the shorter text.
    const Bytes longer = frenchText(6000);
    EXPECT_EQ(Bytes(longer.begin(), longer.begin() + 5000), frenchText(5000));
}

TEST(LzwRoundTrip, FrenchTextHasAccents) {
    const Bytes data = frenchText(2000);
    size_t accented = 0;
    for (uint8_t b : data) {
        accented += b >= 0x80 ? 1 : 0;
    }
    EXPECT_GT(accented, 10u);
}

TEST(LzwRoundTrip, RunsOfOneByte) {
    // Every code after the first names the entry it defines.
    for (uint8_t value : {uint8_t{0x00}, uint8_t{0x61}, uint8_t{0xFF}}) {
        for (size_t length = 1; length <= 100; ++length) {
            EXPECT_ROUND_TRIP(Bytes(length, value));
        }
        for (size_t length : {1000u, 4096u, 29999u, 30000u}) {
            EXPECT_ROUND_TRIP(Bytes(length, value));
        }
    }
}

TEST(LzwRoundTrip, RunsBetweenOtherBytes) {
    Bytes data;
    std::mt19937 random(5);
    while (data.size() < lzwMaxOutput) {
        const size_t run = 1 + random() % 300;
        data.insert(data.end(), run, static_cast<uint8_t>(random() % 4));
        data.push_back(static_cast<uint8_t>(random()));
    }
    data.resize(lzwMaxOutput);
    EXPECT_ROUND_TRIP(data);
}

TEST(LzwRoundTrip, ManyResetsWithSingleBytePendingAndLongPending) {
    // Mixed random stretches and text: resets happen with every kind of
    // string pending.
    for (uint32_t seed = 0; seed < 40; ++seed) {
        Bytes data = frenchText(6000, seed);
        const Bytes noise = randomBytes(9000, seed);
        data.insert(data.begin() + seed * 100, noise.begin(), noise.end());
        EXPECT_ROUND_TRIP(data);
    }
}

}  // namespace
