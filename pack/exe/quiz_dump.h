// From the stored contents of a quiz executable back to a quiz source: the
// contents go through the player's own loader, so the source says what the
// player shows, and the pictures and clips come back as the files they were.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pack/exe/quiz_image.h"
#include "pack/io/file_output.h"

struct QuizDump {
    std::string source;               // the quiz source, UTF-8 TOML
    std::vector<FileContents> files;  // pictures and clips the source names
    std::vector<std::string> notes;   // what the source cannot say exactly
};

// `origin` names the executable in the source's first comment. Fails with
// the player's own message when it would not show a quiz of its own (damaged
// contents, or none: the built-in fallback quiz).
bool dumpQuiz(const StoredQuiz& stored, const std::string& origin, QuizDump* dump, std::string* error);

// The extension the player gives a clip's temporary file, in lower case.
std::string clipExtension(const std::vector<uint8_t>& clip);

// "bmp", "jpg", "gif" or "png" by the file's first bytes; "bin" otherwise.
std::string pictureExtension(const std::vector<uint8_t>& picture);
