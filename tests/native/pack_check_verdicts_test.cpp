// Verdict tests in the quiz source: what `vyrla-pack check` runs through the
// player's own loading and judging, the rules on the tests themselves, and
// the warning about expected answers that nearly match each other.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "pack/results/verdict_tests.h"
#include "pack/source/quiz_source.h"
#include "pack/stored/quiz_encode.h"

namespace {

namespace fs = std::filesystem;

std::string lines(std::initializer_list<std::string> list) {
    std::string text;
    for (const std::string& line : list) {
        text += line + "\n";
    }
    return text;
}

// A quiz source checked and stored as `vyrla-pack check` does it; clips and
// pictures are read from `directory`.
struct Checked {
    QuizSource source;
    QuizContent content;
    std::vector<std::string> errors;
    EncodedQuiz encoded{};
};

Checked checked(const std::string& toml, const fs::path& directory = ".") {
    Checked result;
    Diagnostics diagnostics;
    EXPECT_TRUE(parseQuizSource(toml, "quiz.toml", directory, &result.source, &diagnostics));
    buildQuizContent(result.source, &result.content, &diagnostics);
    result.errors = diagnostics.formatted();
    if (result.errors.empty()) {
        result.encoded = encodeQuiz(result.content, nullptr);
    }
    return result;
}

std::vector<std::string> formatted(const std::vector<Diagnostic>& list) {
    Diagnostics diagnostics;
    diagnostics.fileName = "quiz.toml";
    diagnostics.errors = list;
    return diagnostics.formatted();
}

const std::string textHeader = lines({R"(kind = "text")", R"(title = "Capitales")"});

TEST(PackCheckVerdicts, TheIssuesWorkedExamplePasses) {
    const Checked quiz = checked(textHeader + lines({
                                                  "[[question]]",
                                                  R"(prompt = "Capitale de la France")",
                                                  R"(answer = "Paris")",
                                                  R"(check = { "pari" = "Quasiment", "paris " = "BRAVO", "Lyon" = "FAUX" })",
                                              }));
    ASSERT_EQ(quiz.errors, std::vector<std::string>{});
    const VerdictReport report = runVerdictTests(quiz.source, quiz.encoded);
    EXPECT_EQ(report.run, 3u);
    EXPECT_EQ(formatted(report.failures), std::vector<std::string>{});
    EXPECT_EQ(formatted(report.warnings), std::vector<std::string>{});
    std::ostringstream errors;
    EXPECT_TRUE(reportVerdictTests(quiz.source, quiz.encoded, errors));
    EXPECT_EQ(errors.str(), "quiz.toml: verdict tests: 3 of 3 passed\n");
}

TEST(PackCheckVerdicts, EachMismatchIsReportedWithItsLineTypedExpectedAndActual) {
    const Checked quiz = checked(textHeader + lines({
                                                  "[[question]]",
                                                  R"(prompt = "Capitale de la France")",
                                                  R"(answer = "Paris")",
                                                  R"(check = { "Lyon" = "Presque", "pari" = "Quasiment" })",
                                                  "[[question]]",
                                                  R"(prompt = "Fleuve")",
                                                  R"(answer = "Méditerranée")",
                                                  "[question.check]",
                                                  R"("mediterranee" = "BRAVO")",
                                                  R"("Méditerranée" = "BRAVO")",
                                                  R"("la méditerranée" = "y a de l'idée")",
                                              }));
    ASSERT_EQ(quiz.errors, std::vector<std::string>{});
    const VerdictReport report = runVerdictTests(quiz.source, quiz.encoded);
    EXPECT_EQ(report.run, 5u);
    EXPECT_EQ(formatted(report.failures),
              (std::vector<std::string>{
                  R"(quiz.toml:6: question 1, check: "Lyon" expected "Presque", got "FAUX")",
                  R"(quiz.toml:11: question 2, check: "mediterranee" expected "BRAVO", got "Presque")",
                  R"(quiz.toml:13: question 2, check: "la méditerranée" expected "y a de l'idée", got "Trop long")",
              }));
    std::ostringstream errors;
    EXPECT_FALSE(reportVerdictTests(quiz.source, quiz.encoded, errors));
    EXPECT_NE(errors.str().find("quiz.toml:6: question 1, check: \"Lyon\" expected \"Presque\", got \"FAUX\"\n"),
              std::string::npos)
        << errors.str();
    EXPECT_NE(errors.str().find("quiz.toml: verdict tests: 2 of 5 passed\n"), std::string::npos) << errors.str();
}

TEST(PackCheckVerdicts, TypedTextsAreJudgedAsTheFieldWouldHoldThem) {
    // "œ" is one Windows-1252 byte; surrounding spaces go, tabs stay.
    const Checked quiz = checked(textHeader + lines({
                                                  "[[question]]",
                                                  R"(prompt = "p")",
                                                  R"(answer = "Cœur")",
                                                  R"(check = { "  cœur  " = "BRAVO", "coeur" = "Presque", "" = "?", "   " = "?", "\tcœur" = "Quasiment" })",
                                              }));
    ASSERT_EQ(quiz.errors, std::vector<std::string>{});
    const VerdictReport report = runVerdictTests(quiz.source, quiz.encoded);
    EXPECT_EQ(report.run, 5u);
    EXPECT_EQ(formatted(report.failures), std::vector<std::string>{});
}

TEST(PackCheckVerdicts, TestsThatCannotHappenAreErrorsOfTheSource) {
    const Checked quiz = checked(textHeader + lines({
                                                  "[[question]]",
                                                  R"(prompt = "p")",
                                                  R"(answer = "Paris")",
                                                  "[question.check]",
                                                  R"("paris" = "bravo")",
                                                  R"("pari" = "Quasi")",
                                                  R"("北京" = "FAUX")",
                                                  "\"" + std::string(81, 'x') + "\" = \"FAUX\"",
                                                  R"("deux\nlignes" = "FAUX")",
                                                  R"("nombre" = 3)",
                                                  R"("y" = "y a de l’idée")",
                                                  "[[question]]",
                                                  R"(prompt = "q")",
                                                  R"(answer = "Rome")",
                                                  R"(check = "Rome")",
                                                  R"(check_second = { "Roma" = "Quasiment" })",
                                              }));
    EXPECT_EQ(quiz.errors,
              (std::vector<std::string>{
                  R"(quiz.toml:7: question 1, check: "paris": "bravo" is not a verdict word (did you mean "BRAVO"?))",
                  R"(quiz.toml:8: question 1, check: "pari": "Quasi" is not a verdict word; the player gives "BRAVO", )"
                  R"("FAUX", "?", "Anagramme", "Quasiment", "Presque", "Trop court", "Trop long", "Pas loin", )"
                  R"("y a de l'idée")",
                  R"(quiz.toml:9: question 1, check: "北京" cannot be typed into an answer field: the character U+5317 )"
                  R"("北" has no Windows-1252 byte)",
                  "quiz.toml:10: question 1, check: \"" + std::string(81, 'x') +
                      "\" 81 characters, but an answer field takes at most 80",
                  R"(quiz.toml:11: question 1, check: "deux\nlignes" cannot be typed into an answer field: it is one )"
                  "line, without NUL",
                  R"(quiz.toml:12: question 1, check: "nombre": expected a verdict word, found an integer)",
                  R"(quiz.toml:13: question 1, check: "y": "y a de l’idée" is not a verdict word (did you mean "y a de l'idée"?))",
                  R"(quiz.toml:17: question 2, check: expected a table { "typed answer" = "verdict" }, found a string)",
                  R"(quiz.toml:18: question 2, check_second: only a quiz with answers = 2 has a second field to test)",
              }));
}

TEST(PackCheckVerdicts, ExpectedAnswersThatNearlyMatchEachOtherAreWarnedAboutWithoutFailing) {
    const Checked quiz = checked(textHeader + lines({
                                                  "[[question]]",       // 3
                                                  R"(prompt = "a")",    // 4
                                                  R"(answer = "Paris")",  // 5
                                                  "[[question]]",       // 6
                                                  R"(prompt = "b")",    // 7
                                                  R"(answer = "Pariss")",  // 8
                                                  "[[question]]",       // 9
                                                  R"(prompt = "c")",    // 10
                                                  R"(answer = "Oui")",  // 11
                                                  "[[question]]",       // 12
                                                  R"(prompt = "d")",    // 13
                                                  R"(answer = "Ouis")",  // 14
                                                  "[[question]]",       // 15
                                                  R"(prompt = "e")",    // 16
                                                  R"(answer = "Prais")",  // 17: an anagram of Paris, not nearly it
                                                  "[[question]]",       // 18
                                                  R"(prompt = "f")",    // 19
                                                  R"(answer = "Pars")",  // 20: one edit from Paris, two from Pariss and Prais
                                                  R"(check = { "Pars" = "BRAVO" })",
                                              }));
    ASSERT_EQ(quiz.errors, std::vector<std::string>{});
    const VerdictReport report = runVerdictTests(quiz.source, quiz.encoded);
    EXPECT_EQ(formatted(report.warnings),
              (std::vector<std::string>{
                  R"(quiz.toml:8: question 2, answer: warning: close to question 1's answer "Paris" (line 5): )"
                  R"("Pariss" typed there reads "Quasiment", and "Paris" typed here reads "Quasiment")",
                  // A text of three letters gets no hint, so only one way round reads nearly right.
                  R"(quiz.toml:14: question 4, answer: warning: close to question 3's answer "Oui" (line 11): )"
                  R"("Oui" typed here reads "Quasiment")",
                  R"(quiz.toml:20: question 6, answer: warning: close to question 1's answer "Paris" (line 5): )"
                  R"("Pars" typed there reads "Quasiment", and "Paris" typed here reads "Quasiment")",
                  R"(quiz.toml:20: question 6, answer: warning: close to question 2's answer "Pariss" (line 8): )"
                  R"("Pars" typed there reads "Presque", and "Pariss" typed here reads "Presque")",
                  R"(quiz.toml:20: question 6, answer: warning: close to question 5's answer "Prais" (line 17): )"
                  R"("Pars" typed there reads "Presque", and "Prais" typed here reads "Presque")",
              }));
    std::ostringstream errors;
    EXPECT_TRUE(reportVerdictTests(quiz.source, quiz.encoded, errors)) << "warnings never fail";
}

class PackCheckVerdictsTwoFields : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("vyrla-check-verdicts-" + std::to_string(std::random_device()()));
        fs::create_directories(dir_);
        std::ofstream(dir_ / "a.wav", std::ios::binary) << "RIFF....WAVE";
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    fs::path dir_;
};

TEST_F(PackCheckVerdictsTwoFields, CheckSecondTestsTheSecondFieldAndAHiddenFieldIsLeftAlone) {
    const std::string header = lines({R"(kind = "sound")", R"(title = "Notes")", "answers = 2"});
    const Checked quiz = checked(header + lines({
                                              "[[question]]",                                   // 4
                                              R"(answer = "Do")",                                // 5
                                              R"(second = "Ut")",                                // 6
                                              R"(clip = "a.wav")",                               // 7
                                              R"(check = { "do" = "BRAVO", "ut" = "FAUX" })",    // 8
                                              R"(check_second = { "UT" = "BRAVO", "Do" = "BRAVO" })",  // 9
                                              "[[question]]",                                   // 10
                                              R"(answer = "Mi")",                                // 11
                                              R"(second = "-")",                                 // 12
                                              R"(clip = "a.wav")",                               // 13
                                          }),
                                 dir_);
    ASSERT_EQ(quiz.errors, std::vector<std::string>{});
    const VerdictReport report = runVerdictTests(quiz.source, quiz.encoded);
    EXPECT_EQ(report.run, 4u);
    EXPECT_EQ(formatted(report.failures),
              std::vector<std::string>{R"(quiz.toml:9: question 1, check_second: "Do" expected "BRAVO", got "FAUX")"});

    const Checked hidden = checked(header + lines({
                                                "[[question]]",
                                                R"(answer = "Mi")",
                                                R"(second = "-")",
                                                R"(clip = "a.wav")",
                                                R"(check_second = { "-" = "BRAVO" })",
                                            }),
                                   dir_);
    EXPECT_EQ(hidden.errors, std::vector<std::string>{"quiz.toml:8: question 1, check_second: the second field of "
                                                      "this question is hidden (second = \"-\"): nobody types into it"});
}

}  // namespace
