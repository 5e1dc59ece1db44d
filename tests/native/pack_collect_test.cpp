// Collecting a class's answers: each file read with the player's own
// progress reader and judged as the player would, the notes on files the
// player did not write, and the results file.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "pack/commands/commands.h"
#include "pack/exe/quiz_image.h"
#include "pack/results/collect.h"
#include "pack/results/results_csv.h"
#include "pack/source/quiz_source.h"
#include "pack/stored/load_as_player.h"
#include "pack/stored/quiz_encode.h"
#include "tests/support/pe_samples.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> bytesOf(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

// The file the player saves: every field's text followed by CR LF.
std::vector<uint8_t> savedByThePlayer(const std::vector<std::string>& fields) {
    std::string file;
    for (const std::string& field : fields) {
        file += field + "\r\n";
    }
    return bytesOf(file);
}

LoadedQuiz loaded(const std::string& toml, const fs::path& directory = ".") {
    QuizSource source;
    QuizContent content;
    Diagnostics diagnostics;
    EXPECT_TRUE(parseQuizSource(toml, "quiz.toml", directory, &source, &diagnostics));
    EXPECT_TRUE(buildQuizContent(source, &content, &diagnostics)) << diagnostics.formatted()[0];
    LoadOutcome outcome;
    LoadedQuiz quiz = loadAsPlayer(storedContents(encodeQuiz(content, nullptr)), &outcome);
    EXPECT_EQ(outcome, LoadOutcome::loaded);
    return quiz;
}

// Three text questions, a code for each number of questions solved.
const std::string capitals = "kind = \"text\"\ntitle = \"Capitales\"\ncodes = [\"UN\", \"DEUX\", \"TROIS\"]\n"
                             "[[question]]\nprompt = \"France\"\nanswer = \"Paris\"\n"
                             "[[question]]\nprompt = \"Italie\"\nanswer = \"Rome\"\n"
                             "[[question]]\nprompt = \"Autriche\"\nanswer = \"Vienne\"\n";

using Texts = std::vector<std::string>;

TEST(PackCollect, AFileAsThePlayerWritesItIsJudgedAsThePlayerJudgesIt) {
    const LoadedQuiz quiz = loaded(capitals);
    // Paris, nothing and Rome: the fifteen bytes of the player's own example.
    const std::vector<uint8_t> file = savedByThePlayer({"Paris", "", "Rome"});
    ASSERT_EQ(file.size(), 15u);
    const FileVerdicts row = judgeAnswersFile(*quiz, file);
    EXPECT_TRUE(row.read);
    EXPECT_EQ(row.typed, (Texts{"Paris", "", "Rome"}));
    EXPECT_EQ(row.verdicts, (Texts{"BRAVO", "?", "FAUX"}));
    EXPECT_EQ(row.score, 1);
    EXPECT_EQ(row.code, "UN");
    EXPECT_EQ(answersFileNotes(*quiz, file), Texts{});

    // Windows-1252 text, trimmed and folded by the judge, and hints.
    const FileVerdicts hints = judgeAnswersFile(*quiz, savedByThePlayer({"  paris ", "Rom", "vienn\xE9"}));
    EXPECT_EQ(hints.verdicts, (Texts{"BRAVO", "Quasiment", "Quasiment"}));
    EXPECT_EQ(hints.typed[2], "vienn\xC3\xA9");
    EXPECT_EQ(hints.score, 1);

    // Solving the first and the last question shows the second code.
    const FileVerdicts two = judgeAnswersFile(*quiz, savedByThePlayer({"Paris", "Roma", "VIENNE"}));
    EXPECT_EQ(two.score, 2);
    EXPECT_EQ(two.code, "DEUX");
    EXPECT_EQ(judgeAnswersFile(*quiz, savedByThePlayer({"x", "", ""})).code, "") << "no code before a question is solved";
}

TEST(PackCollect, LfLineEndsAreReadAsOneLineLikeThePlayerReadsThem) {
    const LoadedQuiz quiz = loaded(capitals);
    const std::vector<uint8_t> file = bytesOf("Paris\nRome\nVienne\n");
    const FileVerdicts row = judgeAnswersFile(*quiz, file);
    EXPECT_EQ(row.typed, (Texts{"Paris\nRome\nVienne\n", "", ""}));
    EXPECT_EQ(row.verdicts, (Texts{"Pas loin", "?", "?"}));
    EXPECT_EQ(row.score, 0);
    EXPECT_EQ(answersFileNotes(*quiz, file),
              Texts{"lines end with LF alone: the player reads them as one line, into the first field"});
}

TEST(PackCollect, MoreLinesThanFieldsAndCutLines) {
    const LoadedQuiz quiz = loaded(capitals);
    const std::vector<uint8_t> more = savedByThePlayer({"Paris", "Rome", "Vienne", "Berlin", "Madrid"});
    const FileVerdicts row = judgeAnswersFile(*quiz, more);
    EXPECT_EQ(row.verdicts, (Texts{"BRAVO", "BRAVO", "BRAVO"}));
    EXPECT_EQ(row.code, "TROIS");
    EXPECT_EQ(answersFileNotes(*quiz, more), Texts{"5 lines for 3 answer fields: the player ignores the last 2"});

    const std::vector<uint8_t> cut = bytesOf("Paris\r\n" + std::string(100, 'R') + "\r\nVie\rnne\r\nlast");
    const FileVerdicts cutRow = judgeAnswersFile(*quiz, cut);
    EXPECT_EQ(cutRow.typed, (Texts{"Paris", std::string(80, 'R'), "Vie"}));
    EXPECT_EQ(answersFileNotes(*quiz, cut),
              (Texts{"line 3 has a CR inside: the player drops what follows it",
                     "line 2 has 100 characters: the player keeps the first 80",
                     "the last line has no line end: the file may be cut short",
                     "4 lines for 3 answer fields: the player ignores the last 1"}));
}

TEST(PackCollect, EmptyForeignAndUtf8Files) {
    const LoadedQuiz quiz = loaded(capitals);
    const FileVerdicts empty = judgeAnswersFile(*quiz, {});
    EXPECT_EQ(empty.verdicts, (Texts{"?", "?", "?"}));
    EXPECT_EQ(empty.score, 0);
    EXPECT_EQ(answersFileNotes(*quiz, {}), Texts{"empty file: the player restores no answer"});

    // A picture: the player would still put its bytes into the fields.
    // A picture: the player would still put its bytes into the fields.
    const std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13};
    const FileVerdicts foreign = judgeAnswersFile(*quiz, png);
    EXPECT_EQ(foreign.typed, (Texts{"\xE2\x80\xB0PNG", "\x1A\n", ""})) << "0x89 is the per mille sign";
    EXPECT_EQ(answersFileNotes(*quiz, png),
              (Texts{"not text: a control byte at offset 6",
                     "line 2 ends with LF alone: the player reads on into the next line",
                     "the last line has no line end: the file may be cut short"}));

    const std::vector<uint8_t> utf8 = savedByThePlayer({"Paris", "Rome", "Vi\xC3\xA9nne"});
    EXPECT_EQ(judgeAnswersFile(*quiz, utf8).verdicts[2], "Presque");
    EXPECT_EQ(answersFileNotes(*quiz, utf8),
              Texts{"written in UTF-8, but the player reads Windows-1252: accented answers read wrong"});

    // A zero byte ends the field's text, as in the player's field.
    EXPECT_EQ(judgeAnswersFile(*quiz, bytesOf(std::string("Par\0is\r\n", 8))).typed[0], "Par");
}

class PackCollectFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("vyrla-collect-" + std::to_string(std::random_device()()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    void write(const std::string& name, const std::vector<uint8_t>& bytes) {
        const fs::path path = dir_ / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                     static_cast<std::streamsize>(bytes.size()));
    }
    std::string read(const std::string& name) {
        std::ifstream in(dir_ / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::string path(const std::string& name) { return (dir_ / name).u8string(); }

    fs::path dir_;
};

TEST_F(PackCollectFiles, TwoFieldsPerQuestionAndAHiddenField) {
    write("a.wav", bytesOf("RIFF....WAVE"));
    const LoadedQuiz quiz = loaded("kind = \"sound\"\ntitle = \"Notes\"\nanswers = 2\ncodes = [\"A\", \"B\"]\n"
                                   "[[question]]\nanswer = \"Do\"\nsecond = \"Ut\"\nclip = \"a.wav\"\n"
                                   "[[question]]\nanswer = \"Mi\"\nsecond = \"-\"\nclip = \"a.wav\"\n",
                                   dir_);
    // Question 1 field 1, question 1 field 2, question 2 field 1, question 2 field 2.
    const std::vector<uint8_t> file = savedByThePlayer({"do", "UT", "mi", "-"});
    const FileVerdicts row = judgeAnswersFile(*quiz, file);
    EXPECT_EQ(row.verdicts, (Texts{"BRAVO", "BRAVO", "BRAVO", "BRAVO"}));
    EXPECT_EQ(row.score, 2);
    EXPECT_EQ(row.code, "B");
    EXPECT_EQ(answersFileNotes(*quiz, file), Texts{});

    // One field right is not the question solved; a hidden field holds "-"
    // whatever the file says.
    const std::vector<uint8_t> other = savedByThePlayer({"do", "re", "mi", "fa"});
    const FileVerdicts otherRow = judgeAnswersFile(*quiz, other);
    EXPECT_EQ(otherRow.verdicts, (Texts{"BRAVO", "FAUX", "BRAVO", "BRAVO"}));
    EXPECT_EQ(otherRow.typed[3], "-");
    EXPECT_EQ(otherRow.score, 1);
    EXPECT_EQ(answersFileNotes(*quiz, other),
              Texts{"line 4 holds \"fa\" where the player writes \"-\" (a hidden field): the file may belong to "
                    "another quiz"});

    CollectOptions options;
    EXPECT_EQ(resultsCsv(*quiz, {row}, options),
              "\xEF\xBB\xBF" "file,score/2,q1.1,q1.2,q2.1,q2.2,code,note\r\n,2,BRAVO,BRAVO,BRAVO,BRAVO,B,\r\n");
}

TEST_F(PackCollectFiles, TheCommandWritesARowPerFileAndNeverStops) {
    write("quiz.toml", bytesOf(capitals));
    write("class/alice/quiz.txt", savedByThePlayer({"Paris", "Rome", "Vienne"}));
    write("class/bob/quiz.txt", bytesOf("Paris\nRome\nVienne\n"));
    write("class/chloe/quiz.txt", {});
    write("class/chloe/notes.md", bytesOf("not an answers file"));
    write("david.txt", savedByThePlayer({"paris, \"la\" ville", "", ""}));
    fs::create_directories(dir_ / "empty-folder");

    const int code = runCollect({"collect", path("quiz.toml"), path("class"), path("david.txt"),
                                 path("missing.txt"), path("empty-folder"), "-o", path("results.csv"), "--typed"});
    EXPECT_EQ(code, 0);
    const std::string q = ",q1 typed,q1,q2 typed,q2,q3 typed,q3,";
    EXPECT_EQ(read("results.csv"),
              "\xEF\xBB\xBF" "file,score/3" + q + "code,note\r\n" +
                  path("class/alice/quiz.txt") + ",3,Paris,BRAVO,Rome,BRAVO,Vienne,BRAVO,TROIS,\r\n" +
                  path("class/bob/quiz.txt") + ",0,\"Paris\nRome\nVienne\n\",Pas loin,,?,,?,,\"lines end with LF "
                                               "alone: the player reads them as one line, into the first field\"\r\n" +
                  path("class/chloe/quiz.txt") + ",0,,?,,?,,?,,empty file: the player restores no answer\r\n" +
                  path("david.txt") + ",0,\"paris, \"\"la\"\" ville\",Pas loin,,?,,?,,\r\n" +
                  path("missing.txt") + ",,,,,,,,,cannot be read: not found\r\n" +
                  path("empty-folder") + ",,,,,,,,,a folder without any .txt file\r\n");

    EXPECT_EQ(runCollect({"collect", path("quiz.toml"), path("david.txt"), "-o", path("r2.csv"), "--separator", ";"}),
              0);
    EXPECT_EQ(read("r2.csv"), "\xEF\xBB\xBF" "file;score/3;q1;q2;q3;code;note\r\n" + path("david.txt") +
                                  ";0;Pas loin;?;?;;\r\n");
}

TEST_F(PackCollectFiles, TheQuizCanComeFromTheExecutableTheClassPlayed) {
    QuizSource source;
    QuizContent content;
    Diagnostics diagnostics;
    ASSERT_TRUE(parseQuizSource(capitals, "quiz.toml", ".", &source, &diagnostics));
    ASSERT_TRUE(buildQuizContent(source, &content, &diagnostics));
    Player player;
    std::string error;
    ASSERT_TRUE(readPlayer(peSample("tiny-player.exe"), &player, &error)) << error;
    std::vector<uint8_t> executable;
    std::vector<std::string> notes;
    ASSERT_TRUE(buildQuizExecutable(player, content, encodeQuiz(content, nullptr), &executable, &notes, &error))
        << error;
    write("Quiz.EXE", executable);
    write("a.txt", savedByThePlayer({"Paris", "Rome", ""}));
    EXPECT_EQ(runCollect({"collect", path("Quiz.EXE"), path("a.txt"), "-o", path("r.csv")}), 0);
    EXPECT_EQ(read("r.csv"), "\xEF\xBB\xBF" "file,score/3,q1,q2,q3,code,note\r\n" + path("a.txt") +
                                 ",2,BRAVO,BRAVO,?,DEUX,\r\n");
}

TEST_F(PackCollectFiles, ABrokenQuizOrBadArgumentsWriteNothing) {
    write("quiz.toml", bytesOf("kind = \"text\"\ntitle = \"x\"\n"));
    write("a.txt", savedByThePlayer({"x"}));
    EXPECT_EQ(runCollect({"collect", path("quiz.toml"), path("a.txt"), "-o", path("r.csv")}), 1);
    EXPECT_FALSE(fs::exists(dir_ / "r.csv"));
    EXPECT_EQ(runCollect({"collect", path("quiz.toml"), "-o", path("r.csv")}), 2);
    EXPECT_EQ(runCollect({"collect", path("quiz.toml"), path("a.txt")}), 2);
    EXPECT_EQ(runCollect({"collect", path("quiz.toml"), path("a.txt"), "-o", path("r.csv"), "--separator", "|"}), 2);
    EXPECT_EQ(runCollect({"collect", path("player.exe"), path("a.txt"), "-o", path("r.csv")}), 4);
    EXPECT_FALSE(fs::exists(dir_ / "r.csv"));
}

}  // namespace
