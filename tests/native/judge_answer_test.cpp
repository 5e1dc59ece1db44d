#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "judge/judge_answer.h"

// Random pairs against the plain rules (tests/support/judge_oracle) are
// fuzz_judge_answer's job; here, each rule at its edges.
namespace {

std::string judge(const std::string& expected, const std::string& typed) {
    return judgeAnswer(expected.c_str(), typed.c_str());
}

const std::string similar = "y a de l'id\xE9" "e", twenty = "ABCDEFGHIJKLMNOPQRST", twentyFive = twenty + "UVWXY";

TEST(JudgeAnswer, Verdicts) {
    const std::string cases[][3] = {
        // Typed text trimmed of spaces only, both upper-cased; the expected answer is never trimmed.
        {"PARIS", "  paris  ", "BRAVO"}, {"PARIS", "   ", "?"}, {"PARIS", "PARIS\t", "Quasiment"}, {"PARIS ", "PARIS", "Quasiment"},
        // Windows-1252: a to z and the whole row from 0xE0 lose 0x20, nothing else.
        {"\xC9L\xC8VE", "\xE9l\xE8ve", "BRAVO"}, {"\xC9L\xC8VE", "eleve", "Presque"}, {"XYZ\xC0", "xyz\xE0", "BRAVO"},
        {"XYZ\x8C", "XYZ\x9C", "Quasiment"}, {"XYZ\xBF", "XYZ\xDF", "Quasiment"},
        // Three letters or fewer: no hints.
        {"OUI", "oui ", "BRAVO"}, {"OUI", "OU", "FAUX"}, {"", "", "?"}, {"PARIS", "pari", "Quasiment"}, {"PARIS", "par", "Presque"},
        // A rearrangement comes before the distance.
        {"ABCD", "ABDC", "Anagramme"}, {"MARSEILLE", "NARSEILLA", "Presque"},
        // Pieces: more than 80 % "Trop court", more than 75 % "Pas loin", 9 characters or fewer never.
        {twenty, twenty.substr(0, 17), "Trop court"}, {twenty, twenty.substr(0, 16), "Pas loin"}, {twenty, twenty.substr(0, 15), "FAUX"},
        {twenty + "U", twenty.substr(0, 17), "Trop court"}, {"ABCDEFGHI", "ABCDEF", "FAUX"},
        {"AAABCDEFGHIJKLM", "AABCDEFGHIJK", "FAUX"},  // a piece the scan misses: similarity decides, 15 > 5 * 3 fails
        // The expected answer with 10 or fewer extra characters, then up to 20.
        {"TOUR EIFFEL", std::string(10, 'X') + "TOUR EIFFEL", "Trop long"}, {"TOUR EIFFEL", std::string(11, 'X') + "TOUR EIFFEL", "Pas loin"},
        {"TOUR EIFFEL", std::string(20, 'X') + "TOUR EIFFEL", "Pas loin"}, {"TOUR EIFFEL", "TOUR EIFFEL" + std::string(21, 'X'), "FAUX"},
        {"ABAC", "ABABACX", "FAUX"},  // inside, but the scan misses it
        // Otherwise similar when the longer length is above 5 times the distance.
        {twentyFive, "1BCDEF1HIJKL1NOPQR1TUVWXY", similar}, {twentyFive, "1BCDEF1HIJKL1NOPQR1TUVWX1", "FAUX"},
        {"ABCDEFGHIJKLMNOP", "ABCDEFJKLMNOP", similar}, {"ABCDEFGHIJKLMNO", "ABCDEFJKLMNO", "FAUX"},
    };
    for (const auto& c : cases) EXPECT_EQ(judge(c[0], c[1]), c[2]) << c[0] << " / " << c[1];
    // Texts of up to 259 bytes; longer ones are judged on their first 259, cut before trimming.
    const std::string long259 = (twentyFive + twentyFive).substr(0, 37) + std::string(222, 'Q');
    EXPECT_EQ(judge(long259 + std::string(300, 'Q'), long259 + std::string(300, 'R')), "BRAVO");
    EXPECT_EQ(judge(long259.substr(0, 250), long259.substr(0, 250) + std::string(20, ' ') + "X"), "BRAVO");
    const std::unique_ptr<char[]> unterminated(new char[judgedTextLimit]);
    std::memset(unterminated.get(), 'a', judgedTextLimit);
    EXPECT_STREQ(judgeAnswer(unterminated.get(), unterminated.get()), "BRAVO");
    EXPECT_STREQ(judgeAnswer("PARIS", nullptr), "?");
    EXPECT_STREQ(judgeAnswer(nullptr, "PARIS"), "FAUX");
}

TEST(JudgeCountWords, CountsApostrophesSpacesAndHyphensIntoThePhrase) {
    // A "!" and the byte after it are not counted.
    const std::pair<const char*, int> cases[] = {{"PARIS", 1}, {"LA TOUR EIFFEL", 3}, {"L'ARC-EN-CIEL", 4}, {"A  B", 3},
                                                 {"A\tB_C.D", 1}, {"OH! LA", 1},        {"OH!' LA", 2},       {"!! A", 2}};
    for (const auto& [text, words] : cases) EXPECT_EQ(countWords(text), words) << text;
    const std::unique_ptr<char[]> exact(new char[8]);  // a final "!" does not skip the terminating zero
    std::memcpy(exact.get(), "HOURRA!", 8);
    EXPECT_EQ(countWords(exact.get()), 1);
    char phrase[32];
    wordCountPhrase("PARIS", phrase);
    EXPECT_STREQ(phrase, "en 1 mot");
    wordCountPhrase("LA TOUR EIFFEL", phrase);
    EXPECT_STREQ(phrase, "en 3 mots");
}

}  // namespace
