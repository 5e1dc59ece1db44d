// The stored quiz of a quiz executable or of a quiz page, whichever the file
// is: what dump and collect read.
#pragma once

#include <filesystem>
#include <string>

#include "pack/exe/quiz_image.h"

// Says what is wrong on standard error, naming the file as `shown`.
bool readStoredQuizFile(const std::filesystem::path& file, const std::string& shown, StoredQuiz* stored);

// True for a name ending in .html or .htm, in any case.
bool isPageName(const std::filesystem::path& file);
