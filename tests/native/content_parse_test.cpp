#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "content_parse.h"
#include "lzw_expand.h"

namespace {

// Expanded bytes, written field by field.
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

// An exact heap copy, so the sanitizer sees any read past the given bytes.
// `slack` bytes follow the copy, as the expander's block has them.
std::unique_ptr<uint8_t[]> exactCopy(const std::vector<uint8_t>& bytes, const std::vector<uint8_t>& slack = {}) {
    const size_t total = bytes.size() + slack.size();
    std::unique_ptr<uint8_t[]> copy(new uint8_t[total ? total : 1]);
    if (!bytes.empty()) {
        std::memcpy(copy.get(), bytes.data(), bytes.size());
    }
    if (!slack.empty()) {
        std::memcpy(copy.get() + bytes.size(), slack.data(), slack.size());
    }
    return copy;
}

std::unique_ptr<ParsedQuiz> parse(const std::vector<uint8_t>& bytes, bool* ok) {
    auto quiz = std::make_unique<ParsedQuiz>();
    auto copy = exactCopy(bytes);
    *ok = parseQuizResource(copy.get(), bytes.size(), quiz.get());
    return quiz;
}

std::unique_ptr<ParsedQuiz> parseOk(const std::vector<uint8_t>& bytes) {
    bool ok = false;
    auto quiz = parse(bytes, &ok);
    EXPECT_TRUE(ok);
    return quiz;
}

bool parseFails(const std::vector<uint8_t>& bytes) {
    bool ok = true;
    parse(bytes, &ok);
    return !ok;
}

// Byte 0 (not read), kind + 1, count, answers per question, five header texts.
Bytes header(int kindByte, int count, int answersByte) {
    Bytes b;
    b.byte(0x5A).byte(kindByte).byte(count).byte(answersByte);
    b.text("Titre").text("Auteur").text("Description").text("Cap1").text("Cap2");
    return b;
}

// Two questions, one answer field, mode 3, colour 1 2 3.
Bytes fullQuiz() {
    Bytes b = header(2, 2, 1);
    b.text("R1").text("Q1").text("R2").text("Q2");
    b.byte(3).text("H1").text("X1").text("H2").text("X2");
    b.byte(1).byte(2).byte(3);
    return b;
}

TEST(ParseQuizResource, ReadsTheHeader) {
    auto quiz = parseOk(fullQuiz().v);
    EXPECT_EQ(quiz->kind, 1);
    EXPECT_EQ(quiz->questionCount, 2);
    EXPECT_EQ(quiz->answersPerQuestion, 1);
    EXPECT_STREQ(quiz->title, "Titre");
    EXPECT_STREQ(quiz->author, "Auteur");
    EXPECT_STREQ(quiz->description, "Description");
    EXPECT_STREQ(quiz->answerCaption1, "Cap1");
    EXPECT_STREQ(quiz->answerCaption2, "Cap2");
}

TEST(ParseQuizResource, ByteThreeTwoCarriesThreeTextsPerRecord) {
    Bytes b = header(1, 2, 2);
    b.text("A1").text("B1").text("P1").text("A2").text("B2").text("P2");
    b.byte(0).byte(7).byte(8).byte(9);
    auto quiz = parseOk(b.v);
    EXPECT_EQ(quiz->answersPerQuestion, 2);
    EXPECT_STREQ(quiz->questions[0].answer, "A1");
    EXPECT_STREQ(quiz->questions[0].secondAnswer, "B1");
    EXPECT_STREQ(quiz->questions[0].prompt, "P1");
    EXPECT_STREQ(quiz->questions[1].answer, "A2");
    EXPECT_STREQ(quiz->questions[1].secondAnswer, "B2");
    EXPECT_STREQ(quiz->questions[1].prompt, "P2");
    EXPECT_EQ(quiz->answerMode, 0);
    EXPECT_EQ(quiz->red, 7);
    EXPECT_EQ(quiz->green, 8);
    EXPECT_EQ(quiz->blue, 9);
}

TEST(ParseQuizResource, ByteThreeOtherThanTwoCarriesTwoTextsPerRecord) {
    for (int answersByte : {0, 1, 3, 7, 255}) {
        SCOPED_TRACE(answersByte);
        Bytes b = header(1, 2, answersByte);
        b.text("A1").text("P1").text("A2").text("P2");
        b.byte(0).byte(7).byte(8).byte(9);
        auto quiz = parseOk(b.v);
        // Any value but 2 is one answer field.
        EXPECT_EQ(quiz->answersPerQuestion, 1);
        EXPECT_STREQ(quiz->questions[0].answer, "A1");
        EXPECT_STREQ(quiz->questions[0].secondAnswer, "");
        EXPECT_STREQ(quiz->questions[0].prompt, "P1");
        EXPECT_STREQ(quiz->questions[1].answer, "A2");
        EXPECT_STREQ(quiz->questions[1].secondAnswer, "");
        EXPECT_STREQ(quiz->questions[1].prompt, "P2");
        EXPECT_EQ(quiz->red, 7);
        EXPECT_EQ(quiz->blue, 9);
    }
}

TEST(ParseQuizResource, ModeThreeKeepsTheFirstOfTwoTexts) {
    auto quiz = parseOk(fullQuiz().v);
    EXPECT_EQ(quiz->answerMode, 3);
    EXPECT_STREQ(quiz->questions[0].hint, "H1");
    EXPECT_STREQ(quiz->questions[1].hint, "H2");
    // The colour follows the fourth "|".
    EXPECT_EQ(quiz->red, 1);
    EXPECT_EQ(quiz->green, 2);
    EXPECT_EQ(quiz->blue, 3);
}

TEST(ParseQuizResource, ModeSixKeepsTheFirstOfTwoTexts) {
    Bytes b = header(1, 2, 1);
    b.text("R1").text("Q1").text("R2").text("Q2");
    b.byte(6).text("H1").text("X1").text("H2").text("X2").byte(4).byte(5).byte(6);
    auto quiz = parseOk(b.v);
    EXPECT_EQ(quiz->answerMode, 6);
    EXPECT_STREQ(quiz->questions[0].hint, "H1");
    EXPECT_STREQ(quiz->questions[1].hint, "H2");
    EXPECT_EQ(quiz->red, 4);
    EXPECT_EQ(quiz->green, 5);
    EXPECT_EQ(quiz->blue, 6);
}

TEST(ParseQuizResource, ModesOneTwoFourSevenCarryOneTextPerQuestion) {
    for (int mode : {1, 2, 4, 7}) {
        SCOPED_TRACE(mode);
        Bytes b = header(1, 2, 1);
        b.text("R1").text("Q1").text("R2").text("Q2");
        b.byte(mode).text("H1").text("H2").byte(10).byte(20).byte(30);
        auto quiz = parseOk(b.v);
        EXPECT_EQ(quiz->answerMode, mode);
        EXPECT_STREQ(quiz->questions[0].hint, "H1");
        EXPECT_STREQ(quiz->questions[1].hint, "H2");
        EXPECT_EQ(quiz->red, 10);
        EXPECT_EQ(quiz->green, 20);
        EXPECT_EQ(quiz->blue, 30);
    }
}

TEST(ParseQuizResource, ModesWithoutASectionHaveTheColourRightAfterTheModeByte) {
    for (int mode : {0, 5, 8, 9, 200, 255}) {
        SCOPED_TRACE(mode);
        Bytes b = header(1, 2, 1);
        b.text("R1").text("Q1").text("R2").text("Q2");
        // Colour bytes that look like separators: they must not be read as texts.
        b.byte(mode).byte('|').byte(20).byte('|');
        auto quiz = parseOk(b.v);
        EXPECT_EQ(quiz->answerMode, mode);
        EXPECT_STREQ(quiz->questions[0].hint, "");
        EXPECT_STREQ(quiz->questions[1].hint, "");
        EXPECT_EQ(quiz->red, '|');
        EXPECT_EQ(quiz->green, 20);
        EXPECT_EQ(quiz->blue, '|');
    }
}

TEST(ParseQuizResource, HintTextsPerQuestionFollowTheModeTable) {
    const int expected[] = {0, 1, 1, 2, 1, 0, 2, 1, 0, 0};
    for (int mode = 0; mode < 10; ++mode) {
        EXPECT_EQ(hintTextsPerQuestion(mode), expected[mode]) << "mode " << mode;
    }
    EXPECT_EQ(hintTextsPerQuestion(255), 0);
}

TEST(ParseQuizResource, KindIsTheStoredByteLessOne) {
    const int cases[][2] = {{0, -1}, {1, 0}, {2, 1}, {3, 2}, {4, 3}, {255, 254}};
    for (const auto& c : cases) {
        Bytes b = header(c[0], 0, 1);
        b.byte(0).byte(1).byte(2).byte(3);
        EXPECT_EQ(parseOk(b.v)->kind, c[1]) << "byte " << c[0];
    }
}

TEST(ParseQuizResource, AnEmptyTextMovesOnByOneByte) {
    Bytes b;
    b.byte(0).byte(1).byte(1).byte(1).text("").text("A").text("").text("").text("C2");
    b.text("").text("").byte(0).byte(11).byte(12).byte(13);
    auto quiz = parseOk(b.v);
    EXPECT_STREQ(quiz->title, "");
    EXPECT_STREQ(quiz->author, "A");
    EXPECT_STREQ(quiz->description, "");
    EXPECT_STREQ(quiz->answerCaption1, "");
    EXPECT_STREQ(quiz->answerCaption2, "C2");
    EXPECT_STREQ(quiz->questions[0].answer, "");
    EXPECT_STREQ(quiz->questions[0].prompt, "");
    EXPECT_EQ(quiz->red, 11);
}

TEST(ParseQuizResource, NoQuestionsReadsNoSection) {
    Bytes b = header(1, 0, 1);
    b.byte(1).byte(10).byte(20).byte(30);
    auto quiz = parseOk(b.v);
    EXPECT_EQ(quiz->questionCount, 0);
    EXPECT_EQ(quiz->answerMode, 1);
    EXPECT_EQ(quiz->red, 10);
    EXPECT_EQ(quiz->green, 20);
    EXPECT_EQ(quiz->blue, 30);
}

TEST(ParseQuizResource, BytesAfterTheColourAreNotRead) {
    Bytes b = fullQuiz();
    b.raw("trailing|bytes");
    auto quiz = parseOk(b.v);
    EXPECT_EQ(quiz->blue, 3);
}

// The colour bytes are the last field, so every shorter content ends before
// a field it must hold: inside a header byte, a text (without its closing
// "|"), the mode byte, a hint, a dropped text, or the colour.
TEST(ParseQuizResource, EveryCutShortContentFails) {
    const std::vector<uint8_t> full = fullQuiz().v;
    for (size_t length = 0; length < full.size(); ++length) {
        const std::vector<uint8_t> prefix(full.begin(), full.begin() + static_cast<long>(length));
        EXPECT_TRUE(parseFails(prefix)) << "cut to " << length << " bytes";
    }
    EXPECT_FALSE(parseFails(full));
}

TEST(ParseQuizResource, ATextWithoutItsClosingBarFails) {
    Bytes b;
    b.byte(0).byte(1).byte(0).byte(1).raw("Titre sans fin");
    EXPECT_TRUE(parseFails(b.v));
}

TEST(ParseQuizResource, ADroppedTextWithoutItsClosingBarFails) {
    Bytes b = header(1, 1, 1);
    b.text("R1").text("Q1").byte(3).text("H1").raw("X1 sans fin").byte(1).byte(2).byte(3);
    EXPECT_TRUE(parseFails(b.v));
}

TEST(ParseQuizResource, MissingColourBytesFail) {
    for (int present = 0; present < 3; ++present) {
        Bytes b = header(1, 1, 1);
        b.text("R1").text("Q1").byte(0);
        for (int i = 0; i < present; ++i) {
            b.byte(50);
        }
        EXPECT_TRUE(parseFails(b.v)) << present << " colour bytes";
    }
}

TEST(ParseQuizResource, LongTextsAreCutToTheFieldAndReadingGoesOn) {
    const std::string longTitle(300, 'T');
    const std::string longAnswer(1000, 'A');
    const std::string longHint(260, 'H');
    const std::string longDropped(5000, 'X');
    Bytes b;
    b.byte(0).byte(1).byte(1).byte(2).text(longTitle).text("Auteur").text("D").text("C1").text("C2");
    b.text(longAnswer).text("B1").text("P1");
    b.byte(3).text(longHint).text(longDropped).byte(1).byte(2).byte(3);
    auto quiz = parseOk(b.v);
    EXPECT_EQ(std::string(quiz->title), std::string(259, 'T'));
    EXPECT_STREQ(quiz->author, "Auteur");
    EXPECT_EQ(std::string(quiz->questions[0].answer), std::string(259, 'A'));
    EXPECT_STREQ(quiz->questions[0].secondAnswer, "B1");
    EXPECT_STREQ(quiz->questions[0].prompt, "P1");
    EXPECT_EQ(std::string(quiz->questions[0].hint), std::string(259, 'H'));
    EXPECT_EQ(quiz->red, 1);
    EXPECT_EQ(quiz->green, 2);
    EXPECT_EQ(quiz->blue, 3);
}

TEST(ParseQuizResource, A259ByteTextIsKeptWhole) {
    const std::string text(259, 'z');
    Bytes b;
    b.byte(0).byte(1).byte(0).byte(1).text(text).text("").text("").text("").text("");
    b.byte(0).byte(1).byte(2).byte(3);
    EXPECT_EQ(std::string(parseOk(b.v)->title), text);
}

Bytes quizWithCount(int count) {
    Bytes b = header(1, count, 1);
    for (int i = 0; i < count; ++i) {
        b.text("R" + std::to_string(i + 1)).text("Q" + std::to_string(i + 1));
    }
    b.byte(1);
    for (int i = 0; i < count; ++i) {
        b.text("H" + std::to_string(i + 1));
    }
    b.byte(1).byte(2).byte(3);
    return b;
}

TEST(ParseQuizResource, NinetySixQuestionsAreRead) {
    auto quiz = parseOk(quizWithCount(96).v);
    EXPECT_EQ(quiz->questionCount, 96);
    EXPECT_STREQ(quiz->questions[95].answer, "R96");
    EXPECT_STREQ(quiz->questions[95].prompt, "Q96");
    EXPECT_STREQ(quiz->questions[95].hint, "H96");
    EXPECT_EQ(quiz->blue, 3);
}

TEST(ParseQuizResource, MoreThanNinetySixQuestionsFail) {
    EXPECT_TRUE(parseFails(quizWithCount(97).v));
    EXPECT_TRUE(parseFails(quizWithCount(255).v));
}

TEST(ParseContentBlock, ReadsLinkAndFooterFromByteTwo) {
    Bytes b;
    // Bytes 0 and 1 are not read, even when they look like separators.
    b.byte('|').byte('|').text("www.exemple.fr").text("Pied de page").raw("rest");
    auto copy = exactCopy(b.v);
    char link[linkTextSize];
    char footer[footerTextSize];
    ASSERT_TRUE(parseContentBlock(copy.get(), b.v.size(), link, footer));
    EXPECT_STREQ(link, "www.exemple.fr");
    EXPECT_STREQ(footer, "Pied de page");
}

TEST(ParseContentBlock, EmptyTexts) {
    Bytes b;
    b.byte(1).byte(2).text("").text("");
    auto copy = exactCopy(b.v);
    char link[linkTextSize] = "old";
    char footer[footerTextSize] = "old";
    ASSERT_TRUE(parseContentBlock(copy.get(), b.v.size(), link, footer));
    EXPECT_STREQ(link, "");
    EXPECT_STREQ(footer, "");
}

TEST(ParseContentBlock, LongTextsAreCutToTheirFields) {
    const std::string link24(24, 'l');
    const std::string footer39(39, 'f');
    {
        Bytes b;
        b.byte(0).byte(0).text(link24).text(footer39);
        auto copy = exactCopy(b.v);
        char link[linkTextSize];
        char footer[footerTextSize];
        ASSERT_TRUE(parseContentBlock(copy.get(), b.v.size(), link, footer));
        EXPECT_EQ(std::string(link), link24);
        EXPECT_EQ(std::string(footer), footer39);
    }
    {
        Bytes b;
        b.byte(0).byte(0).text(std::string(30, 'L')).text(std::string(60, 'F'));
        auto copy = exactCopy(b.v);
        char link[linkTextSize];
        char footer[footerTextSize];
        ASSERT_TRUE(parseContentBlock(copy.get(), b.v.size(), link, footer));
        EXPECT_EQ(std::string(link), std::string(24, 'L'));
        EXPECT_EQ(std::string(footer), std::string(39, 'F'));
    }
}

TEST(ParseContentBlock, FailsWithoutEitherClosingBar) {
    const std::vector<std::vector<uint8_t>> cases = {
        {},
        {'|'},
        {'|', '|'},
        Bytes().byte(0).byte(0).raw("lien").v,
        Bytes().byte(0).byte(0).text("lien").raw("pied").v,
    };
    for (const auto& bytes : cases) {
        auto copy = exactCopy(bytes);
        char link[linkTextSize] = "";
        char footer[footerTextSize] = "";
        EXPECT_FALSE(parseContentBlock(copy.get(), bytes.size(), link, footer)) << bytes.size() << " bytes";
    }
}

struct CodesTest : testing::Test {
    CodesTest() { std::memset(codes, '#', sizeof codes); }
    // The expander's block: the produced bytes, then three more.
    void parse(const std::vector<uint8_t>& produced, int questionCount,
               const std::vector<uint8_t>& slack = {0, 0, 0}) {
        ASSERT_EQ(slack.size(), lzwOutputSlack);
        auto copy = exactCopy(produced, slack);
        parseCodes(copy.get(), produced.size(), questionCount, codes);
    }
    bool untouched(int entry) const { return codes[entry][0] == '#' && codes[entry][textSize - 1] == '#'; }
    char codes[maxQuestions][textSize];
};

TEST_F(CodesTest, OneLinePerQuestion) {
    parse(Bytes().raw("A1\r\nB2\r\n").v, 2);
    EXPECT_STREQ(codes[0], "A1");
    EXPECT_STREQ(codes[1], "B2");
    EXPECT_TRUE(untouched(2));
}

TEST_F(CodesTest, TakesExactlyQuestionCountLines) {
    parse(Bytes().raw("A1\r\nB2\r\nC3\r\nD4\r\n").v, 2);
    EXPECT_STREQ(codes[0], "A1");
    EXPECT_STREQ(codes[1], "B2");
    EXPECT_TRUE(untouched(2));
}

TEST_F(CodesTest, MissingLinesAreEmpty) {
    parse(Bytes().raw("A1\r\n").v, 5);
    EXPECT_STREQ(codes[0], "A1");
    for (int i = 1; i < 5; ++i) {
        EXPECT_STREQ(codes[i], "") << i;
    }
    EXPECT_TRUE(untouched(5));
}

TEST_F(CodesTest, NoQuestionsWritesNothing) {
    parse(Bytes().raw("A1\r\n").v, 0);
    EXPECT_TRUE(untouched(0));
}

TEST_F(CodesTest, EmptyLinesAndTheByteAfterCrIsSkipped) {
    // Whatever follows the CR is skipped with it.
    parse(Bytes().raw("\r\nX\rYZ\r\n").v, 3);
    EXPECT_STREQ(codes[0], "");
    EXPECT_STREQ(codes[1], "X");
    EXPECT_STREQ(codes[2], "Z");
}

TEST_F(CodesTest, ALongLineIsCutAndTheRestSkipped) {
    parse(Bytes().raw(std::string(300, 'c')).raw("\r\nB2\r\n").v, 2);
    EXPECT_EQ(std::string(codes[0]), std::string(259, 'c'));
    EXPECT_STREQ(codes[1], "B2");
}

TEST_F(CodesTest, A259ByteLineIsKeptWhole) {
    parse(Bytes().raw(std::string(259, 'c')).raw("\r\n").v, 1);
    EXPECT_EQ(std::string(codes[0]), std::string(259, 'c'));
}

// A line runs on into the three bytes past the produced data (the expander
// zeroes them; marked here so the test sees which ones were read).
TEST_F(CodesTest, ALastLineWithoutCrTakesTheThreeBytesPastTheData) {
    parse(Bytes().raw("A1\r\nB2").v, 3, {'x', 'y', 'z'});
    EXPECT_STREQ(codes[0], "A1");
    EXPECT_STREQ(codes[1], "B2xyz");
    EXPECT_STREQ(codes[2], "");
}

TEST_F(CodesTest, ALineStartingOneBytePastTheDataTakesTheLastTwo) {
    parse(Bytes().raw("A1\r").v, 3, {'x', 'y', 'z'});
    EXPECT_STREQ(codes[0], "A1");
    EXPECT_STREQ(codes[1], "yz");
    EXPECT_STREQ(codes[2], "");
}

TEST_F(CodesTest, ALineStartingTwoBytesPastTheDataTakesTheLastOne) {
    parse(Bytes().raw("A1").v, 3, {'\r', 'y', 'z'});
    EXPECT_STREQ(codes[0], "A1");
    EXPECT_STREQ(codes[1], "z");
    EXPECT_STREQ(codes[2], "");
}

TEST_F(CodesTest, ALineStartingThreeBytesPastTheDataIsEmpty) {
    parse(Bytes().raw("A1\r\nB").v, 3, {'x', '\r', 'z'});
    EXPECT_STREQ(codes[0], "A1");
    EXPECT_STREQ(codes[1], "Bx");
    // Starts at produced + 3, past the reported length (and past the block:
    // the sanitizer would see a read there).
    EXPECT_STREQ(codes[2], "");
}

TEST_F(CodesTest, WithZeroedSlackTheLinesReadAsTheyWereProduced) {
    parse(Bytes().raw("A1\r\nB2").v, 4);
    EXPECT_STREQ(codes[0], "A1");
    EXPECT_STREQ(codes[1], "B2");
    EXPECT_STREQ(codes[2], "");
    EXPECT_STREQ(codes[3], "");
}

TEST_F(CodesTest, NothingProducedReadsOnlyTheThreeBytesPast) {
    parse({}, 3, {'x', 'y', 'z'});
    EXPECT_STREQ(codes[0], "xyz");
    EXPECT_STREQ(codes[1], "");
    EXPECT_STREQ(codes[2], "");
}

TEST_F(CodesTest, NeverWritesMoreThanTheTable) {
    std::string lines;
    for (int i = 0; i < 120; ++i) {
        lines += "L" + std::to_string(i) + "\r\n";
    }
    parse(Bytes().raw(lines).v, 200);
    EXPECT_STREQ(codes[0], "L0");
    EXPECT_STREQ(codes[95], "L95");
}

}  // namespace
