// The starting quiz of `vyrla-pack new`: a commented quiz source for each
// kind, with placeholder pictures or clips, that checks and builds as it is.
#pragma once

#include <string>
#include <vector>

#include "pack/io/file_output.h"

// quiz.toml first, then the media files it names.
std::vector<FileContents> starterQuiz(int kind);
