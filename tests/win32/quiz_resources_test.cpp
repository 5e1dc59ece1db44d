#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "quiz/content_block.h"
#include "quiz/lzw_expand.h"
#include "quiz/messages.h"
#include "quiz/quiz_platform.h"
#include "quiz/quiz_texts.h"

namespace {

struct Message {
    std::string text;
    std::string caption;
    unsigned style;
};

std::vector<Message>& messages() {
    static std::vector<Message> recorded;
    return recorded;
}

void recordMessage(const char* text, const char* caption, unsigned style) {
    messages().push_back({text, caption, style});
}

struct Resource {
    const uint8_t* bytes = nullptr;
    size_t size = 0;
};

Resource ownPatch(WORD id) {
    Resource resource;
    HRSRC info = FindResourceA(nullptr, MAKEINTRESOURCEA(id), "PATCH");
    if (info) {
        HGLOBAL handle = LoadResource(nullptr, info);
        resource.bytes = static_cast<const uint8_t*>(LockResource(handle));
        resource.size = SizeofResource(nullptr, info);
    }
    return resource;
}

bool expandsAsStored(const uint8_t* bytes, size_t size) {
    uint8_t* block = nullptr;
    int32_t reported = 0;
    const int32_t result = lzwExpand(bytes, size, &block, &reported);
    if (block) {
        lzwFree(block);
    }
    return result == lzwOk;
}

void expectSolidBrush(void* brush, COLORREF colour) {
    ASSERT_NE(brush, nullptr);
    ASSERT_EQ(GetObjectType(static_cast<HGDIOBJ>(brush)), static_cast<DWORD>(OBJ_BRUSH));
    LOGBRUSH description{};
    ASSERT_EQ(GetObjectA(static_cast<HGDIOBJ>(brush), sizeof description, &description),
              static_cast<int>(sizeof description));
    EXPECT_EQ(description.lbStyle, static_cast<UINT>(BS_SOLID));
    EXPECT_EQ(description.lbColor, colour);
}

struct QuizResourcesTest : testing::Test {
    void SetUp() override {
        messages().clear();
        previousSink = setMessageSink(recordMessage);
        quiz = std::make_unique<QuizState>();
        constructQuizState(quiz.get());
    }
    void TearDown() override {
        destroyQuizState(quiz.get());
        setMessageSink(previousSink);
    }

    // The values of tests/win32/data/loader_quiz.toml, in Windows-1252.
    void expectLoaderQuiz() {
        EXPECT_EQ(quiz->kind, 0);
        EXPECT_STREQ(quiz->title, "Quiz de contr\xF4le");
        EXPECT_STREQ(quiz->author, "\xC9lise Marchand");
        EXPECT_STREQ(quiz->description, "Trois questions pour v\xE9rifier le chargement");
        EXPECT_STREQ(quiz->answerCaption1, "R\xE9ponse");
        EXPECT_STREQ(quiz->answerCaption2, "Autre");
        EXPECT_STREQ(quiz->linkText, "www.vyrla.fr/essai");
        EXPECT_STREQ(quiz->footerText, "Bonne chance \xE0 tous");
        EXPECT_EQ(quiz->questionCount, 3);
        EXPECT_EQ(quiz->answersPerQuestion, 1);
        EXPECT_EQ(quiz->answerMode, 3);
        EXPECT_EQ(quiz->red, 10);
        EXPECT_EQ(quiz->green, 20);
        EXPECT_EQ(quiz->blue, 30);
        EXPECT_EQ(quiz->color, 0x1E140Au);

        const char* const answers[] = {"PARIS", "RH\xD4NE", "MONT BLANC"};
        const char* const prompts[] = {"Capitale de la France ?", "Fleuve qui traverse Lyon ?",
                                       "Plus haut sommet d'Europe de l'Ouest ?"};
        const char* const hints[] = {"Ville lumi\xE8re", "Il vient de Suisse", "4808 m\xE8tres"};
        const QuestionNode* node = quiz->head;
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(i);
            ASSERT_NE(node, nullptr);
            EXPECT_EQ(node, questionAt(quiz.get(), i));
            EXPECT_STREQ(node->answer, answers[i]);
            EXPECT_STREQ(node->secondAnswer, "");
            EXPECT_STREQ(node->prompt, prompts[i]);
            EXPECT_STREQ(node->hint, hints[i]);
            EXPECT_EQ(node->solved, 0);
            node = node->next;
        }
        EXPECT_EQ(node, nullptr);
        EXPECT_STREQ(quiz->codes[0], "PREMIER");
        EXPECT_STREQ(quiz->codes[1], "DEUXI\xC8ME");
        EXPECT_STREQ(quiz->codes[2], "TROISI\xC8ME");
        EXPECT_STREQ(quiz->codes[3], "");
    }

    MessageSink previousSink = nullptr;
    std::unique_ptr<QuizState> quiz;
};

TEST(Platform, TheAnsiCodePageIsWindows1252) {
    EXPECT_EQ(GetACP(), 1252u);
}

TEST_F(QuizResourcesTest, LoadsTheQuizOfItsOwnResources) {
    const LoadReport report = loadQuizFromModule(quiz.get(), nullptr, vyrlaContentBlock);
    EXPECT_TRUE(messages().empty()) << messages()[0].text;
    EXPECT_EQ(report.outcome, LoadOutcome::loaded);
    EXPECT_TRUE(report.colourChanged);
    expectLoaderQuiz();
    expectSolidBrush(quiz->backgroundBrush, 0x1E140A);
}

TEST_F(QuizResourcesTest, UnscramblesWhatDoesNotExpandAsStored) {
    const Resource quizResource = ownPatch(104);
    const Resource codesResource = ownPatch(105);
    ASSERT_NE(quizResource.size, 0u);
    ASSERT_NE(codesResource.size, 0u);
    const LoadReport report = loadQuizFromModule(quiz.get(), nullptr, vyrlaContentBlock);
    EXPECT_EQ(report.contentBlockUnscrambled, !expandsAsStored(vyrlaContentBlock, 70));
    EXPECT_EQ(report.quizUnscrambled, !expandsAsStored(quizResource.bytes, quizResource.size));
    EXPECT_EQ(report.codesUnscrambled, !expandsAsStored(codesResource.bytes, codesResource.size));
    if (report.quizUnscrambled) {
        EXPECT_EQ(report.quizKeyStart, report.contentBlockUnscrambled ? 6 : 0);
    }
    // The quiz asks to be scrambled; the packer stores a content plain only
    // when its scrambled form would expand.
    EXPECT_TRUE(report.contentBlockUnscrambled || report.quizUnscrambled || report.codesUnscrambled);
}

// The resources sit on read-only pages and are unscrambled in a copy, so
// they read the same however often the quiz is loaded.
TEST_F(QuizResourcesTest, LoadingLeavesTheStoredBytesAsTheyWere) {
    const Resource quizResource = ownPatch(104);
    const Resource codesResource = ownPatch(105);
    const std::vector<uint8_t> block(vyrlaContentBlock, vyrlaContentBlock + 70);
    const std::vector<uint8_t> quizBytes(quizResource.bytes, quizResource.bytes + quizResource.size);
    const std::vector<uint8_t> codesBytes(codesResource.bytes, codesResource.bytes + codesResource.size);

    loadQuizFromModule(quiz.get(), nullptr, vyrlaContentBlock);

    EXPECT_EQ(std::vector<uint8_t>(vyrlaContentBlock, vyrlaContentBlock + 70), block);
    EXPECT_EQ(std::vector<uint8_t>(quizResource.bytes, quizResource.bytes + quizResource.size), quizBytes);
    EXPECT_EQ(std::vector<uint8_t>(codesResource.bytes, codesResource.bytes + codesResource.size), codesBytes);
}

TEST_F(QuizResourcesTest, LoadsTheSameQuizASecondTime) {
    loadQuiz(quiz.get());
    destroyQuizState(quiz.get());
    constructQuizState(quiz.get());
    loadQuiz(quiz.get());
    EXPECT_TRUE(messages().empty());
    expectLoaderQuiz();
}

TEST_F(QuizResourcesTest, ANewColourReplacesTheBackgroundBrush) {
    void* const constructionBrush = quiz->backgroundBrush;
    ASSERT_EQ(GetObjectType(static_cast<HGDIOBJ>(constructionBrush)), static_cast<DWORD>(OBJ_BRUSH));
    loadQuizFromModule(quiz.get(), nullptr, vyrlaContentBlock);
    EXPECT_EQ(GetObjectType(static_cast<HGDIOBJ>(constructionBrush)), 0u);
    expectSolidBrush(quiz->backgroundBrush, 0x1E140A);
}

TEST_F(QuizResourcesTest, AModuleWithoutPatchResourcesGivesTheFallbackQuiz) {
    void* const constructionBrush = quiz->backgroundBrush;
    const LoadReport report = loadQuizFromModule(quiz.get(), GetModuleHandleA("kernel32.dll"), vyrlaContentBlock);
    EXPECT_EQ(report.outcome, LoadOutcome::fallback);
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, "Questions non livr\xE9" "es");
    EXPECT_EQ(messages()[0].caption, "Vyrla");
    EXPECT_EQ(messages()[0].style, messageOk);

    EXPECT_STREQ(quiz->title, "Nom du vyrla");
    EXPECT_STREQ(quiz->author, "Createur vyrla");
    EXPECT_STREQ(quiz->description, "Explications du vyrla");
    EXPECT_STREQ(quiz->answerCaption1, "TEST");
    EXPECT_STREQ(quiz->answerCaption2, "TEST");
    EXPECT_EQ(quiz->questionCount, 7);
    EXPECT_EQ(quiz->answersPerQuestion, 1);
    EXPECT_EQ(quiz->color, 0xFF6633u);
    EXPECT_EQ(quiz->answerMode, 3);
    EXPECT_EQ(quiz->red, 51);
    EXPECT_EQ(quiz->green, 102);
    EXPECT_EQ(quiz->blue, 255);
    EXPECT_EQ(quiz->kind, 1);
    ASSERT_NE(quiz->head, nullptr);
    EXPECT_EQ(quiz->head->next, quiz->tail);
    for (const QuestionNode* node : {quiz->head, quiz->tail}) {
        EXPECT_STREQ(node->answer, "TEST");
        EXPECT_STREQ(node->secondAnswer, "TEST");
        EXPECT_STREQ(node->prompt, "emplacement");
        EXPECT_STREQ(node->hint, "");
    }
    EXPECT_EQ(questionAt(quiz.get(), 6), quiz->tail);
    EXPECT_STREQ(quiz->codes[0], "");
    // The link and footer still come from the ContentBlock.
    EXPECT_STREQ(quiz->linkText, "www.vyrla.fr/essai");
    EXPECT_STREQ(quiz->footerText, "Bonne chance \xE0 tous");

    EXPECT_EQ(GetObjectType(static_cast<HGDIOBJ>(constructionBrush)), 0u);
    expectSolidBrush(quiz->backgroundBrush, 0xFF6633);
}

TEST_F(QuizResourcesTest, ABrokenContentBlockKeepsTheConstructionBrush) {
    unsigned char broken[70];
    std::memset(broken, 0xFF, sizeof broken);
    void* const constructionBrush = quiz->backgroundBrush;
    const LoadReport report = loadQuizFromModule(quiz.get(), nullptr, broken);
    EXPECT_EQ(report.outcome, LoadOutcome::contentBlockFailed);
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, messageContentBlockFailed);
    EXPECT_EQ(messages()[0].caption, "Vyrla");
    EXPECT_EQ(quiz->questionCount, 0);
    EXPECT_STREQ(quiz->title, "nom du vyrla");
    EXPECT_EQ(quiz->head, nullptr);
    EXPECT_EQ(quiz->backgroundBrush, constructionBrush);
    expectSolidBrush(quiz->backgroundBrush, 0x965F5A);
}

}  // namespace
