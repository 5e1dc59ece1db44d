// The saved answers: one line per answer field, each ended by CR LF.
// Pure: reading lines out of the file's bytes and naming the file.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int answerFieldLimit = 80;  // characters an answer field holds

// Reads the line at *position into `text` (at most 80 bytes, zero-terminated)
// and moves *position past the line's LF.
void readProgressLine(const uint8_t* bytes, size_t size, size_t* position,
                      char (&text)[answerFieldLimit + 1]);

// The saved answers' file name from the executable's full path: its base name
// with the last three characters replaced by "txt". Returns false when the
// result does not fit in `nameSize` bytes.
bool progressFileName(const char* executablePath, char* name, size_t nameSize);
