// The answer judge against plain oracles.
//
// Input: byte 0 = a distance limit; then the expected answer up to the first
// zero byte, then the typed text (everything after that zero). Checks that the
// verdict is one of the ten words and the same as the rules give when written
// out plainly, that the fast distance equals the textbook table, and that the
// bounded distance stops exactly at its limit.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "judge/judge_answer.h"
#include "tests/support/judge_oracle.h"
#include "fuzz/require.h"

namespace {

constexpr size_t maxPiece = 400;  // longer than judged, to see the cut

bool isVerdictWord(const char* verdict) {
    for (const char* word : {verdictRight, verdictWrong, verdictEmpty, verdictAnagram, verdictOneEdit,
                             verdictTwoEdits, verdictTooShort, verdictTooLong, verdictClose, verdictSimilar}) {
        if (verdict == word) {
            return true;
        }
    }
    return false;
}

// An exact heap copy, zero-terminated only when it is shorter than the judged
// limit, so that reading on past the limit is seen as well.
std::unique_ptr<char[]> judgedCopy(const uint8_t* bytes, size_t length) {
    const size_t size = length < judgedTextLimit ? length + 1 : length;
    std::unique_ptr<char[]> copy(new char[size ? size : 1]);
    if (length) {
        std::memcpy(copy.get(), bytes, length);
    }
    if (length < judgedTextLimit) {
        copy[length] = '\0';
    }
    return copy;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 1 + 2 * maxPiece + 1) {
        return 0;
    }
    const int limit = data[0];
    const uint8_t* rest = data + 1;
    const size_t restSize = size - 1;
    const uint8_t* zero = static_cast<const uint8_t*>(std::memchr(rest, 0, restSize));
    const size_t expectedLength = zero ? static_cast<size_t>(zero - rest) : restSize;
    const uint8_t* typedBytes = zero ? zero + 1 : rest + restSize;
    const size_t typedLength = static_cast<size_t>(rest + restSize - typedBytes);

    const auto expected = judgedCopy(rest, expectedLength);
    const auto typed = judgedCopy(typedBytes, typedLength);
    const char* verdict = judgeAnswer(expected.get(), typed.get());
    require(isVerdictWord(verdict));
    require(verdict == plainJudge(expected.get(), typed.get()));

    // The distance on the raw pieces, zero bytes and all.
    const size_t aLength = std::min(expectedLength, judgedTextLimit);
    const size_t bLength = std::min(typedLength, judgedTextLimit);
    const char* a = reinterpret_cast<const char*>(rest);
    const char* b = reinterpret_cast<const char*>(typedBytes);
    const int distance = plainDistance({a, aLength}, {b, bLength});
    require(editDistance(a, expectedLength, b, typedLength) == distance &&
            editDistance(b, typedLength, a, expectedLength) == distance);
    require(editDistanceWithin(a, expectedLength, b, typedLength, limit) == std::min(distance, limit + 1));

    // findWithin only reports pieces that are really there.
    const int found = findWithin(a, aLength, b, bLength);
    if (found == 2 || found == -2) {
        const std::string longer(found == 2 ? b : a, found == 2 ? bLength : aLength);
        const std::string shorter(found == 2 ? a : b, found == 2 ? aLength : bLength);
        require(longer.find(shorter) != std::string::npos);
    } else {
        require(found == 0 || (found == 1 && aLength == 0) || (found == -1 && bLength == 0));
    }

    const int words = countWords(expected.get());
    require(words >= 1 && words <= static_cast<int>(judgedTextLimit) + 1);
    char phrase[32];
    wordCountPhrase(expected.get(), phrase);
    require(std::strncmp(phrase, "en ", 3) == 0);
    return 0;
}
