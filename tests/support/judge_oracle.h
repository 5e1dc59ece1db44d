// The judge's rules written out as plainly as they can be: the oracle that
// fuzz_judge_answer holds the fast judge to on random pairs.
#pragma once

#include <string_view>

// Textbook Levenshtein distance over the whole table.
int plainDistance(std::string_view a, std::string_view b);

// The verdict word (one of judge_answer.h's) that the rules give.
const char* plainJudge(const char* expected, const char* typed);
