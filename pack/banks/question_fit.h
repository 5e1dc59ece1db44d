// A bank's question made to fit the player's answer fields, and which answer
// modes store the texts it brings.
#pragma once

#include <vector>

#include "pack/banks/question_bank.h"

struct CleanedQuestion {
    BankQuestion question;
    std::vector<BankNote> notes;
};

// What the player could not use as it is, mended and said: line breaks in
// any text, and blanks around an expected answer (the player trims what is
// typed but never the expected answer, so it could never match).
CleanedQuestion cleaned(BankQuestion question);

// Whether answer mode `mode` stores a question's hint, and its extra text.
bool storesHint(int mode);
bool storesExtra(int mode);
