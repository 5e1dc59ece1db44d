#include <cstdio>
#include <filesystem>
#include <system_error>

#include "pack/commands/command_line.h"
#include "pack/commands/commands.h"
#include "pack/commands/exit_code.h"
#include "pack/commands/say.h"
#include "pack/io/file_output.h"
#include "pack/source/quiz_starter.h"
#include "quiz/stored_format.h"

namespace fs = std::filesystem;

namespace {

// Writes a starting quiz of the named kind into `folder`, never over a
// quiz.toml that is already there.
int writeStarterQuiz(const fs::path& folder, const std::string& kind) {
    const int kindNumber = kindFromName(kind.c_str());
    if (kindNumber < 0) {
        std::fprintf(stderr, "vyrla-pack: \"%s\" is not a kind: use text, picture, sound or video\n", kind.c_str());
        return exitUsage;
    }
    const fs::path source = folder / "quiz.toml";
    std::error_code code;
    if (fs::exists(source, code)) {
        say(source.u8string(), "already exists; choose another folder");
        return exitQuizErrors;
    }
    std::string error;
    if (!writeFilesUnder(folder, starterQuiz(kindNumber), &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return exitInternal;
    }
    std::printf("A %s quiz is ready in %s: edit quiz.toml, then\n", kind.c_str(), folder.u8string().c_str());
    std::printf("  vyrla-pack build %s -o quiz.exe\n", source.u8string().c_str());
    return exitOk;
}

}  // namespace

int runNew(const std::vector<std::string>& args, const CommandContext& context) {
    CommandLine line;
    std::string kind;
    line.option("--kind", &kind);
    std::vector<std::string> files;
    if (!line.parse(args, &files, context)) {
        return exitUsage;
    }
    if (files.size() > 1) {
        return usageError("new takes one file", context);
    }
    if (files.empty() || files[0].empty() || kind.empty()) {
        return usageError("new needs a folder and --kind text|picture|sound|video", context);
    }
    return writeStarterQuiz(fs::u8path(files[0]), kind);
}
