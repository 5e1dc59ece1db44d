// Reading a GIFT question bank, the plain-text question format of Moodle.
// The player only checks a typed answer against an expected one, so only
// short-answer questions are taken; every other question is skipped and
// noted with its line.
#pragma once

#include <string_view>

#include "pack/banks/question_bank.h"

// Questions are separated by blank lines; lines whose first characters are
// "//" are comments. A question is [::name::] [[format]] text {answers}
// [text]; a short-answer question has only "=" answers (or one bare answer),
// each with an optional %weight% and #feedback, and "####" general feedback.
// \~ \= \# \{ \} \: and \\ stand for the character itself, \n for a line
// break. `text` is UTF-8; a BOM is ignored.
QuestionBank readGiftBank(std::string_view text);
