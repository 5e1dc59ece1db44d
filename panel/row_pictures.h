// The question pictures of a picture quiz are laid out from their headers and
// decoded only once their band comes near the view, so that a quiz of many
// large pictures opens as fast as a small one.
#pragma once

#include <windows.h>

#include "quiz/quiz_state.h"

void clearPendingPictures();

// Question n's picture static waits for its picture.
void setPicturePending(int n);

// Decodes and attaches the waiting pictures that lie in the view or within
// one band below or above it. A static that already shows a picture (the
// solved one, swapped in when a restored answer was judged) keeps it.
void loadVisiblePictures(QuizState* quiz, HWND panel);
