#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "pack/commands/command_line.h"
#include "pack/commands/commands.h"
#include "pack/commands/exit_code.h"
#include "pack/commands/say.h"
#include "pack/commands/quiz_file.h"
#include "pack/exe/quiz_image.h"
#include "pack/io/file_output.h"
#include "pack/results/collect.h"
#include "pack/results/results_csv.h"
#include "pack/source/quiz_source.h"
#include "pack/stored/load_as_player.h"
#include "pack/stored/quiz_encode.h"

namespace fs = std::filesystem;

namespace {

// The quiz the class played, as the player holds it: from its source, or
// straight from a quiz executable or page.
LoadedQuiz loadQuiz(const std::string& argument, int* exitCode) {
    std::string extension = fs::u8path(argument).extension().u8string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    if (extension == ".exe" || isPageName(fs::u8path(argument))) {
        StoredQuiz stored;
        if (!readStoredQuizFile(fs::u8path(argument), argument, &stored)) {
            *exitCode = exitBadExecutable;
            return nullptr;
        }
        const StoredContents contents{stored.contentBlock.data(), stored.quizResource.data(),
                                      stored.quizResource.size(), stored.codesResource.data(),
                                      stored.codesResource.size()};
        LoadOutcome outcome;
        LoadedQuiz quiz = loadAsPlayer(contents, &outcome);
        if (outcome != LoadOutcome::loaded) {
            say(argument, outcome == LoadOutcome::fallback ? "carries no quiz of its own"
                                                          : "its quiz cannot be read by the player");
            *exitCode = exitBadExecutable;
            return nullptr;
        }
        return quiz;
    }
    QuizSource source;
    QuizContent content;
    Diagnostics diagnostics;
    const fs::path file = fs::absolute(fs::u8path(argument)).lexically_normal();
    if (!loadQuizSource(file, argument, &source, &content, &diagnostics)) {
        const std::vector<std::string> lines = diagnostics.formatted();
        for (const std::string& line : lines) std::fprintf(stderr, "%s\n", line.c_str());
        say(argument, std::to_string(lines.size()) + (lines.size() == 1 ? " error" : " errors"));
        *exitCode = exitQuizErrors;
        return nullptr;
    }
    const EncodedQuiz encoded = encodeQuiz(content, nullptr);
    return loadAsPlayer(storedContents(encoded), nullptr);
}

}  // namespace

int runCollect(const std::vector<std::string>& args, const CommandContext& context) {
    CommandLine line;
    std::string output;
    std::vector<std::string> separators;
    CollectOptions options;
    line.option("-o", &output);
    line.repeatable("--separator", &separators);
    line.flag("--typed", &options.typed);
    std::vector<std::string> arguments;
    if (!line.parse(args, &arguments, context)) {
        return exitUsage;
    }
    for (const std::string& separator : separators) {
        if (separator == "," || separator == ";") {
            options.separator = separator[0];
        } else if (separator == "tab") {
            options.separator = '\t';
        } else {
            return usageError("--separator is \",\", \";\" or tab", context);
        }
    }
    if (arguments.size() < 2 || arguments[0].empty() || output.empty()) {
        return usageError("collect needs a quiz, at least one answers file and -o RESULTS.csv", context);
    }
    const std::string& quizArgument = arguments[0];
    const std::vector<std::string> files(arguments.begin() + 1, arguments.end());

    int exitCode = exitOk;
    const LoadedQuiz quiz = loadQuiz(quizArgument, &exitCode);
    if (!quiz) return exitCode;

    std::vector<FileVerdicts> rows;
    size_t withNotes = 0;
    for (const std::string& file : expandedFiles(files)) {
        rows.push_back(collectFile(*quiz, file));
        for (const std::string& note : rows.back().notes) say(file, note);
        withNotes += !rows.back().notes.empty();
    }
    const std::string csv = resultsCsv(*quiz, rows, options);
    std::string error;
    if (!writeWholeFile(fs::u8path(output), std::vector<uint8_t>(csv.begin(), csv.end()), &error)) {
        say(output, error);
        return exitInternal;
    }
    std::printf("%s: %zu file%s", output.c_str(), rows.size(), rows.size() == 1 ? "" : "s");
    if (withNotes > 0) std::printf(", %zu with notes", withNotes);
    std::printf("\n");
    return exitOk;
}
