#include <cstdio>
#include <filesystem>
#include <vector>

#include "pack/commands/command_line.h"
#include "pack/commands/commands.h"
#include "pack/commands/exit_code.h"
#include "pack/commands/say.h"
#include "pack/commands/quiz_file.h"
#include "pack/exe/quiz_dump.h"
#include "pack/io/file_output.h"

namespace fs = std::filesystem;

namespace {

// Prints the quiz source of a quiz executable or page on standard output;
// with an output folder, also writes it there as quiz.toml with its pictures
// and clips.
int dumpQuizFile(const fs::path& file, const std::string& shown, const fs::path* outputFolder) {
    StoredQuiz stored;
    if (!readStoredQuizFile(file, shown, &stored)) {
        return exitBadExecutable;
    }
    QuizDump dump;
    std::string error;
    if (!dumpQuiz(stored, file.filename().u8string(), &dump, &error)) {
        say(shown, error);
        return exitBadExecutable;
    }
    for (const std::string& note : dump.notes) {
        say(shown, "note: " + note);
    }
    std::fwrite(dump.source.data(), 1, dump.source.size(), stdout);
    if (!outputFolder) {
        return exitOk;
    }
    std::vector<FileContents> files = dump.files;
    files.insert(files.begin(), {"quiz.toml", std::vector<uint8_t>(dump.source.begin(), dump.source.end())});
    if (!writeFilesUnder(*outputFolder, files, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return exitInternal;
    }
    return exitOk;
}

}  // namespace

int runDump(const std::vector<std::string>& args, const CommandContext& context) {
    CommandLine line;
    std::string folder;
    line.option("-o", &folder);
    std::vector<std::string> files;
    if (!line.parse(args, &files, context)) {
        return exitUsage;
    }
    if (files.size() > 1) {
        return usageError("dump takes one file", context);
    }
    if (files.empty() || files[0].empty()) {
        return usageError("dump needs a quiz executable or page", context);
    }
    const fs::path folderPath = fs::u8path(folder);
    return dumpQuizFile(fs::u8path(files[0]), files[0], folder.empty() ? nullptr : &folderPath);
}
