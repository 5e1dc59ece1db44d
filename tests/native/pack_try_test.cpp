// The verdicts an author previews are the player's: `vyrla-pack try` line by
// line, and the verdict tests of the quiz source that `check` runs, with the
// rules on the tests themselves and the warning about expected answers that
// read as nearly each other.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "pack/results/try_verdicts.h"
#include "pack/results/verdict_tests.h"
#include "pack/source/quiz_source.h"
#include "pack/stored/quiz_encode.h"

namespace {

using Texts = std::vector<std::string>;

// A quiz source checked and stored as `check` does it; clips are read from the test data.
struct Checked {
    QuizSource source;
    Texts errors;
    EncodedQuiz encoded{};
};

Checked checked(const std::string& questions, const std::string& header = "kind = \"text\"\ntitle = \"T\"\n") {
    Checked result;
    QuizContent content;
    Diagnostics diagnostics;
    EXPECT_TRUE(parseQuizSource(header + questions, "quiz.toml", VYRLA_TEST_DATA, &result.source, &diagnostics));
    buildQuizContent(result.source, &content, &diagnostics);
    result.errors = diagnostics.formatted();
    if (result.errors.empty()) result.encoded = encodeQuiz(content, nullptr);
    return result;
}

Texts formatted(const std::vector<Diagnostic>& list) {
    Diagnostics diagnostics{"quiz.toml", list};
    return diagnostics.formatted();
}

std::string tried(const Checked& quiz, const std::string& lines, std::string* errors = nullptr) {
    std::istringstream in(lines);
    std::ostringstream out, err;
    EXPECT_EQ(tryVerdicts(quiz.encoded, in, out, err), err.str().empty());
    if (errors) *errors = err.str();
    return out.str();
}

TEST(PackTry, PrintsThePlayersVerdictForEachLine) {
    const Checked quiz = checked("[[question]]\nprompt = \"p\"\nanswer = \"Méditerranée\"\n"
                                 "[[question]]\nprompt = \"q\"\nanswer = \"Tour Eiffel\"\n");
    EXPECT_EQ(tried(quiz, "1\tmediterranee\n1\tMéditerranée \r\n2\tla tour eiffel\n\n2\ttour\n"),
              "1\tmediterranee\tPresque\n1\tMéditerranée \tBRAVO\n2\tla tour eiffel\tTrop long\n2\ttour\tFAUX\n");
    // Typed text is cut to the field's 80 characters.
    EXPECT_EQ(tried(quiz, "1\t" + std::string(79, ' ') + "Méditerranée\n"), "1\t" + std::string(79, ' ') + "M\tFAUX\n");
    // Lines it cannot read are reported, and it goes on; a text quiz has no second field.
    std::string errors;
    EXPECT_EQ(tried(quiz, "Paris\n3\tParis\n1.2\tParis\n1\tMediterranee\n", &errors), "1\tMediterranee\tPresque\n");
    for (const char* line : {"line 1:", "line 2:", "line 3:"}) EXPECT_NE(errors.find(line), std::string::npos) << errors;
}

TEST(PackCheckVerdicts, EachMismatchIsReportedWithItsLineTypedExpectedAndActual) {
    const Checked quiz = checked("[[question]]\nprompt = \"France\"\nanswer = \"Paris\"\n"                         // 3-5
                                 "check = { \"Lyon\" = \"Presque\", \"pari\" = \"Quasiment\", \"paris \" = \"BRAVO\" }\n"  // 6
                                 "[[question]]\nprompt = \"Fleuve\"\nanswer = \"Méditerranée\"\n[question.check]\n"       // 7-10
                                 "\"mediterranee\" = \"BRAVO\"\n\"Méditerranée\" = \"BRAVO\"\n"                          // 11-12
                                 "\"la méditerranée\" = \"y a de l'idée\"\n"                                             // 13
                                 "[[question]]\nprompt = \"p\"\nanswer = \"Cœur\"\n"                                     // 14-16
                                 // "œ" is one Windows-1252 byte; surrounding spaces go, tabs stay.
                                 "check = { \"  cœur  \" = \"BRAVO\", \"coeur\" = \"Presque\", \"\" = \"?\", \"\\tcœur\" = \"Quasiment\" }\n");
    ASSERT_EQ(quiz.errors, Texts{});
    const VerdictReport report = runVerdictTests(quiz.source, quiz.encoded);
    EXPECT_EQ(report.run, 10u);
    EXPECT_EQ(formatted(report.failures),
              (Texts{R"(quiz.toml:6: question 1, check: "Lyon" expected "Presque", got "FAUX")",
                     R"(quiz.toml:11: question 2, check: "mediterranee" expected "BRAVO", got "Presque")",
                     R"(quiz.toml:13: question 2, check: "la méditerranée" expected "y a de l'idée", got "Trop long")"}));
    std::ostringstream errors;
    EXPECT_FALSE(reportVerdictTests(quiz.source, quiz.encoded, errors));
    EXPECT_NE(errors.str().find("quiz.toml: verdict tests: 7 of 10 passed\n"), std::string::npos) << errors.str();
}

TEST(PackCheckVerdicts, TestsThatCannotHappenAreErrorsOfTheSource) {
    const Checked quiz = checked("[[question]]\nprompt = \"p\"\nanswer = \"Paris\"\n[question.check]\n"       // 3-6
                                 "\"paris\" = \"bravo\"\n\"pari\" = \"Quasi\"\n\"北京\" = \"FAUX\"\n"       // 7-9
                                 "\"deux\\nlignes\" = \"FAUX\"\n\"nombre\" = 3\n"                           // 10-11
                                 "[[question]]\nprompt = \"q\"\nanswer = \"Rome\"\ncheck = \"Rome\"\n"      // 12-15
                                 "check_second = { \"Roma\" = \"Quasiment\" }\n");                          // 16
    EXPECT_EQ(quiz.errors,
              (Texts{R"(quiz.toml:7: question 1, check: "paris": "bravo" is not a verdict word (did you mean "BRAVO"?))",
                     R"(quiz.toml:8: question 1, check: "pari": "Quasi" is not a verdict word; the player gives "BRAVO", )"
                     R"("FAUX", "?", "Anagramme", "Quasiment", "Presque", "Trop court", "Trop long", "Pas loin", "y a de l'idée")",
                     R"(quiz.toml:9: question 1, check: "北京" cannot be typed into an answer field: the character U+5317 )"
                     R"("北" has no Windows-1252 byte)",
                     R"(quiz.toml:10: question 1, check: "deux\nlignes" cannot be typed into an answer field: it is one line, without NUL)",
                     R"(quiz.toml:11: question 1, check: "nombre": expected a verdict word, found an integer)",
                     R"(quiz.toml:15: question 2, check: expected a table { "typed answer" = "verdict" }, found a string)",
                     R"(quiz.toml:16: question 2, check_second: only a quiz with answers = 2 has a second field to test)"}));
}

TEST(PackCheckVerdicts, ExpectedAnswersThatNearlyMatchEachOtherAreWarnedAboutWithoutFailing) {
    // Answers on lines 5, 8, 11 and 14; "Prais" is an anagram of "Paris", not nearly it.
    std::string questions;
    for (const char* answer : {"Paris", "Pariss", "Oui", "Ouis", "Prais"}) {
        questions += "[[question]]\nprompt = \"p\"\nanswer = \"" + std::string(answer) + "\"\n";
    }
    const Checked quiz = checked(questions + "check = { \"Prais\" = \"BRAVO\" }\n");
    EXPECT_EQ(formatted(runVerdictTests(quiz.source, quiz.encoded).warnings),
              (Texts{R"(quiz.toml:8: question 2, answer: warning: close to question 1's answer "Paris" (line 5): )"
                     R"("Pariss" typed there reads "Quasiment", and "Paris" typed here reads "Quasiment")",
                     // A text of three letters gets no hint, so only one way round reads nearly right.
                     R"(quiz.toml:14: question 4, answer: warning: close to question 3's answer "Oui" (line 11): )"
                     R"("Oui" typed here reads "Quasiment")"}));
    std::ostringstream errors;
    EXPECT_TRUE(reportVerdictTests(quiz.source, quiz.encoded, errors)) << "warnings never fail";
    EXPECT_NE(errors.str().find("quiz.toml: verdict tests: 1 of 1 passed\n"), std::string::npos) << errors.str();
}

TEST(PackCheckVerdicts, CheckSecondTestsTheSecondFieldButNotAHiddenOne) {
    const std::string header = "kind = \"sound\"\ntitle = \"Notes\"\nanswers = 2\n";
    const std::string clip = "clip = \"sound_quiz/clips/1.wav\"\n";
    const Checked quiz = checked("[[question]]\nanswer = \"Do\"\nsecond = \"Ut\"\n" + clip +              // 4-7
                                     "check = { \"do\" = \"BRAVO\", \"ut\" = \"FAUX\" }\n"                  // 8
                                     "check_second = { \"UT\" = \"BRAVO\", \"Do\" = \"BRAVO\" }\n"          // 9
                                     "[[question]]\nanswer = \"Mi\"\nsecond = \"-\"\n" + clip,
                                 header);
    ASSERT_EQ(quiz.errors, Texts{});
    const VerdictReport report = runVerdictTests(quiz.source, quiz.encoded);
    EXPECT_EQ(report.run, 4u);
    EXPECT_EQ(formatted(report.failures), Texts{R"(quiz.toml:9: question 1, check_second: "Do" expected "BRAVO", got "FAUX")"});
    const Checked hidden = checked("[[question]]\nanswer = \"Mi\"\nsecond = \"-\"\n" + clip + "check_second = { \"-\" = \"BRAVO\" }\n", header);
    EXPECT_EQ(hidden.errors, Texts{"quiz.toml:8: question 1, check_second: the second field of this question is hidden "
                                   "(second = \"-\"): nobody types into it"});
}

}  // namespace
