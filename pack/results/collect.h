// A class's answers files, each read with the player's own progress reader
// and judged as the player would judge it (`vyrla-pack collect`).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "quiz/quiz_state.h"

// One answers file as the player would restore it. Every text is UTF-8.
struct FileVerdicts {
    std::string name;                   // as given
    bool read = false;                  // false: the file could not be read (see notes)
    int score = 0;                      // questions whose every field reads "BRAVO"
    std::vector<std::string> typed;     // per answer field, as restored
    std::vector<std::string> verdicts;  // per answer field
    std::string code;                   // the reward code shown; empty when none
    std::vector<std::string> notes;     // how the file differs from one the player writes
};

// Restores every answer field from `bytes` with readProgressLine, in field
// order, as the player does while building its rows (a hidden second field
// holds "-" whatever the file says), judges each field, and counts the score
// and the code as the player's header shows them. Empty bytes are a file the
// player cannot map: every field starts empty.
FileVerdicts judgeAnswersFile(const QuizState& quiz, const std::vector<uint8_t>& bytes);

// What sets the file apart from one the player wrote for this quiz: empty,
// not text, lines not ended by CR LF, lines the player cuts, more or fewer
// lines than answer fields, a hidden field's line other than "-", UTF-8
// rather than Windows-1252. The player accepts any bytes, so these are only
// said; the verdicts are still those the player would give.
std::vector<std::string> answersFileNotes(const QuizState& quiz, const std::vector<uint8_t>& bytes);

// The answers files that the arguments name: a folder stands for every .txt
// file under it, in name order (or for itself when it has none, so that its
// row says so).
std::vector<std::string> expandedFiles(const std::vector<std::string>& arguments);

// One row of the results: the file read and judged, with its notes, or the
// reason it could not be read.
FileVerdicts collectFile(const QuizState& quiz, const std::string& name);
