// Judging an answer field of the question panel and applying its effects.
#pragma once

#include <windows.h>

#include "quiz_state.h"

void checkAnswerField(QuizState* quiz, HWND panel, int fieldId);

// Recounts the solved questions from the verdict statics and shows the score
// and the reward code in the header.
void updateScore(QuizState* quiz, HWND panel);
