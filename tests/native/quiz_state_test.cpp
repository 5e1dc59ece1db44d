#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "quiz_state.h"

namespace {

struct QuizStateTest : testing::Test {
    void SetUp() override {
        quiz = std::make_unique<QuizState>();
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

bool allZero(const void* bytes, size_t size) {
    const auto* p = static_cast<const unsigned char*>(bytes);
    for (size_t i = 0; i < size; ++i) {
        if (p[i] != 0) {
            return false;
        }
    }
    return true;
}

TEST_F(QuizStateTest, DefaultsGiveTheConstructionQuiz) {
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
}

TEST_F(QuizStateTest, DefaultsLeaveUnsetFieldsEmpty) {
    std::memset(quiz.get(), 0xA5, sizeof(QuizState));
    setQuizDefaults(quiz.get());
    EXPECT_EQ(quiz->contentWidth, 0);
    EXPECT_EQ(quiz->contentHeight, 0);
    EXPECT_STREQ(quiz->description, "");
    EXPECT_STREQ(quiz->answerCaption1, "");
    EXPECT_STREQ(quiz->answerCaption2, "");
    EXPECT_TRUE(allZero(quiz->codes, sizeof quiz->codes));
    EXPECT_TRUE(allZero(quiz->bandHeight, sizeof quiz->bandHeight));
    EXPECT_EQ(quiz->questionFont, nullptr);
    EXPECT_EQ(quiz->scoreFont, nullptr);
    EXPECT_EQ(quiz->titleFont, nullptr);
    EXPECT_EQ(quiz->backgroundBrush, nullptr);
    EXPECT_EQ(quiz->promptBrush, nullptr);
    EXPECT_EQ(quiz->questionPanel, nullptr);
    EXPECT_EQ(quiz->headerPanel, nullptr);
    EXPECT_STREQ(quiz->linkText, "");
    EXPECT_STREQ(quiz->footerText, "");
    EXPECT_EQ(quiz->head, nullptr);
    EXPECT_EQ(quiz->tail, nullptr);
}

TEST_F(QuizStateTest, AppendsKeepTheOrderOfTheCalls) {
    appendQuestion(quiz.get(), "a", "b", "c");
    appendQuestion(quiz.get(), "d", "e", "f");
    appendQuestion(quiz.get(), "g", "h", "i");

    QuestionNode* first = quiz->head;
    ASSERT_NE(first, nullptr);
    QuestionNode* second = first->next;
    ASSERT_NE(second, nullptr);
    QuestionNode* third = second->next;
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third->next, nullptr);
    EXPECT_EQ(quiz->tail, third);

    EXPECT_EQ(first->prev, nullptr);
    EXPECT_EQ(second->prev, first);
    EXPECT_EQ(third->prev, second);

    const char* expected[3][3] = {{"a", "b", "c"}, {"d", "e", "f"}, {"g", "h", "i"}};
    QuestionNode* nodes[3] = {first, second, third};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_STREQ(nodes[i]->answer, expected[i][0]);
        EXPECT_STREQ(nodes[i]->secondAnswer, expected[i][1]);
        EXPECT_STREQ(nodes[i]->prompt, expected[i][2]);
        EXPECT_STREQ(nodes[i]->hint, "");
        EXPECT_EQ(nodes[i]->solved, 0);
    }
}

TEST_F(QuizStateTest, AppendDoesNotChangeTheQuestionCount) {
    appendQuestion(quiz.get(), "a", "", "c");
    EXPECT_EQ(quiz->questionCount, 2);
}

TEST_F(QuizStateTest, AppendCutsLongTextsToTheField) {
    const std::string longText(400, 'x');
    appendQuestion(quiz.get(), longText.c_str(), longText.c_str(), longText.c_str());
    ASSERT_NE(quiz->head, nullptr);
    EXPECT_EQ(std::string(quiz->head->answer), std::string(259, 'x'));
    EXPECT_EQ(std::string(quiz->head->secondAnswer), std::string(259, 'x'));
    EXPECT_EQ(std::string(quiz->head->prompt), std::string(259, 'x'));
}

TEST_F(QuizStateTest, AppendKeepsA259ByteTextWhole) {
    const std::string text(259, 'y');
    appendQuestion(quiz.get(), text.c_str(), "", "");
    ASSERT_NE(quiz->head, nullptr);
    EXPECT_EQ(std::string(quiz->head->answer), text);
}

TEST_F(QuizStateTest, AppendThatCannotAllocateLeavesTheListUnchanged) {
    appendQuestion(quiz.get(), "a", "b", "c");
    QuestionNode* only = quiz->head;

    setNodeAllocator(failingAllocator);
    appendQuestion(quiz.get(), "d", "e", "f");
    setNodeAllocator(nullptr);

    EXPECT_EQ(quiz->head, only);
    EXPECT_EQ(quiz->tail, only);
    EXPECT_EQ(only->next, nullptr);
    EXPECT_EQ(only->prev, nullptr);
    EXPECT_STREQ(only->answer, "a");
    EXPECT_EQ(quiz->questionCount, 2);
}

TEST_F(QuizStateTest, AppendThatCannotAllocateOnAnEmptyListLeavesItEmpty) {
    setNodeAllocator(failingAllocator);
    appendQuestion(quiz.get(), "a", "b", "c");
    setNodeAllocator(nullptr);
    EXPECT_EQ(quiz->head, nullptr);
    EXPECT_EQ(quiz->tail, nullptr);
}

TEST_F(QuizStateTest, LookupOnAOneNodeList) {
    appendQuestion(quiz.get(), "a", "", "");
    EXPECT_EQ(questionAt(quiz.get(), 0), quiz->head);
}

TEST_F(QuizStateTest, LookupPastTheEndGivesTheLastNode) {
    appendQuestion(quiz.get(), "a", "", "");
    appendQuestion(quiz.get(), "b", "", "");
    EXPECT_EQ(questionAt(quiz.get(), 5), quiz->tail);
    EXPECT_STREQ(questionAt(quiz.get(), 5)->answer, "b");
    EXPECT_EQ(questionAt(quiz.get(), 2), quiz->tail);
    EXPECT_EQ(questionAt(quiz.get(), 1), quiz->tail);
    EXPECT_EQ(questionAt(quiz.get(), 0), quiz->head);
}

TEST_F(QuizStateTest, LookupWalksToTheIndex) {
    const char* answers[] = {"q1", "q2", "q3", "q4"};
    for (const char* answer : answers) {
        appendQuestion(quiz.get(), answer, "", "");
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_STREQ(questionAt(quiz.get(), i)->answer, answers[i]);
    }
}

TEST_F(QuizStateTest, LookupOnAnEmptyListGivesNone) {
    EXPECT_EQ(questionAt(quiz.get(), 0), nullptr);
    EXPECT_EQ(questionAt(quiz.get(), 3), nullptr);
    EXPECT_EQ(questionAt(quiz.get(), 95), nullptr);
}

TEST_F(QuizStateTest, FreeingTheListLeavesHeadAndTailNull) {
    for (int i = 0; i < 10; ++i) {
        appendQuestion(quiz.get(), "a", "b", "c");
    }
    freeQuestionList(quiz.get());
    EXPECT_EQ(quiz->head, nullptr);
    EXPECT_EQ(quiz->tail, nullptr);
    // A second free finds nothing; the sanitizer sees any double free.
    freeQuestionList(quiz.get());
    EXPECT_EQ(quiz->head, nullptr);
}

TEST(CopyText, CutsToTheFieldAndTerminates) {
    char field[5];
    std::memset(field, 'z', sizeof field);
    copyText(field, sizeof field, "abcdefgh");
    EXPECT_STREQ(field, "abcd");
    copyText(field, sizeof field, "ab");
    EXPECT_STREQ(field, "ab");
    copyText(field, sizeof field, nullptr);
    EXPECT_STREQ(field, "");
    copyText(field, 1, "abc");
    EXPECT_STREQ(field, "");
}

}  // namespace
