// `vyrla-pack try`: judges typed answers against a quiz exactly as the
// player would, so an author can preview the verdicts.
#pragma once

#include <istream>
#include <ostream>

#include "pack/stored/quiz_encode.h"

// Reads lines "N<TAB>typed text" (N.2 for a question's second field) and
// writes "N<TAB>typed text<TAB>verdict", all in UTF-8. The quiz is the one the
// player reads from `encoded`. A line it cannot read is reported on `errors`
// with its number; returns false when there was any.
bool tryVerdicts(const EncodedQuiz& encoded, std::istream& in, std::ostream& out, std::ostream& errors);
