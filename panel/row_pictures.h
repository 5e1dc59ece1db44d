// The question pictures of a picture quiz are laid out from their headers and
// decoded later, one at a time between messages, in the order the user will
// see them: the window opens and answers input before any picture is decoded,
// and typing or scrolling never waits behind more than one picture.
#pragma once

#include <windows.h>

#include "quiz/quiz_state.h"

void clearPendingPictures();

// Question n's picture static waits for its picture.
void setPicturePending(int n);

// Asks for the waiting pictures in the view, or within one band below or
// above it, to be decoded: the panel gets a timer whose ticks each decode one
// (`decodeNextPicture`). Called whenever the view moves.
void queueVisiblePictures(QuizState* quiz, HWND panel);

// Decodes and attaches one waiting picture, those in the view first, top to
// bottom, then the nearest beyond it. A static that already shows a picture
// (the solved one, swapped in when a restored answer was judged) keeps it.
// Returns whether it decoded one; once none is left within reach, the timer stops.
bool decodeNextPicture(QuizState* quiz, HWND panel);

// The panel's timer that decodes the pictures.
constexpr UINT_PTR pictureTimer = 1;
