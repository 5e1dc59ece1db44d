// Reading a question bank kept as a table: CSV or TSV with a header row that
// names the columns prompt and answer, and optionally second, hint and extra
// (in any order, any letter case). Spreadsheets write these.
#pragma once

#include <string_view>

#include "pack/banks/question_bank.h"

// Quoting follows RFC 4180 whatever the separator: a field in double quotes
// may hold the separator, line breaks and doubled quotes. Lines end with
// CR LF, LF or a lone CR; a BOM is ignored. `separator` is ',', ';' or '\t';
// 0 takes the one that splits the header row into prompt and answer. A bank
// without a prompt or answer column is not usable.
QuestionBank readCsvBank(std::string_view text, char separator);
