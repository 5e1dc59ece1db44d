#include "pack/commands/packed_quiz.h"

#include <cstdio>
#include <filesystem>
#include <vector>

#include "pack/commands/exit_code.h"

namespace fs = std::filesystem;

int packQuiz(const std::string& quizArgument, PackedQuiz* packed) {
    const fs::path quizFile = fs::absolute(fs::path(quizArgument)).lexically_normal();
    Diagnostics diagnostics;
    if (!loadQuizSource(quizFile, quizArgument, &packed->source, &packed->content, &diagnostics)) {
        const std::vector<std::string> lines = diagnostics.formatted();
        for (const std::string& line : lines) {
            std::fprintf(stderr, "%s\n", line.c_str());
        }
        std::fprintf(stderr, "%s: %zu error%s\n", quizArgument.c_str(), lines.size(), lines.size() == 1 ? "" : "s");
        return exitQuizErrors;
    }
    std::vector<std::string> notes;
    packed->encoded = encodeQuiz(packed->content, &notes);
    for (const std::string& note : notes) {
        std::fprintf(stderr, "%s: note: %s\n", quizArgument.c_str(), note.c_str());
    }
    const std::vector<std::string> differences = readBackDifferences(packed->content, packed->encoded);
    for (const std::string& difference : differences) {
        std::fprintf(stderr, "%s: internal error: read back, %s\n", quizArgument.c_str(), difference.c_str());
    }
    return differences.empty() ? exitOk : exitInternal;
}
