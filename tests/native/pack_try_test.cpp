// The player's verdicts as the packer gives them: the verdict tests `check` runs,
// their own rules, the warning about expected answers that read as nearly each
// other; and `collect`, each answers file read and judged as the player would.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "pack/results/collect.h"
#include "pack/results/results_csv.h"
#include "pack/results/verdict_tests.h"
#include "pack/source/quiz_source.h"
#include "pack/stored/load_as_player.h"
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
                                 "\"paris\" = \"bravo\"\n\"北京\" = \"FAUX\"\n\"deux\\nlignes\" = \"FAUX\"\n\"nombre\" = 3\n"  // 7-10
                                 "[[question]]\nprompt = \"q\"\nanswer = \"Rome\"\ncheck = \"Rome\"\n"      // 11-14
                                 "check_second = { \"Roma\" = \"Quasiment\" }\n");                          // 15
    EXPECT_EQ(quiz.errors,
              (Texts{R"(quiz.toml:7: question 1, check: "paris": "bravo" is not a verdict word (did you mean "BRAVO"?))",
                     R"(quiz.toml:8: question 1, check: "北京" cannot be typed into an answer field: the character U+5317 )"
                     R"("北" has no Windows-1252 byte)",
                     R"(quiz.toml:9: question 1, check: "deux\nlignes" cannot be typed into an answer field: it is one line, without NUL)",
                     R"(quiz.toml:10: question 1, check: "nombre": expected a verdict word, found an integer)",
                     R"(quiz.toml:14: question 2, check: expected a table { "typed answer" = "verdict" }, found a string)",
                     R"(quiz.toml:15: question 2, check_second: only a quiz with answers = 2 has a second field to test)"}));
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

std::vector<uint8_t> bytesOf(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

// The file the player saves: every field's text followed by CR LF.
std::vector<uint8_t> saved(const Texts& fields) {
    std::string file;
    for (const std::string& field : fields) file += field + "\r\n";
    return bytesOf(file);
}

LoadedQuiz loaded(const std::string& questions, const std::string& header) {
    LoadOutcome outcome;
    LoadedQuiz quiz = loadAsPlayer(storedContents(checked(questions, header).encoded), &outcome);
    EXPECT_EQ(outcome, LoadOutcome::loaded);
    return quiz;
}

struct Case {
    std::vector<uint8_t> file;
    Texts typed;  // empty: not compared
    Texts verdicts;
    int score;
    std::string code;
    Texts notes;
};

void expectJudged(const QuizState& quiz, const Case& c) {
    const FileVerdicts row = judgeAnswersFile(quiz, c.file);
    EXPECT_TRUE(row.read);
    if (!c.typed.empty()) EXPECT_EQ(row.typed, c.typed);
    EXPECT_EQ(row.verdicts, c.verdicts);
    EXPECT_EQ(row.score, c.score);
    EXPECT_EQ(row.code, c.code);
    EXPECT_EQ(answersFileNotes(quiz, c.file), c.notes);
}

TEST(PackCollect, EachFileIsJudgedAsThePlayerWouldAndWhatItDidNotWriteIsNoted) {
    // Three text questions, a code for each number of questions solved.
    const LoadedQuiz quiz = loaded("[[question]]\nprompt = \"France\"\nanswer = \"Paris\"\n[[question]]\nprompt = \"Italie\"\n"
                                   "answer = \"Rome\"\n[[question]]\nprompt = \"Autriche\"\nanswer = \"Vienne\"\n",
                                   "kind = \"text\"\ntitle = \"Capitales\"\ncodes = [\"UN\", \"DEUX\", \"TROIS\"]\n");
    const Case cases[] = {
        // Paris, nothing and Rome: the fifteen bytes of the player's own example.
        {saved({"Paris", "", "Rome"}), {"Paris", "", "Rome"}, {"BRAVO", "?", "FAUX"}, 1, "UN", {}},
        {bytesOf("Paris\nRome\nVienne\n"), {"Paris\nRome\nVienne\n", "", ""}, {"Pas loin", "?", "?"}, 0, "",
         {"lines end with LF alone: the player reads them as one line, into the first field"}},
        {saved({"Paris", "Rome", "Vienne", "Berlin", "Madrid"}), {}, {"BRAVO", "BRAVO", "BRAVO"}, 3, "TROIS",
         {"5 lines for 3 answer fields: the player ignores the last 2"}},
        {bytesOf("Paris\r\n" + std::string(100, 'R') + "\r\nVie\rnne\r\nlast"), {"Paris", std::string(80, 'R'), "Vie"},
         {"BRAVO", "FAUX", "FAUX"}, 1, "UN",
         {"line 3 has a CR inside: the player drops what follows it", "line 2 has 100 characters: the player keeps the first 80",
          "the last line has no line end: the file may be cut short", "4 lines for 3 answer fields: the player ignores the last 1"}},
        {{}, {}, {"?", "?", "?"}, 0, "", {"empty file: the player restores no answer"}},
        // A zero byte ends the field's text, as in the player's field.
        {bytesOf(std::string("Par\0is\r\n", 8)), {"Par", "", ""}, {"Presque", "?", "?"}, 0, "",
         {"not text: a control byte at offset 3", "1 lines for 3 answer fields: the file may be cut short or belong to another quiz"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file.begin(), c.file.end()));
        expectJudged(*quiz, c);
    }
}

// Two answer fields per question: verdict tests of the second field, none of
// a hidden one, and the answers files of such a quiz.
TEST(PackCollect, TwoFieldsPerQuestionAndAHiddenField) {
    const std::string header = "kind = \"sound\"\ntitle = \"Notes\"\nanswers = 2\ncodes = [\"A\", \"B\"]\n";
    const std::string clip = "clip = \"sound_quiz/clips/1.wav\"\n";
    const Checked checks = checked("[[question]]\nanswer = \"Do\"\nsecond = \"Ut\"\n" + clip +                // 5-8
                                       "check = { \"do\" = \"BRAVO\", \"ut\" = \"FAUX\" }\n"                    // 9
                                       "check_second = { \"UT\" = \"BRAVO\", \"Do\" = \"BRAVO\" }\n"            // 10
                                       "[[question]]\nanswer = \"Mi\"\nsecond = \"-\"\n" + clip,
                                   header);
    const VerdictReport report = runVerdictTests(checks.source, checks.encoded);
    EXPECT_EQ(report.run, 4u);
    EXPECT_EQ(formatted(report.failures), Texts{R"(quiz.toml:10: question 1, check_second: "Do" expected "BRAVO", got "FAUX")"});
    EXPECT_EQ(checked("[[question]]\nanswer = \"Mi\"\nsecond = \"-\"\n" + clip + "check_second = { \"-\" = \"BRAVO\" }\n",
                      header.substr(0, header.find("codes"))).errors,
              Texts{"quiz.toml:8: question 1, check_second: the second field of this question is hidden (second = \"-\"): nobody types into it"});

    // Question 1 field 1, question 1 field 2, question 2 field 1, question 2
    // field 2. One field right is not the question solved; a hidden field
    // holds "-" whatever the file says.
    LoadOutcome outcome;
    const LoadedQuiz quiz = loadAsPlayer(storedContents(checks.encoded), &outcome);
    expectJudged(*quiz, {saved({"do", "UT", "mi", "-"}), {}, {"BRAVO", "BRAVO", "BRAVO", "BRAVO"}, 2, "B", {}});
    expectJudged(*quiz, {saved({"do", "re", "mi", "x"}), {"do", "re", "mi", "-"}, {"BRAVO", "FAUX", "BRAVO", "BRAVO"}, 1, "A",
                         {"line 4 holds \"x\" where the player writes \"-\" (a hidden field): the file may belong to another quiz"}});
    FileVerdicts row = judgeAnswersFile(*quiz, saved({"do", "UT", "mi", "-"}));
    row.name = "a, \"b\".txt";
    EXPECT_EQ(resultsCsv(*quiz, {row}, CollectOptions{';', true}),
              "\xEF\xBB\xBF" "file;score/2;q1.1 typed;q1.1;q1.2 typed;q1.2;q2.1 typed;q2.1;q2.2 typed;q2.2;code;note\r\n"
              "\"a, \"\"b\"\".txt\";2;do;BRAVO;UT;BRAVO;mi;BRAVO;-;BRAVO;B;\r\n");
}
}  // namespace
