// Judging an answer field of the question panel and applying its effects.
#pragma once

#include <windows.h>

#include "quiz/quiz_state.h"

void checkAnswerField(QuizState* quiz, HWND panel, int fieldId);

// Recounts the solved questions from the verdict statics and has the header
// show the score and the reward code.
void updateScore(QuizState* quiz, HWND panel);
