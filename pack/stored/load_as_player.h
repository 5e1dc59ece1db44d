// Stored contents loaded by the player's own loader, as the player holds
// them: what verdict tests, `try`, `collect`, `dump` and the read-back check
// judge against.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "quiz/quiz_loader.h"
#include "quiz/quiz_state.h"

// A QuizState as the player holds it after loading, freed with its questions.
struct LoadedQuizDeleter {
    void operator()(QuizState* quiz) const;
};
using LoadedQuiz = std::unique_ptr<QuizState, LoadedQuizDeleter>;

// A message box the player would have shown while loading (Windows-1252).
struct LoaderMessage {
    std::string caption;
    std::string text;
};

struct PlayerLoad {
    LoadedQuiz quiz;
    LoadReport report{};
    std::vector<LoaderMessage> messages;
};

// The three stored contents as the loader takes them (borrowed, not copied);
// the ContentBlock is its fixed 70 bytes.
StoredContents storedContents(const uint8_t* contentBlock, const std::vector<uint8_t>& quizResource,
                              const std::vector<uint8_t>& codesResource);

// Loads stored contents with the player's own loader, keeping the message
// boxes it would have shown instead of showing them.
PlayerLoad loadLikePlayer(const StoredContents& contents);

// The same, for callers that only need the outcome.
LoadedQuiz loadAsPlayer(const StoredContents& contents, LoadOutcome* outcome);
