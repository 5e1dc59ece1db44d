// The results file of `vyrla-pack collect`: one CSV row per answers file.
#pragma once

#include <string>
#include <vector>

#include "pack/results/collect.h"
#include "quiz/quiz_state.h"

struct CollectOptions {
    char separator = ',';
    bool typed = false;  // a column with the restored text before each verdict
};

// The results: a header row (file, score, each field, code, note), then a
// row per file. UTF-8 with a BOM so that spreadsheets take it as UTF-8,
// fields quoted as RFC 4180 says, lines ended by CR LF.
std::string resultsCsv(const QuizState& quiz, const std::vector<FileVerdicts>& rows, const CollectOptions& options);
