#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "quiz/quiz_platform.h"

namespace {

struct QuizGdiTest : testing::Test {
    void SetUp() override {
        quiz = std::make_unique<QuizState>();
        constructQuizState(quiz.get());
    }
    void TearDown() override { destroyQuizState(quiz.get()); }
    std::unique_ptr<QuizState> quiz;
};

LOGFONTA fontOf(void* font) {
    LOGFONTA description;
    std::memset(&description, 0, sizeof description);
    EXPECT_EQ(GetObjectA(static_cast<HGDIOBJ>(font), sizeof description, &description),
              static_cast<int>(sizeof description));
    return description;
}

void expectSolidBrush(void* brush, COLORREF colour) {
    ASSERT_NE(brush, nullptr);
    EXPECT_EQ(GetObjectType(static_cast<HGDIOBJ>(brush)), static_cast<DWORD>(OBJ_BRUSH));
    LOGBRUSH description{};
    ASSERT_EQ(GetObjectA(static_cast<HGDIOBJ>(brush), sizeof description, &description),
              static_cast<int>(sizeof description));
    EXPECT_EQ(description.lbStyle, static_cast<UINT>(BS_SOLID));
    EXPECT_EQ(description.lbColor, colour);
}

TEST_F(QuizGdiTest, ConstructionGivesTheDefaultsAndMakesTheBrushes) {
    // Each default is checked by the native tests; here, that they are given.
    EXPECT_STREQ(quiz->title, "nom du vyrla");
    EXPECT_EQ(quiz->questionCount, 2);
    // The background brush has the components' colour, not `color`.
    expectSolidBrush(quiz->backgroundBrush, 0x965F5A);
    expectSolidBrush(quiz->failBrush, 0x0000FF);
    expectSolidBrush(quiz->anagramBrush, 0x0064FF);
    expectSolidBrush(quiz->hintBrush, 0x26CBFF);
    expectSolidBrush(quiz->promptBrush, 0xC0FFFF);
}

TEST_F(QuizGdiTest, ConstructionMakesTheScoreAndTitleFonts) {
    ASSERT_NE(quiz->scoreFont, nullptr);
    ASSERT_NE(quiz->titleFont, nullptr);
    EXPECT_EQ(GetObjectType(static_cast<HGDIOBJ>(quiz->scoreFont)), static_cast<DWORD>(OBJ_FONT));
    EXPECT_EQ(GetObjectType(static_cast<HGDIOBJ>(quiz->titleFont)), static_cast<DWORD>(OBJ_FONT));
    // The question panel makes the question font.
    EXPECT_EQ(quiz->questionFont, nullptr);

    const LOGFONTA score = fontOf(quiz->scoreFont);
    EXPECT_EQ(score.lfHeight, 25);
    EXPECT_EQ(score.lfWidth, 0);
    EXPECT_EQ(score.lfWeight, 400);
    EXPECT_EQ(score.lfItalic, 0);
    EXPECT_EQ(score.lfUnderline, 0);
    EXPECT_EQ(score.lfCharSet, 0);
    EXPECT_STREQ(score.lfFaceName, "Arial");

    const LOGFONTA title = fontOf(quiz->titleFont);
    EXPECT_EQ(title.lfHeight, -15);
    EXPECT_EQ(title.lfWidth, 0);
    EXPECT_EQ(title.lfWeight, 700);
    EXPECT_EQ(title.lfItalic, 1);
    EXPECT_EQ(title.lfUnderline, 0);
    EXPECT_EQ(title.lfCharSet, 0);
    EXPECT_STREQ(title.lfFaceName, "");
}

TEST_F(QuizGdiTest, TeardownDeletesEveryFontAndBrush) {
    quiz->questionFont = CreateFontA(12, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    appendQuestion(quiz.get(), "a", "b", "c");
    appendQuestion(quiz.get(), "d", "e", "f");
    void* const handles[] = {quiz->backgroundBrush, quiz->failBrush, quiz->anagramBrush, quiz->hintBrush,
                             quiz->promptBrush,     quiz->titleFont, quiz->questionFont,  quiz->scoreFont};
    for (void* handle : handles) {
        ASSERT_NE(GetObjectType(static_cast<HGDIOBJ>(handle)), 0u);
    }

    destroyQuizState(quiz.get());

    for (void* handle : handles) {
        EXPECT_EQ(GetObjectType(static_cast<HGDIOBJ>(handle)), 0u) << handle;
    }
    EXPECT_EQ(quiz->backgroundBrush, nullptr);
    EXPECT_EQ(quiz->failBrush, nullptr);
    EXPECT_EQ(quiz->anagramBrush, nullptr);
    EXPECT_EQ(quiz->hintBrush, nullptr);
    EXPECT_EQ(quiz->promptBrush, nullptr);
    EXPECT_EQ(quiz->titleFont, nullptr);
    EXPECT_EQ(quiz->questionFont, nullptr);
    EXPECT_EQ(quiz->scoreFont, nullptr);
    EXPECT_EQ(quiz->head, nullptr);
    EXPECT_EQ(quiz->tail, nullptr);
}

TEST_F(QuizGdiTest, TeardownAcceptsAQuestionFontNeverMade) {
    void* const score = quiz->scoreFont;
    ASSERT_EQ(quiz->questionFont, nullptr);
    destroyQuizState(quiz.get());
    EXPECT_EQ(GetObjectType(static_cast<HGDIOBJ>(score)), 0u);
    EXPECT_EQ(quiz->questionFont, nullptr);
}

TEST_F(QuizGdiTest, ASecondTeardownDeletesNothingMore) {
    destroyQuizState(quiz.get());
    // A handle made after the first teardown may take the number of a
    // deleted one; the second teardown must not touch it.
    HBRUSH unrelated = CreateSolidBrush(0x123456);
    destroyQuizState(quiz.get());
    EXPECT_EQ(GetObjectType(unrelated), static_cast<DWORD>(OBJ_BRUSH));
    DeleteObject(unrelated);
}

}  // namespace
