#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "pack/commands/command_line.h"
#include "pack/commands/commands.h"
#include "pack/commands/exit_code.h"
#include "pack/commands/packed_quiz.h"
#include "pack/commands/say.h"
#include "pack/commands/quiz_file.h"
#include "pack/exe/player_file.h"
#include "pack/exe/quiz_image.h"
#include "pack/io/file_output.h"
#include "pack/web/quiz_page.h"

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

// Writes the quiz as one web page: the template with the quiz in it. The
// page saves its answers under the output's name, as the player does.
int writeQuizPageFile(const fs::path& templateFile, const std::string& templateShown, const PackedQuiz& packed,
                      const fs::path& output, const std::string& shown) {
    std::vector<uint8_t> templateBytes;
    std::string error;
    if (!readWholeFile(templateFile, &templateBytes, &error)) {
        say(templateShown, error);
        return exitBadExecutable;
    }
    std::string page;
    const std::string answersName = output.stem().u8string() + ".txt";
    if (!writeQuizPage(std::string(templateBytes.begin(), templateBytes.end()), packed.content, packed.encoded,
                       answersName, &page, &error)) {
        say(templateShown, error);
        return exitBadExecutable;
    }
    for (const std::string& line : clipsBrowsersCannotPlay(packed.content)) {
        say(shown, "note: " + line);
    }
    if (!writeWholeFile(output, std::vector<uint8_t>(page.begin(), page.end()), &error)) {
        say(shown, error);
        return exitInternal;
    }
    return exitOk;
}

int buildPage(const std::string& quizFile, const std::string& output, const std::string& pageArgument,
              const CommandContext& context) {
    const fs::path templateFile = pageArgument.empty() ? defaultPageTemplate(context.argv0) : fs::u8path(pageArgument);
    std::error_code missing;
    if (pageArgument.empty() && !fs::exists(templateFile, missing)) {
        say(templateFile.u8string(), "not found; keep vyrla-page.html beside vyrla-pack, or name it with --page");
        return exitBadExecutable;
    }
    PackedQuiz packed;
    const int result = packQuiz(quizFile, &packed);
    if (result != exitOk) {
        return result;
    }
    return writeQuizPageFile(templateFile, pageArgument.empty() ? templateFile.u8string() : pageArgument, packed,
                             fs::u8path(output), output);
}

}  // namespace

int runBuild(const std::vector<std::string>& args, const CommandContext& context) {
    CommandLine line;
    std::string output;
    std::string playerArgument;
    std::string pageArgument;
    line.option("-o", &output);
    line.option("--player", &playerArgument);
    line.option("--page", &pageArgument);
    std::vector<std::string> files;
    if (!line.parse(args, &files, context)) {
        return exitUsage;
    }
    if (files.size() > 1) {
        return usageError("build takes one file", context);
    }
    if (files.empty() || files[0].empty() || output.empty()) {
        return usageError("build needs a quiz file and -o QUIZ.exe or -o QUIZ.html", context);
    }
    if (isPageName(fs::u8path(output))) {
        return buildPage(files[0], output, pageArgument, context);
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
