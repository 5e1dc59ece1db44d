// A bank file read into questions: its bytes made UTF-8 text, its format
// chosen, and the reader of that format run on it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pack/banks/question_bank.h"

// The bank's bytes as a UTF-8 text: a BOM is dropped, UTF-16 with a BOM is
// converted, and a file that is not UTF-8 is read as Windows-1252 (with a
// note, since that is a guess).
std::string bankText(const std::vector<uint8_t>& bytes, std::vector<BankNote>* notes);

// The format to read the bank as: the one chosen, or else the one its file
// name's extension says, or else the one its first line looks like.
BankFormat bankFormat(BankFormat chosen, const std::string& bankName, const std::string& text);

// The bank's questions, by the reader of `format` (GIFT when undecided).
QuestionBank readBank(const std::string& text, BankFormat format);
