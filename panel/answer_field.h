// The window procedure placed in front of every answer field.
#pragma once

#include <windows.h>

#include "quiz/quiz_state.h"

void attachAnswerFieldProc(HWND field);
LRESULT CALLBACK answerFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam);

// F1: tries the text of `field` on every field not yet right.
void fillUnsolvedFields(QuizState* quiz, HWND field);
