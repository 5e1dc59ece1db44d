// Collecting a class's answers: each file read with the player's own progress
// reader and judged as the player would, the notes on files the player did
// not write, and the results table. (tests/e2e/pack_commands.sh runs the
// command on files and folders.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pack/results/collect.h"
#include "pack/results/results_csv.h"
#include "pack/source/quiz_source.h"
#include "pack/stored/load_as_player.h"
#include "pack/stored/quiz_encode.h"

namespace {

using Texts = std::vector<std::string>;

std::vector<uint8_t> bytesOf(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

// The file the player saves: every field's text followed by CR LF.
std::vector<uint8_t> saved(const Texts& fields) {
    std::string file;
    for (const std::string& field : fields) file += field + "\r\n";
    return bytesOf(file);
}

LoadedQuiz loaded(const std::string& toml) {
    QuizSource source;
    QuizContent content;
    Diagnostics diagnostics;
    EXPECT_TRUE(parseQuizSource(toml, "quiz.toml", VYRLA_TEST_DATA, &source, &diagnostics));
    EXPECT_TRUE(buildQuizContent(source, &content, &diagnostics)) << diagnostics.formatted()[0];
    LoadOutcome outcome;
    LoadedQuiz quiz = loadAsPlayer(storedContents(encodeQuiz(content, nullptr)), &outcome);
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
    const LoadedQuiz quiz = loaded("kind = \"text\"\ntitle = \"Capitales\"\ncodes = [\"UN\", \"DEUX\", \"TROIS\"]\n"
                                   "[[question]]\nprompt = \"France\"\nanswer = \"Paris\"\n[[question]]\nprompt = \"Italie\"\n"
                                   "answer = \"Rome\"\n[[question]]\nprompt = \"Autriche\"\nanswer = \"Vienne\"\n");
    const Case cases[] = {
        // Paris, nothing and Rome: the fifteen bytes of the player's own example.
        {saved({"Paris", "", "Rome"}), {"Paris", "", "Rome"}, {"BRAVO", "?", "FAUX"}, 1, "UN", {}},
        // Windows-1252 text, trimmed and folded by the judge, and hints.
        {saved({"  paris ", "Rom", "vienn\xE9"}), {"  paris ", "Rom", "vienn\xC3\xA9"}, {"BRAVO", "Quasiment", "Quasiment"}, 1, "UN", {}},
        // Solving the first and the last question shows the second code.
        {saved({"Paris", "Roma", "VIENNE"}), {}, {"BRAVO", "Quasiment", "BRAVO"}, 2, "DEUX", {}},
        {saved({"x", "", ""}), {}, {"FAUX", "?", "?"}, 0, "", {}},
        {bytesOf("Paris\nRome\nVienne\n"), {"Paris\nRome\nVienne\n", "", ""}, {"Pas loin", "?", "?"}, 0, "",
         {"lines end with LF alone: the player reads them as one line, into the first field"}},
        {saved({"Paris", "Rome", "Vienne", "Berlin", "Madrid"}), {}, {"BRAVO", "BRAVO", "BRAVO"}, 3, "TROIS",
         {"5 lines for 3 answer fields: the player ignores the last 2"}},
        {bytesOf("Paris\r\n" + std::string(100, 'R') + "\r\nVie\rnne\r\nlast"), {"Paris", std::string(80, 'R'), "Vie"},
         {"BRAVO", "FAUX", "FAUX"}, 1, "UN",
         {"line 3 has a CR inside: the player drops what follows it", "line 2 has 100 characters: the player keeps the first 80",
          "the last line has no line end: the file may be cut short", "4 lines for 3 answer fields: the player ignores the last 1"}},
        {{}, {}, {"?", "?", "?"}, 0, "", {"empty file: the player restores no answer"}},
        // A picture: the player would still put its bytes into the fields; 0x89 is the per mille sign.
        {{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13}, {"\xE2\x80\xB0PNG", "\x1A\n", ""}, {"FAUX", "FAUX", "?"}, 0, "",
         {"not text: a control byte at offset 6", "line 2 ends with LF alone: the player reads on into the next line",
          "the last line has no line end: the file may be cut short"}},
        {saved({"Paris", "Rome", "Vi\xC3\xA9nne"}), {}, {"BRAVO", "BRAVO", "Presque"}, 2, "DEUX",
         {"written in UTF-8, but the player reads Windows-1252: accented answers read wrong"}},
        // A zero byte ends the field's text, as in the player's field.
        {bytesOf(std::string("Par\0is\r\n", 8)), {"Par", "", ""}, {"Presque", "?", "?"}, 0, "",
         {"not text: a control byte at offset 3", "1 lines for 3 answer fields: the file may be cut short or belong to another quiz"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file.begin(), c.file.end()));
        expectJudged(*quiz, c);
    }
}

TEST(PackCollect, TwoFieldsPerQuestionAndAHiddenField) {
    const LoadedQuiz quiz = loaded("kind = \"sound\"\ntitle = \"Notes\"\nanswers = 2\ncodes = [\"A\", \"B\"]\n"
                                   "[[question]]\nanswer = \"Do\"\nsecond = \"Ut\"\nclip = \"sound_quiz/clips/1.wav\"\n"
                                   "[[question]]\nanswer = \"Mi\"\nsecond = \"-\"\nclip = \"sound_quiz/clips/1.wav\"\n");
    // Question 1 field 1, question 1 field 2, question 2 field 1, question 2
    // field 2. One field right is not the question solved; a hidden field
    // holds "-" whatever the file says.
    expectJudged(*quiz, {saved({"do", "UT", "mi", "-"}), {}, {"BRAVO", "BRAVO", "BRAVO", "BRAVO"}, 2, "B", {}});
    expectJudged(*quiz, {saved({"do", "re", "mi", "x"}), {"do", "re", "mi", "-"}, {"BRAVO", "FAUX", "BRAVO", "BRAVO"}, 1, "A",
                         {"line 4 holds \"x\" where the player writes \"-\" (a hidden field): the file may belong to another quiz"}});
    FileVerdicts row = judgeAnswersFile(*quiz, saved({"do", "UT", "mi", "-"}));
    row.name = "a, \"b\".txt";
    EXPECT_EQ(resultsCsv(*quiz, {row}, CollectOptions{}),
              "\xEF\xBB\xBF" "file,score/2,q1.1,q1.2,q2.1,q2.2,code,note\r\n\"a, \"\"b\"\".txt\",2,BRAVO,BRAVO,BRAVO,BRAVO,B,\r\n");
    EXPECT_EQ(resultsCsv(*quiz, {row}, CollectOptions{';', true}),
              "\xEF\xBB\xBF" "file;score/2;q1.1 typed;q1.1;q1.2 typed;q1.2;q2.1 typed;q2.1;q2.2 typed;q2.2;code;note\r\n"
              "\"a, \"\"b\"\".txt\";2;do;BRAVO;UT;BRAVO;mi;BRAVO;-;BRAVO;B;\r\n");
}

}  // namespace
