// Verdict tests: typed answers written in the quiz source together with the
// verdict the author expects, run by `vyrla-pack check` through the player's
// own loading and judging. The same pass warns about expected answers that
// nearly match each other.
#pragma once

#include <cstddef>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "pack/stored/quiz_encode.h"
#include "quiz/quiz_loader.h"
#include "pack/source/quiz_source.h"

// The rules on a question's `check` or `check_second` table, run with the
// quiz source's other checks: every verdict is one of the player's words and
// every typed text is one an answer field can hold.
void checkVerdictTests(const VerdictTests& tests, const std::string& field, Diagnostics* diagnostics);

// The player's verdict words as an author writes them (UTF-8).
std::vector<std::string> verdictWordsUtf8();

// A QuizState as the player holds it after loading, freed with its questions.
struct LoadedQuizDeleter {
    void operator()(QuizState* quiz) const;
};
using LoadedQuiz = std::unique_ptr<QuizState, LoadedQuizDeleter>;

// Loads stored contents with the player's own loader; the loader's message
// boxes are kept quiet (the outcome says what happened).
LoadedQuiz loadAsPlayer(const StoredContents& contents, LoadOutcome* outcome);

struct VerdictReport {
    size_t run = 0;
    std::vector<Diagnostic> failures;  // one per test whose verdict differs
    std::vector<Diagnostic> warnings;  // expected answers that read as nearly each other
};

// Runs every verdict test of `source` (which passed its checks) on the quiz
// the player loads from `encoded`, and judges every expected answer as if it
// were typed into every other field.
VerdictReport runVerdictTests(const QuizSource& source, const EncodedQuiz& encoded);

// What `vyrla-pack check` prints after its summary: failures and warnings on
// `errors` as "quiz.toml:LINE: question N, check: ...", then one line that
// counts them. True when no test failed; warnings never fail.
bool reportVerdictTests(const QuizSource& source, const EncodedQuiz& encoded, std::ostream& errors);
