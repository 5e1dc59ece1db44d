#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "quiz/content_parse.h"
#include "quiz/lzw_expand.h"

namespace {

// Single bytes of expanded content (counts, modes, colours).
std::string bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) {
        s.push_back(static_cast<char>(v));
    }
    return s;
}

// An exact heap copy followed by `slack`, as the expander's block has it, so
// that the sanitizer sees any read past them.
std::unique_ptr<uint8_t[]> exactCopy(const std::string& data, const std::string& slack = "") {
    const std::string all = data + slack;
    std::unique_ptr<uint8_t[]> copy(new uint8_t[all.empty() ? 1 : all.size()]);
    std::memcpy(copy.get(), all.data(), all.size());
    return copy;
}

std::unique_ptr<ParsedQuiz> parse(const std::string& data, bool expectOk = true) {
    auto quiz = std::make_unique<ParsedQuiz>();
    const auto copy = exactCopy(data);
    EXPECT_EQ(parseQuizResource(copy.get(), data.size(), quiz.get()), expectOk);
    return quiz;
}

// Byte 0 (not read), kind + 1, count, answers per question, five header texts.
std::string header(int kindByte, int count, int answersByte) {
    return bytes({0x5A, kindByte, count, answersByte}) + "Titre|Auteur|Description|Cap1|Cap2|";
}

// Two questions, one answer field, mode 3 (a hint and a dropped text each), colour 1 2 3.
const std::string fullQuiz = header(2, 2, 1) + "R1|Q1|R2|Q2|" + bytes({3}) + "H1|X1|H2|X2|" + bytes({1, 2, 3});

TEST(ParseQuizResource, ReadsEveryFieldInOrder) {
    auto quiz = parse(fullQuiz + "trailing|bytes");
    EXPECT_EQ(quiz->kind, 1);
    EXPECT_EQ(quiz->questionCount, 2);
    EXPECT_EQ(quiz->answersPerQuestion, 1);
    EXPECT_STREQ(quiz->title, "Titre");
    EXPECT_STREQ(quiz->author, "Auteur");
    EXPECT_STREQ(quiz->description, "Description");
    EXPECT_STREQ(quiz->answerCaption1, "Cap1");
    EXPECT_STREQ(quiz->answerCaption2, "Cap2");
    EXPECT_STREQ(quiz->questions[1].answer, "R2");
    EXPECT_STREQ(quiz->questions[1].prompt, "Q2");
    EXPECT_EQ(quiz->answerMode, 3);
    // Mode 3: the first and third texts are the hints, the colour follows the fourth "|".
    EXPECT_STREQ(quiz->questions[0].hint, "H1");
    EXPECT_STREQ(quiz->questions[1].hint, "H2");
    EXPECT_EQ(quiz->red, 1);
    EXPECT_EQ(quiz->green, 2);
    EXPECT_EQ(quiz->blue, 3);
    for (const auto& kind : {std::make_pair(0, -1), std::make_pair(1, 0), std::make_pair(255, 254)}) {
        EXPECT_EQ(parse(header(kind.first, 0, 1) + bytes({0, 1, 2, 3}))->kind, kind.second) << kind.first;
    }
}

TEST(ParseQuizResource, OnlyByteThreeTwoCarriesASecondAnswer) {
    for (int answersByte : {2, 0, 1, 7, 255}) {
        SCOPED_TRACE(answersByte);
        const std::string records = answersByte == 2 ? "A1|B1|P1|A2|B2|P2|" : "A1|P1|A2|P2|";
        auto quiz = parse(header(1, 2, answersByte) + records + bytes({0, 7, 8, 9}));
        EXPECT_EQ(quiz->answersPerQuestion, answersByte == 2 ? 2 : 1);
        EXPECT_STREQ(quiz->questions[0].answer, "A1");
        EXPECT_STREQ(quiz->questions[0].secondAnswer, answersByte == 2 ? "B1" : "");
        EXPECT_STREQ(quiz->questions[1].secondAnswer, answersByte == 2 ? "B2" : "");
        EXPECT_STREQ(quiz->questions[1].prompt, "P2");
        EXPECT_EQ(quiz->blue, 9);
    }
}

TEST(ParseQuizResource, TheModeDecidesTheSectionBeforeTheColour) {
    struct Case {
        int mode;
        std::string section;
        const char* hint1;
        const char* hint2;
    };
    const Case cases[] = {
        {1, "H1|H2|", "H1", "H2"}, {2, "H1|H2|", "H1", "H2"},           {4, "H1|H2|", "H1", "H2"},
        {7, "H1|H2|", "H1", "H2"}, {3, "H1|X1|H2|X2|", "H1", "H2"},     {6, "H1|X1|H2|X2|", "H1", "H2"},
        {0, "", "", ""},           {5, "", "", ""},                     {8, "", "", ""},
        {255, "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        // Colour bytes that look like separators must not be read as texts.
        auto quiz = parse(header(1, 2, 1) + "R1|Q1|R2|Q2|" + bytes({c.mode}) + c.section + bytes({'|', 20, '|'}));
        EXPECT_EQ(quiz->answerMode, c.mode);
        EXPECT_STREQ(quiz->questions[0].hint, c.hint1);
        EXPECT_STREQ(quiz->questions[1].hint, c.hint2);
        EXPECT_EQ(quiz->red, '|');
        EXPECT_EQ(quiz->green, 20);
        EXPECT_EQ(quiz->blue, '|');
    }
    // No questions: no section, whatever the mode.
    EXPECT_EQ(parse(header(1, 0, 1) + bytes({1, 10, 20, 30}))->red, 10);
}

TEST(ParseQuizResource, AnEmptyTextMovesOnByOneByte) {
    auto quiz = parse(bytes({0, 1, 1, 1}) + "|A|||C2|||" + bytes({0, 11, 12, 13}));
    EXPECT_STREQ(quiz->title, "");
    EXPECT_STREQ(quiz->author, "A");
    EXPECT_STREQ(quiz->description, "");
    EXPECT_STREQ(quiz->answerCaption2, "C2");
    EXPECT_STREQ(quiz->questions[0].answer, "");
    EXPECT_STREQ(quiz->questions[0].prompt, "");
    EXPECT_EQ(quiz->red, 11);
}

// The colour is the last field, so every shorter content ends before a field
// it must hold: a header byte, a text without its "|", the mode byte, a hint,
// a dropped text, or a colour byte.
TEST(ParseQuizResource, EveryCutShortContentFails) {
    for (size_t length = 0; length < fullQuiz.size(); ++length) {
        SCOPED_TRACE(length);
        parse(fullQuiz.substr(0, length), false);
    }
}

TEST(ParseQuizResource, LongTextsAreCutToTheFieldAndReadingGoesOn) {
    const std::string title(259, 'T');
    auto quiz = parse(bytes({0, 1, 1, 2}) + title + "|Auteur|D|C1|C2|" + std::string(1000, 'A') + "|B1|P1|" +
                      bytes({3}) + std::string(260, 'H') + "|" + std::string(5000, 'X') + "|" + bytes({1, 2, 3}));
    EXPECT_EQ(std::string(quiz->title), title);
    EXPECT_STREQ(quiz->author, "Auteur");
    EXPECT_EQ(std::string(quiz->questions[0].answer), std::string(259, 'A'));
    EXPECT_STREQ(quiz->questions[0].secondAnswer, "B1");
    EXPECT_STREQ(quiz->questions[0].prompt, "P1");
    EXPECT_EQ(std::string(quiz->questions[0].hint), std::string(259, 'H'));
    EXPECT_EQ(quiz->blue, 3);
}

TEST(ParseQuizResource, AtMostNinetySixQuestions) {
    auto withCount = [](int count) {
        std::string records;
        std::string hints;
        for (int i = 1; i <= count; ++i) {
            records += "R" + std::to_string(i) + "|Q" + std::to_string(i) + "|";
            hints += "H" + std::to_string(i) + "|";
        }
        return header(1, count, 1) + records + bytes({1}) + hints + bytes({1, 2, 3});
    };
    auto quiz = parse(withCount(96));
    EXPECT_EQ(quiz->questionCount, 96);
    EXPECT_STREQ(quiz->questions[95].answer, "R96");
    EXPECT_STREQ(quiz->questions[95].hint, "H96");
    EXPECT_EQ(quiz->blue, 3);
    parse(withCount(97), false);
    parse(withCount(255), false);
}

TEST(ParseContentBlock, LinkAndFooterFromByteTwoCutToTheirFields) {
    struct Case {
        std::string data;
        bool ok;
        std::string link;
        std::string footer;
    };
    const Case cases[] = {
        // Bytes 0 and 1 are not read, even when they look like separators.
        {"||www.exemple.fr|Pied de page|rest", true, "www.exemple.fr", "Pied de page"},
        {"\x01\x02||", true, "", ""},
        {"ab" + std::string(24, 'l') + "|" + std::string(39, 'f') + "|", true, std::string(24, 'l'),
         std::string(39, 'f')},
        {"ab" + std::string(30, 'L') + "|" + std::string(60, 'F') + "|", true, std::string(24, 'L'),
         std::string(39, 'F')},
        {"", false, "", ""},
        {"|", false, "", ""},
        {"||", false, "", ""},
        {"ablien", false, "", ""},
        {"ablien|pied", false, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.data);
        const auto copy = exactCopy(c.data);
        char link[linkTextSize] = "";
        char footer[footerTextSize] = "";
        ASSERT_EQ(parseContentBlock(copy.get(), c.data.size(), link, footer), c.ok);
        if (c.ok) {
            EXPECT_EQ(link, c.link);
            EXPECT_EQ(footer, c.footer);
        }
    }
}

struct CodesTest : testing::Test {
    CodesTest() { std::memset(codes, '#', sizeof codes); }
    // The expander's block: the produced bytes, then its three slack bytes.
    void parse(const std::string& produced, int questionCount, const std::string& slack = std::string(3, '\0')) {
        ASSERT_EQ(slack.size(), lzwOutputSlack);
        const auto copy = exactCopy(produced, slack);
        parseCodes(copy.get(), produced.size(), questionCount, codes);
    }
    bool untouched(int entry) const { return codes[entry][0] == '#' && codes[entry][textSize - 1] == '#'; }
    char codes[maxQuestions][textSize];
};

TEST_F(CodesTest, ExactlyOneLinePerQuestion) {
    struct Case {
        std::string produced;
        int count;
        std::string slack;
        std::vector<std::string> lines;
    };
    const std::string zeros(3, '\0');
    const Case cases[] = {
        {"A1\r\nB2\r\n", 2, zeros, {"A1", "B2"}},
        {"A1\r\nB2\r\nC3\r\n", 2, zeros, {"A1", "B2"}},
        {"A1\r\n", 4, zeros, {"A1", "", "", ""}},
        {"A1\r\n", 0, zeros, {}},
        {"\r\nX\rYZ\r\n", 3, zeros, {"", "X", "Z"}},  // whatever follows a CR goes with it
        {std::string(300, 'c') + "\r\nB2\r\n", 2, zeros, {std::string(259, 'c'), "B2"}},
        {std::string(259, 'c') + "\r\n", 1, zeros, {std::string(259, 'c')}},
        // A line runs on into the three bytes past the produced data (zeroed
        // by the expander; marked here to show which are read). One that
        // starts past them is empty.
        {"A1\r\nB2", 4, zeros, {"A1", "B2", "", ""}},
        {"A1\r\nB2", 3, "xyz", {"A1", "B2xyz", ""}},
        {"A1\r", 3, "xyz", {"A1", "yz", ""}},
        {"A1", 3, "\ryz", {"A1", "z", ""}},
        {"A1\r\nB", 3, "x\rz", {"A1", "Bx", ""}},
        {"", 3, "xyz", {"xyz", "", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "\"" << c.produced << "\" + \"" << c.slack << "\", " << c.count);
        std::memset(codes, '#', sizeof codes);
        parse(c.produced, c.count, c.slack);
        for (size_t i = 0; i < c.lines.size(); ++i) {
            EXPECT_EQ(codes[i], c.lines[i]) << "line " << i;
        }
        EXPECT_TRUE(untouched(static_cast<int>(c.lines.size())));
    }
}

TEST_F(CodesTest, NeverWritesMoreThanTheTable) {
    std::string lines;
    for (int i = 0; i < 120; ++i) {
        lines += "L" + std::to_string(i) + "\r\n";
    }
    parse(lines, 200);
    EXPECT_STREQ(codes[0], "L0");
    EXPECT_STREQ(codes[95], "L95");
}

}  // namespace
