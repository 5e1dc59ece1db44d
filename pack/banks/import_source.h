// The quiz source that import writes: a header like the one `vyrla-pack new`
// writes, then each bank question, as a question or, when it is set aside,
// as comments with the reason.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pack/banks/question_bank.h"

// A bank question on its way into the source.
struct ImportCandidate {
    BankQuestion question;
    std::vector<std::string> reasons;  // why it cannot be imported; empty while it can
    bool active = false;
    int number = 0;                    // among the active questions, from 1
    int firstLine = 0;                 // of its lines in the written source
    int lastLine = 0;
};

// What the source is written from: the options, decided for this bank.
struct ImportPlan {
    std::string bankName;
    std::string sourceName;
    std::string title;
    int kind;
    int mode;
    int answers;  // answer fields per question
    std::array<int, 3> colour;
    std::string author;
};

// The source, with `imported` questions. Records in each active candidate
// the lines its keys take, so that the source's checks can be traced back
// to the question.
std::string writeSource(const ImportPlan& plan, std::vector<ImportCandidate>* candidates, size_t imported);

// Where the source names question `number`'s picture or clip ("" for a text
// quiz), and the placeholder file made for it.
std::string mediaPath(int kind, int number);
std::vector<uint8_t> placeholder(int kind, int number);
