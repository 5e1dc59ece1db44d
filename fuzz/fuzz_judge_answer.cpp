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

namespace {

constexpr size_t maxPiece = 400;  // longer than judged, to see the cut

// Textbook Levenshtein over the whole (a + 1) x (b + 1) table.
int plainDistance(const unsigned char* a, size_t aLength, const unsigned char* b, size_t bLength) {
    static int table[judgedTextLimit + 1][judgedTextLimit + 1];
    for (size_t i = 0; i <= aLength; ++i) {
        table[i][0] = static_cast<int>(i);
    }
    for (size_t j = 0; j <= bLength; ++j) {
        table[0][j] = static_cast<int>(j);
    }
    for (size_t i = 1; i <= aLength; ++i) {
        for (size_t j = 1; j <= bLength; ++j) {
            const int cost = a[i - 1] == b[j - 1] ? 0 : 1;
            table[i][j] = std::min({table[i - 1][j] + 1, table[i][j - 1] + 1, table[i - 1][j - 1] + cost});
        }
    }
    return table[aLength][bLength];
}

std::string normalised(const char* text, bool trim) {
    std::string s(text, strnlen(text, judgedTextLimit));
    if (trim) {
        while (!s.empty() && s.back() == ' ') {
            s.pop_back();
        }
        while (!s.empty() && s.front() == ' ') {
            s.erase(0, 1);
        }
    }
    for (char& c : s) {
        const unsigned char u = static_cast<unsigned char>(c);
        if ((u >= 'a' && u <= 'z') || u >= 0xE0) {
            c = static_cast<char>(u - 0x20);
        }
    }
    return s;
}

// The six rules, as plainly as they can be written.
const char* plainJudge(const char* expected, const char* typed) {
    const std::string e = normalised(expected, false);
    const std::string t = normalised(typed, true);
    if (e.size() <= 3) {
        return t.empty() ? verdictEmpty : t == e ? verdictRight : verdictWrong;
    }
    if (t.empty()) {
        return verdictEmpty;
    }
    const int d = plainDistance(reinterpret_cast<const unsigned char*>(e.data()), e.size(),
                                reinterpret_cast<const unsigned char*>(t.data()), t.size());
    if (d == 0) {
        return verdictRight;
    }
    std::string sortedE = e;
    std::string sortedT = t;
    std::sort(sortedE.begin(), sortedE.end());
    std::sort(sortedT.begin(), sortedT.end());
    if (sortedE == sortedT) {
        return verdictAnagram;
    }
    if (d == 1) {
        return verdictOneEdit;
    }
    if (d == 2) {
        return verdictTwoEdits;
    }
    const double el = static_cast<double>(e.size());
    const double tl = static_cast<double>(t.size());
    const int r = findWithin(e.data(), e.size(), t.data(), t.size());
    if (r == -2) {
        if (e.size() <= 9) {
            return verdictWrong;
        }
        const double p = 100.0 * tl / el;
        return p > 80 ? verdictTooShort : p > 75 ? verdictClose : verdictWrong;
    }
    if (r == 2) {
        const size_t x = t.size() - e.size();
        return x <= 10 ? verdictTooLong : x <= 20 ? verdictClose : verdictWrong;
    }
    const double longer = std::max(el, tl);
    return (longer - d) * 100.0 / longer > 80 ? verdictSimilar : verdictWrong;
}

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
    if (!isVerdictWord(verdict)) {
        std::abort();
    }
    if (verdict != plainJudge(expected.get(), typed.get())) {
        std::abort();
    }

    // The distance on the raw pieces, zero bytes and all.
    const size_t aLength = std::min(expectedLength, judgedTextLimit);
    const size_t bLength = std::min(typedLength, judgedTextLimit);
    const char* a = reinterpret_cast<const char*>(rest);
    const char* b = reinterpret_cast<const char*>(typedBytes);
    const int distance = plainDistance(rest, aLength, typedBytes, bLength);
    if (editDistance(a, expectedLength, b, typedLength) != distance ||
        editDistance(b, typedLength, a, expectedLength) != distance) {
        std::abort();
    }
    if (editDistanceWithin(a, expectedLength, b, typedLength, limit) != std::min(distance, limit + 1)) {
        std::abort();
    }

    // findWithin only reports pieces that are really there.
    const int found = findWithin(a, aLength, b, bLength);
    if (found == 2 || found == -2) {
        const std::string longer(found == 2 ? b : a, found == 2 ? bLength : aLength);
        const std::string shorter(found == 2 ? a : b, found == 2 ? aLength : bLength);
        if (longer.find(shorter) == std::string::npos) {
            std::abort();
        }
    } else if (found != 0 && !(found == 1 && aLength == 0) && !(found == -1 && bLength == 0)) {
        std::abort();
    }

    const int words = countWords(expected.get());
    if (words < 1 || words > static_cast<int>(judgedTextLimit) + 1) {
        std::abort();
    }
    char phrase[32];
    wordCountPhrase(expected.get(), phrase);
    if (std::strncmp(phrase, "en ", 3) != 0) {
        std::abort();
    }
    return 0;
}
