// The judge's rules written out as plainly as they can be: the oracle that
// the unit tests and the fuzzer hold the fast judge to.
#pragma once

#include <string_view>

// Textbook Levenshtein distance over the whole table.
int plainDistance(std::string_view a, std::string_view b);

// The verdict word (one of judge_answer.h's) that the rules give.
const char* plainJudge(const char* expected, const char* typed);
