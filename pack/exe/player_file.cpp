#include "pack/exe/player_file.h"

#include <cstdio>
#include <system_error>
#include <vector>

#include "pack/files/file_output.h"
#include "pack/exe/quiz_dump.h"
#include "pack/source/quiz_starter.h"
#include "pack/exe/self_path.h"

namespace fs = std::filesystem;

namespace {

constexpr char playerFileName[] = "vyrla.exe";
constexpr int doneCode = 0;
constexpr int quizExistsCode = 1;
constexpr int usageCode = 2;
constexpr int writeFailedCode = 3;
constexpr int badExecutableCode = 4;

void say(const std::string& about, const std::string& what) {
    std::fprintf(stderr, "%s: %s\n", about.c_str(), what.c_str());
}

}  // namespace

fs::path defaultPlayer(const char* argv0) {
    return packerExecutable(argv0).parent_path() / playerFileName;
}

bool loadPlayer(const fs::path& file, const std::string& shown, Player* player) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!readWholeFile(file, &bytes, &error)) {
        say(shown, error);
        return false;
    }
    if (!readPlayer(std::move(bytes), player, &error)) {
        say(shown, error);
        return false;
    }
    return true;
}

int writeQuizExecutable(const Player& player, const fs::path& playerFile, const QuizContent& quiz,
                        const EncodedQuiz& encoded, const fs::path& output, const std::string& shown) {
    std::error_code code;
    if (fs::exists(output, code) && fs::equivalent(output, playerFile, code)) {
        say(shown, "is the player itself; write the quiz executable under another name");
        return usageCode;
    }
    std::vector<uint8_t> bytes;
    std::vector<std::string> notes;
    std::string error;
    if (!buildQuizExecutable(player, quiz, encoded, &bytes, &notes, &error)) {
        say(playerFile.u8string(), error);
        return badExecutableCode;
    }
    for (const std::string& note : notes) {
        say(shown, "note: " + note);
    }
    if (!writeWholeFile(output, bytes, &error)) {
        say(shown, error);
        return writeFailedCode;
    }
    return doneCode;
}

int dumpQuizExecutable(const fs::path& file, const std::string& shown, const fs::path* outputFolder) {
    Player player;
    if (!loadPlayer(file, shown, &player)) {
        return badExecutableCode;
    }
    QuizDump dump;
    std::string error;
    if (!dumpQuiz(storedQuizOf(player), file.filename().u8string(), &dump, &error)) {
        say(shown, error);
        return badExecutableCode;
    }
    for (const std::string& note : dump.notes) {
        say(shown, "note: " + note);
    }
    std::fwrite(dump.source.data(), 1, dump.source.size(), stdout);
    if (!outputFolder) {
        return doneCode;
    }
    std::vector<FileContents> files = dump.files;
    files.insert(files.begin(), {"quiz.toml", std::vector<uint8_t>(dump.source.begin(), dump.source.end())});
    if (!writeFilesUnder(*outputFolder, files, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return writeFailedCode;
    }
    return doneCode;
}

int writeStarterQuiz(const fs::path& folder, const std::string& kind) {
    const int kindNumber = quizKindNamed(kind);
    if (kindNumber < 0) {
        std::fprintf(stderr, "vyrla-pack: \"%s\" is not a kind: use text, picture, sound or video\n", kind.c_str());
        return usageCode;
    }
    const fs::path source = folder / "quiz.toml";
    std::error_code code;
    if (fs::exists(source, code)) {
        say(source.u8string(), "already exists; choose another folder");
        return quizExistsCode;
    }
    std::string error;
    if (!writeFilesUnder(folder, starterQuiz(kindNumber), &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return writeFailedCode;
    }
    std::printf("A %s quiz is ready in %s: edit quiz.toml, then\n", kind.c_str(), folder.u8string().c_str());
    std::printf("  vyrla-pack build %s -o quiz.exe\n", source.u8string().c_str());
    return doneCode;
}
