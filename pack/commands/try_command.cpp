#include <iostream>

#include "pack/commands/command_line.h"
#include "pack/commands/commands.h"
#include "pack/commands/exit_code.h"
#include "pack/commands/packed_quiz.h"
#include "pack/results/try_verdicts.h"

int runTry(const std::vector<std::string>& args, const CommandContext& context) {
    CommandLine line;
    std::vector<std::string> files;
    if (!line.parse(args, &files, context)) {
        return exitUsage;
    }
    if (files.size() != 1) {
        return usageError("try takes one quiz file", context);
    }
    PackedQuiz packed;
    const int result = packQuiz(files[0], &packed);
    if (result != exitOk) {
        return result;
    }
    std::ios::sync_with_stdio(false);
    return tryVerdicts(packed.encoded, std::cin, std::cout, std::cerr) ? exitOk : exitQuizErrors;
}
