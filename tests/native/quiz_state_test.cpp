#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "quiz/quiz_state.h"

namespace {

struct QuizStateTest : testing::Test {
    void SetUp() override {
        quiz = std::make_unique<QuizState>();
        // Leftovers in the record must not survive the defaults.
        std::memset(quiz.get(), 0xA5, sizeof(QuizState));
        setQuizDefaults(quiz.get());
    }
    void TearDown() override {
        freeQuestionList(quiz.get());
        setNodeAllocator(nullptr);
    }
    std::unique_ptr<QuizState> quiz;
};

void* failingAllocator(size_t) {
    return nullptr;
}

TEST_F(QuizStateTest, DefaultsGiveTheConstructionQuizAndEmptyFields) {
    EXPECT_STREQ(quiz->title, "nom du vyrla");
    EXPECT_STREQ(quiz->author, " createur");
    EXPECT_EQ(quiz->questionCount, 2);
    EXPECT_EQ(quiz->answersPerQuestion, 1);
    EXPECT_EQ(quiz->answerMode, 0);
    EXPECT_EQ(quiz->kind, 0);
    EXPECT_EQ(quiz->hintsRevealed, 0);
    EXPECT_EQ(quiz->head, nullptr);
    EXPECT_EQ(quiz->tail, nullptr);
    EXPECT_EQ(quiz->red, 90);
    EXPECT_EQ(quiz->green, 95);
    EXPECT_EQ(quiz->blue, 150);
    // The colour value and its components disagree until a load sets both.
    EXPECT_EQ(quiz->color, 0xFF6633u);
    EXPECT_STREQ(quiz->mediaDir, "");
    for (int n = 0; n <= maxQuestions; ++n) {
        EXPECT_EQ(quiz->rowHidden[n], 0) << "question " << n;
    }
    // Fields that construction does not set: empty texts, zeros, no handles.
    EXPECT_EQ(quiz->contentWidth, 0);
    EXPECT_EQ(quiz->contentHeight, 0);
    for (const char* text : {quiz->description, quiz->answerCaption1, quiz->answerCaption2, quiz->codes[0],
                             quiz->codes[maxQuestions - 1], quiz->linkText, quiz->footerText}) {
        EXPECT_STREQ(text, "");
    }
    EXPECT_EQ(quiz->bandHeight[maxBands - 1], 0);
    for (void* handle : {quiz->questionFont, quiz->scoreFont, quiz->titleFont, quiz->backgroundBrush,
                         quiz->promptBrush, quiz->questionPanel, quiz->headerPanel}) {
        EXPECT_EQ(handle, nullptr);
    }
}

TEST_F(QuizStateTest, AppendsKeepTheOrderOfTheCallsUntilTheListIsFreed) {
    appendQuestion(quiz.get(), "a", "b", "c");
    appendQuestion(quiz.get(), "d", "e", "f");
    appendQuestion(quiz.get(), "g", "h", "i");
    EXPECT_EQ(quiz->questionCount, 2);  // appends do not count

    const char* expected[3][3] = {{"a", "b", "c"}, {"d", "e", "f"}, {"g", "h", "i"}};
    const QuestionNode* previous = nullptr;
    const QuestionNode* node = quiz->head;
    for (int i = 0; i < 3; ++i, previous = node, node = node->next) {
        SCOPED_TRACE(i);
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->prev, previous);
        EXPECT_STREQ(node->answer, expected[i][0]);
        EXPECT_STREQ(node->secondAnswer, expected[i][1]);
        EXPECT_STREQ(node->prompt, expected[i][2]);
        EXPECT_STREQ(node->hint, "");
        EXPECT_EQ(node->solved, 0);
    }
    EXPECT_EQ(node, nullptr);
    EXPECT_EQ(quiz->tail, previous);

    freeQuestionList(quiz.get());
    EXPECT_EQ(quiz->head, nullptr);
    EXPECT_EQ(quiz->tail, nullptr);
    freeQuestionList(quiz.get());  // finds nothing; the sanitizer sees any double free
}

TEST_F(QuizStateTest, TextsAreCutToTheirField) {
    const std::string longText(400, 'x');
    const std::string longest(259, 'y');
    appendQuestion(quiz.get(), longText.c_str(), longest.c_str(), nullptr);
    ASSERT_NE(quiz->head, nullptr);
    EXPECT_EQ(std::string(quiz->head->answer), std::string(259, 'x'));
    EXPECT_EQ(std::string(quiz->head->secondAnswer), longest);
    EXPECT_STREQ(quiz->head->prompt, "");
}

TEST_F(QuizStateTest, AppendThatCannotAllocateLeavesTheListUnchanged) {
    setNodeAllocator(failingAllocator);
    appendQuestion(quiz.get(), "a", "b", "c");
    EXPECT_EQ(quiz->head, nullptr);
    EXPECT_EQ(quiz->tail, nullptr);

    setNodeAllocator(nullptr);
    appendQuestion(quiz.get(), "a", "b", "c");
    QuestionNode* only = quiz->head;
    setNodeAllocator(failingAllocator);
    appendQuestion(quiz.get(), "d", "e", "f");
    EXPECT_EQ(quiz->head, only);
    EXPECT_EQ(quiz->tail, only);
    EXPECT_EQ(only->next, nullptr);
    EXPECT_EQ(quiz->questionCount, 2);
}

TEST_F(QuizStateTest, LookupStopsAtTheLastNode) {
    EXPECT_EQ(questionAt(quiz.get(), 0), nullptr);
    EXPECT_EQ(questionAt(quiz.get(), 95), nullptr);
    appendQuestion(quiz.get(), "q1", "", "");
    EXPECT_EQ(questionAt(quiz.get(), 0), quiz->head);
    appendQuestion(quiz.get(), "q2", "", "");
    EXPECT_EQ(questionAt(quiz.get(), 5), quiz->tail);
    EXPECT_STREQ(questionAt(quiz.get(), 5)->answer, "q2");
    appendQuestion(quiz.get(), "q3", "", "");
    EXPECT_STREQ(questionAt(quiz.get(), 1)->answer, "q2");
    EXPECT_STREQ(questionAt(quiz.get(), 2)->answer, "q3");
    EXPECT_EQ(questionAt(quiz.get(), 3), quiz->tail);
}

}  // namespace
