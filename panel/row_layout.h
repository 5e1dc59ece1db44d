// Collapsing the rows of solved questions in a picture quiz while "Cacher"
// is ticked, and restoring them when it is cleared.
#pragma once

#include <windows.h>

#include "quiz/quiz_state.h"

// Called after every verdict change and when "Cacher" is clicked; resets the
// scroll bars whatever the box says.
void relayoutRows(QuizState* quiz);

enum class RowMove { collapse, restore, shift };

// Moves the controls of question n by amount × sign pixels; collapse and
// restore also hide or show its picture and hint, which shift moves instead.
void moveRowControls(QuizState* quiz, RowMove move, int showCommand, HWND panel, int amount, int sign, int n);
