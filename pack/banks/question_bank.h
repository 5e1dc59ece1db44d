// A question bank kept in another tool (GIFT, CSV or TSV), as its readers
// give it: questions with their texts in UTF-8, and notes on what could not
// be taken as it is.
#pragma once

#include <string>
#include <vector>

// One question as a bank gives it; every text UTF-8.
struct BankQuestion {
    int line = 0;        // where the question starts in the bank, from 1
    std::string title;   // a GIFT question's name; empty when it has none
    std::string prompt;
    std::string answer;
    std::string second;  // empty: no second answer
    std::string hint;
    std::string extra;
    // What the bank says about the question that the player has no place
    // for (other right answers, feedback): written as comments above it.
    std::vector<std::string> comments;
};

// Something said about the bank: a question skipped, a text changed, a part
// left out. Line 0 is the bank as a whole.
struct BankNote {
    int line;
    std::string message;
};

struct QuestionBank {
    std::vector<BankQuestion> questions;
    std::vector<BankNote> notes;
    bool usable = true;  // false: the bank cannot be read at all (notes say why)
};

enum class BankFormat { detect, gift, csv, tsv };
