#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "quiz/content_parse.h"
#include "quiz/page_bundle.h"

namespace {

// An exact heap copy, so that the sanitizer sees any read past it.
std::unique_ptr<uint8_t[]> exactCopy(const std::string& data) {
    std::unique_ptr<uint8_t[]> copy(new uint8_t[data.empty() ? 1 : data.size()]);
    std::memcpy(copy.get(), data.data(), data.size());
    return copy;
}

std::unique_ptr<ParsedQuiz> parse(const std::string& data, bool expectOk = true) {
    auto quiz = std::make_unique<ParsedQuiz>();
    EXPECT_EQ(parseQuizResource(exactCopy(data).get(), data.size(), quiz.get()), expectOk);
    return quiz;
}

// Byte 0 (not read), kind + 1, count, answers per question, five header texts.
std::string header(char kindByte, char count, char answersByte) {
    return std::string{'Z', kindByte, count, answersByte} + "Titre|Auteur|Description|Cap1|Cap2|";
}

// Two questions, one answer field, mode 3 (a hint and a dropped text each), colour 1 2 3.
const std::string fullQuiz = header(2, 2, 1) + "R1|Q1|R2|Q2|\x03H1|X1|H2|X2|\x01\x02\x03";

// Every field in order; the loader's tests read a whole quiz through here.
TEST(ParseQuizResource, ReadsEveryFieldInOrder) {
    auto quiz = parse(fullQuiz + "trailing|bytes");
    EXPECT_TRUE(quiz->kind == 1 && quiz->questionCount == 2 && quiz->answerMode == 3 && quiz->blue == 3);
    EXPECT_STREQ(quiz->questions[1].hint, "H2");
    EXPECT_EQ(parse(header(0, 0, 1) + std::string("\0\1\2\3", 4))->kind, -1);
    // Only a stored 2 carries a second answer per record.
    for (char answersByte : {2, 0, 7}) {
        auto quiz = parse(header(1, 1, answersByte) + (answersByte == 2 ? "A1|B1|P1|" : "A1|P1|") + std::string("\0\7\10\11", 4));
        EXPECT_EQ(quiz->answersPerQuestion, answersByte == 2 ? 2 : 1);
        EXPECT_STREQ(quiz->questions[0].secondAnswer, answersByte == 2 ? "B1" : "");
        EXPECT_STREQ(quiz->questions[0].prompt, "P1");
    }
    // The mode decides the section before the colour; colour bytes that look like separators are not texts.
    const std::pair<int, std::string> modes[] = {{1, "H1|H2|"}, {2, "H1|H2|"}, {4, "H1|H2|"}, {7, "H1|H2|"}, {3, "H1|X1|H2|X2|"},
                                                 {6, "H1|X1|H2|X2|"}, {0, ""}, {5, ""}, {8, ""}, {255, ""}};
    for (const auto& [mode, section] : modes) {
        auto quiz = parse(header(1, 2, 1) + "R1|Q1|R2|Q2|" + char(mode) + section + "|\x14|");
        EXPECT_EQ(quiz->answerMode, mode);
        EXPECT_STREQ(quiz->questions[1].hint, section.empty() ? "" : "H2") << mode;
        EXPECT_TRUE(quiz->red == '|' && quiz->green == 20 && quiz->blue == '|') << mode;
    }
}

TEST(ParseQuizResource, CutShortLongTextsAndAtMost96Questions) {
    // The colour is the last field, so every shorter content ends before a field it must hold.
    for (size_t length = 0; length < fullQuiz.size(); ++length) parse(fullQuiz.substr(0, length), false);
    auto quiz = parse(std::string("\0\1\1\2", 4) + std::string(259, 'T') + "|Auteur|D|C1|C2|" + std::string(1000, 'A') + "|B1|P1|\x03" +
                      std::string(260, 'H') + "|" + std::string(5000, 'X') + "|\x01\x02\x03");
    EXPECT_EQ(std::string(quiz->title) + quiz->questions[0].answer, std::string(259, 'T') + std::string(259, 'A'));
    EXPECT_EQ(std::string(quiz->questions[0].secondAnswer) + quiz->questions[0].hint, "B1" + std::string(259, 'H'));
    EXPECT_EQ(quiz->blue, 3);
    auto withCount = [](int count) {
        std::string records, hints;
        for (int i = 1; i <= count; ++i) records += "R|Q|", hints += "H" + std::to_string(i) + "|";
        return header(1, char(count), 1) + records + "\x01" + hints + "\x01\x02\x03";
    };
    EXPECT_STREQ(parse(withCount(96))->questions[95].hint, "H96");
    parse(withCount(97), false);
}

TEST(ParseContentBlock, LinkAndFooterFromByteTwoCutToTheirFields) {
    const std::string link(30, 'L'), footer(60, 'F');
    const std::vector<std::string> cases[] = {
        {"||www.exemple.fr|Pied de page|rest", "www.exemple.fr", "Pied de page"},  // bytes 0 and 1 are not read
        {"\x01\x02||", "", ""}, {"||"}, {"ablien|pied"},
        {"ab" + link.substr(0, 24) + "|" + footer.substr(0, 39) + "|", link.substr(0, 24), footer.substr(0, 39)},
        {"ab" + link + "|" + footer + "|", link.substr(0, 24), footer.substr(0, 39)},
    };
    for (const auto& c : cases) {
        char linkText[linkTextSize] = "", footerText[footerTextSize] = "";
        ASSERT_EQ(parseContentBlock(exactCopy(c[0]).get(), c[0].size(), linkText, footerText), c.size() > 1) << c[0];
        if (c.size() > 1) EXPECT_TRUE(linkText == c[1] && footerText == c[2]) << c[0];
    }
}

// One line per question, from the expander's block: the produced bytes, then
// its three slack bytes (zeroed by the expander; marked here to show which are read).
TEST(ParseCodes, ExactlyOneLinePerQuestion) {
    const std::string zeros(3, '\0');
    const struct {
        std::string produced, slack;
        std::vector<std::string> lines;
    } cases[] = {
        {"A1\r\nB2\r\nC3\r\n", zeros, {"A1", "B2"}}, {"A1\r\n", zeros, {"A1", "", ""}},
        {"\r\nX\rYZ\r\n", zeros, {"", "X", "Z"}},  // whatever follows a CR goes with it
        {std::string(300, 'c') + "\r\nB2\r\n", zeros, {std::string(259, 'c'), "B2"}},
        {"A1\r\nB2", "xyz", {"A1", "B2xyz", ""}}, {"A1", "\ryz", {"A1", "z", ""}}, {"", "xyz", {"xyz", "", ""}},
    };
    char codes[maxQuestions][textSize];
    for (const auto& c : cases) {
        std::memset(codes, '#', sizeof codes);
        parseCodes(exactCopy(c.produced + c.slack).get(), c.produced.size(), int(c.lines.size()), codes);
        for (size_t i = 0; i < c.lines.size(); ++i) EXPECT_EQ(codes[i], c.lines[i]) << c.produced << " line " << i;
        EXPECT_EQ(codes[c.lines.size()][0], '#');
    }
    std::string lines;
    for (int i = 0; i < 120; ++i) lines += "L" + std::to_string(i) + "\r\n";
    parseCodes(exactCopy(lines + zeros).get(), lines.size(), 200, codes);  // never more than the table
    EXPECT_STREQ(codes[95], "L95");
}

// A page's bundle: records read in place, exactly to the end of the data.
TEST(PageBundle, RecordsAreReadWithinTheDataOnly) {
    auto bundle = [](const std::string& records) {
        return std::string("VYRLAPG1") + std::string(contentBlockSize, '\x11') + records;
    };
    auto record = [](char type, int id, const std::string& bytes, size_t size) {
        const char head[] = {type, char(id), char(id >> 8), 0, 0, char(size), 0, 0, 0};
        return std::string(head, sizeof head) + bytes;
    };
    const struct {
        std::string data;
        bool read;
    } cases[] = {
        {bundle(record('P', 104, "abcde", 5) + record('I', 401, "", 0)), true},
        {bundle(record('P', 104, "abcd", 5)), false},                          // cut short
        {bundle(record('P', 104, "ab", 2)).substr(0, 80), false},              // inside a record's head
        {bundle(record('P', 104, "a", 1) + record('P', 104, "b", 1)), false},  // twice
        {bundle(record('I', 400, "a", 1)), false},                             // no question 0
        {bundle(record('X', 104, "a", 1)), false},
        {std::string("VYRLAPG1") + std::string(contentBlockSize - 1, 0), false},
    };
    for (const auto& c : cases) {
        const auto bytes = exactCopy(c.data);
        PageBundle read;
        const char* error = nullptr;
        EXPECT_EQ(readPageBundle(bytes.get(), c.data.size(), &read, &error), c.read) << c.data.size();
        if (!c.read) EXPECT_NE(error, nullptr);
    }
    const auto bytes = exactCopy(cases[0].data);
    PageBundle read;
    ASSERT_TRUE(readPageBundle(bytes.get(), cases[0].data.size(), &read, nullptr));
    const BundleResource* quiz = findBundleResource(read, bundlePatch, 104);
    ASSERT_NE(quiz, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(quiz->bytes), quiz->size), "abcde");
    EXPECT_EQ(read.contentBlock, bytes.get() + 8);
}

}  // namespace
