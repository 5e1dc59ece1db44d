// Stored contents loaded by the player's own loader, as the player holds
// them: what verdict tests, `try` and `collect` judge against.
#pragma once

#include <memory>

#include "quiz/quiz_loader.h"
#include "quiz/quiz_state.h"

// A QuizState as the player holds it after loading, freed with its questions.
struct LoadedQuizDeleter {
    void operator()(QuizState* quiz) const;
};
using LoadedQuiz = std::unique_ptr<QuizState, LoadedQuizDeleter>;

// Loads stored contents with the player's own loader; the loader's message
// boxes are kept quiet (the outcome says what happened).
LoadedQuiz loadAsPlayer(const StoredContents& contents, LoadOutcome* outcome);
