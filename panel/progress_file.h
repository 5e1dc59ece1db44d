// The saved answers, read while the panel is built and written on save.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "quiz/progress_lines.h"
#include "quiz/quiz_state.h"

struct ProgressReader {
    HANDLE file;
    HANDLE mapping;
    const uint8_t* bytes;  // null when there is no saved content
    size_t size;
    size_t position;
};

void openProgress(ProgressReader* reader);
void nextProgressLine(ProgressReader* reader, char (&text)[answerFieldLimit + 1]);
void closeProgress(ProgressReader* reader);

// The saved answers' file name for this executable, in the working folder.
bool currentProgressFileName(char* name, size_t nameSize);

// Writes every answer field, one line each. The lines go to a temporary file
// first, which replaces the old one only once complete, so a failed save
// leaves the previous answers as they were; the user is told. Returns false
// on failure. A quiz that did not load (no questions) writes nothing, so its
// earlier answers survive.
bool saveProgress(QuizState* quiz);
