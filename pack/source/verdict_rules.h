// The rules on the verdict tests written in a quiz source: typed answers
// with the verdict the author expects (`check = { "typed" = "Verdict" }`).
// They are checked with the rest of the source; results/verdict_tests.h runs
// them.
#pragma once

#include <string>
#include <vector>

#include "pack/source/quiz_source.h"

// The rules on a question's `check` or `check_second` table, run with the
// quiz source's other checks: every verdict is one of the player's words and
// every typed text is one an answer field can hold.
void checkVerdictTests(const VerdictTests& tests, const std::string& field, Diagnostics* diagnostics);

// The player's verdict words as an author writes them (UTF-8).
std::vector<std::string> verdictWordsUtf8();
