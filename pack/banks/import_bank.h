// `vyrla-pack import`: a question bank kept in another tool (GIFT, CSV or
// TSV) turned into a quiz source that `vyrla-pack check` accepts. The readers
// fill a QuestionBank; the source is then written and run through the quiz
// source's own checks, so that every question it keeps passes them and every
// question or text it cannot keep is reported with its line.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pack/files/file_output.h"

// One question as a bank gives it; every text UTF-8.
struct BankQuestion {
    int line = 0;        // where the question starts in the bank, from 1
    std::string title;   // a GIFT question's name; empty when it has none
    std::string prompt;
    std::string answer;
    std::string second;  // empty: no second answer
    std::string hint;
    std::string extra;
    // What the bank says about the question that the player has no place
    // for (other right answers, feedback): written as comments above it.
    std::vector<std::string> comments;
};

// Something said about the bank: a question skipped, a text changed, a part
// left out. Line 0 is the bank as a whole.
struct BankNote {
    int line;
    std::string message;
};

struct QuestionBank {
    std::vector<BankQuestion> questions;
    std::vector<BankNote> notes;
    bool usable = true;  // false: the bank cannot be read at all (notes say why)
};

enum class BankFormat { detect, gift, csv, tsv };

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

// The bank's bytes as a UTF-8 text: a BOM is dropped, UTF-16 with a BOM is
// converted, and a file that is not UTF-8 is read as Windows-1252 (with a
// note, since that is a guess).
std::string bankText(const std::vector<uint8_t>& bytes, std::vector<BankNote>* notes);

// The offset of the first byte that breaks strict UTF-8, or npos.
size_t firstInvalidUtf8(const std::string& text);

// The whole import without touching the output: reads the bank, writes the
// source and checks it. Pictures and clips for a picture, sound or video quiz
// are placeholders, checked in a temporary folder.
ImportResult importBank(const std::vector<uint8_t>& bytes, const ImportOptions& options);

// The command: `args` as vyrla-pack received them, "import" first. Prints its
// messages on standard error; returns vyrla-pack's exit codes (0 written,
// 1 nothing could be imported, 2 usage, 3 a file cannot be read or written).
int runImport(const std::vector<std::string>& args);

// The usage lines of the command, for vyrla-pack's help.
extern const char importUsage[];
