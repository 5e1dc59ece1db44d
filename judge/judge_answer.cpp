// Judging a typed answer: normalisation, the six rules, the substring scan and
// the edit distance.
//
// Everything works on fixed buffers on the stack: the check runs on every
// Enter and every loss of focus, and never allocates.

#include "judge/judge_answer.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

struct JudgedText {
    unsigned char bytes[judgedTextLimit + 1];
    size_t length;
};

// memchr stops at the first zero it finds, so a short text is not read past
// its end.
size_t boundedLength(const char* text) {
    if (text == nullptr) {
        return 0;
    }
    const void* zero = std::memchr(text, 0, judgedTextLimit);
    return zero != nullptr ? static_cast<size_t>(static_cast<const char*>(zero) - text) : judgedTextLimit;
}

void copyText(const char* text, JudgedText& copy) {
    copy.length = boundedLength(text);
    if (copy.length > 0) {
        std::memcpy(copy.bytes, text, copy.length);
    }
    copy.bytes[copy.length] = 0;
}

// Only the space itself: a tab or a no-break space typed around an answer is
// part of the answer.
void trimSpaces(JudgedText& text) {
    size_t end = text.length;
    while (end > 0 && text.bytes[end - 1] == ' ') {
        --end;
    }
    size_t start = 0;
    while (start < end && text.bytes[start] == ' ') {
        ++start;
    }
    text.length = end - start;
    std::memmove(text.bytes, text.bytes + start, text.length);
    text.bytes[text.length] = 0;
}

// A fixed byte mapping, the same on every machine: a to z, and the whole
// 0xE0-0xFF row of Windows-1252 (which also maps the division sign to the
// multiplication sign and y-diaeresis to sharp s). Accents stay.
void upperCase(JudgedText& text) {
    // Local copies: a byte store could alias text.length, which would keep
    // the loop from being vectorised.
    unsigned char* bytes = text.bytes;
    const size_t length = text.length;
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = bytes[i];
        const bool lower = static_cast<unsigned char>(c - 0x61) < 26 || c >= 0xE0;
        bytes[i] = static_cast<unsigned char>(c - (lower ? 0x20 : 0));
    }
}

bool sameText(const JudgedText& a, const JudgedText& b) {
    return a.length == b.length && std::memcmp(a.bytes, b.bytes, a.length) == 0;
}

bool isRearrangement(const JudgedText& a, const JudgedText& b) {
    if (a.length != b.length) {
        return false;
    }
    const size_t length = a.length;
    // Byte sums first: cheap, and they tell most non-anagrams apart before
    // the counting.
    unsigned sumA = 0;
    unsigned sumB = 0;
    for (size_t i = 0; i < length; ++i) {
        sumA += a.bytes[i];
        sumB += b.bytes[i];
    }
    if (sumA != sumB) {
        return false;
    }
    uint16_t countsA[256] = {};
    uint16_t countsB[256] = {};
    for (size_t i = 0; i < length; ++i) {
        ++countsA[a.bytes[i]];
        ++countsB[b.bytes[i]];
    }
    return std::memcmp(countsA, countsB, sizeof countsA) == 0;
}

// ---------------------------------------------------------------------------
// Edit distance, bit-parallel (Myers' algorithm).
//
// The rows are the bytes of one text, the columns those of the other. A 64-bit
// word holds, for 64 rows of the current column, the vertical differences
// D[i][j] - D[i-1][j] as two masks (+1 and -1); one column step of a word costs
// a dozen word operations instead of 64 cell updates.
//
// Band: a judgement only ever needs to know the distance up to some limit k.
// An alignment of cost at most k through cell (i, j) pays at least |g| to get
// there and |delta - g| to get on to the end, where g = j - i is the cell's
// diagonal and delta = columns - rows. Only the diagonals with
// |g| + |delta - g| <= k matter, at most k + 1 of them. Rows outside the band
// are not followed: above it, a +1 horizontal difference stands for them, and
// a row that enters the band starts with a +1 vertical difference. Both are
// costs of real alignments, so every value computed is an upper bound of the
// true one, and inside the band nothing is lost: the result is exact whenever
// it is at most k, and above k otherwise.
//
// A band of at most 64 diagonals (k up to 63, which covers every judgement)
// fits one word that slides one row down per column. Wider bands, needed only
// for the exact distance of long texts, step the 64-row blocks that meet them.

constexpr int wordBits = 64;
constexpr size_t maxBlocks = (judgedTextLimit + wordBits - 1) / wordBits;
constexpr size_t alphabetSize = 256;
constexpr uint64_t highBit = uint64_t{1} << (wordBits - 1);

// The narrow band's match masks place row i (from 1) at bit i - 1 + 64, so
// that a window reaching above row 1 reads zeros.
constexpr int maskPadding = wordBits;
constexpr size_t maskWords = (maskPadding + judgedTextLimit + 2 * wordBits) / wordBits + 1;

struct Band {
    int rows;
    int columns;
    int delta;
    int lowDiagonal;
    int highDiagonal;
};

inline int absolute(int value) {
    return value < 0 ? -value : value;
}

inline int bitAt(uint64_t word, int bit) {
    return static_cast<int>((word >> bit) & 1);
}

// Codes the bytes of the row text from 1 on; code 0, for bytes the row text
// lacks, keeps an all-zero mask. Only the mask rows in use are cleared.
template <size_t Words>
void buildMasks(const unsigned char* rowText, int rows, int firstBit, uint16_t (&code)[alphabetSize],
                uint64_t (&masks)[(alphabetSize + 1) * Words], size_t wordsUsed) {
    for (size_t w = 0; w < wordsUsed; ++w) {
        masks[w] = 0;
    }
    uint16_t nextCode = 1;
    for (int i = 0; i < rows; ++i) {
        uint16_t& c = code[rowText[i]];
        if (c == 0) {
            c = nextCode++;
            for (size_t w = 0; w < wordsUsed; ++w) {
                masks[c * Words + w] = 0;
            }
        }
        const int bit = firstBit + i;
        masks[c * Words + static_cast<size_t>(bit / wordBits)] |= uint64_t{1} << (bit % wordBits);
    }
}

// The band in one word. Bit k of the window stands for row j - highDiagonal + k
// in column j. In the first columns the window reaches above row 1: row 0 and
// the rows r < 0 imagined above it get D[r][j] = j - r, that is a vertical
// difference of -1, never a match and a +1 horizontal difference, which keeps
// row 0 at D[0][j] = j.
// The score follows the diagonal that ends in the last cell. D never
// decreases along a diagonal and is exact on it while within the limit, so
// once the score is above the limit the distance is too, and the scan stops.
int narrowBandDistance(const unsigned char* rowText, const unsigned char* columnText, const Band& band,
                       int limit) {
    uint16_t code[alphabetSize] = {};
    uint64_t masks[(alphabetSize + 1) * maskWords];
    const size_t wordsUsed =
        static_cast<size_t>(maskPadding + band.rows + 2 * wordBits) / wordBits;
    buildMasks<maskWords>(rowText, band.rows, maskPadding, code, masks, wordsUsed);

    const int traced = band.highDiagonal - band.delta;  // window bit of the last cell's diagonal
    const uint64_t aboveRowOne = ~uint64_t{0} >> (wordBits - 1 - band.highDiagonal);
    int score = absolute(band.delta);

    // The window is kept already slid down for the next column: its top row
    // left, and a new row entered at the bottom with a +1 difference. Sliding
    // at the end of a step spares the shifts of Myers' step on the word's
    // critical path.
    uint64_t plus = (~aboveRowOne >> 1) | highBit;
    uint64_t minus = aboveRowOne >> 1;

    // Mask bit of the window's top row, column 0; never below 0, as the band
    // is at most 64 diagonals wide.
    unsigned windowBit = static_cast<unsigned>(maskPadding - 1 - band.highDiagonal);
    for (int j = 0; j < band.columns; ++j) {
        ++windowBit;
        const uint64_t* mask = &masks[code[columnText[j]] * maskWords];
        const unsigned word = windowBit / wordBits;
        const unsigned shift = windowBit % wordBits;
        const uint64_t equal = (mask[word] >> shift) | ((mask[word + 1] << 1) << (wordBits - 1 - shift));

        const uint64_t vertical = equal | minus;
        const uint64_t horizontal = (((equal & plus) + plus) ^ plus) | equal;
        const uint64_t horizontalPlus = minus | ~(horizontal | plus);
        const uint64_t horizontalMinus = plus & horizontal;

        score += bitAt(plus, traced) - bitAt(minus, traced) + bitAt(horizontalPlus, traced) -
                 bitAt(horizontalMinus, traced);
        if (score > limit) {
            return limit + 1;
        }

        // Myers' update with the horizontal differences moved one row down
        // (the row above the window gives +1) and the result slid one row up.
        const uint64_t below = vertical >> 1;
        plus = horizontalMinus | ~(below | horizontalPlus) | highBit;
        minus = horizontalPlus & below;
    }
    return score;
}

struct BlockState {
    uint64_t plus;   // rows whose vertical difference is +1
    uint64_t minus;  // rows whose vertical difference is -1
    uint64_t bottomBit;
    int bottomScore;  // D at the block's last row, current column
};

// One column step of one block. `carryIn` is the horizontal difference at the
// row above the block (-1, 0 or +1); returns the one at its last row.
inline int advanceBlock(BlockState& block, uint64_t equal, int carryIn) {
    const uint64_t carryPlus = carryIn > 0 ? uint64_t{1} : uint64_t{0};
    const uint64_t carryMinus = carryIn < 0 ? uint64_t{1} : uint64_t{0};
    const uint64_t plus = block.plus;
    const uint64_t minus = block.minus;

    const uint64_t vertical = equal | minus;
    equal |= carryMinus;
    const uint64_t horizontal = (((equal & plus) + plus) ^ plus) | equal;
    uint64_t horizontalPlus = minus | ~(horizontal | plus);
    uint64_t horizontalMinus = plus & horizontal;

    const int carryOut = ((horizontalPlus & block.bottomBit) != 0 ? 1 : 0) -
                         ((horizontalMinus & block.bottomBit) != 0 ? 1 : 0);

    horizontalPlus = (horizontalPlus << 1) | carryPlus;
    horizontalMinus = (horizontalMinus << 1) | carryMinus;
    block.plus = horizontalMinus | ~(vertical | horizontalPlus);
    block.minus = horizontalPlus & vertical;
    block.bottomScore += carryOut;
    return carryOut;
}

// The band in 64-row blocks, for bands wider than a word.
int blockBandDistance(const unsigned char* rowText, const unsigned char* columnText, const Band& band,
                      int limit) {
    uint16_t code[alphabetSize] = {};
    uint64_t match[(alphabetSize + 1) * maxBlocks];
    const int rows = band.rows;
    const size_t blocks = static_cast<size_t>(rows + wordBits - 1) / wordBits;
    buildMasks<maxBlocks>(rowText, rows, 0, code, match, blocks);

    // Column 0: D[i][0] = i, every vertical difference +1.
    BlockState state[maxBlocks];
    for (size_t w = 0; w < blocks; ++w) {
        const int bottomRow = w + 1 == blocks ? rows : static_cast<int>(w + 1) * wordBits;
        state[w].plus = ~uint64_t{0};
        state[w].minus = 0;
        state[w].bottomBit = uint64_t{1} << ((bottomRow - 1) % wordBits);
        state[w].bottomScore = bottomRow;
    }

    // Rows are counted from 1 here: row i is bit (i - 1) % 64 of block (i - 1) / 64.
    auto blockOfRow = [](int row) { return static_cast<size_t>(row - 1) / wordBits; };
    size_t entered = blockOfRow(1 - band.lowDiagonal < rows ? 1 - band.lowDiagonal : rows);

    for (int j = 1; j <= band.columns; ++j) {
        const int topRow = j - band.highDiagonal > 1 ? j - band.highDiagonal : 1;
        const int bottomRow = j - band.lowDiagonal < rows ? j - band.lowDiagonal : rows;
        const size_t firstBlock = blockOfRow(topRow);
        const size_t lastBlock = blockOfRow(bottomRow);
        while (entered < lastBlock) {
            // Its rows were outside the band so far: reach them straight down
            // from the block above, as of the previous column.
            ++entered;
            BlockState& fresh = state[entered];
            const int height = entered + 1 == blocks ? rows - static_cast<int>(entered) * wordBits : wordBits;
            fresh.plus = ~uint64_t{0};
            fresh.minus = 0;
            fresh.bottomScore = state[entered - 1].bottomScore + height;
        }
        const uint64_t* columnMatch = &match[code[columnText[j - 1]] * maxBlocks];
        int carry = 1;  // row 0 is D[0][j] = j, or the +1 that stands for a block left behind
        for (size_t w = firstBlock; w <= lastBlock; ++w) {
            carry = advanceBlock(state[w], columnMatch[w], carry);
        }
    }

    const int distance = state[blocks - 1].bottomScore;
    return distance > limit ? limit + 1 : distance;
}

int boundedDistance(const unsigned char* a, size_t aLength, const unsigned char* b,
                    size_t bLength, int limit) {
    if (limit < 0) {
        limit = 0;
    }
    // A common start and a common end cost nothing in some cheapest alignment,
    // so they are left out.
    while (aLength > 0 && bLength > 0 && *a == *b) {
        ++a;
        ++b;
        --aLength;
        --bLength;
    }
    while (aLength > 0 && bLength > 0 && a[aLength - 1] == b[bLength - 1]) {
        --aLength;
        --bLength;
    }
    // No distance exceeds the longer length: a larger limit changes nothing.
    const size_t longer = aLength > bLength ? aLength : bLength;
    if (static_cast<size_t>(limit) > longer) {
        limit = static_cast<int>(longer);
    }
    // The longer text gives the rows, so that fewer columns are stepped.
    const bool aIsLonger = aLength >= bLength;
    const unsigned char* rowText = aIsLonger ? a : b;
    const unsigned char* columnText = aIsLonger ? b : a;
    Band band;
    band.rows = static_cast<int>(aIsLonger ? aLength : bLength);
    band.columns = static_cast<int>(aIsLonger ? bLength : aLength);
    band.delta = band.columns - band.rows;
    if (absolute(band.delta) > limit) {
        return limit + 1;
    }
    if (band.columns == 0) {
        return band.rows;
    }
    const int slack = (limit - absolute(band.delta)) / 2;
    band.lowDiagonal = (band.delta < 0 ? band.delta : 0) - slack;
    band.highDiagonal = (band.delta > 0 ? band.delta : 0) + slack;
    if (band.highDiagonal - band.lowDiagonal < wordBits) {
        return narrowBandDistance(rowText, columnText, band, limit);
    }
    return blockBandDistance(rowText, columnText, band, limit);
}

int distanceLimitFor(size_t length) {
    return static_cast<int>(length > judgedTextLimit ? judgedTextLimit : length);
}

}  // namespace

int findWithin(const char* a, size_t aLength, const char* b, size_t bLength) {
    int sign = 1;
    if (bLength < aLength) {
        const char* text = a;
        a = b;
        b = text;
        const size_t length = aLength;
        aLength = bLength;
        bLength = length;
        sign = -1;
    }
    if (aLength == 0) {
        return sign;
    }
    // After a failed attempt the search for the first byte goes on from where
    // the comparison stopped, not from one past where the attempt began. That
    // misses an occurrence overlapping the failed attempt ("AAB" in "AAAB"),
    // and the verdicts depend on it: such a pair must go to the similarity
    // test, not to "Trop long" or "Trop court". Do not "fix" it.
    size_t i = 0;
    for (;;) {
        while (i < bLength && b[i] != a[0]) {
            ++i;
        }
        if (i == bLength) {
            return 0;
        }
        size_t matched = 0;
        while (matched < aLength && i < bLength && b[i] == a[matched]) {
            ++i;
            ++matched;
        }
        if (matched == aLength) {
            return 2 * sign;
        }
    }
}

int editDistance(const char* a, size_t aLength, const char* b, size_t bLength) {
    aLength = static_cast<size_t>(distanceLimitFor(aLength));
    bLength = static_cast<size_t>(distanceLimitFor(bLength));
    const auto* aBytes = reinterpret_cast<const unsigned char*>(a);
    const auto* bBytes = reinterpret_cast<const unsigned char*>(b);
    // The one-word band first; only a larger distance needs the blocks. No
    // alignment costs more than the longer length, so that limit is exact.
    const int narrowLimit = wordBits - 1;
    const int narrow = boundedDistance(aBytes, aLength, bBytes, bLength, narrowLimit);
    if (narrow <= narrowLimit) {
        return narrow;
    }
    const int limit = static_cast<int>(aLength > bLength ? aLength : bLength);
    return boundedDistance(aBytes, aLength, bBytes, bLength, limit);
}

int editDistanceWithin(const char* a, size_t aLength, const char* b, size_t bLength,
                       int limit) {
    return boundedDistance(reinterpret_cast<const unsigned char*>(a),
                           static_cast<size_t>(distanceLimitFor(aLength)),
                           reinterpret_cast<const unsigned char*>(b),
                           static_cast<size_t>(distanceLimitFor(bLength)), limit);
}

// Both texts as they are compared: the expected one only upper-cased (spaces
// around it count), the typed one trimmed, then upper-cased.
static void normalise(const char* expected, const char* typed, JudgedText& e, JudgedText& t) {
    copyText(expected, e);
    upperCase(e);
    copyText(typed, t);
    trimSpaces(t);
    upperCase(t);
}

bool sameAnswer(const char* expected, const char* typed) {
    JudgedText e;
    JudgedText t;
    normalise(expected, typed, e, t);
    return sameText(e, t);
}

const char* judgeAnswer(const char* expected, const char* typed) {
    JudgedText e;
    JudgedText t;
    normalise(expected, typed, e, t);

    // Rule 1: short answers get no hints.
    if (e.length <= 3) {
        if (t.length == 0) {
            return verdictEmpty;
        }
        return sameText(e, t) ? verdictRight : verdictWrong;
    }
    // Rule 2.
    if (t.length == 0) {
        return verdictEmpty;
    }
    // Rule 3, distance 0.
    if (sameText(e, t)) {
        return verdictRight;
    }
    // Rule 4 comes before the distance: a swap of two neighbours reads
    // "Anagramme", not "Presque".
    if (isRearrangement(e, t)) {
        return verdictAnagram;
    }

    const char* expectedText = reinterpret_cast<const char*>(e.bytes);
    const char* typedText = reinterpret_cast<const char*>(t.bytes);
    const int found = findWithin(expectedText, e.length, typedText, t.length);

    // Rules 5 and 6 only compare the distance with 1, 2 and a fifth of the
    // longer length (and the last only when nothing was found), so it is
    // computed up to that limit only.
    const size_t longer = e.length > t.length ? e.length : t.length;
    int limit = 2;
    if (found == 0) {
        const int fifth = static_cast<int>((longer - 1) / 5);  // L > 5d  <=>  d <= (L - 1) / 5
        limit = fifth > limit ? fifth : limit;
    }
    const int distance = boundedDistance(e.bytes, e.length, t.bytes, t.length, limit);

    // Rule 5.
    if (distance == 1) {
        return verdictOneEdit;
    }
    if (distance == 2) {
        return verdictTwoEdits;
    }
    // Rule 6. Integer forms of the percentages: 80 % and 75 % exactly fall to
    // the lower outcome.
    if (found == -2) {
        if (e.length <= 9) {
            return verdictWrong;
        }
        if (5 * t.length > 4 * e.length) {
            return verdictTooShort;
        }
        if (4 * t.length > 3 * e.length) {
            return verdictClose;
        }
        return verdictWrong;
    }
    if (found == 2) {
        const size_t extra = t.length - e.length;
        if (extra <= 10) {
            return verdictTooLong;
        }
        if (extra <= 20) {
            return verdictClose;
        }
        return verdictWrong;
    }
    return longer > 5 * static_cast<size_t>(distance) ? verdictSimilar : verdictWrong;
}

int countWords(const char* answer) {
    int words = 1;
    if (answer == nullptr) {
        return words;
    }
    const size_t length = boundedLength(answer);
    for (size_t i = 0; i < length; ++i) {
        const char c = answer[i];
        if (c == '!') {
            // The byte after a "!" is skipped, but never the terminating zero:
            // an answer ending in "!" stops here.
            ++i;
        } else if (c == '\'' || c == ' ' || c == '-') {
            ++words;
        }
    }
    return words;
}

void wordCountPhrase(const char* answer, char (&phrase)[32]) {
    const int words = countWords(answer);
    std::snprintf(phrase, sizeof phrase, "en %d mot%s", words, words > 1 ? "s" : "");
}
