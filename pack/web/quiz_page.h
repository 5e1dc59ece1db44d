// A quiz as a web page: the page template (vyrla-page.html, the player's
// judging compiled to WebAssembly) filled with the quiz's stored contents,
// and the stored contents read back out of such a page.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "pack/exe/quiz_image.h"
#include "pack/stored/quiz_encode.h"

// The page template shipped beside the packer.
std::filesystem::path defaultPageTemplate(const char* argv0);

// The quiz's resources in the page's bundle form (see quiz/page_bundle.h).
std::vector<uint8_t> pageBundleBytes(const QuizContent& quiz, const EncodedQuiz& encoded);

// The template with the quiz in it. `answersName` is the answers file the
// page saves ("demo.txt"). Fails when the template is not one of ours.
bool writeQuizPage(const std::string& pageTemplate, const QuizContent& quiz, const EncodedQuiz& encoded,
                   const std::string& answersName, std::string* page, std::string* error);

// True when the file looks like a page rather than an executable.
bool looksLikePage(const std::vector<uint8_t>& file);

// The stored quiz a page carries. The error says what is wrong, without the
// file's name.
bool storedQuizOfPage(const std::vector<uint8_t>& file, StoredQuiz* stored, std::string* error);

// One line per clip that browsers do not play, with its question number.
std::vector<std::string> clipsBrowsersCannotPlay(const QuizContent& quiz);
