#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "pack/stored/lzw_compress.h"
#include "quiz/content_parse.h"
#include "quiz/messages.h"
#include "quiz/quiz_loader.h"
#include "quiz/quiz_texts.h"
#include "quiz/scramble.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Coded as the packer does, padded with zeros to `size` (the ContentBlock is
// always 70 bytes), scrambled from `keyPosition` unless it is negative.
Bytes stored(const std::string& expanded, int keyPosition = -1, size_t size = 0) {
    Bytes coded = lzwCompress(reinterpret_cast<const uint8_t*>(expanded.data()), expanded.size());
    coded.resize(std::max(size, coded.size()), 0);
    if (keyPosition >= 0) scrambleWithKey(coded.data(), coded.size(), &keyPosition);
    return coded;
}

Bytes storedContentBlock(const std::string& texts, bool scramble) { return stored("V\x01" + texts, scramble ? 0 : -1, contentBlockSize); }

// Two questions, two answer fields, mode 3, colour 10 20 30.
const std::string sampleQuiz = std::string("\0\x02\x02\x02", 4) +
                               "Capitales|Marie|Trouvez les villes|Ville|Pays|PARIS|FRANCE|Tour Eiffel|ROME|ITALIE|"
                               "Colis\xE9" "e|\x03Indice 1|jete 1|Indice 2|jete 2|\x0A\x14\x1E";
const std::string sampleCodes = "CODE-UN\r\nCODE-DEUX\r\n";

std::vector<std::string> messages;

// The header's texts, then each question's, joined with "|"; then the numbers:
// kind, questionCount, answersPerQuestion, answerMode, red, green, blue, color.
std::string textsOf(const QuizState& q) {
    std::string all = std::string(q.title) + "|" + q.author + "|" + q.description + "|" + q.answerCaption1 + "|" + q.answerCaption2;
    for (const QuestionNode* n = q.head; n; n = n->next) all += std::string("/") + n->answer + "|" + n->secondAnswer + "|" + n->prompt + "|" + n->hint;
    return all;
}
std::vector<long> numbersOf(const QuizState& q) {
    return {q.kind, q.questionCount, q.answersPerQuestion, q.answerMode, q.red, q.green, q.blue, long(q.color)};
}
const std::string sampleTexts = "Capitales|Marie|Trouvez les villes|Ville|Pays/PARIS|FRANCE|Tour Eiffel|Indice 1/ROME|ITALIE|Colis\xE9" "e|Indice 2";
const std::vector<long> sampleNumbers = {1, 2, 2, 3, 10, 20, 30, 0x1E140A}, noQuizNumbers = {0, 0, 1, 0, 90, 95, 150, 0xFF6633};

struct QuizLoaderTest : testing::Test {
    void SetUp() override { previousSink = setMessageSink([](const char* text, const char*, unsigned) { messages.push_back(text); }); }
    void TearDown() override { freeQuestionList(&quiz), setMessageSink(previousSink); }
    // Loads from copies and checks that not one stored byte changed: the
    // stored contents may sit on read-only pages.
    LoadReport load(const Bytes& contentBlock, const Bytes& quizResource, const Bytes& codesResource) {
        messages.clear();
        freeQuestionList(&quiz);
        setQuizDefaults(&quiz);
        const Bytes block = contentBlock, quizBytes = quizResource, codesBytes = codesResource;
        const LoadReport report = loadQuizContents(&quiz, {block.empty() ? nullptr : block.data(), quizBytes.data(), quizBytes.size(),
                                                           codesBytes.data(), codesBytes.size()});
        EXPECT_TRUE(block == contentBlock && quizBytes == quizResource && codesBytes == codesResource) << "stored bytes changed";
        return report;
    }
    MessageSink previousSink = nullptr;
    QuizState quiz{};
};

// Every combination of scrambled and plain contents. The key position
// carries from the ContentBlock to the quiz resource (6 after a scrambled
// ContentBlock, 0 after a plain one); the codes always start from 0.
class ScrambleCombinationTest : public QuizLoaderTest, public testing::WithParamInterface<std::tuple<bool, bool, bool>> {};

TEST_P(ScrambleCombinationTest, LoadsTheSameQuiz) {
    const auto [blockScrambled, quizScrambled, codesScrambled] = GetParam();
    const LoadReport report = load(storedContentBlock("www.vyrla.fr|Bonne chance|", blockScrambled),
                                   stored(sampleQuiz, quizScrambled ? (blockScrambled ? 6 : 0) : -1), stored(sampleCodes, codesScrambled ? 0 : -1));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(report.outcome, LoadOutcome::loaded);
    EXPECT_TRUE(report.contentBlockUnscrambled == blockScrambled && report.quizUnscrambled == quizScrambled &&
                report.codesUnscrambled == codesScrambled);
    EXPECT_EQ(std::string(quiz.linkText) + "|" + quiz.footerText, "www.vyrla.fr|Bonne chance");
    EXPECT_EQ(textsOf(quiz), sampleTexts);
    EXPECT_EQ(numbersOf(quiz), sampleNumbers);
    EXPECT_EQ(std::string(quiz.codes[0]) + "|" + quiz.codes[1] + "|" + quiz.codes[2], "CODE-UN|CODE-DEUX|");
}

INSTANTIATE_TEST_SUITE_P(AllContents, ScrambleCombinationTest, testing::Combine(testing::Bool(), testing::Bool(), testing::Bool()));

// What each failure shows and what it leaves: a failed ContentBlock or quiz
// resource leaves the construction's header and no questions.
TEST_F(QuizLoaderTest, FailuresShowTheirMessageAndKeepWhatWasLoaded) {
    const Bytes block = storedContentBlock("lien|pied|", true), quizResource = stored(sampleQuiz, 6), codes = stored(sampleCodes, 0);
    std::string tooMany = std::string("\0\x01\x61\x01", 4) + "T|A|D|||";
    for (int i = 0; i < 97; ++i) tooMany += "R|P|";
    const struct {
        const char* what;
        Bytes contentBlock, quizResource, codesResource;
        LoadOutcome outcome;
        const char* message;
    } cases[] = {
        {"ContentBlock of garbage", Bytes(contentBlockSize, 0xFF), quizResource, codes, LoadOutcome::contentBlockFailed, messageContentBlockFailed},
        {"ContentBlock without its footer's bar", storedContentBlock("lien|pied", false), quizResource, codes, LoadOutcome::contentBlockFailed,
         messageContentBlockFailed},
        {"no ContentBlock", {}, quizResource, codes, LoadOutcome::contentBlockFailed, messageContentBlockFailed},
        {"quiz resource scrambled from 0", block, stored(sampleQuiz, 0), codes, LoadOutcome::quizFailed, messageQuizFailed},
        {"quiz resource cut short", block, stored(sampleQuiz.substr(0, sampleQuiz.size() - 1), 6), codes, LoadOutcome::quizFailed, messageQuizFailed},
        {"97 questions", block, stored(tooMany + std::string("\0\x01\x02\x03", 4), 6), codes, LoadOutcome::quizFailed, messageQuizFailed},
        {"no codes resource", block, quizResource, {}, LoadOutcome::codesFailed, messageCodesFailed},
        {"codes scrambled from 6", block, quizResource, stored(sampleCodes, 6), LoadOutcome::codesFailed, messageCodesFailed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const LoadReport report = load(c.contentBlock, c.quizResource, c.codesResource);
        const bool quizRead = c.outcome == LoadOutcome::codesFailed;
        EXPECT_EQ(report.outcome, c.outcome);
        EXPECT_EQ(messages, std::vector<std::string>{c.message});
        EXPECT_EQ(report.colourChanged, quizRead);
        EXPECT_EQ(textsOf(quiz), quizRead ? sampleTexts : "nom du vyrla| createur|||");
        EXPECT_EQ(numbersOf(quiz), quizRead ? sampleNumbers : noQuizNumbers);
        EXPECT_STREQ(quiz.codes[0], "");
        EXPECT_STREQ(quiz.footerText, c.outcome != LoadOutcome::contentBlockFailed ? "pied" : "");
    }
}

// Seven questions declared, two held: questions 3 to 7 find the second record.
TEST_F(QuizLoaderTest, AMissingQuizResourceGivesTheFallbackQuiz) {
    const LoadReport report = load(storedContentBlock("www.vyrla.fr|Bonne chance|", true), {}, {});
    EXPECT_TRUE(report.outcome == LoadOutcome::fallback && report.colourChanged);
    EXPECT_EQ(messages, std::vector<std::string>{"Questions non livr\xE9" "es"});
    EXPECT_STREQ(quiz.footerText, "Bonne chance");
    EXPECT_EQ(numbersOf(quiz), (std::vector<long>{1, 7, 1, 3, 51, 102, 255, 0xFF6633}));
    EXPECT_EQ(textsOf(quiz), "Nom du vyrla|Createur vyrla|Explications du vyrla|TEST|TEST/TEST|TEST|emplacement|/TEST|TEST|emplacement|");
    EXPECT_EQ(questionAt(&quiz, 6), quiz.tail);
}

// Appends keep their order and cut texts to their field; one that cannot
// allocate leaves the list as it was.
TEST(QuizState, AppendsCutTextsAndSurviveAFailedAllocation) {
    QuizState quiz{};
    setQuizDefaults(&quiz);
    appendQuestion(&quiz, "a", std::string(400, 'x').c_str(), nullptr);
    appendQuestion(&quiz, "d", "e", "f");
    setNodeAllocator([](size_t) -> void* { return nullptr; });
    appendQuestion(&quiz, "g", "h", "i");
    setNodeAllocator(nullptr);
    EXPECT_EQ(textsOf(quiz), "nom du vyrla| createur|||/a|" + std::string(259, 'x') + "||/d|e|f|");
    EXPECT_TRUE(quiz.head->next == quiz.tail && quiz.tail->prev == quiz.head && quiz.tail->next == nullptr);
    freeQuestionList(&quiz);
    EXPECT_TRUE(quiz.head == nullptr && quiz.tail == nullptr);
}

}  // namespace
