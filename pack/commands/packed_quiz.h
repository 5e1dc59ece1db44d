// A quiz source read, checked, coded and read back through the player's own
// loader: the first step of check, rc, try and build.
#pragma once

#include <string>

#include "pack/source/quiz_source.h"
#include "pack/stored/quiz_encode.h"

struct PackedQuiz {
    QuizSource source;
    QuizContent content;
    EncodedQuiz encoded;
};

// `quizArgument` is the quiz file as given, which messages name. Prints every
// problem, each note and each read-back difference on standard error;
// returns exitOk, exitQuizErrors or exitInternal.
int packQuiz(const std::string& quizArgument, PackedQuiz* packed);
