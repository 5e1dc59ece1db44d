#include "quiz/lzw_expand.h"

#include "quiz/messages.h"
#include "quiz/quiz_texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// Codes packed most significant bit first and padded with zero bits; the
// width follows the widen and reset codes as the expander's does.
class CodeStream {
public:
    CodeStream& code(uint32_t value) { return bits(value, width_); }
    CodeStream& codes(uint32_t value, size_t times) {
        for (size_t i = 0; i < times; ++i) {
            code(value);
        }
        return *this;
    }
    CodeStream& widen() {
        code(257);
        ++width_;
        return *this;
    }
    CodeStream& widenTo(int width) {
        while (width_ < width) {
            widen();
        }
        return *this;
    }
    // Wide enough for `value`, up to 32 bits.
    CodeStream& widenFor(uint32_t value) {
        while (width_ < 32 && value >= (1u << width_)) {
            widen();
        }
        return *this;
    }
    CodeStream& reset() {
        code(258);
        width_ = 9;
        return *this;
    }
    // Any run of bits, such as the start of a code that the data ends in.
    CodeStream& bits(uint64_t value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            bits_.push_back(((value >> i) & 1u) != 0);
        }
        return *this;
    }
    Bytes bytes() const {
        Bytes out((bits_.size() + 7) / 8);
        for (size_t i = 0; i < bits_.size(); ++i) {
            out[i / 8] |= static_cast<uint8_t>(bits_[i] << (7 - i % 8));
        }
        return out;
    }

private:
    std::vector<bool> bits_;
    int width_ = 9;
};

struct Expansion {
    int32_t result = 1;
    Bytes produced;
    std::array<uint8_t, lzwOutputSlack> slack{};
};

Expansion expand(const Bytes& input) {
    Expansion e;
    uint8_t* block = nullptr;
    int32_t reported = -1;
    e.result = lzwExpand(input.data(), input.size(), &block, &reported);
    EXPECT_NE(block, nullptr);
    EXPECT_GE(reported, 2);
    EXPECT_LE(reported, static_cast<int32_t>(lzwMaxOutput + 2));
    if (block != nullptr && reported >= 2) {
        e.produced.assign(block, block + (reported - 2));
        std::memcpy(e.slack.data(), block + (reported - 2), lzwOutputSlack);
    }
    lzwFree(block);
    return e;
}

Bytes text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// a, then 259..501 each naming the entry it defines (runs of 1..244 bytes:
// 29646 written, 244 pending), then `extra` single a's.
CodeStream longRuns(size_t extra) {
    CodeStream s;
    s.code(97);
    for (uint32_t c = 259; c <= 501; ++c) {
        s.code(c);
    }
    return s.codes(97, extra);
}

std::string manyB(size_t count, const std::string& after = "") {
    return "a" + std::string(count, 'b') + after;
}

struct ExpandCase {
    const char* what;
    CodeStream stream;
    int32_t result;
    std::string produced;
    Bytes stored = {};  // the packed bytes, where the example gives them
};

// Every result, the output one step late, and the three bytes past the
// produced data zeroed whatever the result (the codes parser reads them).
TEST(LzwExpand, Cases) {
    const ExpandCase cases[] = {
        {"defined entry repeats a pair", CodeStream().code(97).code(98).code(259).code(256), lzwOk, "abab",
         {0x30, 0x98, 0xA0, 0x70, 0x00}},
        {"code equal to next free", CodeStream().code(97).code(259).code(256), lzwOk, "aaa", {0x30, 0xC0, 0xE0, 0x00}},
        {"reset keeps the pending string", CodeStream().code(97).reset().code(98).code(256), lzwOk, "ab",
         {0x30, 0xC0, 0x8C, 0x50, 0x00}},
        {"entry 259 after a reset is 61 62", CodeStream().code(97).reset().code(98).code(259).code(256), lzwOk, "abab"},
        {"widen: 10-bit codes follow", CodeStream().code(97).widen().code(98).code(256), lzwOk, "ab",
         {0x30, 0xC0, 0x46, 0x24, 0x00}},
        {"code above next free", CodeStream().code(97).code(300).code(256), lzwBadData, ""},
        {"empty input", CodeStream(), lzwNoInput, ""},
        {"one byte is no first code", CodeStream().bits(0x30, 8), lzwNoInput, ""},
        {"first code 256 is a zero byte", CodeStream().code(256).code(256), lzwOk, std::string(1, '\0')},
        {"first code 300 is its low byte", CodeStream().code(300).code(256), lzwOk, ","},
        {"first code 257 does not widen", CodeStream().code(257).code(98).code(256), lzwOk, "\x01" "b"},
        {"failure leaves out the pending byte", CodeStream().code(97).code(98).code(99).code(400), lzwBadData, "ab"},
        {"failure leaves out a long pending string",
         CodeStream().code(97).code(98).code(259).code(261).code(300), lzwBadData, "abab"},
        {"entries chain", CodeStream().code(97).code(98).code(259).code(261).code(260).code(256), lzwOk, "ababababa"},
        {"next free after a long pending string",
         CodeStream().code(97).code(98).code(259).code(260).code(262).code(256), lzwOk, "ababbabab"},
        {"next free right after a reset", CodeStream().code(97).code(98).code(259).reset().code(259).code(256), lzwOk,
         "abababa"},
        {"reset forgets entries", CodeStream().code(97).code(98).code(99).reset().code(260).code(256), lzwBadData,
         "ab"},
        {"reset brings the width back to 9",
         CodeStream().code(97).widenTo(12).code(98).reset().code(99).code(256), lzwOk, "abc"},
        {"bits after the end code", CodeStream().code(97).code(256).bits(0xFFFF1234, 32), lzwOk, "a"},
        // Data ending inside a code: the missing bits count as zeros.
        {"cut code reads as 256", CodeStream().code(97).code(98).bits(1, 1), lzwOk, "ab"},
        {"cut code in two bytes", CodeStream().code(97).bits(0x40, 7), lzwOk, "a"},
        {"cut code at 10 bits", CodeStream().code(97).widen().code(98).bits(4, 4), lzwOk, "ab"},
        {"cut code writes a long pending string", CodeStream().code(97).code(98).code(259).bits(1, 1), lzwOk, "abab"},
        {"cut code reads as 384", CodeStream().code(97).code(98).bits(3, 2), lzwBadData, "a"},
        {"cut code reads as a byte", CodeStream().code(97).code(98).bits(3, 6), lzwBadData, "a"},
        {"no end code on a byte boundary", CodeStream().code(97).code(98).code(99).code(100).code(101).code(102)
         .code(103).code(104), lzwBadData, "abcdefg"},
        // Widths up to 32 bits are read whole; above that the data is bad.
        {"32-bit codes", CodeStream().code(97).widenTo(32).code(98).code(259).code(256), lzwOk, "abab"},
        {"32-bit code with its top bit set", CodeStream().code(97).widenTo(32).code(98).code(0x80000062u).code(256),
         lzwBadData, "a"},
        {"width 33 before a good end code", CodeStream().code(97).code(98).widenTo(33).code(256), lzwBadData, "a"},
        {"width 33 with no data left", CodeStream().code(97).widenTo(33), lzwBadData, ""},
        // The 30000-byte output block.
        {"output of exactly 30000 bytes", longRuns(110).code(256), lzwOk, std::string(lzwMaxOutput, 'a')},
        {"end code past 30000 bytes", longRuns(111).code(256), lzwBadData, std::string(lzwMaxOutput, 'a')},
        {"ordinary code past 30000 bytes", longRuns(0).code(501).code(501).code(256), lzwBadData,
         std::string(29890, 'a')},
        // The 4096 dictionary entries: 3837 codes after the first define 259..4095.
        {"full dictionary", CodeStream().code(97).codes(98, 3837).code(256), lzwOk, manyB(3837)},
        {"defining entry 4096", CodeStream().code(97).codes(98, 3838).code(256), lzwBadData, manyB(3836)},
        {"naming code 4096", CodeStream().code(97).codes(98, 3837).widenTo(13).code(4096).code(256), lzwBadData,
         manyB(3836)},
        {"a reset after the last entry makes room",
         CodeStream().code(97).codes(98, 3836).widenTo(12).code(4094).reset().code(99).code(259).code(256), lzwOk,
         manyB(3836, "bbcbbc")},
    };
    for (const ExpandCase& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes input = c.stream.bytes();
        if (!c.stored.empty()) {
            EXPECT_EQ(input, c.stored);
        }
        const Expansion e = expand(input);
        EXPECT_EQ(e.result, c.result);
        EXPECT_EQ(e.produced, text(c.produced));
        EXPECT_EQ(e.slack, (std::array<uint8_t, 3>{0, 0, 0}));
    }
}

TEST(LzwExpand, InputOfMoreThan32768BytesIsBadData) {
    Bytes input = CodeStream().code(97).code(98).code(259).code(256).bytes();
    input.resize(lzwMaxInput, 0xAB);
    EXPECT_EQ(expand(input).result, lzwOk);
    input.push_back(0xAB);
    const Expansion e = expand(input);
    EXPECT_EQ(e.result, lzwBadData);
    EXPECT_TRUE(e.produced.empty());
}

TEST(LzwExpand, CallsAreIndependent) {
    // Many entries defined, then a failure: the next call starts afresh.
    EXPECT_EQ(expand(CodeStream().code(120).codes(121, 500).widen().code(900).bytes()).result, lzwBadData);
    const Bytes input = CodeStream().code(97).code(98).code(259).code(256).bytes();
    uint8_t* first = nullptr;
    uint8_t* second = nullptr;
    int32_t length = 0;
    ASSERT_EQ(lzwExpand(input.data(), input.size(), &first, &length), lzwOk);
    ASSERT_EQ(lzwExpand(input.data(), input.size(), &second, &length), lzwOk);
    EXPECT_NE(first, second);
    EXPECT_EQ(std::memcmp(first, "abab", 4), 0);
    EXPECT_EQ(std::memcmp(second, "abab", 4), 0);
    lzwFree(first);
    lzwFree(second);
    lzwFree(nullptr);
}

std::vector<std::string> seenMessages;

void recordMessage(const char* text, const char* caption, unsigned style) {
    seenMessages.push_back(std::string(text) + " / " + caption + " / " + std::to_string(style));
}

void* failAllocation(size_t) {
    return nullptr;
}

TEST(LzwExpand, NoOutputBlockShowsTheMessageAndLeavesTheOutArgumentsAlone) {
    seenMessages.clear();
    const MessageSink previousSink = setMessageSink(recordMessage);
    const LzwBlockAllocator previousAllocator = lzwSetBlockAllocator(failAllocation);
    const Bytes input = CodeStream().code(97).code(256).bytes();
    uint8_t untouched = 0;
    uint8_t* block = &untouched;
    int32_t reported = 12345;
    const int32_t result = lzwExpand(input.data(), input.size(), &block, &reported);
    const int32_t emptyResult = lzwExpand(nullptr, 0, &block, &reported);
    lzwSetBlockAllocator(previousAllocator);
    setMessageSink(previousSink);

    EXPECT_EQ(result, lzwOutOfMemory);
    EXPECT_EQ(emptyResult, lzwOutOfMemory);
    EXPECT_EQ(block, &untouched);
    EXPECT_EQ(reported, 12345);
    const std::string message = std::string(messageOutOfMemory) + " / information / " + std::to_string(messageOk);
    EXPECT_EQ(seenMessages, (std::vector<std::string>{message, message}));
}

// A slow expander that follows the steps word for word (a copy of the string
// per entry, bit by bit reading), with the same limits. The fast one must
// agree with it on result and bytes.
Expansion modelExpand(const Bytes& input) {
    Expansion r;
    if (input.size() > lzwMaxInput) {
        r.result = lzwBadData;
        return r;
    }
    size_t bit = 0;
    // False when the data ends first; the missing bits count as zeros.
    auto readCode = [&](int width, uint32_t& code) {
        code = 0;
        bool complete = true;
        for (int i = 0; i < width; ++i) {
            const bool inside = bit < input.size() * 8;
            complete = complete && inside;
            code = (code << 1) | (inside ? (input[bit / 8] >> (7 - bit % 8)) & 1u : 0u);
            bit += inside ? 1 : 0;
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
    r.result = lzwBadData;
    while (width <= 32) {
        const bool complete = readCode(width, code);
        if (code == 256) {
            r.result = writePending() ? lzwOk : lzwBadData;
            return r;
        }
        if (!complete) {
            return r;
        }
        if (code == 258 || code == 257) {
            nextFree = code == 258 ? 259 : nextFree;
            width = code == 258 ? 9 : width + 1;
            continue;
        }
        if (code > nextFree || nextFree >= lzwDictionarySize || pending.size() + 1 > lzwMaxString) {
            return r;
        }
        Bytes entry = pending;
        entry.push_back(code == nextFree ? pending[0] : dictionary[code][0]);
        dictionary[nextFree++] = entry;
        if (!writePending()) {
            return r;
        }
        pending = dictionary[code];
    }
    return r;
}

void expectAgreesWithModel(const Bytes& input, int round) {
    const Expansion want = modelExpand(input);
    const Expansion got = expand(input);
    ASSERT_EQ(got.result, want.result) << "round " << round;
    ASSERT_EQ(got.produced, want.produced) << "round " << round;
    EXPECT_EQ(got.slack, (std::array<uint8_t, 3>{0, 0, 0})) << "round " << round;
}

// Streams that mostly make sense: bytes, known entries, the next free code,
// now and then a widen, a reset, a bad code, a missing end or a cut.
Bytes randomStream(std::mt19937& random) {
    auto chance = [&](uint32_t inThousand) { return random() % 1000 < inThousand; };
    CodeStream s;
    s.code(random() % 512);
    uint32_t nextFree = 259;
    const size_t length = 1 + random() % (random() % 8 == 0 ? 6000 : 200);
    for (size_t i = 0; i < length; ++i) {
        if (chance(3)) {
            s.widen();
        } else if (chance(5) || nextFree >= 4096) {
            s.reset();
            nextFree = 259;
        } else {
            const uint32_t code = chance(2)     ? nextFree + 1 + random() % 50
                                  : chance(250) ? random() % 256
                                  : chance(150) ? nextFree
                                                : 259 + random() % (nextFree - 259 + 1);
            s.widenFor(code).code(code);
            ++nextFree;
        }
    }
    const bool ended = !chance(100);
    if (ended) {
        s.code(256);
    }
    Bytes bytes = s.bytes();
    if (ended && chance(200)) {
        bytes.resize(random() % bytes.size());
    }
    return bytes;
}

TEST(LzwExpandModel, AgreesOnRandomStreamsAndNoise) {
    std::mt19937 random(12345);
    int outcomes[2] = {0, 0};
    for (int i = 0; i < 900; ++i) {
        Bytes input = randomStream(random);
        if (i % 3 == 0) {
            // Noise, as a scrambled content looks to the first expansion.
            input.resize(random() % 64);
            std::generate(input.begin(), input.end(), [&random] { return static_cast<uint8_t>(random()); });
        }
        ASSERT_NO_FATAL_FAILURE(expectAgreesWithModel(input, i));
        ++outcomes[expand(input).result == lzwOk ? 0 : 1];
    }
    // Both ends must be reached, or the agreement means little.
    EXPECT_GT(outcomes[0], 60);
    EXPECT_GT(outcomes[1], 60);
}

TEST(LzwExpandModel, AgreesNearTheEndOfTheBlock) {
    // Runs of up to 244 bytes written at every distance from the end of the
    // block; nothing may be written past it (the sanitizers watch).
    std::mt19937 random(4242);
    for (int i = 0; i < 60; ++i) {
        CodeStream s = longRuns(0);
        uint32_t nextFree = 502;
        size_t planned = 29890;  // with the pending run
        while (planned < lzwMaxOutput + 300 && !(random() % 3 == 0 && planned > lzwMaxOutput - 400)) {
            const uint32_t code = random() % 4 == 0 ? 97 : 259 + random() % (nextFree - 259);
            s.widenFor(code).code(code);
            planned += code == 97 ? 1 : code - 257;
            ++nextFree;
        }
        ASSERT_NO_FATAL_FAILURE(expectAgreesWithModel(s.code(256).bytes(), i));
    }
}

}  // namespace
