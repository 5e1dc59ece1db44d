// The quiz read from the executable's own resources through FindResource
// (tests/win32/data/loader_quiz.toml, in Windows-1252), with its brush.
#include "quiz/content_block.h"
#include "quiz/quiz_platform.h"
#include "quiz/quiz_texts.h"
#include "tests/win32/player_fixture.h"

namespace {

COLORREF brushColour(void* brush) {
    LOGBRUSH description{};
    EXPECT_EQ(GetObjectA(static_cast<HGDIOBJ>(brush), sizeof description, &description), int(sizeof description));
    EXPECT_EQ(description.lbStyle, static_cast<UINT>(BS_SOLID));
    return description.lbColor;
}

struct QuizOnWindows : testing::Test {
    void SetUp() override { constructQuizState(&quiz); }
    void TearDown() override { destroyQuizState(&quiz); }
    QuizState quiz{};
    MessageRecorder recorder;
};

// The resources sit on read-only pages and are unscrambled in a copy: they
// read the same however often the quiz is loaded.
TEST_F(QuizOnWindows, LoadsTheQuizOfItsOwnResourcesAndLeavesThemAsTheyWere) {
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(104), "PATCH");
    ASSERT_NE(found, nullptr);
    const char* stored = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
    const std::string before(stored, SizeofResource(nullptr, found));
    const std::string block(reinterpret_cast<const char*>(vyrlaContentBlock), 70);
    ASSERT_EQ(GetACP(), 1252u);
    for (int load = 0; load < 2; ++load) {
        if (load) {
            destroyQuizState(&quiz);
            constructQuizState(&quiz);
        }
        void* const constructionBrush = quiz.backgroundBrush;
        EXPECT_EQ(loadQuizFromModule(&quiz, nullptr, vyrlaContentBlock).outcome, LoadOutcome::loaded);
        EXPECT_TRUE(shownMessages.empty());
        EXPECT_STREQ(quiz.title, "Quiz de contr\xF4le");
        EXPECT_STREQ(quiz.author, "\xC9lise Marchand");
        EXPECT_EQ(quiz.questionCount, 3);
        ASSERT_NE(questionAt(&quiz, 2), nullptr);
        EXPECT_STREQ(questionAt(&quiz, 1)->answer, "RH\xD4NE");
        EXPECT_STREQ(questionAt(&quiz, 2)->hint, "4808 m\xE8tres");
        EXPECT_STREQ(quiz.codes[1], "DEUXI\xC8ME");
        EXPECT_STREQ(quiz.footerText, "Bonne chance \xE0 tous");
        EXPECT_EQ(brushColour(quiz.backgroundBrush), 0x1E140Au);
        EXPECT_EQ(GetObjectType(static_cast<HGDIOBJ>(constructionBrush)), 0u) << "the brush it replaced is deleted";
    }
    EXPECT_EQ(std::string(stored, before.size()), before);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(vyrlaContentBlock), 70), block);
}

}  // namespace
