// The starting quiz of `vyrla-pack new`: a commented quiz source for each
// kind, with placeholder pictures or clips, that checks and builds as it is.
#pragma once

#include <string>
#include <vector>

#include "pack/io/file_output.h"

// 0 text, 1 picture, 2 sound, 3 video from the kind's name; -1 for any other.
int quizKindNamed(const std::string& name);

// quiz.toml first, then the media files it names.
std::vector<FileContents> starterQuiz(int kind);
