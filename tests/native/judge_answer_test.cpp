#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "judge_answer.h"

namespace {

std::string judge(const std::string& expected, const std::string& typed) {
    return judgeAnswer(expected.c_str(), typed.c_str());
}

// The upper-casing of the judge, written out byte by byte.
unsigned char upper(unsigned char c) {
    return ((c >= 'a' && c <= 'z') || c >= 0xE0) ? static_cast<unsigned char>(c - 0x20) : c;
}

// Textbook Levenshtein over the whole table: the oracle for the fast one.
int plainDistance(const std::string& a, const std::string& b) {
    std::vector<std::vector<int>> d(a.size() + 1, std::vector<int>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) {
        d[i][0] = static_cast<int>(i);
    }
    for (size_t j = 0; j <= b.size(); ++j) {
        d[0][j] = static_cast<int>(j);
    }
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j) {
            const int cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
        }
    }
    return d[a.size()][b.size()];
}

// The judging rules in their plainest form, for comparison on many pairs.
std::string plainJudge(std::string expected, std::string typed) {
    expected = expected.substr(0, judgedTextLimit);
    typed = typed.substr(0, judgedTextLimit);
    while (!typed.empty() && typed.back() == ' ') {
        typed.pop_back();
    }
    while (!typed.empty() && typed.front() == ' ') {
        typed.erase(0, 1);
    }
    for (char& c : expected) {
        c = static_cast<char>(upper(static_cast<unsigned char>(c)));
    }
    for (char& c : typed) {
        c = static_cast<char>(upper(static_cast<unsigned char>(c)));
    }
    const int e = static_cast<int>(expected.size());
    const int t = static_cast<int>(typed.size());
    if (e <= 3) {
        return t == 0 ? "?" : typed == expected ? "BRAVO" : "FAUX";
    }
    if (t == 0) {
        return "?";
    }
    const int d = plainDistance(expected, typed);
    if (d == 0) {
        return "BRAVO";
    }
    std::string sortedE = expected;
    std::string sortedT = typed;
    std::sort(sortedE.begin(), sortedE.end());
    std::sort(sortedT.begin(), sortedT.end());
    if (sortedE == sortedT) {
        return "Anagramme";
    }
    if (d == 1) {
        return "Quasiment";
    }
    if (d == 2) {
        return "Presque";
    }
    const int r = findWithin(expected.data(), expected.size(), typed.data(), typed.size());
    if (r == -2) {
        if (e <= 9) {
            return "FAUX";
        }
        const double p = 100.0 * t / e;
        return p > 80 ? "Trop court" : p > 75 ? "Pas loin" : "FAUX";
    }
    if (r == 2) {
        const int x = t - e;
        return x <= 10 ? "Trop long" : x <= 20 ? "Pas loin" : "FAUX";
    }
    const int longer = std::max(e, t);
    return (longer - d) * 100.0 / longer > 80 ? "y a de l'id\xE9" "e" : "FAUX";
}

const std::string twenty = "ABCDEFGHIJKLMNOPQRST";

// ----------------------------------------------------------------- words --

TEST(JudgeVerdictWords, AreTheTenWordsExactly) {
    EXPECT_STREQ(verdictRight, "BRAVO");
    EXPECT_STREQ(verdictWrong, "FAUX");
    EXPECT_STREQ(verdictEmpty, "?");
    EXPECT_STREQ(verdictAnagram, "Anagramme");
    EXPECT_STREQ(verdictOneEdit, "Quasiment");
    EXPECT_STREQ(verdictTwoEdits, "Presque");
    EXPECT_STREQ(verdictTooShort, "Trop court");
    EXPECT_STREQ(verdictTooLong, "Trop long");
    EXPECT_STREQ(verdictClose, "Pas loin");
    EXPECT_EQ(std::string(verdictSimilar), std::string("y a de l'id\xE9" "e"));
    EXPECT_EQ(std::strlen(verdictSimilar), 13u);
}

TEST(JudgeVerdictWords, ReturnsTheSharedWords) {
    EXPECT_EQ(judgeAnswer("PARIS", "PARIS"), verdictRight);
    EXPECT_EQ(judgeAnswer("PARIS", ""), verdictEmpty);
    EXPECT_EQ(judgeAnswer("PARIS", "pa"), verdictWrong);
}

// ---------------------------------------------------------- normalising --

TEST(JudgeNormalising, TrimsSpacesAtBothEnds) {
    EXPECT_EQ(judge("PARIS", "  paris  "), "BRAVO");
    EXPECT_EQ(judge("LA TOUR", "la tour "), "BRAVO");
    EXPECT_EQ(judge("PARIS", "   "), "?");
    EXPECT_EQ(judge("OUI", "    "), "?");
}

TEST(JudgeNormalising, TrimsOnlyTheSpaceByte) {
    EXPECT_EQ(judge("PARIS", "PARIS\t"), "Quasiment");
    EXPECT_EQ(judge("PARIS", "\tPARIS"), "Quasiment");
    EXPECT_EQ(judge("PARIS", "PARIS\xA0"), "Quasiment");  // no-break space
    EXPECT_EQ(judge("PARIS", "\t"), "FAUX");
}

TEST(JudgeNormalising, KeepsInnerSpaces) {
    EXPECT_EQ(judge("LA TOUR", "LA  TOUR"), "Quasiment");
}

TEST(JudgeNormalising, NeverTrimsTheExpectedAnswer) {
    EXPECT_EQ(judge("PARIS ", "PARIS"), "Quasiment");
    EXPECT_EQ(judge(" PARIS", "PARIS "), "Quasiment");
    EXPECT_EQ(judge("OUI ", "oui"), "Quasiment");
}

TEST(JudgeNormalising, UpperCasesTheExpectedAnswerToo) {
    EXPECT_EQ(judge("paris", "PARIS"), "BRAVO");
    EXPECT_EQ(judge("\xE9l\xE8ve", "\xC9L\xC8VE"), "BRAVO");
}

TEST(JudgeNormalising, UpperCasesEachByteByItsFixedRule) {
    for (int c = 1; c < 256; ++c) {
        if (c == ' ') {
            continue;
        }
        const std::string lower = std::string("XYZ") + static_cast<char>(c);
        const std::string upperCased = std::string("XYZ") + static_cast<char>(upper(static_cast<unsigned char>(c)));
        EXPECT_EQ(judge(lower, upperCased), "BRAVO") << "byte " << c;
        EXPECT_EQ(judge(upperCased, lower), "BRAVO") << "byte " << c;
    }
}

TEST(JudgeNormalising, FoldsTheWholeRowFromE0) {
    EXPECT_EQ(judge("XYZ\xD7", "xyz\xF7"), "BRAVO");  // division sign to multiplication sign
    EXPECT_EQ(judge("XYZ\xDF", "xyz\xFF"), "BRAVO");  // y-diaeresis to sharp s
    EXPECT_EQ(judge("XYZ\xC0", "xyz\xE0"), "BRAVO");
    EXPECT_EQ(judge("XYZ\xDE", "xyz\xFE"), "BRAVO");
}

TEST(JudgeNormalising, LeavesTheOtherLowerCaseLettersAlone) {
    EXPECT_EQ(judge("XYZ\x8C", "XYZ\x9C"), "Quasiment");  // oe ligature
    EXPECT_EQ(judge("XYZ\x8A", "XYZ\x9A"), "Quasiment");  // s caron
    EXPECT_EQ(judge("XYZ\x8E", "XYZ\x9E"), "Quasiment");  // z caron
    EXPECT_EQ(judge("XYZ\x9F", "XYZ\xFF"), "Quasiment");  // Y-diaeresis is not the fold of 0xFF
    EXPECT_EQ(judge("XYZ\xBF", "XYZ\xDF"), "Quasiment");  // nothing above 0x7A folds below 0xE0
}

TEST(JudgeNormalising, KeepsAccentsDistinct) {
    EXPECT_EQ(judge("\xC9L\xC8VE", "eleve"), "Presque");
    EXPECT_EQ(judge("\xC9L\xC8VE", "\xE9l\xE8ve"), "BRAVO");
}

// -------------------------------------------------------- short answers --

TEST(JudgeShortAnswers, GetNoHints) {
    EXPECT_EQ(judge("OUI", "oui "), "BRAVO");
    EXPECT_EQ(judge("OUI", "OU"), "FAUX");
    EXPECT_EQ(judge("OUI", "IOU"), "FAUX");
    EXPECT_EQ(judge("OUI", "OUII"), "FAUX");
    EXPECT_EQ(judge("OUI", "LOUIS"), "FAUX");
    EXPECT_EQ(judge("OUI", ""), "?");
    EXPECT_EQ(judge("A", "a"), "BRAVO");
}

TEST(JudgeShortAnswers, EmptyExpectedAnswer) {
    EXPECT_EQ(judge("", ""), "?");
    EXPECT_EQ(judge("", "  "), "?");
    EXPECT_EQ(judge("", "X"), "FAUX");
}

TEST(JudgeShortAnswers, FourLettersGetHints) {
    EXPECT_EQ(judge("OUIS", "OUI"), "Quasiment");
}

// -------------------------------------------------------------- PARIS ----

TEST(JudgeParis, EveryExample) {
    EXPECT_EQ(judge("PARIS", "pari"), "Quasiment");
    EXPECT_EQ(judge("PARIS", "par"), "Presque");
    EXPECT_EQ(judge("PARIS", "pa"), "FAUX");
    EXPECT_EQ(judge("PARIS", "ispar"), "Anagramme");
    EXPECT_EQ(judge("PARIS", "   "), "?");
    EXPECT_EQ(judge("PARIS", "paris"), "BRAVO");
}

// -------------------------------------------------------- rearrangement --

TEST(JudgeAnagram, ComesBeforeTheDistance) {
    EXPECT_EQ(judge("ABCD", "ABDC"), "Anagramme");
    EXPECT_EQ(plainDistance("ABCD", "ABDC"), 2);
}

TEST(JudgeAnagram, NeedsTheSameByteCounts) {
    EXPECT_EQ(judge("AABB", "ABAB"), "Anagramme");
    EXPECT_EQ(judge("AABB", "ABBB"), "Quasiment");
    EXPECT_EQ(judge(twenty, std::string(twenty.rbegin(), twenty.rend())), "Anagramme");
    EXPECT_EQ(judge("PARIS", "sirap "), "Anagramme");
}

// ------------------------------------------------------------- distance --

TEST(JudgeDistance, OneAndTwoEdits) {
    EXPECT_EQ(judge("MARSEILLE", "MARSEILE"), "Quasiment");
    EXPECT_EQ(judge("MARSEILLE", "MARSEIILE"), "Quasiment");
    EXPECT_EQ(judge("MARSEILLE", "MARSELLLE"), "Quasiment");
    EXPECT_EQ(judge("MARSEILLE", "MARSEIL"), "Presque");
    EXPECT_EQ(judge("MARSEILLE", "NARSEILLA"), "Presque");
}

TEST(JudgeDistance, TwoEditsBeatFoundPieces) {
    EXPECT_EQ(judge("CHATEAUBRIAND", "CHATEAUBRIA"), "Presque");
    EXPECT_EQ(judge("TOUR", "TOUR 2"), "Presque");
}

// ------------------------------------------------------- CHATEAUBRIAND --

TEST(JudgePieces, Chateaubriand) {
    EXPECT_EQ(judge("CHATEAUBRIAND", "CHATEAUBRI"), "Pas loin");
    EXPECT_EQ(judge("CHATEAUBRIAND", "CHATEAU"), "FAUX");
    EXPECT_EQ(judge("CHATEAUBRIAND", "CHATEAUBRIA"), "Presque");
}

TEST(JudgePieces, TwentyLetters) {
    EXPECT_EQ(judge(twenty, twenty.substr(0, 17)), "Trop court");  // 85 %
    EXPECT_EQ(judge(twenty, twenty.substr(0, 16)), "Pas loin");    // exactly 80 %
    EXPECT_EQ(judge(twenty, twenty.substr(0, 15)), "FAUX");        // exactly 75 %
    EXPECT_EQ(judge(twenty, twenty.substr(3, 17)), "Trop court");  // a piece from the middle
    EXPECT_EQ(judge(twenty, twenty.substr(4, 16)), "Pas loin");
}

TEST(JudgePieces, EightyAndSeventyFivePercentLimits) {
    std::string forty;
    for (int i = 0; i < 40; ++i) {
        forty += static_cast<char>('A' + i % 26);
    }
    EXPECT_EQ(judge(forty, forty.substr(0, 33)), "Trop court");  // 82.5 %
    EXPECT_EQ(judge(forty, forty.substr(0, 32)), "Pas loin");    // 80 %
    EXPECT_EQ(judge(forty, forty.substr(0, 31)), "Pas loin");    // 77.5 %
    EXPECT_EQ(judge(forty, forty.substr(0, 30)), "FAUX");        // 75 %
    EXPECT_EQ(judge(forty, forty.substr(0, 29)), "FAUX");
}

TEST(JudgePieces, PercentagesAreNotRoundedDown) {
    // 17 of 21 is 80.95 %: above 80, although a whole-number percentage
    // would read 80. Likewise 16 of 21 is 76.2 %.
    const std::string expected = twenty + "U";
    EXPECT_EQ(judge(expected, expected.substr(0, 17)), "Trop court");
    EXPECT_EQ(judge(expected, expected.substr(0, 16)), "Pas loin");
}

TEST(JudgePieces, NineCharactersOrFewerAreWrong) {
    EXPECT_EQ(judge("ABCDEFGHI", "ABCDEF"), "FAUX");     // 9 letters
    EXPECT_EQ(judge("ABCDEFGHIJ", "ABCDEFG"), "FAUX");   // 10 letters, 70 %
    EXPECT_EQ(judge("ABCDEFGHIJKLM", "ABCDEFGHIJ"), "Pas loin");
}

TEST(JudgePieces, ShortcutMissesAnOverlappingPiece) {
    // The piece AABCDEFGHIJK sits at position 1 and covers 80 %, but the scan
    // misses it: the similarity test decides, and 15 > 5 * 3 fails.
    EXPECT_EQ(findWithin("AAABCDEFGHIJKLM", 15, "AABCDEFGHIJK", 12), 0);
    EXPECT_EQ(judge("AAABCDEFGHIJKLM", "AABCDEFGHIJK"), "FAUX");
    EXPECT_EQ(judge("XAAABCDEFGHIJKLM", "AABCDEFGHIJK"), "FAUX");
}

// ------------------------------------------------------------ TOUR EIFFEL --

TEST(JudgeLonger, TourEiffel) {
    EXPECT_EQ(judge("TOUR EIFFEL", "LA TOUR EIFFEL"), "Trop long");
    EXPECT_EQ(judge("TOUR EIFFEL", "A LA BELLE TOUR EIFFEL"), "Pas loin");
    EXPECT_EQ(judge("TOUR EIFFEL", "C'EST LA GRANDE TOUR EIFFEL"), "Pas loin");
    EXPECT_EQ(judge("TOUR EIFFEL", "LA TOUR EIFFEL DE PARIS, EN FRANCE"), "FAUX");
}

TEST(JudgeLonger, TenAndTwentyExtraCharacters) {
    const std::string expected = "TOUR EIFFEL";
    EXPECT_EQ(judge(expected, expected + "XYZ"), "Trop long");
    EXPECT_EQ(judge(expected, std::string(10, 'X') + expected), "Trop long");
    EXPECT_EQ(judge(expected, std::string(11, 'X') + expected), "Pas loin");
    EXPECT_EQ(judge(expected, std::string(5, 'X') + expected + std::string(15, 'X')), "Pas loin");
    EXPECT_EQ(judge(expected, std::string(20, 'X') + expected), "Pas loin");
    EXPECT_EQ(judge(expected, std::string(21, 'X') + expected), "FAUX");
    EXPECT_EQ(judge(expected, expected + std::string(21, 'X')), "FAUX");
}

TEST(JudgeLonger, AbacIsMissedInAbabacx) {
    EXPECT_EQ(findWithin("ABAC", 4, "ABABACX", 7), 0);
    EXPECT_EQ(plainDistance("ABAC", "ABABACX"), 3);
    EXPECT_EQ(judge("ABAC", "ABABACX"), "FAUX");
}

// ---------------------------------------------------------- similarity --

TEST(JudgeSimilar, TwentyFiveCharactersWithFourOrFiveSubstitutions) {
    const std::string expected = "ABCDEFGHIJKLMNOPQRSTUVWXY";
    std::string four = expected;
    for (size_t at : {0u, 6u, 12u, 18u}) {
        four[at] = '1';
    }
    std::string five = four;
    five[24] = '1';
    EXPECT_EQ(plainDistance(expected, four), 4);
    EXPECT_EQ(plainDistance(expected, five), 5);
    EXPECT_EQ(judge(expected, four), "y a de l'id\xE9" "e");
    EXPECT_EQ(judge(expected, five), "FAUX");  // exactly 80 %
}

TEST(JudgeSimilar, UsesTheLongerLength) {
    // Three letters left out of the middle, so that nothing is found.
    // Lengths 16 and 13, distance 3: 16 > 15.
    EXPECT_EQ(plainDistance("ABCDEFGHIJKLMNOP", "ABCDEFJKLMNOP"), 3);
    EXPECT_EQ(judge("ABCDEFGHIJKLMNOP", "ABCDEFJKLMNOP"), "y a de l'id\xE9" "e");
    // Lengths 15 and 12, distance 3: 15 > 15 fails.
    EXPECT_EQ(judge("ABCDEFGHIJKLMNO", "ABCDEFJKLMNO"), "FAUX");
}

TEST(JudgeSimilar, PercentageIsNotRoundedDown) {
    // Length 21, distance 4: 80.95 % similar, above 80 (21 > 20), although a
    // whole-number percentage would read 80.
    const std::string expected = twenty + "U";
    std::string typed = expected;
    for (size_t at : {0u, 5u, 10u, 15u}) {
        typed[at] = '1';
    }
    ASSERT_EQ(plainDistance(expected, typed), 4);
    EXPECT_EQ(judge(expected, typed), "y a de l'id\xE9" "e");
}

TEST(JudgeSimilar, CompletelyDifferentIsWrong) {
    EXPECT_EQ(judge("ABCDEFGHIJ", "KLMNOPQRST"), "FAUX");
}

// ------------------------------------------------------------ findWithin --

TEST(JudgeFindWithin, FindsEitherWay) {
    EXPECT_EQ(findWithin("TOUR", 4, "LA TOUR", 7), 2);
    EXPECT_EQ(findWithin("LA TOUR", 7, "TOUR", 4), -2);
    EXPECT_EQ(findWithin("TOUR", 4, "TOUR", 4), 2);
    EXPECT_EQ(findWithin("TOUR", 4, "TOUT", 4), 0);
    EXPECT_EQ(findWithin("TOUR", 4, "LA TOU", 6), 0);  // runs out in the middle of a match
}

TEST(JudgeFindWithin, ShortcutMissesOverlaps) {
    EXPECT_EQ(findWithin("AAB", 3, "AAAB", 4), 0);
    EXPECT_EQ(findWithin("AAAB", 4, "AAB", 3), 0);
    EXPECT_EQ(findWithin("AAB", 3, "AABAAB", 6), 2);
    EXPECT_EQ(findWithin("AAB", 3, "AAXAAB", 6), 2);  // a failed attempt that does not overlap
}

TEST(JudgeFindWithin, EmptyShorterTextGivesTheSign) {
    EXPECT_EQ(findWithin("", 0, "ABC", 3), 1);
    EXPECT_EQ(findWithin("ABC", 3, "", 0), -1);
    EXPECT_EQ(findWithin("", 0, "", 0), 1);
}

TEST(JudgeFindWithin, ReadsOnlyTheGivenLengths) {
    const std::unique_ptr<char[]> a(new char[3]{'A', 'A', 'B'});
    const std::unique_ptr<char[]> b(new char[4]{'A', 'A', 'A', 'B'});
    EXPECT_EQ(findWithin(a.get(), 3, b.get(), 4), 0);
    EXPECT_EQ(findWithin(b.get(), 4, a.get(), 3), 0);
    EXPECT_EQ(findWithin(a.get(), 2, b.get(), 4), 2);
}

// ------------------------------------------------------------ 259 bytes --

std::string lettersOfLength(size_t length, unsigned seed) {
    std::mt19937 random(seed);
    std::string text;
    for (size_t i = 0; i < length; ++i) {
        text += static_cast<char>('A' + random() % 26);
    }
    return text;
}

TEST(JudgeLongTexts, FullLengthTexts) {
    const std::string expected = lettersOfLength(259, 1);
    EXPECT_EQ(judge(expected, expected), "BRAVO");
    std::string typed = expected;
    typed[100] = '1';
    EXPECT_EQ(judge(expected, typed), "Quasiment");
    typed[200] = '2';
    EXPECT_EQ(judge(expected, typed), "Presque");
    EXPECT_EQ(judge(expected, expected.substr(0, 208)), "Trop court");  // 80.3 %
    EXPECT_EQ(judge(expected, expected.substr(0, 207)), "Pas loin");
    EXPECT_EQ(judge(expected, lettersOfLength(259, 2)), "FAUX");
}

TEST(JudgeLongTexts, SimilarityAtTheLimit) {
    // 259 > 5 * 51, but 259 > 5 * 52 fails.
    const std::string expected = lettersOfLength(259, 3);
    std::string typed = expected;
    for (int k = 0; k < 51; ++k) {
        typed[k * 5] = '1';
    }
    ASSERT_EQ(plainDistance(expected, typed), 51);
    EXPECT_EQ(judge(expected, typed), "y a de l'id\xE9" "e");
    typed[257] = '1';
    ASSERT_EQ(plainDistance(expected, typed), 52);
    EXPECT_EQ(judge(expected, typed), "FAUX");
}

TEST(JudgeLongTexts, JudgesOnlyTheFirst259Bytes) {
    const std::string expected = lettersOfLength(259, 4);
    EXPECT_EQ(judge(expected + "TAIL", expected), "BRAVO");
    EXPECT_EQ(judge(expected, expected + "TAIL"), "BRAVO");
    EXPECT_EQ(judge(expected + std::string(300, 'Q'), expected + std::string(300, 'R')), "BRAVO");
    // Spaces past the cut are not trimmed away: the cut comes first.
    const std::string shorter = expected.substr(0, 250);
    EXPECT_EQ(judge(shorter, shorter + std::string(20, ' ') + "X"), "BRAVO");
    EXPECT_EQ(judge(shorter, std::string(9, ' ') + shorter + "X"), "BRAVO");
    EXPECT_EQ(judge(shorter, std::string(10, ' ') + shorter), "Quasiment");
}

TEST(JudgeLongTexts, ReadsNoFurtherThanTheLimitWithoutAZero) {
    const std::unique_ptr<char[]> expected(new char[judgedTextLimit]);
    const std::unique_ptr<char[]> typed(new char[judgedTextLimit]);
    std::memset(expected.get(), 'A', judgedTextLimit);
    std::memset(typed.get(), 'a', judgedTextLimit);
    EXPECT_STREQ(judgeAnswer(expected.get(), typed.get()), "BRAVO");
    EXPECT_EQ(countWords(expected.get()), 1);
}

TEST(JudgeNullTexts, CountAsEmpty) {
    EXPECT_STREQ(judgeAnswer(nullptr, nullptr), "?");
    EXPECT_STREQ(judgeAnswer("PARIS", nullptr), "?");
    EXPECT_STREQ(judgeAnswer(nullptr, "PARIS"), "FAUX");
}

// --------------------------------------------------------- the distance --

TEST(JudgeEditDistance, SmallCases) {
    EXPECT_EQ(editDistance("", 0, "", 0), 0);
    EXPECT_EQ(editDistance("ABC", 3, "", 0), 3);
    EXPECT_EQ(editDistance("", 0, "ABC", 3), 3);
    EXPECT_EQ(editDistance("KITTEN", 6, "SITTING", 7), 3);
    EXPECT_EQ(editDistance("ABCD", 4, "ABDC", 4), 2);
    EXPECT_EQ(editDistance("A\0B", 3, "A\0C", 3), 1);
}

TEST(JudgeEditDistance, MatchesTheTextbookTableOnRandomPairs) {
    std::mt19937 random(20240601);
    for (int round = 0; round < 3000; ++round) {
        const int alphabet = 1 + static_cast<int>(random() % 6) * (round % 3 == 0 ? 40 : 1);
        const size_t aLength = random() % (round % 5 == 0 ? 260 : 80);
        const size_t bLength = round % 2 == 0 ? aLength + random() % 5 - std::min<size_t>(aLength, 2)
                                              : random() % (round % 5 == 0 ? 260 : 80);
        std::string a;
        std::string b;
        for (size_t i = 0; i < aLength; ++i) {
            a += static_cast<char>(1 + random() % alphabet);
        }
        b = a.substr(0, std::min(aLength, bLength));
        b.resize(std::min<size_t>(bLength, judgedTextLimit), 'Z');
        for (int edit = static_cast<int>(random() % 12); edit > 0 && !b.empty(); --edit) {
            b[random() % b.size()] = static_cast<char>(1 + random() % alphabet);
        }
        a.resize(std::min(a.size(), judgedTextLimit));
        const int expected = plainDistance(a, b);
        ASSERT_EQ(editDistance(a.data(), a.size(), b.data(), b.size()), expected) << a << " / " << b;
        ASSERT_EQ(editDistance(b.data(), b.size(), a.data(), a.size()), expected) << a << " / " << b;
        for (int limit : {0, 1, 2, 3, expected - 1, expected, expected + 1, 51, 63, 64, 65, 200}) {
            const int bounded = editDistanceWithin(a.data(), a.size(), b.data(), b.size(), limit);
            ASSERT_EQ(bounded, std::min(expected, std::max(limit, 0) + 1))
                << a << " / " << b << " limit " << limit;
        }
    }
}

TEST(JudgeEditDistance, BlockEdges) {
    for (size_t length : {63u, 64u, 65u, 127u, 128u, 129u, 191u, 192u, 193u, 255u, 256u, 259u}) {
        const std::string a = lettersOfLength(length, static_cast<unsigned>(length));
        std::string b = a;
        b[length - 1] = '1';
        EXPECT_EQ(editDistance(a.data(), a.size(), b.data(), b.size()), 1) << length;
        EXPECT_EQ(editDistance(a.data(), a.size(), b.data(), length - 1), 1) << length;
        EXPECT_EQ(editDistance(a.data(), a.size(), "", 0), static_cast<int>(length));
        const std::string other = lettersOfLength(length, 999);
        EXPECT_EQ(editDistance(a.data(), a.size(), other.data(), other.size()), plainDistance(a, other))
            << length;
    }
}

TEST(JudgeEditDistance, AnyLimit) {
    EXPECT_EQ(editDistanceWithin("KITTEN", 6, "SITTING", 7, INT_MAX), 3);
    EXPECT_EQ(editDistanceWithin("KITTEN", 6, "SITTING", 7, 2), 3);
    EXPECT_EQ(editDistanceWithin("KITTEN", 6, "SITTING", 7, 0), 1);
    EXPECT_EQ(editDistanceWithin("KITTEN", 6, "SITTING", 7, -5), 1);
    EXPECT_EQ(editDistanceWithin("ABC", 3, "ABC", 3, -1), 0);
}

TEST(JudgeEditDistance, CutsTextsAtTheLimit) {
    const std::string a(300, 'A');
    const std::string b(259, 'A');
    EXPECT_EQ(editDistance(a.data(), a.size(), b.data(), b.size()), 0);
}

// ------------------------------------------ all rules against the plain form --

TEST(JudgeAgreement, MatchesThePlainRulesOnRandomPairs) {
    std::mt19937 random(7);
    const char letters[] = "AB CDae\xE9\xC9";
    for (int round = 0; round < 20000; ++round) {
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
        ASSERT_EQ(judge(expected, typed), plainJudge(expected, typed))
            << "expected \"" << expected << "\" typed \"" << typed << "\"";
    }
}

// ------------------------------------------------------------ countWords --

TEST(JudgeCountWords, CountsSeparators) {
    EXPECT_EQ(countWords("PARIS"), 1);
    EXPECT_EQ(countWords("LA TOUR EIFFEL"), 3);
    EXPECT_EQ(countWords("L'ARC-EN-CIEL"), 4);
    EXPECT_EQ(countWords("AUJOURD'HUI"), 2);
    EXPECT_EQ(countWords("A  B"), 3);  // every space counts
    EXPECT_EQ(countWords(" "), 2);
    EXPECT_EQ(countWords(""), 1);
    EXPECT_EQ(countWords("A\tB_C.D"), 1);
}

TEST(JudgeCountWords, SkipsTheByteAfterAnExclamationMark) {
    EXPECT_EQ(countWords("OH! LA"), 1);
    EXPECT_EQ(countWords("OH!-LA"), 1);
    EXPECT_EQ(countWords("OH!' LA"), 2);
    EXPECT_EQ(countWords("!!"), 1);
    EXPECT_EQ(countWords("!! A"), 2);
    EXPECT_EQ(countWords("A!B C"), 2);
}

TEST(JudgeCountWords, StopsAtTheEndAfterAFinalExclamationMark) {
    // Exactly sized, so that a read past the zero is caught by the sanitizer.
    const char text[] = "HOURRA!";
    const std::unique_ptr<char[]> exact(new char[sizeof text]);
    std::memcpy(exact.get(), text, sizeof text);
    EXPECT_EQ(countWords(exact.get()), 1);

    // Whatever follows the zero is not part of the answer.
    const char followed[] = "OUI!\0 A B C";
    EXPECT_EQ(countWords(followed), 1);
    EXPECT_EQ(countWords("!"), 1);
}

TEST(JudgeCountWords, WordCountPhrase) {
    char phrase[32];
    wordCountPhrase("PARIS", phrase);
    EXPECT_STREQ(phrase, "en 1 mot");
    wordCountPhrase("LA TOUR EIFFEL", phrase);
    EXPECT_STREQ(phrase, "en 3 mots");
    wordCountPhrase("L'ARC-EN-CIEL", phrase);
    EXPECT_STREQ(phrase, "en 4 mots");
    wordCountPhrase("BRAVO!", phrase);
    EXPECT_STREQ(phrase, "en 1 mot");
    wordCountPhrase(std::string(259, ' ').c_str(), phrase);
    EXPECT_STREQ(phrase, "en 260 mots");
}

}  // namespace
