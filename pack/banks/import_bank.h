// Importing a question bank kept in another tool (GIFT, CSV or TSV) as a
// quiz source that `vyrla-pack check` accepts. The readers fill a
// QuestionBank; the source is then written and run through the quiz source's
// own checks, so that every question it keeps passes them and every question
// or text it cannot keep is reported with its line.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pack/banks/question_bank.h"
#include "pack/io/file_output.h"

struct ImportOptions {
    std::string bankName;  // the bank's file as given, for messages
    std::string quizName = "quiz.toml";  // the quiz source's, for its own comments and messages
    BankFormat format = BankFormat::detect;
    std::string title;     // empty: the bank's file name without its extension
    int kind = 0;          // 0 text, 1 picture, 2 sound, 3 video
    int mode = -1;         // -1: the lowest mode that stores the bank's texts
    std::array<int, 3> colour = {70, 110, 190};
    std::string author;    // empty: no author key
};

struct ImportResult {
    bool ok = false;                    // false: nothing is to be written
    std::string source;                 // the quiz source, UTF-8 TOML
    std::vector<FileContents> media;    // placeholder pictures or clips the source names
    std::vector<std::string> messages;  // "bank.gift:12: ..." lines, in line order
    size_t imported = 0;                // questions written as questions
    size_t setAside = 0;                // questions written as comments, each with its reason
};

// The whole import without touching the output: reads the bank, writes the
// source and checks it. Pictures and clips for a picture, sound or video quiz
// are placeholders, checked in a temporary folder.
ImportResult importBank(const std::vector<uint8_t>& bytes, const ImportOptions& options);
