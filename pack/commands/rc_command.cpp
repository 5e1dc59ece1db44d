#include <cstdio>
#include <filesystem>

#include "pack/commands/command_line.h"
#include "pack/commands/commands.h"
#include "pack/commands/exit_code.h"
#include "pack/commands/packed_quiz.h"
#include "pack/stored/rc_output.h"

namespace fs = std::filesystem;

int runRc(const std::vector<std::string>& args, const CommandContext& context) {
    CommandLine line;
    std::string output;
    line.option("-o", &output);
    std::vector<std::string> files;
    if (!line.parse(args, &files, context)) {
        return exitUsage;
    }
    if (files.size() > 1) {
        return usageError("rc takes one quiz file", context);
    }
    if (files.empty() || files[0].empty() || output.empty()) {
        return usageError("rc needs a quiz file and -o DIR", context);
    }
    const std::string& quizArgument = files[0];
    PackedQuiz packed;
    const int result = packQuiz(quizArgument, &packed);
    if (result != exitOk) {
        return result;
    }
    const fs::path outputDir = fs::absolute(fs::path(output)).lexically_normal();
    const fs::path quizFile = fs::absolute(fs::path(quizArgument)).lexically_normal();
    const std::vector<OutputFile> written = rcOutputFiles(packed.content, packed.encoded, outputDir, quizFile);
    std::string error;
    if (!writeOutputFiles(outputDir, written, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return exitInternal;
    }
    return exitOk;
}
