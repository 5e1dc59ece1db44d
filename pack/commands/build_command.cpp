#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "pack/commands/command_line.h"
#include "pack/commands/commands.h"
#include "pack/commands/exit_code.h"
#include "pack/commands/packed_quiz.h"
#include "pack/commands/say.h"
#include "pack/exe/player_file.h"
#include "pack/exe/quiz_image.h"
#include "pack/io/file_output.h"

namespace fs = std::filesystem;

namespace {

// Writes the player with this quiz to `output`, complete or not at all. The
// player's own file is never written, even when `output` names it.
int writeQuizExecutable(const Player& player, const fs::path& playerFile, const QuizContent& quiz,
                        const EncodedQuiz& encoded, const fs::path& output, const std::string& shown) {
    std::error_code code;
    if (fs::exists(output, code) && fs::equivalent(output, playerFile, code)) {
        say(shown, "is the player itself; write the quiz executable under another name");
        return exitUsage;
    }
    std::vector<uint8_t> bytes;
    std::vector<std::string> notes;
    std::string error;
    if (!buildQuizExecutable(player, quiz, encoded, &bytes, &notes, &error)) {
        say(playerFile.u8string(), error);
        return exitBadExecutable;
    }
    for (const std::string& note : notes) {
        say(shown, "note: " + note);
    }
    if (!writeWholeFile(output, bytes, &error)) {
        say(shown, error);
        return exitInternal;
    }
    return exitOk;
}

}  // namespace

int runBuild(const std::vector<std::string>& args, const CommandContext& context) {
    CommandLine line;
    std::string output;
    std::string playerArgument;
    line.option("-o", &output);
    line.option("--player", &playerArgument);
    std::vector<std::string> files;
    if (!line.parse(args, &files, context)) {
        return exitUsage;
    }
    if (files.size() > 1) {
        return usageError("build takes one file", context);
    }
    if (files.empty() || files[0].empty() || output.empty()) {
        return usageError("build needs a quiz file and -o QUIZ.exe", context);
    }
    const fs::path playerFile = playerArgument.empty() ? defaultPlayer(context.argv0) : fs::u8path(playerArgument);
    std::error_code missing;
    if (playerArgument.empty() && !fs::exists(playerFile, missing)) {
        std::fprintf(stderr, "%s: not found; keep vyrla.exe beside vyrla-pack, or name the player with --player\n",
                     playerFile.u8string().c_str());
        return exitBadExecutable;
    }
    Player player;
    if (!loadPlayer(playerFile, playerArgument.empty() ? playerFile.u8string() : playerArgument, &player)) {
        return exitBadExecutable;
    }
    PackedQuiz packed;
    const int result = packQuiz(files[0], &packed);
    if (result != exitOk) {
        return result;
    }
    return writeQuizExecutable(player, playerFile, packed.content, packed.encoded, fs::u8path(output), output);
}
