#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "judge/judge_answer.h"
#include "tests/support/judge_oracle.h"

namespace {

std::string judge(const std::string& expected, const std::string& typed) {
    return judgeAnswer(expected.c_str(), typed.c_str());
}

const std::string similar = "y a de l'id\xE9" "e";
const std::string twenty = "ABCDEFGHIJKLMNOPQRST";
const std::string forty = twenty + "UVWXYZABCDEFGHIJKLMN";
const std::string twentyFive = twenty + "UVWXY";

// `text` with the bytes at `positions` replaced by '1'.
std::string substituted(std::string text, std::initializer_list<size_t> positions) {
    for (size_t at : positions) {
        text[at] = '1';
    }
    return text;
}

struct VerdictCase {
    std::string expected;
    std::string typed;
    std::string verdict;
};

TEST(JudgeAnswer, Verdicts) {
    const VerdictCase cases[] = {
        // Typed text trimmed of spaces only, both texts upper-cased; the
        // expected answer is never trimmed.
        {"PARIS", "  paris  ", "BRAVO"},
        {"PARIS", "   ", "?"},
        {"PARIS", "PARIS\t", "Quasiment"},
        {"PARIS", "\tPARIS", "Quasiment"},
        {"PARIS", "PARIS\xA0", "Quasiment"},  // no-break space
        {"PARIS", "\t", "FAUX"},
        {"LA TOUR", "LA  TOUR", "Quasiment"},
        {"PARIS ", "PARIS", "Quasiment"},
        {"OUI ", "oui", "Quasiment"},
        {"paris", "PARIS", "BRAVO"},
        // Windows-1252: a to z and the whole row from 0xE0 lose 0x20, nothing else.
        {"\xC9L\xC8VE", "\xE9l\xE8ve", "BRAVO"},
        {"\xE9l\xE8ve", "\xC9L\xC8VE", "BRAVO"},
        {"\xC9L\xC8VE", "eleve", "Presque"},
        {"XYZ\xD7", "xyz\xF7", "BRAVO"},  // division sign to multiplication sign
        {"XYZ\xDF", "xyz\xFF", "BRAVO"},  // y-diaeresis to sharp s
        {"XYZ\xC0", "xyz\xE0", "BRAVO"},
        {"XYZ\x8C", "XYZ\x9C", "Quasiment"},  // oe ligature
        {"XYZ\x8A", "XYZ\x9A", "Quasiment"},  // s caron
        {"XYZ\x8E", "XYZ\x9E", "Quasiment"},  // z caron
        {"XYZ\x9F", "XYZ\xFF", "Quasiment"},
        {"XYZ\xBF", "XYZ\xDF", "Quasiment"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", "abcdefghijklmnopqrstuvwxyz", "BRAVO"},
        {"XYZ@", "XYZ`", "Quasiment"},
        {"XYZ[", "XYZ{", "Quasiment"},
        // Three letters or fewer: no hints.
        {"OUI", "oui ", "BRAVO"},
        {"OUI", "OU", "FAUX"},
        {"OUI", "", "?"},
        {"", "", "?"},
        {"", "X", "FAUX"},
        {"OUIS", "OUI", "Quasiment"},
        {"PARIS", "pari", "Quasiment"},
        {"PARIS", "par", "Presque"},
        {"PARIS", "pa", "FAUX"},
        {"PARIS", "ispar", "Anagramme"},
        // A rearrangement comes before the distance.
        {"ABCD", "ABDC", "Anagramme"},
        {"AABB", "ABAB", "Anagramme"},
        {"AABB", "ABBB", "Quasiment"},
        {"PARIS", "sirap ", "Anagramme"},
        {"MARSEILLE", "NARSEILLA", "Presque"},
        {"TOUR", "TOUR 2", "Presque"},
        // Pieces: more than 80 % "Trop court", more than 75 % "Pas loin",
        // 9 characters or fewer never.
        {"CHATEAUBRIAND", "CHATEAUBRI", "Pas loin"},
        {"CHATEAUBRIAND", "CHATEAU", "FAUX"},
        {"CHATEAUBRIAND", "CHATEAUBRIA", "Presque"},
        {twenty, twenty.substr(0, 17), "Trop court"},
        {twenty, twenty.substr(0, 16), "Pas loin"},  // exactly 80 %
        {twenty, twenty.substr(0, 15), "FAUX"},      // exactly 75 %
        {forty, forty.substr(0, 32), "Pas loin"},
        {forty, forty.substr(0, 30), "FAUX"},
        {twenty + "U", twenty.substr(0, 17), "Trop court"},  // 80.95 %: not rounded down
        {twenty + "U", twenty.substr(0, 16), "Pas loin"},
        {"ABCDEFGHI", "ABCDEF", "FAUX"},
        {"ABCDEFGHIJKLM", "ABCDEFGHIJ", "Pas loin"},
        // The piece AABCDEFGHIJK covers 80 % but the scan misses it: the
        // similarity decides, and 15 > 5 * 3 fails.
        {"AAABCDEFGHIJKLM", "AABCDEFGHIJK", "FAUX"},
        // The expected answer with 10 or fewer extra characters, then up to 20.
        {"TOUR EIFFEL", "LA TOUR EIFFEL", "Trop long"},
        {"TOUR EIFFEL", "A LA BELLE TOUR EIFFEL", "Pas loin"},
        {"TOUR EIFFEL", "LA TOUR EIFFEL DE PARIS, EN FRANCE", "FAUX"},
        {"TOUR EIFFEL", std::string(10, 'X') + "TOUR EIFFEL", "Trop long"},
        {"TOUR EIFFEL", std::string(11, 'X') + "TOUR EIFFEL", "Pas loin"},
        {"TOUR EIFFEL", std::string(20, 'X') + "TOUR EIFFEL", "Pas loin"},
        {"TOUR EIFFEL", std::string(21, 'X') + "TOUR EIFFEL", "FAUX"},
        {"TOUR EIFFEL", "TOUR EIFFEL" + std::string(21, 'X'), "FAUX"},
        // ABAC is inside ABABACX, but the scan misses it: length 7, distance 3.
        {"ABAC", "ABABACX", "FAUX"},
        // Otherwise similar when the longer length is above 5 times the distance.
        {twentyFive, substituted(twentyFive, {0, 6, 12, 18}), similar},
        {twentyFive, substituted(twentyFive, {0, 6, 12, 18, 24}), "FAUX"},  // exactly 80 %
        {twenty + "U", substituted(twenty + "U", {0, 5, 10, 15}), similar},
        {"ABCDEFGHIJKLMNOP", "ABCDEFJKLMNOP", similar},  // 16 > 5 * 3
        {"ABCDEFGHIJKLMNO", "ABCDEFJKLMNO", "FAUX"},     // 15 > 5 * 3 fails
        {"ABCDEFGHIJ", "KLMNOPQRST", "FAUX"},
    };
    for (const VerdictCase& c : cases) {
        EXPECT_EQ(judge(c.expected, c.typed), c.verdict) << "expected \"" << c.expected << "\", typed \"" << c.typed
                                                         << "\"";
    }
}

TEST(JudgeAnswer, FindWithinResumesWhereAFailedAttemptStopped) {
    struct Case {
        std::string a;
        std::string b;
        int result;
    };
    const Case cases[] = {
        {"TOUR", "LA TOUR", 2},   {"LA TOUR", "TOUR", -2}, {"TOUR", "TOUR", 2},       {"TOUR", "TOUT", 0},
        {"TOUR", "LA TOU", 0},    {"AAB", "AAAB", 0},      {"AAAB", "AAB", 0},        {"AAB", "AABAAB", 2},
        {"AAB", "AAXAAB", 2},     {"ABAC", "ABABACX", 0},  {"AAABCDEFGHIJKLM", "AABCDEFGHIJK", 0},
        {"", "ABC", 1},           {"ABC", "", -1},         {"", "", 1},
    };
    for (const Case& c : cases) {
        // Exact-size copies: the sanitizer sees a read past the given lengths.
        const std::unique_ptr<char[]> a(new char[std::max<size_t>(c.a.size(), 1)]);
        const std::unique_ptr<char[]> b(new char[std::max<size_t>(c.b.size(), 1)]);
        std::memcpy(a.get(), c.a.data(), c.a.size());
        std::memcpy(b.get(), c.b.data(), c.b.size());
        EXPECT_EQ(findWithin(a.get(), c.a.size(), b.get(), c.b.size()), c.result) << c.a << " in " << c.b;
    }
}

std::string lettersOfLength(size_t length, unsigned seed) {
    std::mt19937 random(seed);
    std::string text;
    for (size_t i = 0; i < length; ++i) {
        text += static_cast<char>('A' + random() % 26);
    }
    return text;
}

TEST(JudgeAnswer, TextsOfUpTo259Bytes) {
    const std::string expected = lettersOfLength(259, 1);
    EXPECT_EQ(judge(expected, substituted(expected, {100})), "Quasiment");
    EXPECT_EQ(judge(expected, substituted(expected, {100, 200})), "Presque");
    EXPECT_EQ(judge(expected, expected.substr(0, 208)), "Trop court");  // 80.3 %
    EXPECT_EQ(judge(expected, expected.substr(0, 207)), "Pas loin");
    // Longer texts are judged on their first 259 bytes, cut before trimming.
    EXPECT_EQ(judge(expected + "TAIL", expected), "BRAVO");
    EXPECT_EQ(judge(expected + std::string(300, 'Q'), expected + std::string(300, 'R')), "BRAVO");
    const std::string shorter = expected.substr(0, 250);
    EXPECT_EQ(judge(shorter, shorter + std::string(20, ' ') + "X"), "BRAVO");
    EXPECT_EQ(judge(shorter, std::string(10, ' ') + shorter), "Quasiment");
    // No terminating zero within the limit: nothing past it is read.
    const std::unique_ptr<char[]> unterminated(new char[judgedTextLimit]);
    std::memset(unterminated.get(), 'a', judgedTextLimit);
    EXPECT_STREQ(judgeAnswer(unterminated.get(), unterminated.get()), "BRAVO");
    EXPECT_EQ(countWords(unterminated.get()), 1);
    // A null text counts as empty.
    EXPECT_STREQ(judgeAnswer(nullptr, nullptr), "?");
    EXPECT_STREQ(judgeAnswer("PARIS", nullptr), "?");
    EXPECT_STREQ(judgeAnswer(nullptr, "PARIS"), "FAUX");
}

TEST(JudgeEditDistance, SmallCasesAndLimits) {
    EXPECT_EQ(editDistance("", 0, "", 0), 0);
    EXPECT_EQ(editDistance("ABC", 3, "", 0), 3);
    EXPECT_EQ(editDistance("", 0, "ABC", 3), 3);
    EXPECT_EQ(editDistance("KITTEN", 6, "SITTING", 7), 3);
    EXPECT_EQ(editDistance("A\0B", 3, "A\0C", 3), 1);
    EXPECT_EQ(editDistance(std::string(300, 'A').data(), 300, std::string(259, 'A').data(), 259), 0);
    EXPECT_EQ(editDistanceWithin("KITTEN", 6, "SITTING", 7, INT_MAX), 3);
    EXPECT_EQ(editDistanceWithin("KITTEN", 6, "SITTING", 7, 2), 3);
    EXPECT_EQ(editDistanceWithin("KITTEN", 6, "SITTING", 7, -5), 1);
    EXPECT_EQ(editDistanceWithin("ABC", 3, "ABC", 3, -1), 0);
}

// Random pairs of every length up to 259, alike and unlike, from small and
// large alphabets: the exact distance and the bounded one at every limit
// that a judgement uses.
TEST(JudgeEditDistance, MatchesTheTextbookTableOnRandomPairs) {
    std::mt19937 random(20240601);
    for (int round = 0; round < 1000; ++round) {
        const int alphabet = 1 + static_cast<int>(random() % 6) * (round % 3 == 0 ? 40 : 1);
        const size_t aLength = random() % (round % 5 == 0 ? 260 : 80);
        const size_t bLength = round % 2 == 0 ? aLength + random() % 5 - std::min<size_t>(aLength, 2)
                                              : random() % (round % 5 == 0 ? 260 : 80);
        std::string a;
        for (size_t i = 0; i < aLength; ++i) {
            a += static_cast<char>(1 + random() % alphabet);
        }
        std::string b = a.substr(0, std::min(aLength, bLength));
        b.resize(std::min<size_t>(bLength, judgedTextLimit), 'Z');
        for (int edit = static_cast<int>(random() % 12); edit > 0 && !b.empty(); --edit) {
            b[random() % b.size()] = static_cast<char>(1 + random() % alphabet);
        }
        const int expected = plainDistance(a, b);
        ASSERT_EQ(editDistance(a.data(), a.size(), b.data(), b.size()), expected) << a << " / " << b;
        ASSERT_EQ(editDistance(b.data(), b.size(), a.data(), a.size()), expected) << a << " / " << b;
        for (int limit : {0, 1, 2, 3, expected - 1, expected, expected + 1, 51, 63, 64, 65, 200}) {
            ASSERT_EQ(editDistanceWithin(a.data(), a.size(), b.data(), b.size(), limit),
                      std::min(expected, std::max(limit, 0) + 1))
                << a << " / " << b << " limit " << limit;
        }
    }
    // Texts that end at and around the 64-byte words, and bands of 64
    // diagonals and more: texts with no byte in common.
    for (size_t length : {63u, 64u, 65u, 66u, 128u, 129u, 192u, 193u, 259u}) {
        const std::string a = lettersOfLength(length, static_cast<unsigned>(length));
        const std::string other = lettersOfLength(length, 999);
        std::string unlike = other;
        std::transform(other.begin(), other.end(), unlike.begin(), [](char c) { return static_cast<char>(c + 32); });
        EXPECT_EQ(editDistance(a.data(), length, substituted(a, {length - 1}).data(), length), 1) << length;
        EXPECT_EQ(editDistance(a.data(), length, a.data(), length - 1), 1) << length;
        EXPECT_EQ(editDistance(a.data(), length, other.data(), length), plainDistance(a, other)) << length;
        EXPECT_EQ(editDistance(a.data(), length, unlike.data(), length), static_cast<int>(length)) << length;
        EXPECT_EQ(editDistance(a.data(), length, unlike.data(), length - 2), static_cast<int>(length)) << length;
        EXPECT_EQ(editDistance(a.data(), length, unlike.data(), 1), static_cast<int>(length)) << length;
        EXPECT_EQ(editDistanceWithin(a.data(), length, unlike.data(), length, 64), std::min<int>(length, 65));
    }
}

TEST(JudgeAnswer, MatchesThePlainRulesOnRandomPairs) {
    std::mt19937 random(7);
    const char letters[] = "AB CDae\xE9\xC9";
    for (int round = 0; round < 4000; ++round) {
        const int alphabet = round % 2 == 0 ? 3 : 9;
        std::string expected;
        const size_t length = random() % (round % 50 == 0 ? 260 : 24);
        for (size_t i = 0; i < length; ++i) {
            expected += letters[random() % alphabet];
        }
        std::string typed;
        switch (round % 4) {
        case 0:  // a piece of it
            typed = expected.substr(random() % (length + 1));
            typed.resize(random() % (typed.size() + 1));
            break;
        case 1:  // it, with things around
            typed = std::string(random() % 25, letters[random() % alphabet]) + expected +
                    std::string(random() % 25, letters[random() % alphabet]);
            break;
        case 2:  // a few edits
            typed = expected;
            for (int edit = static_cast<int>(random() % 5); edit > 0 && !typed.empty(); --edit) {
                typed[random() % typed.size()] = letters[random() % alphabet];
            }
            break;
        default:
            for (size_t i = random() % 24; i > 0; --i) {
                typed += letters[random() % alphabet];
            }
            break;
        }
        ASSERT_EQ(judge(expected, typed), plainJudge(expected.c_str(), typed.c_str()))
            << "expected \"" << expected << "\" typed \"" << typed << "\"";
    }
}

TEST(JudgeCountWords, CountsApostrophesSpacesAndHyphensIntoThePhrase) {
    const std::pair<const char*, int> cases[] = {
        {"PARIS", 1},   {"LA TOUR EIFFEL", 3}, {"L'ARC-EN-CIEL", 4}, {"AUJOURD'HUI", 2}, {"A  B", 3},
        {" ", 2},       {"", 1},               {"A\tB_C.D", 1},
        // A "!" and the byte after it are not counted.
        {"OH! LA", 1},  {"OH!-LA", 1},         {"OH!' LA", 2},       {"!!", 1},          {"!! A", 2},
        {"A!B C", 2},   {"!", 1},              {"OUI!\0 A B C", 1},
    };
    for (const auto& [text, words] : cases) {
        EXPECT_EQ(countWords(text), words) << text;
    }
    // A final "!" does not skip the terminating zero: exactly sized, so that
    // a read past it is caught by the sanitizer.
    const std::unique_ptr<char[]> exact(new char[8]);
    std::memcpy(exact.get(), "HOURRA!", 8);
    EXPECT_EQ(countWords(exact.get()), 1);

    const std::pair<std::string, const char*> phrases[] = {
        {"PARIS", "en 1 mot"},        {"LA TOUR EIFFEL", "en 3 mots"},        {"L'ARC-EN-CIEL", "en 4 mots"},
        {"BRAVO!", "en 1 mot"},       {std::string(259, ' '), "en 260 mots"},
    };
    for (const auto& [answer, expected] : phrases) {
        char phrase[32];
        wordCountPhrase(answer.c_str(), phrase);
        EXPECT_STREQ(phrase, expected);
    }
}

}  // namespace
