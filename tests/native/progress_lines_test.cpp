#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "progress_lines.h"

namespace {

// The file's bytes in a buffer of exactly their size, so that the sanitizer
// catches any read past the end.
struct MappedFile {
    explicit MappedFile(const std::string& content)
        : size(content.size()), bytes(new uint8_t[content.size() + (content.empty() ? 1 : 0)]) {
        std::memcpy(bytes.get(), content.data(), content.size());
    }
    size_t size;
    std::unique_ptr<uint8_t[]> bytes;
};

std::string readLine(const MappedFile& file, size_t* position) {
    char text[answerFieldLimit + 1];
    std::memset(text, 'Z', sizeof text);
    readProgressLine(file.bytes.get(), file.size, position, text);
    EXPECT_NE(std::memchr(text, '\0', sizeof text), nullptr);
    return text;
}

std::vector<std::string> readFields(const std::string& content, int fields) {
    const MappedFile file(content);
    size_t position = 0;
    std::vector<std::string> texts;
    for (int f = 0; f < fields; ++f) {
        texts.push_back(readLine(file, &position));
    }
    return texts;
}

using Texts = std::vector<std::string>;

// --------------------------------------------------------- readProgressLine --

TEST(ProgressLinesRead, FifteenByteFileOfThreeAnswers) {
    const std::string content = "Paris\r\n\r\nRome\r\n";
    ASSERT_EQ(content.size(), 15u);
    const MappedFile file(content);
    size_t position = 0;
    EXPECT_EQ(readLine(file, &position), "Paris");
    EXPECT_EQ(position, 7u);
    EXPECT_EQ(readLine(file, &position), "");
    EXPECT_EQ(position, 9u);
    EXPECT_EQ(readLine(file, &position), "Rome");
    EXPECT_EQ(position, 15u);
}

TEST(ProgressLinesRead, FourLinesInFieldOrder) {
    EXPECT_EQ(readFields("q1 f1\r\nq1 f2\r\nq2 f1\r\nq2 f2\r\n", 4),
              (Texts{"q1 f1", "q1 f2", "q2 f1", "q2 f2"}));
}

TEST(ProgressLinesRead, KeepsTheLineAsWritten) {
    EXPECT_EQ(readFields("  paris \t\r\n\xE9l\xE8ve\r\n", 2), (Texts{"  paris \t", "\xE9l\xE8ve"}));
}

TEST(ProgressLinesRead, CutsALongLineToEightyBytes) {
    std::string line;
    for (int i = 0; i < 100; ++i) {
        line += static_cast<char>('A' + i % 26);
    }
    EXPECT_EQ(readFields(line + "\r\nRome\r\n", 2), (Texts{line.substr(0, 80), "Rome"}));
}

TEST(ProgressLinesRead, EightyAndEightyOneBytes) {
    const std::string eighty(80, 'E');
    EXPECT_EQ(readFields(eighty + "\r\n" + eighty + "X\r\nRome\r\n", 3), (Texts{eighty, eighty, "Rome"}));
    EXPECT_EQ(readFields(std::string(79, 'E') + "\r\nRome\r\n", 2), (Texts{std::string(79, 'E'), "Rome"}));
}

TEST(ProgressLinesRead, LongLineWithoutLineEnd) {
    EXPECT_EQ(readFields(std::string(200, 'L'), 2), (Texts{std::string(80, 'L'), ""}));
}

TEST(ProgressLinesRead, LineFeedsAloneMakeOneLine) {
    const std::string content = "Paris\nLondres\nRome\n";
    EXPECT_EQ(readFields(content, 3), (Texts{content, "", ""}));

    std::string many;
    for (int i = 0; i < 30; ++i) {
        many += "abc\n";
    }
    EXPECT_EQ(readFields(many, 2), (Texts{many.substr(0, 80), ""}));
}

TEST(ProgressLinesRead, LoneCarriageReturnDropsTheRestOfTheLine) {
    EXPECT_EQ(readFields("Par\ris lost\nRome\r\n", 2), (Texts{"Par", "Rome"}));
    EXPECT_EQ(readFields("Par\ris\r\nRome\r\n", 2), (Texts{"Par", "Rome"}));
    // Everything up to the next LF goes, even whole lines ended by a CR only.
    EXPECT_EQ(readFields("A\rB\rC\r\nD\r\n", 2), (Texts{"A", "D"}));
}

TEST(ProgressLinesRead, LoneCarriageReturnAtTheEnd) {
    const MappedFile file("Paris\r");
    size_t position = 0;
    EXPECT_EQ(readLine(file, &position), "Paris");
    EXPECT_EQ(position, 7u);
    EXPECT_EQ(readLine(file, &position), "");
}

TEST(ProgressLinesRead, LastLineWithoutLineEnd) {
    EXPECT_EQ(readFields("Paris\r\nRome", 3), (Texts{"Paris", "Rome", ""}));
}

TEST(ProgressLinesRead, MoreLinesThanFieldsLeavesTheRest) {
    const MappedFile file("un\r\ndeux\r\ntrois\r\nquatre\r\n");
    size_t position = 0;
    EXPECT_EQ(readLine(file, &position), "un");
    EXPECT_EQ(readLine(file, &position), "deux");
    EXPECT_EQ(position, 10u);
}

TEST(ProgressLinesRead, FewerLinesThanFieldsLeavesFieldsEmpty) {
    EXPECT_EQ(readFields("Paris\r\n", 4), (Texts{"Paris", "", "", ""}));
}

TEST(ProgressLinesRead, EmptyOrAbsentFile) {
    const MappedFile empty("");
    size_t position = 0;
    EXPECT_EQ(readLine(empty, &position), "");
    EXPECT_EQ(position, 1u);

    char text[answerFieldLimit + 1] = "stale";
    position = 0;
    readProgressLine(nullptr, 0, &position, text);
    EXPECT_STREQ(text, "");
    readProgressLine(nullptr, 1000, &position, text);  // absent content reads as size 0
    EXPECT_STREQ(text, "");
    EXPECT_EQ(position, 2u);
}

TEST(ProgressLinesRead, PositionPastTheEndReadsNothing) {
    const MappedFile file("Paris\r\n");
    for (size_t start : {size_t{7}, size_t{8}, size_t{100}, SIZE_MAX - 1, SIZE_MAX}) {
        size_t position = start;
        EXPECT_EQ(readLine(file, &position), "") << start;
        EXPECT_GT(position, file.size) << start;
        EXPECT_GE(position, start) << start;
    }
}

TEST(ProgressLinesRead, PositionKeepsGrowingAtTheEnd) {
    const MappedFile file("A\r\n");
    size_t position = 0;
    EXPECT_EQ(readLine(file, &position), "A");
    EXPECT_EQ(position, 3u);
    EXPECT_EQ(readLine(file, &position), "");
    EXPECT_EQ(position, 4u);
    EXPECT_EQ(readLine(file, &position), "");
    EXPECT_EQ(position, 5u);
}

TEST(ProgressLinesRead, ZeroByteEndsTheText) {
    EXPECT_EQ(readFields(std::string("Pa\0ris\r\nRome\r\n", 14), 2), (Texts{"Pa", "Rome"}));
    EXPECT_EQ(readFields(std::string("\0Paris\r\nRome\r\n", 14), 2), (Texts{"", "Rome"}));
}

TEST(ProgressLinesRead, LineFeedBeforeCarriageReturn) {
    // "\n\r" is no line end: the LF is text, and the CR ends it without a LF.
    EXPECT_EQ(readFields("A\n\rB\r\nC\r\n", 2), (Texts{"A\n", "C"}));
}

// -------------------------------------------------------- progressFileName --

std::string fileName(const char* path, size_t nameSize = 261) {
    std::vector<char> name(nameSize + 1, '#');
    if (!progressFileName(path, name.data(), nameSize)) {
        EXPECT_EQ(name[0], '#') << "written although it failed";
        return "<fails>";
    }
    EXPECT_EQ(name[nameSize], '#') << "written past the buffer";
    return name.data();
}

TEST(ProgressLinesFileName, ReplacesTheLastThreeCharacters) {
    EXPECT_EQ(fileName("C:\\Jeux\\quiz.exe"), "quiz.txt");
    EXPECT_EQ(fileName("C:\\Jeux\\QUIZ.EXE"), "QUIZ.txt");
    EXPECT_EQ(fileName("quiz.exe"), "quiz.txt");
    EXPECT_EQ(fileName("C:\\Jeux\\abcdef"), "abctxt");
    EXPECT_EQ(fileName("abcdef"), "abctxt");
    EXPECT_EQ(fileName("C:\\Jeux\\quiz.scr"), "quiz.txt");
    EXPECT_EQ(fileName("C:\\Jeux\\quiz.html"), "quiz.htxt");
    EXPECT_EQ(fileName("C:\\Jeux\\abc"), "txt");
}

TEST(ProgressLinesFileName, OnlyTheBackslashSeparates) {
    EXPECT_EQ(fileName("C:\\a.b\\quiz.exe"), "quiz.txt");
    EXPECT_EQ(fileName("C:/Jeux/quiz.exe"), "C:/Jeux/quiz.txt");
    EXPECT_EQ(fileName("\\\\serveur\\partage\\vyrla.exe"), "vyrla.txt");
}

TEST(ProgressLinesFileName, ShortBaseNameGetsTxtAppended) {
    EXPECT_EQ(fileName("C:\\Jeux\\ab"), "abtxt");
    EXPECT_EQ(fileName("ab"), "abtxt");
    EXPECT_EQ(fileName("C:\\Jeux\\a"), "atxt");
    EXPECT_EQ(fileName("C:\\Jeux\\"), "txt");
    EXPECT_EQ(fileName(""), "txt");
}

TEST(ProgressLinesFileName, ShortBaseNameWritesOnlyInsideItsBuffer) {
    // Exactly "abtxt" and its zero: the sanitizer catches a write before it.
    const std::unique_ptr<char[]> name(new char[6]);
    ASSERT_TRUE(progressFileName("C:\\Jeux\\ab", name.get(), 6));
    EXPECT_STREQ(name.get(), "abtxt");
    EXPECT_FALSE(progressFileName("C:\\Jeux\\ab", name.get(), 5));
}

TEST(ProgressLinesFileName, FailsWhenTheNameDoesNotFit) {
    EXPECT_EQ(fileName("C:\\Jeux\\quiz.exe", 9), "quiz.txt");
    EXPECT_EQ(fileName("C:\\Jeux\\quiz.exe", 8), "<fails>");
    EXPECT_EQ(fileName("C:\\Jeux\\quiz.exe", 0), "<fails>");
    EXPECT_EQ(fileName("C:\\Jeux\\abc", 4), "txt");
    EXPECT_EQ(fileName("C:\\Jeux\\abc", 3), "<fails>");
}

TEST(ProgressLinesFileName, LongestPath) {
    const std::string base(250, 'q');
    const std::string path = "C:\\J\\" + base + ".exe";
    ASSERT_EQ(path.size(), 259u);
    EXPECT_EQ(fileName(path.c_str(), 260), base + ".txt");
    EXPECT_EQ(fileName(path.c_str(), 255), base + ".txt");
    EXPECT_EQ(fileName(path.c_str(), 254), "<fails>");
}

TEST(ProgressLinesFileName, NullArgumentsFail) {
    char name[16];
    EXPECT_FALSE(progressFileName(nullptr, name, sizeof name));
    EXPECT_FALSE(progressFileName("quiz.exe", nullptr, 16));
}

}  // namespace
