// The contract between the packer and the player: the resources a quiz
// executable carries, the names of the quiz kinds, and what each answer mode
// stores and does. The packer writes by these and the player reads by them.
#pragma once

#include <cstring>

// ---- resources -----------------------------------------------------------

// "PATCH" 104 holds the quiz, "PATCH" 105 the reward codes.
constexpr char quizResourceType[] = "PATCH";
constexpr int quizResourceId = 104;
constexpr int codesResourceId = 105;

// "IMG" 400 + n holds question n's picture (its 4-bit halves exchanged) or
// clip (as it is); 10400 + n the solved-state picture. A PNG picture may be
// raw data (RCDATA) of the same id instead.
constexpr char mediaResourceType[] = "IMG";
constexpr int firstPictureId = 400;
constexpr int firstSolvedPictureId = 10400;
constexpr int pictureId(int n) { return firstPictureId + n; }
constexpr int solvedPictureId(int n) { return firstSolvedPictureId + n; }

// ---- quiz kinds ----------------------------------------------------------

// The kinds by their stored number (QuizKind), as quiz sources name them.
constexpr const char* kindNames[] = {"text", "picture", "sound", "video"};
constexpr int kindCount = 4;

// The kind a source names, or -1.
inline int kindFromName(const char* name) {
    for (int kind = 0; kind < kindCount; ++kind) {
        if (std::strcmp(name, kindNames[kind]) == 0) return kind;
    }
    return -1;
}

// ---- answer modes --------------------------------------------------------

constexpr int maxAnswerMode = 7;

// What one answer mode stores per question and what the player does with it.
struct AnswerMode {
    int storedTexts;          // texts after each question: 0, 1 (the hint) or 2 (the hint, then an extra text)
    bool wordCount;           // the hint static starts as the answer's word count, shown
    bool solvedShowsHint;     // a solved question shows its hint
    bool solvedSwapsPicture;  // a solved question shows its solved-state picture
    bool solvedWritesHint;    // a solved question's hint static takes the hint's text
    bool allRightShowsHints;  // every hint shows once every answer is right
    bool wrongKeepsHint;      // a wrong answer leaves the hint static as it is
};

constexpr AnswerMode answerModes[maxAnswerMode + 1] = {
    // texts words  shows  swaps  writes all    keeps
    {0, false, false, false, false, false, false},  // 0: nothing beyond the verdict
    {1, false, false, true, false, false, false},   // 1: the solved-state picture
    {1, false, true, false, false, false, false},   // 2: the hint
    {2, false, true, true, false, false, false},    // 3: the hint and the solved-state picture
    {1, false, false, false, false, true, false},   // 4: every hint, once everything is right
    {0, true, false, false, false, false, true},    // 5: the word count, always shown
    {2, false, false, false, false, false, false},  // 6: stores a hint and an extra text, shows neither
    {1, true, false, false, true, false, false},    // 7: the word count, then the hint
};

// A mode outside 0 to 7 stores nothing and does nothing.
inline AnswerMode answerMode(int mode) {
    return mode >= 0 && mode <= maxAnswerMode ? answerModes[mode] : AnswerMode{};
}

// Modes above 1 give every row of a picture, sound or video quiz a hint
// static, 65 pixels high, whether or not it ever shows.
constexpr bool modeHasHintArea(int mode) { return mode > 1; }
