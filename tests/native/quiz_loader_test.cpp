#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "content_parse.h"
#include "lzw_compress.h"
#include "lzw_expand.h"
#include "messages.h"
#include "quiz_loader.h"
#include "quiz_texts.h"
#include "scramble.h"

namespace {

// ---- Building stored contents --------------------------------------------

struct Bytes {
    std::vector<uint8_t> v;
    Bytes& byte(int value) {
        v.push_back(static_cast<uint8_t>(value));
        return *this;
    }
    Bytes& raw(const std::string& s) {
        v.insert(v.end(), s.begin(), s.end());
        return *this;
    }
    Bytes& text(const std::string& s) { return raw(s).byte('|'); }
};

bool expandsAsStored(const std::vector<uint8_t>& stored) {
    uint8_t* block = nullptr;
    int32_t reported = 0;
    const int32_t result = lzwExpand(stored.data(), stored.size(), &block, &reported);
    if (block) {
        lzwFree(block);
    }
    return result == lzwOk;
}

std::vector<uint8_t> scrambledFrom(std::vector<uint8_t> bytes, int keyPosition) {
    scrambleWithKey(bytes.data(), bytes.size(), &keyPosition);
    return bytes;
}

// Codes expanded bytes as the packer does; scrambled from `keyPosition`
// unless it is negative. A scrambled content must not expand as stored, or
// the loader would never unscramble it.
std::vector<uint8_t> stored(const std::vector<uint8_t>& expanded, int keyPosition = -1) {
    std::vector<uint8_t> coded = lzwCompress(expanded.data(), expanded.size());
    if (keyPosition >= 0) {
        coded = scrambledFrom(coded, keyPosition);
        EXPECT_FALSE(expandsAsStored(coded)) << "scrambled content expands as stored";
    }
    return coded;
}

// The ContentBlock is always 70 bytes: the coded bytes padded with zeros.
std::vector<uint8_t> storedContentBlock(const std::string& link, const std::string& footer, bool scramble) {
    const std::vector<uint8_t> expanded = Bytes().byte('V').byte(1).text(link).text(footer).v;
    std::vector<uint8_t> coded = lzwCompress(expanded.data(), expanded.size());
    EXPECT_LE(coded.size(), contentBlockSize);
    coded.resize(contentBlockSize, 0);
    if (scramble) {
        int keyPosition = 0;
        scrambleWithKey(coded.data(), coded.size(), &keyPosition);
        EXPECT_EQ(keyPosition, 6);  // 69 bytes past byte 0, modulo 21
        EXPECT_FALSE(expandsAsStored(coded)) << "scrambled ContentBlock expands as stored";
    }
    return coded;
}

// Two questions, two answer fields, mode 3, colour 10 20 30.
std::vector<uint8_t> sampleQuiz() {
    Bytes b;
    b.byte(0).byte(2).byte(2).byte(2);
    b.text("Capitales").text("Marie").text("Trouvez les villes").text("Ville").text("Pays");
    b.text("PARIS").text("FRANCE").text("Tour Eiffel");
    b.text("ROME").text("ITALIE").text("Colis\xE9" "e");
    b.byte(3).text("Indice 1").text("jete 1").text("Indice 2").text("jete 2");
    b.byte(10).byte(20).byte(30);
    return b.v;
}

std::vector<uint8_t> sampleCodes() {
    return Bytes().raw("CODE-UN\r\nCODE-DEUX\r\n").v;
}

// ---- Messages --------------------------------------------------------------

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

bool allZero(const void* bytes, size_t size) {
    const auto* p = static_cast<const unsigned char*>(bytes);
    for (size_t i = 0; i < size; ++i) {
        if (p[i] != 0) {
            return false;
        }
    }
    return true;
}

struct QuizLoaderTest : testing::Test {
    void SetUp() override {
        messages().clear();
        previousSink = setMessageSink(recordMessage);
        quiz = std::make_unique<QuizState>();
        setQuizDefaults(quiz.get());
    }
    void TearDown() override {
        freeQuestionList(quiz.get());
        setMessageSink(previousSink);
    }

    // Loads from const copies and checks that not one stored byte changed.
    LoadReport load(const std::vector<uint8_t>& contentBlock, const std::vector<uint8_t>& quizResource,
                    const std::vector<uint8_t>& codesResource) {
        const std::vector<uint8_t> block = contentBlock;
        const std::vector<uint8_t> quizBytes = quizResource;
        const std::vector<uint8_t> codesBytes = codesResource;
        StoredContents contents{};
        contents.contentBlock = block.data();
        contents.quizResource = quizBytes.empty() ? nullptr : quizBytes.data();
        contents.quizResourceSize = quizBytes.size();
        contents.codesResource = codesBytes.empty() ? nullptr : codesBytes.data();
        contents.codesResourceSize = codesBytes.size();
        const LoadReport report = loadQuizContents(quiz.get(), contents);
        EXPECT_EQ(block, contentBlock) << "the ContentBlock was changed";
        EXPECT_EQ(quizBytes, quizResource) << "the quiz resource was changed";
        EXPECT_EQ(codesBytes, codesResource) << "the codes resource was changed";
        return report;
    }

    void expectOneMessage(const char* text) {
        ASSERT_EQ(messages().size(), 1u);
        EXPECT_EQ(messages()[0].text, text);
        EXPECT_EQ(messages()[0].caption, "Vyrla");
        EXPECT_EQ(messages()[0].style, messageOk);
    }

    void expectSampleQuiz() {
        EXPECT_EQ(quiz->kind, 1);
        EXPECT_EQ(quiz->questionCount, 2);
        EXPECT_EQ(quiz->answersPerQuestion, 2);
        EXPECT_STREQ(quiz->title, "Capitales");
        EXPECT_STREQ(quiz->author, "Marie");
        EXPECT_STREQ(quiz->description, "Trouvez les villes");
        EXPECT_STREQ(quiz->answerCaption1, "Ville");
        EXPECT_STREQ(quiz->answerCaption2, "Pays");
        EXPECT_EQ(quiz->answerMode, 3);
        EXPECT_EQ(quiz->red, 10);
        EXPECT_EQ(quiz->green, 20);
        EXPECT_EQ(quiz->blue, 30);
        EXPECT_EQ(quiz->color, 0x1E140Au);
        QuestionNode* first = questionAt(quiz.get(), 0);
        QuestionNode* second = questionAt(quiz.get(), 1);
        ASSERT_NE(first, nullptr);
        ASSERT_NE(second, nullptr);
        EXPECT_NE(first, second);
        EXPECT_EQ(second, quiz->tail);
        EXPECT_STREQ(first->answer, "PARIS");
        EXPECT_STREQ(first->secondAnswer, "FRANCE");
        EXPECT_STREQ(first->prompt, "Tour Eiffel");
        EXPECT_STREQ(first->hint, "Indice 1");
        EXPECT_EQ(first->solved, 0);
        EXPECT_STREQ(second->answer, "ROME");
        EXPECT_STREQ(second->secondAnswer, "ITALIE");
        EXPECT_STREQ(second->prompt, "Colis\xE9" "e");
        EXPECT_STREQ(second->hint, "Indice 2");
    }

    void expectConstructionHeader() {
        EXPECT_STREQ(quiz->title, "nom du vyrla");
        EXPECT_STREQ(quiz->author, " createur");
        EXPECT_STREQ(quiz->description, "");
        EXPECT_STREQ(quiz->answerCaption1, "");
        EXPECT_STREQ(quiz->answerCaption2, "");
        EXPECT_EQ(quiz->kind, 0);
        EXPECT_EQ(quiz->answersPerQuestion, 1);
        EXPECT_EQ(quiz->answerMode, 0);
        EXPECT_EQ(quiz->red, 90);
        EXPECT_EQ(quiz->green, 95);
        EXPECT_EQ(quiz->blue, 150);
        EXPECT_EQ(quiz->color, 0xFF6633u);
    }

    MessageSink previousSink = nullptr;
    std::unique_ptr<QuizState> quiz;
};

// ---- Loading ---------------------------------------------------------------

TEST_F(QuizLoaderTest, LoadsThreeStoredContents) {
    const LoadReport report = load(storedContentBlock("www.vyrla.fr", "Bonne chance", false), stored(sampleQuiz()),
                                   stored(sampleCodes()));
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(report.outcome, LoadOutcome::loaded);
    EXPECT_TRUE(report.colourChanged);
    EXPECT_FALSE(report.contentBlockUnscrambled);
    EXPECT_FALSE(report.quizUnscrambled);
    EXPECT_FALSE(report.codesUnscrambled);
    EXPECT_STREQ(quiz->linkText, "www.vyrla.fr");
    EXPECT_STREQ(quiz->footerText, "Bonne chance");
    expectSampleQuiz();
    EXPECT_STREQ(quiz->codes[0], "CODE-UN");
    EXPECT_STREQ(quiz->codes[1], "CODE-DEUX");
    EXPECT_TRUE(allZero(quiz->codes[2], sizeof quiz->codes - 2 * sizeof quiz->codes[0]));
}

TEST_F(QuizLoaderTest, FreeingTheListAfterALoadLeavesHeadAndTailNull) {
    load(storedContentBlock("a", "b", false), stored(sampleQuiz()), stored(sampleCodes()));
    ASSERT_NE(quiz->head, nullptr);
    freeQuestionList(quiz.get());
    EXPECT_EQ(quiz->head, nullptr);
    EXPECT_EQ(quiz->tail, nullptr);
}

// Every combination of scrambled and stored contents. The key position
// carries from the ContentBlock to the quiz resource (6 after a scrambled
// ContentBlock, 0 after a stored one); the codes always start from 0.
class ScrambleCombinationTest : public QuizLoaderTest,
                                public testing::WithParamInterface<std::tuple<bool, bool, bool>> {};

TEST_P(ScrambleCombinationTest, LoadsTheSameQuiz) {
    const auto [blockScrambled, quizScrambled, codesScrambled] = GetParam();
    const int quizKey = blockScrambled ? 6 : 0;
    const LoadReport report = load(storedContentBlock("www.vyrla.fr", "Bonne chance", blockScrambled),
                                   stored(sampleQuiz(), quizScrambled ? quizKey : -1),
                                   stored(sampleCodes(), codesScrambled ? 0 : -1));
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(report.outcome, LoadOutcome::loaded);
    EXPECT_EQ(report.contentBlockUnscrambled, blockScrambled);
    EXPECT_EQ(report.quizUnscrambled, quizScrambled);
    EXPECT_EQ(report.codesUnscrambled, codesScrambled);
    if (quizScrambled) {
        EXPECT_EQ(report.quizKeyStart, quizKey);
    }
    EXPECT_STREQ(quiz->linkText, "www.vyrla.fr");
    EXPECT_STREQ(quiz->footerText, "Bonne chance");
    expectSampleQuiz();
    EXPECT_STREQ(quiz->codes[0], "CODE-UN");
    EXPECT_STREQ(quiz->codes[1], "CODE-DEUX");
}

INSTANTIATE_TEST_SUITE_P(AllContents, ScrambleCombinationTest,
                         testing::Combine(testing::Bool(), testing::Bool(), testing::Bool()));

TEST_F(QuizLoaderTest, AfterAStoredContentBlockTheQuizIsNotUnscrambledFromKeySix) {
    const LoadReport report =
        load(storedContentBlock("a", "b", false), stored(sampleQuiz(), 6), stored(sampleCodes()));
    EXPECT_EQ(report.outcome, LoadOutcome::quizFailed);
    EXPECT_EQ(report.quizKeyStart, 0);
    expectOneMessage(messageQuizFailed);
}

TEST_F(QuizLoaderTest, AfterAScrambledContentBlockTheQuizIsNotUnscrambledFromKeyZero) {
    const LoadReport report =
        load(storedContentBlock("a", "b", true), stored(sampleQuiz(), 0), stored(sampleCodes()));
    EXPECT_EQ(report.outcome, LoadOutcome::quizFailed);
    EXPECT_EQ(report.quizKeyStart, 6);
    expectOneMessage(messageQuizFailed);
}

TEST_F(QuizLoaderTest, TheCodesAreNotUnscrambledFromWhereTheQuizKeyEnded) {
    const std::vector<uint8_t> quizResource = stored(sampleQuiz(), 6);
    int keyAfterQuiz = 6;
    std::vector<uint8_t> scratch = lzwCompress(sampleQuiz().data(), sampleQuiz().size());
    scrambleWithKey(scratch.data(), scratch.size(), &keyAfterQuiz);
    ASSERT_NE(keyAfterQuiz, 0);
    const LoadReport report =
        load(storedContentBlock("a", "b", true), quizResource, stored(sampleCodes(), keyAfterQuiz));
    EXPECT_EQ(report.outcome, LoadOutcome::codesFailed);
    expectOneMessage(messageCodesFailed);
}

TEST_F(QuizLoaderTest, TheCodesAreNotUnscrambledFromKeySix) {
    const LoadReport report =
        load(storedContentBlock("a", "b", true), stored(sampleQuiz(), 6), stored(sampleCodes(), 6));
    EXPECT_EQ(report.outcome, LoadOutcome::codesFailed);
    expectOneMessage(messageCodesFailed);
}

TEST_F(QuizLoaderTest, ColourBytesGiveTheComponentsAndTheColour) {
    Bytes b;
    b.byte(0).byte(1).byte(0).byte(1).text("T").text("A").text("D").text("").text("").byte(5);
    b.byte(10).byte(20).byte(30);
    const LoadReport report = load(storedContentBlock("a", "b", false), stored(b.v), stored(Bytes().raw("x").v));
    EXPECT_EQ(report.outcome, LoadOutcome::loaded);
    EXPECT_TRUE(report.colourChanged);
    EXPECT_EQ(quiz->red, 10);
    EXPECT_EQ(quiz->green, 20);
    EXPECT_EQ(quiz->blue, 30);
    EXPECT_EQ(quiz->color & 0xFFu, 10u);
    EXPECT_EQ((quiz->color >> 8) & 0xFFu, 20u);
    EXPECT_EQ((quiz->color >> 16) & 0xFFu, 30u);
    EXPECT_EQ(quiz->color >> 24, 0u);
    EXPECT_EQ(quiz->answerMode, 5);
    EXPECT_EQ(quiz->questionCount, 0);
    EXPECT_EQ(quiz->head, nullptr);
}

TEST_F(QuizLoaderTest, KindByteZeroGivesKindMinusOne) {
    Bytes b;
    b.byte(0).byte(0).byte(1).byte(1).text("T").text("A").text("D").text("").text("");
    b.text("R").text("P").byte(0).byte(1).byte(2).byte(3);
    load(storedContentBlock("a", "b", false), stored(b.v), stored(Bytes().raw("C\r\n").v));
    EXPECT_EQ(quiz->kind, -1);
    EXPECT_EQ(quiz->questionCount, 1);
}

TEST_F(QuizLoaderTest, ByteThreeSevenGivesOneAnswerField) {
    Bytes b;
    b.byte(0).byte(1).byte(2).byte(7).text("T").text("A").text("D").text("C1").text("C2");
    b.text("R1").text("P1").text("R2").text("P2").byte(0).byte(1).byte(2).byte(3);
    const LoadReport report = load(storedContentBlock("a", "b", false), stored(b.v), stored(sampleCodes()));
    EXPECT_EQ(report.outcome, LoadOutcome::loaded);
    EXPECT_EQ(quiz->answersPerQuestion, 1);
    EXPECT_STREQ(quiz->head->answer, "R1");
    EXPECT_STREQ(quiz->head->secondAnswer, "");
    EXPECT_STREQ(quiz->head->prompt, "P1");
    EXPECT_STREQ(quiz->tail->answer, "R2");
    EXPECT_STREQ(quiz->tail->prompt, "P2");
    EXPECT_EQ(quiz->blue, 3);
}

TEST_F(QuizLoaderTest, LongTextsAreCutToTheirFields) {
    Bytes b;
    b.byte(0).byte(1).byte(1).byte(1).text(std::string(300, 'T')).text("A").text("D").text("").text("");
    b.text(std::string(400, 'R')).text("P").byte(1).text(std::string(270, 'H')).byte(1).byte(2).byte(3);
    const LoadReport report = load(storedContentBlock("a", "b", false), stored(b.v),
                                   stored(Bytes().raw(std::string(500, 'C')).raw("\r\n").v));
    EXPECT_EQ(report.outcome, LoadOutcome::loaded);
    EXPECT_EQ(std::string(quiz->title), std::string(259, 'T'));
    EXPECT_STREQ(quiz->author, "A");
    EXPECT_EQ(std::string(quiz->head->answer), std::string(259, 'R'));
    EXPECT_STREQ(quiz->head->prompt, "P");
    EXPECT_EQ(std::string(quiz->head->hint), std::string(259, 'H'));
    EXPECT_EQ(std::string(quiz->codes[0]), std::string(259, 'C'));
    EXPECT_EQ(quiz->blue, 3);
}

TEST_F(QuizLoaderTest, MissingCodeLinesAreEmpty) {
    load(storedContentBlock("a", "b", false), stored(sampleQuiz()), stored(Bytes().raw("SEUL").v));
    EXPECT_TRUE(messages().empty());
    // The expander's three zero bytes past the data end the last line.
    EXPECT_STREQ(quiz->codes[0], "SEUL");
    EXPECT_STREQ(quiz->codes[1], "");
}

int nodesAllocated = 0;

void* allocateTwoNodes(size_t size) {
    return ++nodesAllocated > 2 ? nullptr : std::malloc(size);
}

TEST_F(QuizLoaderTest, HintsOfAQuizWithMoreQuestionsThanNodesLandOnTheLastNode) {
    // The nodes come one per question; here the third cannot be allocated.
    Bytes b;
    b.byte(0).byte(1).byte(3).byte(1).text("T").text("A").text("D").text("").text("");
    b.text("R1").text("P1").text("R2").text("P2").text("R3").text("P3");
    b.byte(1).text("H1").text("H2").text("H3").byte(1).byte(2).byte(3);
    nodesAllocated = 0;
    setNodeAllocator(allocateTwoNodes);
    const LoadReport report = load(storedContentBlock("a", "b", false), stored(b.v), stored(sampleCodes()));
    setNodeAllocator(nullptr);
    EXPECT_EQ(report.outcome, LoadOutcome::loaded);
    EXPECT_EQ(quiz->questionCount, 3);
    EXPECT_EQ(quiz->head->next, quiz->tail);
    EXPECT_STREQ(quiz->head->hint, "H1");
    EXPECT_STREQ(quiz->tail->answer, "R2");
    EXPECT_STREQ(quiz->tail->hint, "H3");
}

// ---- The fallback quiz -----------------------------------------------------

void expectFallbackQuiz(const QuizState& quiz) {
    EXPECT_STREQ(quiz.title, "Nom du vyrla");
    EXPECT_STREQ(quiz.author, "Createur vyrla");
    EXPECT_STREQ(quiz.description, "Explications du vyrla");
    EXPECT_STREQ(quiz.answerCaption1, "TEST");
    EXPECT_STREQ(quiz.answerCaption2, "TEST");
    EXPECT_EQ(quiz.questionCount, 7);
    EXPECT_EQ(quiz.answersPerQuestion, 1);
    EXPECT_EQ(quiz.color, 0xFF6633u);
    EXPECT_EQ(quiz.answerMode, 3);
    EXPECT_EQ(quiz.red, 51);
    EXPECT_EQ(quiz.green, 102);
    EXPECT_EQ(quiz.blue, 255);
    EXPECT_EQ(quiz.kind, 1);
    ASSERT_NE(quiz.head, nullptr);
    ASSERT_NE(quiz.head->next, nullptr);
    EXPECT_EQ(quiz.head->next, quiz.tail);
    EXPECT_EQ(quiz.tail->next, nullptr);
    for (const QuestionNode* node : {quiz.head, quiz.tail}) {
        EXPECT_STREQ(node->answer, "TEST");
        EXPECT_STREQ(node->secondAnswer, "TEST");
        EXPECT_STREQ(node->prompt, "emplacement");
        EXPECT_STREQ(node->hint, "");
        EXPECT_EQ(node->solved, 0);
    }
    // Seven declared, two held: questions 3 to 7 find the second record.
    for (int i = 2; i < 7; ++i) {
        EXPECT_EQ(questionAt(&quiz, i), quiz.tail) << "question " << i + 1;
    }
    EXPECT_TRUE(allZero(quiz.codes, sizeof quiz.codes));
}

TEST_F(QuizLoaderTest, AMissingQuizResourceGivesTheFallbackQuiz) {
    const LoadReport report = load(storedContentBlock("www.vyrla.fr", "Bonne chance", true), {}, stored(sampleCodes()));
    EXPECT_EQ(report.outcome, LoadOutcome::fallback);
    EXPECT_TRUE(report.colourChanged);
    expectOneMessage("Questions non livr\xE9" "es");
    EXPECT_STREQ(messages()[0].text.c_str(), contentKey);
    expectFallbackQuiz(*quiz);
    EXPECT_STREQ(quiz->linkText, "www.vyrla.fr");
    EXPECT_STREQ(quiz->footerText, "Bonne chance");
}

TEST_F(QuizLoaderTest, AnEmptyQuizResourceGivesTheFallbackQuiz) {
    const std::vector<uint8_t> block = storedContentBlock("a", "b", false);
    const uint8_t resource[1] = {0x30};
    StoredContents contents{block.data(), resource, 0, nullptr, 0};
    const LoadReport report = loadQuizContents(quiz.get(), contents);
    EXPECT_EQ(report.outcome, LoadOutcome::fallback);
    expectOneMessage(contentKey);
    expectFallbackQuiz(*quiz);
}

// ---- Failures --------------------------------------------------------------

void expectNoQuestions(const QuizState& quiz) {
    EXPECT_EQ(quiz.questionCount, 0);
    EXPECT_EQ(quiz.head, nullptr);
    EXPECT_EQ(quiz.tail, nullptr);
    EXPECT_TRUE(allZero(quiz.codes, sizeof quiz.codes));
}

TEST_F(QuizLoaderTest, AContentBlockThatExpandsNeitherWayStopsTheLoad) {
    std::vector<uint8_t> garbage(contentBlockSize, 0xFF);
    ASSERT_FALSE(expandsAsStored(garbage));
    ASSERT_FALSE(expandsAsStored(scrambledFrom(garbage, 0)));
    const LoadReport report = load(garbage, stored(sampleQuiz()), stored(sampleCodes()));
    EXPECT_EQ(report.outcome, LoadOutcome::contentBlockFailed);
    EXPECT_FALSE(report.colourChanged);
    EXPECT_TRUE(report.contentBlockUnscrambled);
    expectOneMessage(messageContentBlockFailed);
    expectConstructionHeader();
    expectNoQuestions(*quiz);
    EXPECT_STREQ(quiz->linkText, "");
    EXPECT_STREQ(quiz->footerText, "");
}

TEST_F(QuizLoaderTest, AContentBlockWithoutItsClosingBarsFails) {
    for (const std::string& texts : {std::string("lien sans fin"), std::string("lien|pied sans fin")}) {
        SCOPED_TRACE(texts);
        messages().clear();
        setQuizDefaults(quiz.get());
        const std::vector<uint8_t> expanded = Bytes().byte(0).byte(0).raw(texts).v;
        std::vector<uint8_t> block = lzwCompress(expanded.data(), expanded.size());
        block.resize(contentBlockSize, 0);
        const LoadReport report = load(block, stored(sampleQuiz()), stored(sampleCodes()));
        EXPECT_EQ(report.outcome, LoadOutcome::contentBlockFailed);
        expectOneMessage(messageContentBlockFailed);
        expectConstructionHeader();
        expectNoQuestions(*quiz);
        EXPECT_STREQ(quiz->linkText, "");
        EXPECT_STREQ(quiz->footerText, "");
    }
}

TEST_F(QuizLoaderTest, AMissingContentBlockFails) {
    const std::vector<uint8_t> quizResource = stored(sampleQuiz());
    StoredContents contents{nullptr, quizResource.data(), quizResource.size(), nullptr, 0};
    const LoadReport report = loadQuizContents(quiz.get(), contents);
    EXPECT_EQ(report.outcome, LoadOutcome::contentBlockFailed);
    expectOneMessage(messageContentBlockFailed);
    expectNoQuestions(*quiz);
}

TEST_F(QuizLoaderTest, AQuizResourceThatExpandsNeitherWayStops) {
    const std::vector<uint8_t> garbage(50, 0xFF);
    const LoadReport report = load(storedContentBlock("www.vyrla.fr", "Bonne chance", false), garbage,
                                   stored(sampleCodes()));
    EXPECT_EQ(report.outcome, LoadOutcome::quizFailed);
    EXPECT_FALSE(report.colourChanged);
    EXPECT_TRUE(report.quizUnscrambled);
    // Only its own message: the codes are not read.
    expectOneMessage(messageQuizFailed);
    expectConstructionHeader();
    expectNoQuestions(*quiz);
    EXPECT_STREQ(quiz->linkText, "www.vyrla.fr");
    EXPECT_STREQ(quiz->footerText, "Bonne chance");
}

// A quiz resource that expands but ends before a field it must hold fails
// as a whole: nothing of it is kept.
TEST_F(QuizLoaderTest, AQuizResourceCutShortFailsAsAWhole) {
    const std::vector<uint8_t> full = sampleQuiz();
    for (size_t length : {size_t{1}, size_t{3}, size_t{10}, full.size() / 2, full.size() - 4, full.size() - 1}) {
        SCOPED_TRACE(length);
        messages().clear();
        freeQuestionList(quiz.get());
        setQuizDefaults(quiz.get());
        const std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<long>(length));
        const LoadReport report = load(storedContentBlock("lien", "pied", true), stored(cut, 6), stored(sampleCodes()));
        EXPECT_EQ(report.outcome, LoadOutcome::quizFailed);
        EXPECT_FALSE(report.colourChanged);
        expectOneMessage(messageQuizFailed);
        expectConstructionHeader();
        expectNoQuestions(*quiz);
        EXPECT_STREQ(quiz->linkText, "lien");
        EXPECT_STREQ(quiz->footerText, "pied");
    }
}

TEST_F(QuizLoaderTest, AQuizResourceWithTooManyQuestionsFails) {
    Bytes b;
    b.byte(0).byte(1).byte(97).byte(1).text("T").text("A").text("D").text("").text("");
    for (int i = 0; i < 97; ++i) {
        b.text("R").text("P");
    }
    b.byte(0).byte(1).byte(2).byte(3);
    const LoadReport report = load(storedContentBlock("a", "b", false), stored(b.v), stored(sampleCodes()));
    EXPECT_EQ(report.outcome, LoadOutcome::quizFailed);
    expectOneMessage(messageQuizFailed);
    expectConstructionHeader();
    expectNoQuestions(*quiz);
}

TEST_F(QuizLoaderTest, NinetySixQuestionsLoad) {
    Bytes b;
    b.byte(0).byte(1).byte(96).byte(1).text("T").text("A").text("D").text("").text("");
    std::string codes;
    for (int i = 1; i <= 96; ++i) {
        b.text("R" + std::to_string(i)).text("P" + std::to_string(i));
        codes += "C" + std::to_string(i) + "\r\n";
    }
    b.byte(0).byte(1).byte(2).byte(3);
    const LoadReport report = load(storedContentBlock("a", "b", true), stored(b.v, 6), stored(Bytes().raw(codes).v, 0));
    EXPECT_EQ(report.outcome, LoadOutcome::loaded);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(quiz->questionCount, 96);
    EXPECT_STREQ(quiz->tail->answer, "R96");
    EXPECT_EQ(questionAt(quiz.get(), 95), quiz->tail);
    EXPECT_STREQ(quiz->codes[0], "C1");
    EXPECT_STREQ(quiz->codes[95], "C96");
}

TEST_F(QuizLoaderTest, MissingCodesKeepTheQuiz) {
    const LoadReport report = load(storedContentBlock("www.vyrla.fr", "Bonne chance", false), stored(sampleQuiz()), {});
    EXPECT_EQ(report.outcome, LoadOutcome::codesFailed);
    EXPECT_TRUE(report.colourChanged);
    expectOneMessage(messageCodesFailed);
    expectSampleQuiz();
    EXPECT_TRUE(allZero(quiz->codes, sizeof quiz->codes));
}

TEST_F(QuizLoaderTest, CodesThatExpandNeitherWayKeepTheQuiz) {
    const LoadReport report =
        load(storedContentBlock("a", "b", false), stored(sampleQuiz()), std::vector<uint8_t>(40, 0xFF));
    EXPECT_EQ(report.outcome, LoadOutcome::codesFailed);
    EXPECT_TRUE(report.codesUnscrambled);
    expectOneMessage(messageCodesFailed);
    expectSampleQuiz();
    EXPECT_TRUE(allZero(quiz->codes, sizeof quiz->codes));
}

}  // namespace
