// The one application-wide record of the player and its question list.
// Pure code: the platform's handles are kept as opaque pointers so that the
// content core builds and is tested without the platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

using FontHandle = void*;
using BrushHandle = void*;
using WindowHandle = void*;
using ColourRef = uint32_t;  // 0x00BBGGRR

constexpr int maxQuestions = 96;
constexpr int maxBands = maxQuestions / 3;
constexpr int textSize = 260;        // every quiz text and code line
constexpr int linkTextSize = 25;
constexpr int footerTextSize = 40;
constexpr int mediaDirSize = 512;

struct QuestionNode {
    char answer[textSize];
    char secondAnswer[textSize];
    char prompt[textSize];
    char hint[textSize];
    int32_t solved;
    QuestionNode* prev;
    QuestionNode* next;
};

struct QuizState {
    int32_t contentWidth;
    int32_t contentHeight;
    int32_t kind;  // 0 text, 1 picture, 2 sound, 3 video
    char title[textSize];
    char author[textSize];
    char description[textSize];
    char answerCaption1[textSize];
    char answerCaption2[textSize];
    int32_t questionCount;
    int32_t answersPerQuestion;
    char codes[maxQuestions][textSize];  // entry i: shown once i + 1 questions are solved
    int32_t answerMode;
    FontHandle questionFont;
    FontHandle scoreFont;
    FontHandle titleFont;
    int32_t hintsRevealed;
    WindowHandle questionPanel;
    int32_t bandHeight[maxBands];
    int32_t rowHidden[maxQuestions + 1];  // indexed by question number 1..96; entry 0 unused
    // Stored in this order (red, blue, green) while the resource gives red, green, blue.
    int32_t red;
    int32_t blue;
    int32_t green;
    ColourRef color;
    BrushHandle backgroundBrush;
    BrushHandle failBrush;
    BrushHandle anagramBrush;
    BrushHandle hintBrush;
    BrushHandle promptBrush;
    WindowHandle headerPanel;
    char mediaDir[mediaDirSize];
    char linkText[linkTextSize];
    char footerText[footerTextSize];
    QuestionNode* head;
    QuestionNode* tail;
};

enum QuizKind : int32_t { kindText = 0, kindPicture = 1, kindSound = 2, kindVideo = 3 };

// The one QuizState of the process; the shell sets it before anything else runs.
extern QuizState* theQuiz;

// Zeroes the whole record, then gives it the default quiz (everything that
// construction sets except the fonts and brushes, which are the platform's).
void setQuizDefaults(QuizState* quiz);

// Appends one question at the tail. Texts longer than a field are cut to it.
// An allocation failure leaves the list unchanged and reports nothing.
void appendQuestion(QuizState* quiz, const char* answer, const char* secondAnswer, const char* prompt);

// Question index + 1: walks at most `index` steps from head, so a list that is
// too short gives its last node and an empty list gives none.
QuestionNode* questionAt(const QuizState* quiz, int index);

// Frees every node and leaves head and tail null.
void freeQuestionList(QuizState* quiz);

// Where appendQuestion takes its nodes from (std::malloc unless replaced; the
// list frees them with std::free). Tests install one that fails, to see an
// append that cannot allocate. Null restores std::malloc; returns the previous one.
using NodeAllocator = void* (*)(size_t size);
NodeAllocator setNodeAllocator(NodeAllocator allocator);

// Bounded copy of a zero-terminated text into a field of `size` bytes; always terminates.
void copyText(char* field, int size, const char* text);
