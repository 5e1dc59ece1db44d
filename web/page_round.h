// One play of a quiz in the web page: what the player keeps in its answer
// fields, verdict statics, hint statics and picture statics, kept here as
// plain data, with the player's own judging applied to it. The page's
// script only shows this state; it decides nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "quiz/progress_lines.h"
#include "quiz/quiz_state.h"

constexpr int maxFields = 2 * maxQuestions;

// Row states while "Cacher" is ticked, as the player folds its rows.
enum PageRow { pageRowShown = 0, pageRowCollapsed = 1, pageRowClosedUp = 2 };

struct PageRound {
    QuizState* quiz = nullptr;
    int fields = 0;
    char typed[maxFields + 1][answerFieldLimit + 1] = {};  // by field number from 1
    const char* verdict[maxFields + 1] = {};                // "" until the field exists
    bool hintShown[maxQuestions + 1] = {};                  // by question number from 1
    char hintText[maxQuestions + 1][textSize] = {};
    bool solvedPicture[maxQuestions + 1] = {};
    bool hideSolved = false;
    int solvedCount = 0;
};

// Starts a round as the player builds its rows: each field takes its line of
// the answers file (null or empty: none) and is judged at once.
void startRound(PageRound* round, QuizState* quiz, const uint8_t* answers, size_t size);

// Field f's text as typed (Windows-1252), cut to what a field holds.
void setFieldText(PageRound* round, int f, const char* text);

// Judges field f as Enter or leaving the field does, with every effect of
// its verdict: the question solved, hints, the solved picture, the score.
void judgeField(PageRound* round, int f);

// F1: field f's text goes into every field not yet right, and each is judged.
void fillUnsolvedFields(PageRound* round, int f);

// "Cacher": folds the solved rows of a picture quiz, or unfolds them all.
void setHideSolved(PageRound* round, bool hide);

// A second field whose answer is "-" is never shown; it holds "-".
bool fieldHidden(const PageRound& round, int f);

// The answers file the player would save: one line per field, CR LF.
std::string answersFileBytes(const PageRound& round);

// What the header shows: " N / M", and the reward code (six spaces when
// none is solved).
std::string scoreText(const PageRound& round);
const char* rewardCode(const PageRound& round);
