// Scrolling of the question panel: its bars, the wheel and the page keys.
#pragma once

#include <windows.h>

#include "quiz/quiz_state.h"

void setScrollRanges(QuizState* quiz, HWND panel);

// WM_VSCROLL and WM_HSCROLL with the code of the message's low word.
void scrollVertically(HWND panel, int code);
void scrollHorizontally(HWND panel, int code);

// Re-applies the ranges after the canvas or the panel changed size, and moves
// the content by what the positions moved.
void resetScrollBars(QuizState* quiz, HWND panel);

// Turns a wheel message's wParam into posted wheel steps for the panel.
void wheelToScroll(HWND panel, WPARAM wParam);

// Scrolls the panel so that a field that got the focus is in view.
void bringFieldIntoView(QuizState* quiz, HWND panel, HWND field);
