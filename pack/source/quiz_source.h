// The quiz source: a UTF-8 TOML file read into a plain record that keeps the
// line of every field, then checked against everything the player relies on
// and turned into the stored form.
// It is read in quiz_source.cpp and checked in quiz_rules.cpp.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "pack/stored/quiz_encode.h"

// A value from the source and where it was written. `present` is false when
// the key is absent; `broken` is set when it is there but of the wrong type
// (already reported, so later checks leave it alone).
template <typename T>
struct Sourced {
    T value{};
    int line = 0;
    bool present = false;
    bool broken = false;
};

using SourcedText = Sourced<std::string>;  // UTF-8, as written

// One verdict test of a question: a typed answer and the verdict word the
// author expects the player to give it, both UTF-8 as written.
struct VerdictTest {
    std::string typed;
    std::string verdict;
    int line = 0;
};

using VerdictTests = Sourced<std::vector<VerdictTest>>;

struct QuestionSource {
    int line = 0;  // of its [[question]] header
    SourcedText prompt;
    SourcedText answer;
    SourcedText second;
    SourcedText hint;
    SourcedText extra;
    SourcedText picture;
    SourcedText solvedPicture;
    SourcedText clip;
    VerdictTests check;        // typed into the first field
    VerdictTests checkSecond;  // typed into the second field
};

struct QuizSource {
    std::string fileName;              // as given, for messages
    std::filesystem::path directory;   // picture and clip paths are relative to it
    SourcedText kind;
    SourcedText title;
    SourcedText author;
    SourcedText description;
    Sourced<std::vector<SourcedText>> captions;
    SourcedText link;
    SourcedText footer;
    Sourced<int64_t> mode;
    Sourced<std::vector<Sourced<int64_t>>> colour;
    Sourced<int64_t> answers;
    Sourced<bool> scramble;
    Sourced<std::vector<SourcedText>> codes;
    Sourced<std::vector<QuestionSource>> questions;
};

struct Diagnostic {
    int line;
    std::string field;  // e.g. "question 3, answer"; empty for the file as a whole
    std::string message;
};

struct Diagnostics {
    std::string fileName;
    std::vector<Diagnostic> errors;

    void add(int line, std::string field, std::string message);
    // "quiz.toml:14: question 3, answer: ..." for every error, in line order.
    std::vector<std::string> formatted() const;
};

// Parses TOML text: syntax, unknown keys and value types, each problem
// reported. Returns false only when the text is not TOML at all (or, for
// readQuizSource, cannot be read): then there is nothing to check further.
bool parseQuizSource(std::string_view text, const std::string& fileName, const std::filesystem::path& directory,
                     QuizSource* source, Diagnostics* diagnostics);

// Reads and parses a quiz file; `fileName` is how messages name it.
bool readQuizSource(const std::filesystem::path& file, const std::string& fileName, QuizSource* source,
                    Diagnostics* diagnostics);

// Every rule on the values: limits, characters, modes and kinds, the texts
// each mode stores, pictures and clips (read here), and, once everything else
// holds, the coded sizes. Fills *content as far as the source allows; returns
// false when it reported anything.
bool buildQuizContent(const QuizSource& source, QuizContent* content, Diagnostics* diagnostics);

// The picture formats the player reads, from the first bytes of a file.
enum class PictureFormat { unknown, bmp, jpeg, gif, png };
PictureFormat pictureFormat(const std::vector<uint8_t>& bytes);

// Both steps: read and parse, then build (when the text was TOML). True when
// nothing at all was reported.
bool loadQuizSource(const std::filesystem::path& file, const std::string& fileName, QuizSource* source,
                    QuizContent* content, Diagnostics* diagnostics);
