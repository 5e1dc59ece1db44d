// Turns the three stored contents into the QuizState: expand as stored,
// unscramble only when that fails, parse, or fall back with a message.
#pragma once

#include <cstddef>
#include <cstdint>

#include "quiz/quiz_state.h"

struct StoredContents {
    const uint8_t* contentBlock;  // the 70 stored bytes; never changed
    const uint8_t* quizResource;  // "PATCH" 104; null or size 0 when missing
    size_t quizResourceSize;
    const uint8_t* codesResource;  // "PATCH" 105
    size_t codesResourceSize;
};

enum class LoadOutcome {
    loaded,
    contentBlockFailed,  // "Erreur dans le décryptage"
    fallback,            // quiz resource missing: the built-in quiz
    quizFailed,          // "Erreur dans le décryptage des reponses"
    codesFailed,         // "Erreur dans le décryptage des codes"
};

struct LoadReport {
    LoadOutcome outcome;
    bool colourChanged;         // the caller makes a new backgroundBrush of `color`
    bool contentBlockUnscrambled;
    bool quizUnscrambled;
    bool codesUnscrambled;
    int quizKeyStart;           // key position the quiz resource was unscrambled from
};

// Pure part of the load: messages go through showMessage, and brushes are
// left to the caller (see colourChanged). The stored bytes are never changed.
LoadReport loadQuizContents(QuizState* quiz, const StoredContents& contents);
