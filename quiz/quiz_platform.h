// The Win32 side of the quiz content: fonts and brushes of the QuizState, and
// loading the contents from the executable's resources.
#pragma once

#include <windows.h>

#include "quiz/quiz_loader.h"
#include "quiz/quiz_state.h"

// Zeroes the record and gives it its defaults, fonts and brushes.
void constructQuizState(QuizState* quiz);

// Deletes the fonts and brushes that exist and frees the question list.
void destroyQuizState(QuizState* quiz);

// Loads the quiz from the "PATCH" resources of `module` (null: the running
// executable) and the given 70-byte ContentBlock.
LoadReport loadQuizFromModule(QuizState* quiz, HMODULE module, const unsigned char* contentBlock);

// The player's load: its own resources and its own ContentBlock.
void loadQuiz(QuizState* quiz);
