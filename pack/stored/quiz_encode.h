// From a checked quiz to the three stored contents the player reads: the
// expanded bytes, their LZW code, the scrambling, and a read-back through the
// player's own loader.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "quiz/content_parse.h"
#include "quiz/lzw_expand.h"
#include "quiz/quiz_loader.h"

constexpr size_t storedContentBlockSize = contentBlockSize;
// Bounds of the player's LZW expander: what it produces and what it reads.
constexpr size_t maxExpandedSize = lzwMaxOutput;
constexpr size_t maxCodedSize = lzwMaxInput;

// One question as stored; every text in Windows-1252.
struct QuestionContent {
    std::string answer;
    std::string secondAnswer;  // stored only when the quiz has two answer fields
    std::string prompt;
    std::string hint;   // stored in answer modes 1, 2, 3, 4, 6 and 7
    std::string extra;  // the second per-question text of modes 3 and 6
};

enum class MediaStorage {
    pictureSwapped,  // "IMG": each byte with its two 4-bit halves exchanged
    clipPlain,       // "IMG": the media file as it is
    pngRawData,      // RCDATA: the PNG file as it is
};

// A picture or clip resource: the file's bytes and how they are stored.
struct MediaResource {
    int id;  // 400 + n, or 10400 + n for a solved-state picture
    MediaStorage storage;
    std::vector<uint8_t> fileBytes;
    std::filesystem::path sourceFile;
};

// A quiz that passed every check; texts in Windows-1252.
struct QuizContent {
    int kind = 0;
    int answersPerQuestion = 1;
    int answerMode = 0;
    uint8_t red = 51;
    uint8_t green = 102;
    uint8_t blue = 255;
    std::string title;
    std::string author;
    std::string description;
    std::string caption1;
    std::string caption2;
    std::string link;
    std::string footer;
    std::vector<QuestionContent> questions;
    std::vector<std::string> codes;  // at most one per question; the rest are empty
    bool scramble = true;
    std::vector<MediaResource> media;
};

// The expanded forms of the three contents.
std::vector<uint8_t> expandedContentBlock(const QuizContent& quiz);
std::vector<uint8_t> expandedQuizResource(const QuizContent& quiz);
std::vector<uint8_t> expandedCodes(const QuizContent& quiz);

struct ContentSizes {
    size_t contentBlockCoded;
    size_t quizExpanded;
    size_t quizCoded;
    size_t codesExpanded;
    size_t codesCoded;
};

ContentSizes measureContents(const QuizContent& quiz);

struct EncodedQuiz {
    std::array<uint8_t, storedContentBlockSize> contentBlock;
    std::vector<uint8_t> quizResource;   // "PATCH" 104
    std::vector<uint8_t> codesResource;  // "PATCH" 105
    bool contentBlockScrambled;
    bool quizScrambled;
    bool codesScrambled;
    int quizKeyStart;  // key position the loader unscrambles the quiz resource from
};

// Codes and (when the quiz asks for it) scrambles the three contents. Any
// content whose scrambled bytes the loader would take as they are is stored
// plain instead; each such case adds a line to *notes (when given). The quiz
// must have passed the checks: a quiz without questions, or whose link and
// footer do not code into the ContentBlock, throws std::invalid_argument.
EncodedQuiz encodeQuiz(const QuizContent& quiz, std::vector<std::string>* notes);

// The contents of `encoded` as the loader takes them.
StoredContents storedContents(const EncodedQuiz& encoded);

// Loads `encoded` with the player's loader and compares every loaded field
// with `quiz`. Returns one line per difference and per loader message; empty
// when the player would show exactly this quiz.
std::vector<std::string> readBackDifferences(const QuizContent& quiz, const EncodedQuiz& encoded);

// The bytes of a picture or clip resource as the player expects them.
std::vector<uint8_t> storedMediaBytes(const MediaResource& media);
