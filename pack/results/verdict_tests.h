// Verdict tests: typed answers written in the quiz source together with the
// verdict the author expects, run by `vyrla-pack check` through the player's
// own loading and judging. The same pass warns about expected answers that
// nearly match each other.
#pragma once

#include <cstddef>
#include <ostream>
#include <vector>

#include "pack/source/quiz_source.h"
#include "pack/stored/quiz_encode.h"

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
