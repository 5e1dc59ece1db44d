#include "lzw_expand.h"

#include "messages.h"
#include "quiz_texts.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <string>
#include <vector>


namespace {

constexpr uint32_t endCode = 256;
constexpr uint32_t widenCode = 257;
constexpr uint32_t resetCode = 258;

using Bytes = std::vector<uint8_t>;

struct Code {
    uint32_t value;
    int width;
};

// Packs codes most significant bit first and pads with zero bits.
Bytes packCodes(const std::vector<Code>& codes) {
    Bytes out;
    uint64_t bits = 0;
    int count = 0;
    for (const Code& code : codes) {
        bits = (bits << code.width) | (code.value & ((uint64_t(1) << code.width) - 1));
        count += code.width;
        while (count >= 8) {
            count -= 8;
            out.push_back(static_cast<uint8_t>(bits >> count));
        }
    }
    if (count > 0) {
        out.push_back(static_cast<uint8_t>(bits << (8 - count)));
    }
    return out;
}

// Builds longer code lists, following the width as the expander does.
class CodeStream {
public:
    CodeStream& code(uint32_t value) {
        codes_.push_back({value, width_});
        return *this;
    }
    CodeStream& codes(uint32_t value, size_t times) {
        for (size_t i = 0; i < times; ++i) {
            code(value);
        }
        return *this;
    }
    CodeStream& widen() {
        code(widenCode);
        ++width_;
        return *this;
    }
    CodeStream& reset() {
        code(resetCode);
        width_ = 9;
        return *this;
    }
    // A few bits of a code that the data ends in.
    CodeStream& partial(uint32_t value, int width) {
        codes_.push_back({value, width});
        return *this;
    }
    int width() const { return width_; }
    Bytes bytes() const { return packCodes(codes_); }

private:
    std::vector<Code> codes_;
    int width_ = 9;
};

struct Expansion {
    int32_t result = 1;
    int32_t reportedLength = -1;
    Bytes produced;
    std::array<uint8_t, lzwOutputSlack> slack{};
};

Expansion expand(const Bytes& input) {
    Expansion e;
    uint8_t* block = nullptr;
    e.result = lzwExpand(input.data(), input.size(), &block, &e.reportedLength);
    EXPECT_NE(block, nullptr);
    EXPECT_GE(e.reportedLength, 2);
    EXPECT_LE(e.reportedLength, static_cast<int32_t>(lzwMaxOutput + 2));
    if (block != nullptr && e.reportedLength >= 2) {
        const size_t produced = static_cast<size_t>(e.reportedLength - 2);
        e.produced.assign(block, block + produced);
        std::memcpy(e.slack.data(), block + produced, lzwOutputSlack);
    }
    lzwFree(block);
    return e;
}

Bytes text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// --- The worked examples ----------------------------------------------------

TEST(LzwExpandExamples, DefinedEntryRepeatsAPair) {
    const Bytes input = {0x30, 0x98, 0xA0, 0x70, 0x00};
    EXPECT_EQ(packCodes({{97, 9}, {98, 9}, {259, 9}, {256, 9}}), input);
    const Expansion e = expand(input);
    EXPECT_EQ(e.result, lzwOk);
    EXPECT_EQ(e.produced, (Bytes{0x61, 0x62, 0x61, 0x62}));
    EXPECT_EQ(e.reportedLength, 6);
}

TEST(LzwExpandExamples, CodeEqualToNextFreeIsPendingPlusItsFirstByte) {
    const Bytes input = {0x30, 0xC0, 0xE0, 0x00};
    EXPECT_EQ(packCodes({{97, 9}, {259, 9}, {256, 9}}), input);
    const Expansion e = expand(input);
    EXPECT_EQ(e.result, lzwOk);
    EXPECT_EQ(e.produced, (Bytes{0x61, 0x61, 0x61}));
    EXPECT_EQ(e.reportedLength, 5);
}

TEST(LzwExpandExamples, ResetKeepsThePendingString) {
    const Bytes input = {0x30, 0xC0, 0x8C, 0x50, 0x00};
    EXPECT_EQ(packCodes({{97, 9}, {258, 9}, {98, 9}, {256, 9}}), input);
    const Expansion e = expand(input);
    EXPECT_EQ(e.result, lzwOk);
    EXPECT_EQ(e.produced, (Bytes{0x61, 0x62}));
    EXPECT_EQ(e.reportedLength, 4);
}

TEST(LzwExpandExamples, EntryDefinedAfterResetStartsWithTheOldPendingString) {
    // Entry 259 is 61 62; using it shows that.
    const Expansion e = expand(packCodes({{97, 9}, {258, 9}, {98, 9}, {259, 9}, {256, 9}}));
    EXPECT_EQ(e.result, lzwOk);
    EXPECT_EQ(e.produced, text("abab"));
}

TEST(LzwExpandExamples, WidenMakesTheFollowingCodesTenBits) {
    const Bytes input = {0x30, 0xC0, 0x46, 0x24, 0x00};
    EXPECT_EQ(packCodes({{97, 9}, {257, 9}, {98, 10}, {256, 10}}), input);
    const Expansion e = expand(input);
    EXPECT_EQ(e.result, lzwOk);
    EXPECT_EQ(e.produced, (Bytes{0x61, 0x62}));
}

TEST(LzwExpandExamples, CodeAboveNextFreeFailsBeforeThePendingByteIsWritten) {
    const Expansion e = expand(packCodes({{97, 9}, {300, 9}, {256, 9}}));
    EXPECT_EQ(e.result, lzwBadData);
    EXPECT_TRUE(e.produced.empty());
    EXPECT_EQ(e.reportedLength, 2);
}

TEST(LzwExpandExamples, EmptyInputIsNoInput) {
    const Expansion e = expand(Bytes{});
    EXPECT_EQ(e.result, lzwNoInput);
    EXPECT_EQ(e.reportedLength, 2);
}

TEST(LzwExpandExamples, NullInputOfLengthZeroIsNoInput) {
    uint8_t* block = nullptr;
    int32_t reported = -1;
    EXPECT_EQ(lzwExpand(nullptr, 0, &block, &reported), lzwNoInput);
    EXPECT_EQ(reported, 2);
    ASSERT_NE(block, nullptr);
    lzwFree(block);
}

TEST(LzwExpandExamples, FirstCode256IsAZeroByteNotAnEnd) {
    const Expansion e = expand(packCodes({{256, 9}, {256, 9}}));
    EXPECT_EQ(e.result, lzwOk);
    EXPECT_EQ(e.produced, (Bytes{0x00}));
}

// --- The first code ---------------------------------------------------------

TEST(LzwExpandFirstCode, IsTakenAsItsLowEightBitsWhateverItsValue) {
    // Not a widen, not a reset, not a lookup.
    for (uint32_t first : {0u, 97u, 255u, 257u, 258u, 259u, 300u, 511u}) {
        SCOPED_TRACE(first);
        const Expansion e = expand(packCodes({{first, 9}, {256, 9}}));
        EXPECT_EQ(e.result, lzwOk);
        EXPECT_EQ(e.produced, (Bytes{static_cast<uint8_t>(first & 0xFF)}));
    }
}

TEST(LzwExpandFirstCode, DoesNotWidenTheSecondCode) {
    // After a first code of 257 the width is still 9.
    const Expansion e = expand(packCodes({{257, 9}, {98, 9}, {256, 9}}));
    EXPECT_EQ(e.result, lzwOk);
    EXPECT_EQ(e.produced, (Bytes{0x01, 0x62}));
}

TEST(LzwExpandFirstCode, OneByteIsNotEnoughForIt) {
    for (uint8_t b : {0x00, 0x30, 0xFF}) {
        const Expansion e = expand(Bytes{b});
        EXPECT_EQ(e.result, lzwNoInput);
        EXPECT_EQ(e.reportedLength, 2);
    }
}

// --- Ordinary codes, one step late -----------------------------------------

TEST(LzwExpandSteps, FailureLeavesOutOnlyThePendingString) {
    // a, b, c are written as the next code arrives; the bad code comes while
    // c is pending.
    const Expansion e = expand(packCodes({{97, 9}, {98, 9}, {99, 9}, {400, 9}}));
    EXPECT_EQ(e.result, lzwBadData);
    EXPECT_EQ(e.produced, text("ab"));
}

TEST(LzwExpandSteps, FailureLeavesOutALongPendingString) {
    // a, b, 259 = ab, 261 = aba (named as it is defined): "aba" is pending
    // when 300 arrives.
    const Expansion e = expand(packCodes({{97, 9}, {98, 9}, {259, 9}, {261, 9}, {300, 9}}));
    EXPECT_EQ(e.result, lzwBadData);
    EXPECT_EQ(e.produced, text("abab"));
}

TEST(LzwExpandSteps, EntriesChainThroughEarlierEntries) {
    // a, b, 259 = ab, 261 = aba, 260 = ba
    const Expansion e = expand(packCodes({{97, 9}, {98, 9}, {259, 9}, {261, 9}, {260, 9}, {256, 9}}));
    EXPECT_EQ(e.result, lzwOk);
    EXPECT_EQ(e.produced, text("ababababa"));
}

TEST(LzwExpandSteps, RepeatedCodeEqualToNextFreeGrowsARun) {
    // a, then each code names the entry it defines: runs of 2, 3, 4, 5.
    const Expansion e = expand(packCodes({{97, 9}, {259, 9}, {260, 9}, {261, 9}, {262, 9}, {256, 9}}));
    EXPECT_EQ(e.result, lzwOk);
    EXPECT_EQ(e.produced, Bytes(1 + 2 + 3 + 4 + 5, 0x61));
}

TEST(LzwExpandSteps, CodeEqualToNextFreeAfterALongPendingString) {
    // a, b, 259 = ab, 260 = ba; then 262, the next free code, is the
    // pending "ba" plus its own first byte.
    const Expansion e = expand(packCodes({{97, 9}, {98, 9}, {259, 9}, {260, 9}, {262, 9}, {256, 9}}));
    EXPECT_EQ(e.result, lzwOk);
    EXPECT_EQ(e.produced, text("ababbabab"));
}

TEST(LzwExpandSteps, CodeEqualToNextFreeRightAfterAReset) {
    // The pending string before the reset is "ab"; 259 right after the
    // reset is "ab" + "a".
    const Expansion e = expand(packCodes({{97, 9}, {98, 9}, {259, 9}, {258, 9}, {259, 9}, {256, 9}}));
    EXPECT_EQ(e.result, lzwOk);
    // a, b, ab, then aba
    EXPECT_EQ(e.produced, text("abababa"));
}

TEST(LzwExpandSteps, ResetForgetsEntriesAboveTheFirstFreeCode) {
    // 260 was defined before the reset; after it, 260 is above the next free
    // code (259) again.
    const Expansion e = expand(packCodes({{97, 9}, {98, 9}, {99, 9}, {258, 9}, {260, 9}, {256, 9}}));
    EXPECT_EQ(e.result, lzwBadData);
    EXPECT_EQ(e.produced, text("ab"));
}

TEST(LzwExpandSteps, ResetBringsTheWidthBackToNine) {
    CodeStream s;
    s.code(97).widen().widen().widen().code(98).reset().code(99).code(256);
    const Expansion e = expand(s.bytes());
    EXPECT_EQ(e.result, lzwOk);
    EXPECT_EQ(e.produced, text("abc"));
}

TEST(LzwExpandSteps, ControlCodesWorkAtWiderWidths) {
    CodeStream s;
    s.code(97).widen().widen().code(98).widen().widen().code(259).code(256);
    EXPECT_EQ(s.width(), 13);
    const Expansion e = expand(s.bytes());
    EXPECT_EQ(e.result, lzwOk);
    EXPECT_EQ(e.produced, text("abab"));
}

TEST(LzwExpandSteps, BitsAfterTheEndCodeAreIgnored) {
    Bytes input = packCodes({{97, 9}, {256, 9}});
    input.insert(input.end(), {0xFF, 0xFF, 0x12, 0x34});
    const Expansion e = expand(input);
    EXPECT_EQ(e.result, lzwOk);
    EXPECT_EQ(e.produced, text("a"));
}

// --- Code widths -------------------------------------------------------------

TEST(LzwExpandWidth, CodesOfThirtyTwoBitsAreReadWhole) {
    CodeStream s;
    s.code(97);
    while (s.width() < 32) {
        s.widen();
    }
    s.code(98).code(259).code(256);
    const Expansion e = expand(s.bytes());
    EXPECT_EQ(e.result, lzwOk);
    EXPECT_EQ(e.produced, text("abab"));
}

TEST(LzwExpandWidth, ThirtyTwoBitCodeWithItsTopBitSetIsAboveNextFree) {
    CodeStream s;
    s.code(97);
    while (s.width() < 32) {
        s.widen();
    }
    s.code(98).code(0x80000000u + 98).code(256);
    const Expansion e = expand(s.bytes());
    EXPECT_EQ(e.result, lzwBadData);
    EXPECT_EQ(e.produced, text("a"));
}

TEST(LzwExpandWidth, AboveThirtyTwoFails) {
    CodeStream s;
    s.code(97).code(98);
    while (s.width() < 33) {
        s.widen();
    }
    // A perfectly good end code follows, but the width check comes first.
    s.code(256);
    const Expansion e = expand(s.bytes());
    EXPECT_EQ(e.result, lzwBadData);
    EXPECT_EQ(e.produced, text("a"));
}

TEST(LzwExpandWidth, AboveThirtyTwoFailsEvenWithNoDataLeft) {
    CodeStream s;
    s.code(97);
    while (s.width() < 33) {
        s.widen();
    }
    const Expansion e = expand(s.bytes());
    EXPECT_EQ(e.result, lzwBadData);
    EXPECT_TRUE(e.produced.empty());
}

// --- Data that ends before the end code -------------------------------------

TEST(LzwExpandTruncated, MissingBitsCountAsZerosAndMayMakeTheEndCode) {
    // 97, 98 take 18 bits; the third byte holds only "1" + five padding
    // zeros, which with three missing zeros is 1_0000_0000 = 256.
    const Bytes input = packCodes({{97, 9}, {98, 9}, {1, 1}});
    ASSERT_EQ(input.size(), 3u);
    const Expansion e = expand(input);
    EXPECT_EQ(e.result, lzwOk);
    EXPECT_EQ(e.produced, text("ab"));
    EXPECT_EQ(e.reportedLength, 4);
}

TEST(LzwExpandTruncated, TwoBytesCanHoldAByteAndAShortEndCode) {
    // 97 takes 9 bits; the 7 left, 1000000, end the data as 256.
    const Expansion e = expand(Bytes{0x30, 0xC0});
    EXPECT_EQ(e.result, lzwOk);
    EXPECT_EQ(e.produced, text("a"));
}

TEST(LzwExpandTruncated, MissingBitsMakingAnythingElseFail) {
    // "11" then zeros: 1_1000_0000 = 384.
    const Expansion e = expand(packCodes({{97, 9}, {98, 9}, {3, 2}}));
    EXPECT_EQ(e.result, lzwBadData);
    EXPECT_EQ(e.produced, text("a"));
}

TEST(LzwExpandTruncated, MissingBitsMakingAnOrdinaryCodeFail) {
    // 6 bits 000011 + 3 zeros = 24 is a byte code, still a failure.
    const Expansion e = expand(packCodes({{97, 9}, {98, 9}, {3, 6}}));
    EXPECT_EQ(e.result, lzwBadData);
    EXPECT_EQ(e.produced, text("a"));
}

TEST(LzwExpandTruncated, DataEndingOnACodeBoundaryFails) {
    // Eight 9-bit codes fill nine bytes exactly; the next code has no bits.
    const Bytes input = packCodes({{97, 9}, {98, 9}, {99, 9}, {100, 9}, {101, 9}, {102, 9}, {103, 9}, {104, 9}});
    ASSERT_EQ(input.size(), 9u);
    const Expansion e = expand(input);
    EXPECT_EQ(e.result, lzwBadData);
    EXPECT_EQ(e.produced, text("abcdefg"));
}

TEST(LzwExpandTruncated, ShortEndCodeAtTenBits) {
    // 9 + 9 + 10 = 28 bits; the last four bits of the byte, 0100, with six
    // missing zeros are 01_0000_0000 = 256 at width 10.
    const Bytes input = packCodes({{97, 9}, {257, 9}, {98, 10}, {4, 4}});
    ASSERT_EQ(input.size(), 4u);
    const Expansion e = expand(input);
    EXPECT_EQ(e.result, lzwOk);
    EXPECT_EQ(e.produced, text("ab"));
}

TEST(LzwExpandTruncated, ShortEndCodeWritesALongPendingString) {
    const Expansion e = expand(packCodes({{97, 9}, {98, 9}, {259, 9}, {1, 1}}));
    EXPECT_EQ(e.result, lzwOk);
    EXPECT_EQ(e.produced, text("abab"));
}

TEST(LzwExpandTruncated, EveryCutOfAGoodStreamEndsCleanly) {
    const Bytes full = packCodes({{97, 9}, {98, 9}, {259, 9}, {261, 9}, {260, 9}, {256, 9}});
    for (size_t cut = 0; cut < full.size(); ++cut) {
        SCOPED_TRACE(cut);
        const Expansion e = expand(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut)));
        if (cut < 2) {
            EXPECT_EQ(e.result, lzwNoInput);
        } else {
            EXPECT_NE(e.result, lzwNoInput);
        }
    }
}

// --- Our limits ---------------------------------------------------------------

TEST(LzwExpandLimits, InputOfTheFullSizeIsRead) {
    Bytes input = packCodes({{97, 9}, {98, 9}, {259, 9}, {256, 9}});
    input.resize(lzwMaxInput, 0xAB);
    const Expansion e = expand(input);
    EXPECT_EQ(e.result, lzwOk);
    EXPECT_EQ(e.produced, text("abab"));
}

TEST(LzwExpandLimits, InputOverTheLimitIsBadData) {
    Bytes input = packCodes({{97, 9}, {98, 9}, {259, 9}, {256, 9}});
    input.resize(lzwMaxInput + 1, 0xAB);
    const Expansion e = expand(input);
    EXPECT_EQ(e.result, lzwBadData);
    EXPECT_EQ(e.reportedLength, 2);
}

// a, then 259..501 each naming the entry it defines (runs of 1..244 bytes,
// 29646 bytes written, 244 pending), then `extra` more single a's.
CodeStream longRuns(size_t extra) {
    CodeStream s;
    s.code(97);
    for (uint32_t c = 259; c <= 501; ++c) {
        s.code(c);
    }
    s.codes(97, extra);
    return s;
}

TEST(LzwExpandLimits, OutputOfExactlyTheBlockSize) {
    CodeStream s = longRuns(110);
    s.code(256);
    const Expansion e = expand(s.bytes());
    EXPECT_EQ(e.result, lzwOk);
    EXPECT_EQ(e.reportedLength, static_cast<int32_t>(lzwMaxOutput + 2));
    EXPECT_EQ(e.produced, Bytes(lzwMaxOutput, 0x61));
    EXPECT_EQ(e.slack, (std::array<uint8_t, 3>{0, 0, 0}));
}

TEST(LzwExpandLimits, EndCodeThatWouldOverflowTheBlockFails) {
    CodeStream s = longRuns(111);
    s.code(256);
    const Expansion e = expand(s.bytes());
    EXPECT_EQ(e.result, lzwBadData);
    EXPECT_EQ(e.reportedLength, static_cast<int32_t>(lzwMaxOutput + 2));
    EXPECT_EQ(e.slack, (std::array<uint8_t, 3>{0, 0, 0}));
}

TEST(LzwExpandLimits, OrdinaryCodeThatWouldOverflowTheBlockFails) {
    // 501 (the run of 244) twice more: the first write brings the output to
    // 29890, the second would pass 30000.
    CodeStream s = longRuns(0);
    s.code(501).code(501).code(256);
    const Expansion e = expand(s.bytes());
    EXPECT_EQ(e.result, lzwBadData);
    EXPECT_EQ(e.produced, Bytes(29890, 0x61));
    EXPECT_EQ(e.slack, (std::array<uint8_t, 3>{0, 0, 0}));
}

TEST(LzwExpandLimits, FullDictionaryStillEndsWell) {
    // 3837 codes after the first define 259..4095.
    CodeStream s;
    s.code(97).codes(98, 3837).code(256);
    const Expansion e = expand(s.bytes());
    EXPECT_EQ(e.result, lzwOk);
    EXPECT_EQ(e.produced.size(), 3838u);
}

TEST(LzwExpandLimits, DefiningEntry4096IsBadData) {
    CodeStream s;
    s.code(97).codes(98, 3838).code(256);
    const Expansion e = expand(s.bytes());
    EXPECT_EQ(e.result, lzwBadData);
    // Everything but the pending byte of the failing step.
    EXPECT_EQ(e.produced.size(), 3837u);
}

TEST(LzwExpandLimits, NamingTheNextFreeCode4096IsBadData) {
    CodeStream s;
    s.code(97).codes(98, 3837);
    while (s.width() < 13) {
        s.widen();
    }
    s.code(4096).code(256);
    const Expansion e = expand(s.bytes());
    EXPECT_EQ(e.result, lzwBadData);
    EXPECT_EQ(e.produced.size(), 3837u);
}

TEST(LzwExpandLimits, TheLastEntryFillsTheDictionaryAndAResetMakesRoom) {
    // 3836 b's define 259..4094 (4094 is "bb"); naming 4094 defines 4095,
    // the last entry. After the reset, 259 is the pending "bb" plus "c".
    CodeStream s;
    s.code(97).codes(98, 3836);
    while (s.width() < 12) {
        s.widen();
    }
    s.code(4094).reset().code(99).code(259).code(256);
    const Expansion e = expand(s.bytes());
    EXPECT_EQ(e.result, lzwOk);
    Bytes expected = text("a");
    expected.insert(expected.end(), 3836, 0x62);
    for (const char* part : {"bb", "c", "bbc"}) {
        const Bytes p = text(part);
        expected.insert(expected.end(), p.begin(), p.end());
    }
    EXPECT_EQ(e.produced, expected);
}

// --- The output block -------------------------------------------------------

TEST(LzwExpandBlock, ThreeZeroBytesFollowTheProducedDataOnEveryResult) {
    const Bytes inputs[] = {
        packCodes({{97, 9}, {98, 9}, {259, 9}, {256, 9}}),  // 0
        Bytes{0x42},                                        // -5
        packCodes({{97, 9}, {98, 9}, {99, 9}, {300, 9}}),   // -7
        longRuns(40).bytes(),                               // -7 after long runs
    };
    for (const Bytes& input : inputs) {
        const Expansion e = expand(input);
        EXPECT_EQ(e.slack, (std::array<uint8_t, 3>{0, 0, 0}));
    }
}

TEST(LzwExpandBlock, EachCallGetsItsOwnBlock) {
    const Bytes input = packCodes({{97, 9}, {98, 9}, {259, 9}, {256, 9}});
    uint8_t* first = nullptr;
    uint8_t* second = nullptr;
    int32_t firstLength = 0;
    int32_t secondLength = 0;
    ASSERT_EQ(lzwExpand(input.data(), input.size(), &first, &firstLength), lzwOk);
    ASSERT_EQ(lzwExpand(input.data(), input.size(), &second, &secondLength), lzwOk);
    EXPECT_NE(first, second);
    EXPECT_EQ(std::memcmp(first, second, 4), 0);
    lzwFree(first);
    lzwFree(second);
}

TEST(LzwExpandBlock, AFailedCallLeavesNothingForTheNext) {
    // A stream that defines many entries and fails, then one that relies on
    // entry 259 being fresh.
    CodeStream bad;
    bad.code(120).codes(121, 500).widen().code(900);
    EXPECT_EQ(expand(bad.bytes()).result, lzwBadData);
    const Expansion e = expand(packCodes({{97, 9}, {98, 9}, {259, 9}, {256, 9}}));
    EXPECT_EQ(e.result, lzwOk);
    EXPECT_EQ(e.produced, text("abab"));
}

TEST(LzwFree, AcceptsNull) {
    lzwFree(nullptr);
}

// --- Out of memory ------------------------------------------------------------

struct SeenMessage {
    int count = 0;
    std::string text;
    std::string caption;
    unsigned style = ~0u;
};
SeenMessage seenMessage;

void recordMessage(const char* text, const char* caption, unsigned style) {
    ++seenMessage.count;
    seenMessage.text = text;
    seenMessage.caption = caption;
    seenMessage.style = style;
}

void* failAllocation(size_t) {
    return nullptr;
}

TEST(LzwExpandOutOfMemory, ShowsTheMessageAndLeavesTheOutArgumentsAlone) {
    seenMessage = SeenMessage{};
    const MessageSink previousSink = setMessageSink(recordMessage);
    const LzwBlockAllocator previousAllocator = lzwSetBlockAllocator(failAllocation);

    const Bytes input = packCodes({{97, 9}, {256, 9}});
    uint8_t untouched = 0;
    uint8_t* block = &untouched;
    int32_t reported = 12345;
    const int32_t result = lzwExpand(input.data(), input.size(), &block, &reported);

    lzwSetBlockAllocator(previousAllocator);
    setMessageSink(previousSink);

    EXPECT_EQ(result, lzwOutOfMemory);
    EXPECT_EQ(block, &untouched);
    EXPECT_EQ(reported, 12345);
    EXPECT_EQ(seenMessage.count, 1);
    EXPECT_EQ(seenMessage.text, "Impossible d'allouer la memoire");
    EXPECT_EQ(seenMessage.caption, "information");
    EXPECT_EQ(seenMessage.style, messageOk);
}

TEST(LzwExpandOutOfMemory, EvenNoInputIsOutOfMemoryWithoutABlock) {
    const MessageSink previousSink = setMessageSink(recordMessage);
    const LzwBlockAllocator previousAllocator = lzwSetBlockAllocator(failAllocation);
    uint8_t* block = nullptr;
    int32_t reported = -99;
    const int32_t result = lzwExpand(nullptr, 0, &block, &reported);
    lzwSetBlockAllocator(previousAllocator);
    setMessageSink(previousSink);
    EXPECT_EQ(result, lzwOutOfMemory);
    EXPECT_EQ(block, nullptr);
    EXPECT_EQ(reported, -99);
}

// --- Against a literal model ------------------------------------------------
//
// A slow expander that follows the steps word for word (a copy of the string
// per entry, the pending string as its own buffer), with the same limits.
// The fast expander must agree with it on result, length and bytes.

struct ModelResult {
    int32_t result;
    Bytes produced;
};

ModelResult modelExpand(const Bytes& input) {
    ModelResult r{0, {}};
    if (input.size() > lzwMaxInput) {
        r.result = lzwBadData;
        return r;
    }
    size_t bitPosition = 0;
    const size_t totalBits = input.size() * 8;
    // Returns false when the data ends first, with the missing bits as zeros.
    auto readCode = [&](int width, uint32_t& code) {
        code = 0;
        bool complete = true;
        for (int i = 0; i < width; ++i) {
            uint32_t bit = 0;
            if (bitPosition < totalBits) {
                bit = (input[bitPosition / 8] >> (7 - bitPosition % 8)) & 1u;
                ++bitPosition;
            } else {
                complete = false;
            }
            code = (code << 1) | bit;
        }
        return complete;
    };
    std::vector<Bytes> dictionary(lzwDictionarySize);
    for (int i = 0; i < 256; ++i) {
        dictionary[static_cast<size_t>(i)] = Bytes{static_cast<uint8_t>(i)};
    }
    uint32_t nextFree = 259;
    int width = 9;
    uint32_t code = 0;
    if (!readCode(width, code)) {
        r.result = lzwNoInput;
        return r;
    }
    Bytes pending{static_cast<uint8_t>(code & 0xFF)};
    auto writePending = [&] {
        if (r.produced.size() + pending.size() > lzwMaxOutput) {
            return false;
        }
        r.produced.insert(r.produced.end(), pending.begin(), pending.end());
        return true;
    };
    for (;;) {
        if (width > 32) {
            r.result = lzwBadData;
            return r;
        }
        const bool complete = readCode(width, code);
        if (!complete) {
            r.result = code == endCode && writePending() ? lzwOk : lzwBadData;
            return r;
        }
        if (code == endCode) {
            r.result = writePending() ? lzwOk : lzwBadData;
            return r;
        }
        if (code == resetCode) {
            nextFree = 259;
            width = 9;
            continue;
        }
        if (code == widenCode) {
            ++width;
            continue;
        }
        if (code > nextFree || nextFree >= lzwDictionarySize || pending.size() + 1 > lzwMaxString) {
            r.result = lzwBadData;
            return r;
        }
        const uint8_t f = code == nextFree ? pending[0] : dictionary[code][0];
        Bytes entry = pending;
        entry.push_back(f);
        dictionary[nextFree] = entry;
        ++nextFree;
        if (!writePending()) {
            r.result = lzwBadData;
            return r;
        }
        pending = dictionary[code];
    }
}

// Random code streams that mostly make sense: bytes, known entries, the
// next free code, now and then a widen, a reset, a bad code, an end, and
// sometimes a cut in the middle.
Bytes randomStream(std::mt19937& random) {
    auto chance = [&](uint32_t inThousand) { return random() % 1000 < inThousand; };
    CodeStream s;
    s.code(random() % 512);
    uint32_t nextFree = 259;
    const size_t length = 1 + random() % (random() % 8 == 0 ? 6000 : 200);
    bool ended = false;
    for (size_t i = 0; i < length; ++i) {
        if (chance(3)) {
            s.widen();
            continue;
        }
        if (chance(5) || nextFree >= 4096) {
            s.reset();
            nextFree = 259;
            continue;
        }
        uint32_t code;
        if (chance(2)) {
            code = nextFree + 1 + random() % 50;
        } else if (chance(250)) {
            code = random() % 256;
        } else if (chance(150)) {
            code = nextFree;
        } else {
            code = 259 + random() % (nextFree - 259 + 1);
        }
        while (s.width() < 32 && code >= (1u << s.width())) {
            s.widen();
        }
        s.code(code);
        ++nextFree;
    }
    if (!chance(100)) {
        s.code(256);
        ended = true;
    }
    Bytes bytes = s.bytes();
    if (ended && chance(200) && !bytes.empty()) {
        bytes.resize(random() % bytes.size());
    }
    return bytes;
}

TEST(LzwExpandModel, AgreesOnRandomStreams) {
    std::mt19937 random(12345);
    int outcomes[3] = {0, 0, 0};
    for (int i = 0; i < 3000; ++i) {
        const Bytes input = randomStream(random);
        const ModelResult want = modelExpand(input);
        const Expansion got = expand(input);
        ASSERT_EQ(got.result, want.result) << "stream " << i;
        ASSERT_EQ(got.produced, want.produced) << "stream " << i;
        outcomes[got.result == lzwOk ? 0 : got.result == lzwBadData ? 1 : 2]++;
    }
    // The streams must exercise both ends, or the agreement means little.
    EXPECT_GT(outcomes[0], 300);
    EXPECT_GT(outcomes[1], 300);
}

TEST(LzwExpandModel, AgreesOnRandomBytes) {
    std::mt19937 random(777);
    for (int i = 0; i < 2000; ++i) {
        Bytes input(random() % 64);
        for (uint8_t& b : input) {
            b = static_cast<uint8_t>(random());
        }
        const ModelResult want = modelExpand(input);
        const Expansion got = expand(input);
        ASSERT_EQ(got.result, want.result) << "input " << i;
        ASSERT_EQ(got.produced, want.produced) << "input " << i;
    }
}

TEST(LzwExpandModel, AgreesNearTheEndOfTheBlock) {
    // Runs up to 244 bytes long copied at every distance from the end of the
    // block; nothing may be written past it (the sanitizers watch).
    std::mt19937 random(4242);
    for (int i = 0; i < 400; ++i) {
        CodeStream s;
        s.code(97);
        uint32_t nextFree = 259;
        size_t planned = 1;
        for (; nextFree <= 501; ++nextFree) {
            s.code(nextFree);
            planned += nextFree - 257;
        }
        while (planned < lzwMaxOutput + 300) {
            const uint32_t code = random() % 4 == 0 ? 97 : 259 + random() % (nextFree - 259);
            while (code >= (1u << s.width())) {
                s.widen();
            }
            s.code(code);
            planned += code == 97 ? 1 : code - 257;
            ++nextFree;
            if (random() % 3 == 0 && planned > lzwMaxOutput - 400) {
                break;
            }
        }
        s.code(256);
        const Bytes input = s.bytes();
        const ModelResult want = modelExpand(input);
        const Expansion got = expand(input);
        ASSERT_EQ(got.result, want.result) << "stream " << i;
        ASSERT_EQ(got.produced, want.produced) << "stream " << i;
        EXPECT_EQ(got.slack, (std::array<uint8_t, 3>{0, 0, 0}));
    }
}

}  // namespace
