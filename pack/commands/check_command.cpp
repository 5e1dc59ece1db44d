#include <cstdio>
#include <iostream>

#include "pack/commands/command_line.h"
#include "pack/commands/commands.h"
#include "pack/commands/exit_code.h"
#include "pack/commands/packed_quiz.h"
#include "pack/results/verdict_tests.h"
#include "quiz/windows1252.h"
#include "quiz/stored_format.h"

namespace {


// The summary speaks UTF-8: the answers as the player stores them, turned back.
void printSummary(const QuizContent& quiz) {
    std::printf("kind: %s\n", kindNames[quiz.kind]);
    std::printf("title: %s\n", windows1252ToUtf8(quiz.title).c_str());
    std::printf("questions: %zu\n", quiz.questions.size());
    for (size_t i = 0; i < quiz.questions.size(); ++i) {
        const QuestionContent& question = quiz.questions[i];
        std::string answers = windows1252ToUtf8(question.answer);
        if (quiz.answersPerQuestion == 2) {
            answers += " | " + windows1252ToUtf8(question.secondAnswer);
        }
        std::printf("%3zu. %s\n", i + 1, answers.c_str());
    }
}

}  // namespace

int runCheck(const std::vector<std::string>& args, const CommandContext& context) {
    CommandLine line;
    std::vector<std::string> files;
    if (!line.parse(args, &files, context)) {
        return exitUsage;
    }
    if (files.size() != 1) {
        return usageError("check takes one quiz file", context);
    }
    PackedQuiz packed;
    const int result = packQuiz(files[0], &packed);
    if (result != exitOk) {
        return result;
    }
    printSummary(packed.content);
    return reportVerdictTests(packed.source, packed.encoded, std::cerr) ? exitOk : exitQuizErrors;
}
