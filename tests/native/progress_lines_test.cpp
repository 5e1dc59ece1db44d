#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "quiz/progress_lines.h"

namespace {

using Texts = std::vector<std::string>;

// Reads `fields` lines from the file's bytes, held in a buffer of exactly
// their size so that the sanitizer catches any read past the end.
Texts readFields(const std::string& content, size_t fields, size_t* position) {
    const std::unique_ptr<uint8_t[]> bytes(new uint8_t[content.empty() ? 1 : content.size()]);
    std::memcpy(bytes.get(), content.data(), content.size());
    Texts texts;
    for (size_t f = 0; f < fields; ++f) {
        char text[answerFieldLimit + 1];
        std::memset(text, 'Z', sizeof text);
        readProgressLine(bytes.get(), content.size(), position, text);
        EXPECT_NE(std::memchr(text, '\0', sizeof text), nullptr);
        texts.push_back(text);
    }
    return texts;
}

constexpr size_t unchecked = SIZE_MAX;

TEST(ProgressLines, ReadsOneLinePerField) {
    struct Case {
        std::string content;
        Texts texts;
        size_t endPosition = unchecked;
    };
    const std::string line100 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ" + std::string(74, 'x');
    const std::string eighty(80, 'E');
    std::string lfLines;
    for (int i = 0; i < 30; ++i) {
        lfLines += "abc\n";
    }
    const Case cases[] = {
        {"Paris\r\n\r\nRome\r\n", {"Paris", "", "Rome"}, 15},
        {"q1 f1\r\nq1 f2\r\nq2 f1\r\nq2 f2\r\n", {"q1 f1", "q1 f2", "q2 f1", "q2 f2"}},
        {"  paris \t\r\n\xE9l\xE8ve\r\n", {"  paris \t", "\xE9l\xE8ve"}},  // as written, not trimmed
        {line100 + "\r\nRome\r\n", {line100.substr(0, 80), "Rome"}},
        {eighty + "\r\n" + eighty + "X\r\nRome\r\n", {eighty, eighty, "Rome"}},
        {std::string(200, 'L'), {std::string(80, 'L'), ""}},
        // Only a CR ends the text, and the line runs on to the next LF.
        {"Paris\nLondres\nRome\n", {"Paris\nLondres\nRome\n", "", ""}},
        {lfLines, {lfLines.substr(0, 80), ""}},
        {"Par\ris lost\nRome\r\n", {"Par", "Rome"}},
        {"A\rB\rC\r\nD\r\n", {"A", "D"}},
        {"A\n\rB\r\nC\r\n", {"A\n", "C"}},
        {"Paris\r", {"Paris", ""}, 8},
        {"Paris\r\nRome", {"Paris", "Rome", ""}},
        {"Paris\r\n", {"Paris", "", "", ""}, 10},
        {"un\r\ndeux\r\ntrois\r\nquatre\r\n", {"un", "deux"}, 10},  // the rest is ignored
        {"", {""}, 1},
        {std::string("Pa\0ris\r\n\0Rome\r\n", 15), {"Pa", ""}},  // a zero byte ends the field's text
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content);
        size_t position = 0;
        EXPECT_EQ(readFields(c.content, c.texts.size(), &position), c.texts);
        if (c.endPosition != unchecked) {
            EXPECT_EQ(position, c.endPosition);
        }
    }
}

TEST(ProgressLines, AnAbsentFileOrAPositionPastTheEndReadsNothing) {
    char text[answerFieldLimit + 1] = "stale";
    size_t position = 0;
    readProgressLine(nullptr, 1000, &position, text);  // absent content reads as size 0
    EXPECT_STREQ(text, "");
    EXPECT_EQ(position, 1u);
    for (size_t start : {size_t{7}, size_t{8}, size_t{100}}) {
        position = start;
        EXPECT_EQ(readFields("Paris\r\n", 2, &position), (Texts{"", ""})) << start;
        EXPECT_EQ(position, start + 2) << start;
    }
}

TEST(ProgressLines, FileNameReplacesTheLastThreeCharactersOfTheBaseName) {
    struct Case {
        std::string path;
        size_t nameSize;
        std::string name;  // empty when it does not fit
    };
    const std::string longBase(250, 'q');
    const Case cases[] = {
        {"C:\\Jeux\\quiz.exe", 261, "quiz.txt"},
        {"C:\\Jeux\\QUIZ.EXE", 261, "QUIZ.txt"},
        {"quiz.exe", 261, "quiz.txt"},
        {"C:\\Jeux\\abcdef", 261, "abctxt"},
        {"C:\\Jeux\\quiz.html", 261, "quiz.htxt"},
        {"C:\\Jeux\\abc", 261, "txt"},
        // Only the backslash separates.
        {"C:\\a.b\\quiz.exe", 261, "quiz.txt"},
        {"C:/Jeux/quiz.exe", 261, "C:/Jeux/quiz.txt"},
        {"\\\\serveur\\partage\\vyrla.exe", 261, "vyrla.txt"},
        // A base name shorter than three characters keeps all of itself.
        {"C:\\Jeux\\ab", 261, "abtxt"},
        {"C:\\Jeux\\a", 261, "atxt"},
        {"C:\\Jeux\\", 261, "txt"},
        {"", 261, "txt"},
        {"C:\\Jeux\\ab", 6, "abtxt"},
        {"C:\\Jeux\\ab", 5, ""},
        // The name with its zero must fit.
        {"C:\\Jeux\\quiz.exe", 9, "quiz.txt"},
        {"C:\\Jeux\\quiz.exe", 8, ""},
        {"C:\\Jeux\\quiz.exe", 0, ""},
        {"C:\\Jeux\\abc", 4, "txt"},
        {"C:\\Jeux\\abc", 3, ""},
        {"C:\\J\\" + longBase + ".exe", 255, longBase + ".txt"},  // the longest path, 259 characters
        {"C:\\J\\" + longBase + ".exe", 254, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path + ", " + std::to_string(c.nameSize));
        // Exactly nameSize bytes and a guard byte after them.
        std::vector<char> name(c.nameSize + 1, '#');
        ASSERT_EQ(progressFileName(c.path.c_str(), name.data(), c.nameSize), !c.name.empty());
        EXPECT_EQ(name[c.nameSize], '#');
        if (!c.name.empty()) {
            EXPECT_EQ(name.data(), c.name);
        } else {
            EXPECT_EQ(name[0], '#');
        }
    }
    char name[16];
    EXPECT_FALSE(progressFileName(nullptr, name, sizeof name));
    EXPECT_FALSE(progressFileName("quiz.exe", nullptr, 16));
}

}  // namespace
