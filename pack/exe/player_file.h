// The player executable that quizzes are built into and read from: where
// the packer finds it by default, and reading it with its checks.
#pragma once

#include <filesystem>
#include <string>

#include "pack/exe/quiz_image.h"

// The player shipped beside the packer: vyrla.exe in the packer's folder.
std::filesystem::path defaultPlayer(const char* argv0);

// Reads and checks the player; `shown` names it in messages, which go to
// standard error.
bool loadPlayer(const std::filesystem::path& file, const std::string& shown, Player* player);
