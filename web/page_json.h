// The page's C++ speaks to its script in JSON: the quiz as loaded, and the
// round's state after each change. Texts leave Windows-1252 here, at the
// page's edge, as UTF-8.
#pragma once

#include <string>
#include <vector>

#include "quiz/page_bundle.h"
#include "web/page_round.h"

// A message box the player would have shown while loading.
struct PageMessage {
    std::string caption;
    std::string text;
};

// The quiz as the page lays it out: header texts, colours, kind, fields,
// and per question its prompt, picture size or clip type.
std::string quizJson(const QuizState& quiz, const PageBundle& bundle, const std::vector<PageMessage>& messages);

// What changes while playing: texts, verdicts, hints, pictures, rows,
// score and code.
std::string stateJson(const PageRound& round);
