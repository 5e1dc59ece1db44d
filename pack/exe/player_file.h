// The packer's commands on executables and folders: build (a quiz into a
// copy of the player), dump (a quiz executable back to its source) and new
// (a starting quiz). Each prints its own messages on standard error, each
// starting with the name of the file it is about.
#pragma once

#include <filesystem>
#include <string>

#include "pack/stored/quiz_encode.h"
#include "pack/exe/quiz_image.h"

// The player shipped beside the packer: vyrla.exe in the packer's folder.
std::filesystem::path defaultPlayer(const char* argv0);

// Reads and checks the player; `shown` names it in messages.
bool loadPlayer(const std::filesystem::path& file, const std::string& shown, Player* player);

// Writes the player with this quiz to `output`, complete or not at all. The
// player's own file is never written, even when `output` names it. Exit-code
// style result: 0 done, 4 the player cannot take the quiz, 3 the output
// cannot be written.
int writeQuizExecutable(const Player& player, const std::filesystem::path& playerFile, const QuizContent& quiz,
                         const EncodedQuiz& encoded, const std::filesystem::path& output, const std::string& shown);

// Prints the quiz source of a quiz executable on standard output; with an
// output folder, also writes it there as quiz.toml with its pictures and
// clips. Exit-code style result: 0 done, 4 the executable cannot be used,
// 3 a file cannot be written.
int dumpQuizExecutable(const std::filesystem::path& file, const std::string& shown,
                       const std::filesystem::path* outputFolder);

// Writes a starting quiz of the named kind into `folder`: 0 done, 2 no such
// kind, 1 the folder already has a quiz.toml, 3 a file cannot be written.
int writeStarterQuiz(const std::filesystem::path& folder, const std::string& kind);
