#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "pack/stored/lzw_compress.h"
#include "quiz/content_parse.h"
#include "quiz/lzw_expand.h"
#include "quiz/messages.h"
#include "quiz/quiz_loader.h"
#include "quiz/quiz_texts.h"
#include "quiz/scramble.h"

namespace {

using Bytes = std::vector<uint8_t>;

bool expandsAsStored(const Bytes& stored) {
    uint8_t* block = nullptr;
    int32_t reported = 0;
    const int32_t result = lzwExpand(stored.data(), stored.size(), &block, &reported);
    lzwFree(block);
    return result == lzwOk;
}

Bytes scrambledFrom(Bytes bytes, int keyPosition) {
    scrambleWithKey(bytes.data(), bytes.size(), &keyPosition);
    return bytes;
}

// Coded as the packer does; scrambled from `keyPosition` unless it is
// negative. Scrambled bytes must not expand as stored, or the loader would
// take them as they are.
Bytes stored(const std::string& expanded, int keyPosition = -1) {
    Bytes coded = lzwCompress(reinterpret_cast<const uint8_t*>(expanded.data()), expanded.size());
    if (keyPosition >= 0) {
        coded = scrambledFrom(coded, keyPosition);
        EXPECT_FALSE(expandsAsStored(coded)) << "scrambled content expands as stored";
    }
    return coded;
}

// The ContentBlock is always 70 bytes: the coded bytes padded with zeros.
Bytes storedContentBlock(const std::string& link, const std::string& footer, bool scramble,
                         const std::string& texts = "") {
    Bytes coded = stored("V\x01" + (texts.empty() ? link + "|" + footer + "|" : texts));
    EXPECT_LE(coded.size(), contentBlockSize);
    coded.resize(contentBlockSize, 0);
    return scramble ? scrambledFrom(coded, 0) : coded;
}

// Two questions, two answer fields, mode 3, colour 10 20 30.
const std::string sampleQuiz = std::string("\0\x02\x02\x02", 4) +
                               "Capitales|Marie|Trouvez les villes|Ville|Pays|PARIS|FRANCE|Tour Eiffel|ROME|ITALIE|"
                               "Colis\xE9" "e|\x03Indice 1|jete 1|Indice 2|jete 2|\x0A\x14\x1E";
const std::string sampleCodes = "CODE-UN\r\nCODE-DEUX\r\n";

std::vector<std::string>& messages() {
    static std::vector<std::string> recorded;
    return recorded;
}

void recordMessage(const char* text, const char* caption, unsigned style) {
    messages().push_back(std::string(text) + " / " + caption + " / " + std::to_string(style));
}

// The texts of a record, joined with "|" so that one comparison shows them all.
std::string joined(std::initializer_list<const char*> texts) {
    std::string all;
    for (const char* text : texts) {
        all += std::string(all.empty() ? "" : "|") + text;
    }
    return all;
}

std::string questionTexts(const QuestionNode* node) {
    return node ? joined({node->answer, node->secondAnswer, node->prompt, node->hint}) : "<none>";
}

// kind, questionCount, answersPerQuestion, answerMode, red, green, blue, color
using Numbers = std::vector<long>;
Numbers numbersOf(const QuizState& q) {
    return {q.kind, q.questionCount, q.answersPerQuestion, q.answerMode, q.red, q.green, q.blue, long(q.color)};
}

bool allZero(const void* bytes, size_t size) {
    const auto* p = static_cast<const unsigned char*>(bytes);
    return std::all_of(p, p + size, [](unsigned char c) { return c == 0; });
}

struct QuizLoaderTest : testing::Test {
    void SetUp() override {
        previousSink = setMessageSink(recordMessage);
        quiz = std::make_unique<QuizState>();
        reset();
    }
    void TearDown() override {
        freeQuestionList(quiz.get());
        setMessageSink(previousSink);
    }
    void reset() {
        messages().clear();
        freeQuestionList(quiz.get());
        setQuizDefaults(quiz.get());
    }

    // Loads from copies and checks that not one stored byte changed: the
    // stored contents may sit on read-only pages.
    LoadReport load(const Bytes& contentBlock, const Bytes& quizResource, const Bytes& codesResource) {
        const Bytes block = contentBlock;
        const Bytes quizBytes = quizResource;
        const Bytes codesBytes = codesResource;
        const StoredContents contents{block.empty() ? nullptr : block.data(), quizBytes.data(), quizBytes.size(),
                                      codesBytes.data(), codesBytes.size()};
        const LoadReport report = loadQuizContents(quiz.get(), contents);
        EXPECT_EQ(block, contentBlock) << "the ContentBlock was changed";
        EXPECT_EQ(quizBytes, quizResource) << "the quiz resource was changed";
        EXPECT_EQ(codesBytes, codesResource) << "the codes resource was changed";
        return report;
    }

    void expectMessages(std::vector<std::string> texts) {
        for (std::string& text : texts) {
            text += " / Vyrla / " + std::to_string(messageOk);
        }
        EXPECT_EQ(messages(), texts);
    }

    std::string headerTexts() const {
        return joined({quiz->title, quiz->author, quiz->description, quiz->answerCaption1, quiz->answerCaption2});
    }

    void expectSampleQuiz() {
        EXPECT_EQ(numbersOf(*quiz), (Numbers{1, 2, 2, 3, 10, 20, 30, 0x1E140A}));
        EXPECT_EQ(headerTexts(), "Capitales|Marie|Trouvez les villes|Ville|Pays");
        EXPECT_EQ(questionTexts(quiz->head), "PARIS|FRANCE|Tour Eiffel|Indice 1");
        EXPECT_EQ(questionTexts(quiz->tail), "ROME|ITALIE|Colis\xE9" "e|Indice 2");
        EXPECT_EQ(quiz->head->next, quiz->tail);
    }

    // What a failed ContentBlock or quiz resource leaves: the construction's
    // header and no questions.
    void expectNoQuiz() {
        EXPECT_EQ(numbersOf(*quiz), (Numbers{0, 0, 1, 0, 90, 95, 150, 0xFF6633}));
        EXPECT_EQ(headerTexts(), "nom du vyrla| createur|||");
        EXPECT_EQ(quiz->head, nullptr);
        EXPECT_EQ(quiz->tail, nullptr);
        EXPECT_TRUE(allZero(quiz->codes, sizeof quiz->codes));
    }

    MessageSink previousSink = nullptr;
    std::unique_ptr<QuizState> quiz;
};

// Every combination of scrambled and plain contents. The key position
// carries from the ContentBlock to the quiz resource (6 after a scrambled
// ContentBlock, 0 after a plain one); the codes always start from 0.
class ScrambleCombinationTest : public QuizLoaderTest,
                                public testing::WithParamInterface<std::tuple<bool, bool, bool>> {};

TEST_P(ScrambleCombinationTest, LoadsTheSameQuiz) {
    const auto [blockScrambled, quizScrambled, codesScrambled] = GetParam();
    const int quizKey = blockScrambled ? 6 : 0;
    const LoadReport report = load(storedContentBlock("www.vyrla.fr", "Bonne chance", blockScrambled),
                                   stored(sampleQuiz, quizScrambled ? quizKey : -1),
                                   stored(sampleCodes, codesScrambled ? 0 : -1));
    expectMessages({});
    EXPECT_EQ(report.outcome, LoadOutcome::loaded);
    EXPECT_TRUE(report.colourChanged);
    EXPECT_EQ(report.contentBlockUnscrambled, blockScrambled);
    EXPECT_EQ(report.quizUnscrambled, quizScrambled);
    EXPECT_EQ(report.codesUnscrambled, codesScrambled);
    EXPECT_EQ(report.quizKeyStart, quizKey);
    EXPECT_STREQ(quiz->linkText, "www.vyrla.fr");
    EXPECT_STREQ(quiz->footerText, "Bonne chance");
    expectSampleQuiz();
    EXPECT_STREQ(quiz->codes[0], "CODE-UN");
    EXPECT_STREQ(quiz->codes[1], "CODE-DEUX");
    EXPECT_TRUE(allZero(quiz->codes[2], sizeof quiz->codes - 2 * sizeof quiz->codes[0]));
    freeQuestionList(quiz.get());
    EXPECT_EQ(quiz->head, nullptr);
    EXPECT_EQ(quiz->tail, nullptr);
}

INSTANTIATE_TEST_SUITE_P(AllContents, ScrambleCombinationTest,
                         testing::Combine(testing::Bool(), testing::Bool(), testing::Bool()));

TEST_F(QuizLoaderTest, ContentsScrambledFromAnyOtherKeyPositionFail) {
    int keyAfterQuiz = 6;
    Bytes quizCode = stored(sampleQuiz);
    scrambleWithKey(quizCode.data(), quizCode.size(), &keyAfterQuiz);
    ASSERT_NE(keyAfterQuiz, 0);
    struct Case {
        bool blockScrambled;
        int quizKey;
        int codesKey;
        LoadOutcome outcome;
        const char* message;
    };
    const Case cases[] = {
        {false, 6, 0, LoadOutcome::quizFailed, messageQuizFailed},
        {true, 0, 0, LoadOutcome::quizFailed, messageQuizFailed},
        {true, 6, 6, LoadOutcome::codesFailed, messageCodesFailed},
        {true, 6, keyAfterQuiz, LoadOutcome::codesFailed, messageCodesFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.blockScrambled << ", " << c.quizKey << ", " << c.codesKey);
        reset();
        const LoadReport report = load(storedContentBlock("a", "b", c.blockScrambled), stored(sampleQuiz, c.quizKey),
                                       stored(sampleCodes, c.codesKey));
        EXPECT_EQ(report.outcome, c.outcome);
        EXPECT_EQ(report.quizKeyStart, c.blockScrambled ? 6 : 0);
        expectMessages({c.message});
    }
}

// What each failure shows and what it leaves.
TEST_F(QuizLoaderTest, FailuresShowTheirMessageAndKeepWhatWasLoaded) {
    const Bytes block = storedContentBlock("lien", "pied", true);
    const Bytes quizResource = stored(sampleQuiz, 6);
    const Bytes codes = stored(sampleCodes, 0);
    std::string tooMany = std::string("\0\x01\x61\x01", 4) + "T|A|D|||";
    for (int i = 0; i < 97; ++i) {
        tooMany += "R|P|";
    }
    tooMany += std::string("\0\x01\x02\x03", 4);
    const Bytes garbage(contentBlockSize, 0xFF);
    ASSERT_FALSE(expandsAsStored(scrambledFrom(garbage, 0)));
    struct Case {
        const char* what;
        Bytes contentBlock;
        Bytes quizResource;
        Bytes codesResource;
        LoadOutcome outcome;
        const char* message;
    };
    const Case cases[] = {
        {"ContentBlock of garbage", garbage, quizResource, codes, LoadOutcome::contentBlockFailed,
         messageContentBlockFailed},
        {"ContentBlock without its footer's bar", storedContentBlock("", "", false, "lien|pied sans fin"),
         quizResource, codes, LoadOutcome::contentBlockFailed, messageContentBlockFailed},
        {"no ContentBlock", {}, quizResource, codes, LoadOutcome::contentBlockFailed, messageContentBlockFailed},
        {"quiz resource of garbage", block, Bytes(50, 0xFF), codes, LoadOutcome::quizFailed, messageQuizFailed},
        {"quiz resource cut short", block, stored(sampleQuiz.substr(0, sampleQuiz.size() - 1), 6), codes,
         LoadOutcome::quizFailed, messageQuizFailed},
        {"97 questions", block, stored(tooMany, 6), codes, LoadOutcome::quizFailed, messageQuizFailed},
        {"no codes resource", block, quizResource, {}, LoadOutcome::codesFailed, messageCodesFailed},
        {"codes resource of garbage", block, quizResource, Bytes(40, 0xFF), LoadOutcome::codesFailed,
         messageCodesFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        reset();
        const LoadReport report = load(c.contentBlock, c.quizResource, c.codesResource);
        EXPECT_EQ(report.outcome, c.outcome);
        expectMessages({c.message});
        if (c.outcome == LoadOutcome::codesFailed) {
            EXPECT_TRUE(report.colourChanged);
            expectSampleQuiz();
            EXPECT_TRUE(allZero(quiz->codes, sizeof quiz->codes));
        } else {
            EXPECT_FALSE(report.colourChanged);
            expectNoQuiz();
        }
        const bool blockRead = c.outcome != LoadOutcome::contentBlockFailed;
        EXPECT_STREQ(quiz->linkText, blockRead ? "lien" : "");
        EXPECT_STREQ(quiz->footerText, blockRead ? "pied" : "");
    }
}

TEST_F(QuizLoaderTest, AMissingOrEmptyQuizResourceGivesTheFallbackQuiz) {
    const Bytes block = storedContentBlock("www.vyrla.fr", "Bonne chance", true);
    for (const bool missing : {true, false}) {
        SCOPED_TRACE(missing);
        reset();
        const uint8_t resource[1] = {0x30};
        const StoredContents contents{block.data(), missing ? nullptr : resource, 0, nullptr, 0};
        const LoadReport report = loadQuizContents(quiz.get(), contents);
        EXPECT_EQ(report.outcome, LoadOutcome::fallback);
        EXPECT_TRUE(report.colourChanged);
        expectMessages({"Questions non livr\xE9" "es"});
        EXPECT_STREQ(quiz->linkText, "www.vyrla.fr");
        EXPECT_STREQ(quiz->footerText, "Bonne chance");
        EXPECT_EQ(numbersOf(*quiz), (Numbers{1, 7, 1, 3, 51, 102, 255, 0xFF6633}));
        EXPECT_EQ(headerTexts(), "Nom du vyrla|Createur vyrla|Explications du vyrla|TEST|TEST");
        EXPECT_EQ(questionTexts(quiz->head), "TEST|TEST|emplacement|");
        EXPECT_EQ(questionTexts(quiz->tail), "TEST|TEST|emplacement|");
        EXPECT_NE(quiz->head, quiz->tail);
        EXPECT_EQ(quiz->head->next, quiz->tail);
        // Seven declared, two held: questions 3 to 7 find the second record.
        EXPECT_EQ(questionAt(quiz.get(), 6), quiz->tail);
        EXPECT_TRUE(allZero(quiz->codes, sizeof quiz->codes));
    }
}

TEST_F(QuizLoaderTest, NinetySixQuestionsWithTextsCutToTheirFields) {
    std::string expanded = std::string("\0\x01\x60\x01", 4) + std::string(300, 'T') + "|A|D|||";
    std::string hints;
    std::string codes = std::string(500, 'C') + "\r\n";
    for (int i = 1; i <= 96; ++i) {
        expanded += (i == 1 ? std::string(400, 'R') : "R" + std::to_string(i)) + "|P|";
        hints += (i == 1 ? std::string(270, 'H') : "H" + std::to_string(i)) + "|";
        codes += i > 1 ? "C" + std::to_string(i) + "\r\n" : "";
    }
    expanded += "\x01" + hints + "\x01\x02\x03";
    const LoadReport report = load(storedContentBlock("a", "b", true), stored(expanded, 6), stored(codes, 0));
    EXPECT_EQ(report.outcome, LoadOutcome::loaded);
    expectMessages({});
    EXPECT_EQ(std::string(quiz->title), std::string(259, 'T'));
    EXPECT_STREQ(quiz->author, "A");
    EXPECT_EQ(std::string(quiz->head->answer), std::string(259, 'R'));
    EXPECT_STREQ(quiz->head->secondAnswer, "");  // nothing spilt over
    EXPECT_EQ(std::string(quiz->head->hint), std::string(259, 'H'));
    EXPECT_EQ(std::string(quiz->codes[0]), std::string(259, 'C'));
    EXPECT_EQ(quiz->questionCount, 96);
    EXPECT_EQ(questionAt(quiz.get(), 95), quiz->tail);
    EXPECT_STREQ(quiz->tail->answer, "R96");
    EXPECT_STREQ(quiz->tail->hint, "H96");
    EXPECT_STREQ(quiz->codes[95], "C96");
    EXPECT_EQ(quiz->blue, 3);
}

int nodesAllocated = 0;

void* allocateTwoNodes(size_t size) {
    return ++nodesAllocated > 2 ? nullptr : std::malloc(size);
}

TEST_F(QuizLoaderTest, HintsOfQuestionsWithoutANodeLandOnTheLastNode) {
    nodesAllocated = 0;
    setNodeAllocator(allocateTwoNodes);
    const LoadReport report =
        load(storedContentBlock("a", "b", false),
             stored(std::string("\0\x01\x03\x01", 4) + "T|A|D|||R1|P1|R2|P2|R3|P3|\x01H1|H2|H3|\x01\x02\x03"),
             stored(sampleCodes));
    setNodeAllocator(nullptr);
    EXPECT_EQ(report.outcome, LoadOutcome::loaded);
    EXPECT_EQ(quiz->questionCount, 3);
    EXPECT_EQ(quiz->head->next, quiz->tail);
    EXPECT_STREQ(quiz->head->hint, "H1");
    EXPECT_STREQ(quiz->tail->answer, "R2");
    EXPECT_STREQ(quiz->tail->hint, "H3");
}

}  // namespace
