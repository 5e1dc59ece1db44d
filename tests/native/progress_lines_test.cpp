#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "quiz/progress_lines.h"

namespace {

// One line per field from the saved answers, held in a buffer of exactly their
// size so that the sanitizer catches any read past the end.
TEST(ProgressLines, ReadsOneLinePerField) {
    const std::string eighty(80, 'E');
    const struct {
        std::string content;
        size_t start;
        std::vector<std::string> texts;
        size_t end;  // 0: not checked
    } cases[] = {
        {"Paris\r\n\r\nRome\r\n", 0, {"Paris", "", "Rome"}, 15}, {"Paris\r", 0, {"Paris", ""}, 8}, {"Paris\r\n", 0, {"Paris", "", "", ""}, 10},
        {"  paris \t\r\n\xE9l\xE8ve\r\n", 0, {"  paris \t", "\xE9l\xE8ve"}, 0},  // as written, not trimmed
        {eighty + "\r\n" + eighty + "X\r\nRome\r\n", 0, {eighty, eighty, "Rome"}, 0}, {std::string(200, 'L'), 0, {std::string(80, 'L'), ""}, 0},
        // Only a CR ends the text, and the line runs on to the next LF.
        {"Paris\nLondres\nRome\n", 0, {"Paris\nLondres\nRome\n", "", ""}, 0}, {"A\rB\rC\r\nD\r\n", 0, {"A", "D"}, 0},
        {std::string("Pa\0ris\r\n\0Rome\r\n", 15), 0, {"Pa", ""}, 0},  // a zero byte ends the field's text
        {"Paris\r\n", 7, {"", ""}, 9}, {"Paris\r\n", 100, {"", ""}, 102},
    };
    for (const auto& c : cases) {
        const std::unique_ptr<uint8_t[]> bytes(new uint8_t[c.content.size()]);
        std::memcpy(bytes.get(), c.content.data(), c.content.size());
        size_t position = c.start;
        for (const std::string& expected : c.texts) {
            char text[answerFieldLimit + 1];
            std::memset(text, 'Z', sizeof text);
            readProgressLine(bytes.get(), c.content.size(), &position, text);
            ASSERT_NE(std::memchr(text, '\0', sizeof text), nullptr) << c.content;
            EXPECT_EQ(text, expected) << c.content;
        }
        if (c.end != 0) EXPECT_EQ(position, c.end) << c.content;
    }
    char text[answerFieldLimit + 1] = "stale";
    size_t position = 0;
    readProgressLine(nullptr, 1000, &position, text);  // no file reads as size 0
    EXPECT_STREQ(text, "");
}

// The answers file is named after the executable; the name with its zero must fit.
TEST(ProgressLines, FileNameReplacesTheLastThreeCharactersOfTheBaseName) {
    const std::string longBase(250, 'q');
    const struct {
        std::string path;
        size_t nameSize;
        std::string name;  // empty: refused
    } cases[] = {
        {"C:\\Jeux\\QUIZ.EXE", 261, "QUIZ.txt"},  {"C:\\Jeux\\quiz.html", 261, "quiz.htxt"},
        {"C:\\a.b\\quiz.exe", 261, "quiz.txt"},   {"C:/Jeux/quiz.exe", 261, "C:/Jeux/quiz.txt"},  // only the backslash separates
        {"C:\\Jeux\\abc", 261, "txt"},            {"C:\\Jeux\\ab", 6, "abtxt"},  // shorter than three characters: kept whole
        {"C:\\Jeux\\ab", 5, ""},                  {"", 261, "txt"},
        {"C:\\Jeux\\quiz.exe", 9, "quiz.txt"},    {"C:\\Jeux\\quiz.exe", 8, ""},
        {"C:\\J\\" + longBase + ".exe", 255, longBase + ".txt"},  // the longest path, 259 characters
        {"C:\\J\\" + longBase + ".exe", 254, ""},
    };
    for (const auto& c : cases) {
        std::vector<char> name(c.nameSize + 1, '#');  // exactly nameSize bytes and a guard byte
        ASSERT_EQ(progressFileName(c.path.c_str(), name.data(), c.nameSize), !c.name.empty()) << c.path << ", " << c.nameSize;
        EXPECT_EQ(name[c.nameSize], '#');
        EXPECT_EQ(c.name.empty() ? std::string(1, name[0]) : std::string(name.data()), c.name.empty() ? "#" : c.name);
    }
}

}  // namespace
