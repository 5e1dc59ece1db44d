// vyrla-pack: checks a quiz source, writes the stored contents that a player
// executable carries or a quiz executable itself, and reads one back.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <iostream>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "pack/results/collect.h"
#include "pack/exe/player_file.h"
#include "pack/banks/import_bank.h"
#include "pack/stored/quiz_encode.h"
#include "pack/source/quiz_source.h"
#include "pack/stored/rc_output.h"
#include "pack/results/try_verdicts.h"
#include "pack/results/verdict_tests.h"
#include "pack/stored/windows1252.h"

namespace {

namespace fs = std::filesystem;

enum ExitCode {
    exitOk = 0,
    exitQuizErrors = 1,  // the quiz source breaks a rule; every problem is listed
    exitUsage = 2,
    exitInternal = 3,  // the stored contents do not read back, or a file cannot be written
    exitBadExecutable = 4,  // the player or quiz executable cannot be used
};

const char usage[] =
    "usage: vyrla-pack check QUIZ.toml\n"
    "       vyrla-pack rc QUIZ.toml -o DIR\n"
    "       vyrla-pack try QUIZ.toml < ANSWERS\n"
    "       vyrla-pack build QUIZ.toml -o QUIZ.exe [--player PLAYER.exe]\n"
    "       vyrla-pack dump QUIZ.exe [-o DIR]\n"
    "       vyrla-pack new DIR --kind text|picture|sound|video\n"
    "       vyrla-pack import BANK -o QUIZ.toml [--title T] [--kind text|picture|sound|video]\n"
    "                         [--mode 0-7] [--colour R,G,B] [--author A] [--format gift|csv|tsv] [--force]\n"
    "       vyrla-pack collect QUIZ.toml|QUIZ.exe FILE|FOLDER... -o RESULTS.csv [--typed] [--separator ,|;|tab]\n"
    "\n"
    "check  validates the quiz source and prints a summary of it, then runs its\n"
    "       verdict tests (check = {...}) and warns about expected answers that\n"
    "       nearly match each other.\n"
    "rc     validates it and writes into DIR the stored contents (content.bin,\n"
    "       patch104.bin, patch105.bin), the picture and clip resources,\n"
    "       the resource script quiz.rc and the depfile quiz.d.\n"
    "try    reads lines N<TAB>typed text from standard input (N.2 for the\n"
    "       second field of question N) and prints each with the verdict the\n"
    "       player would give: N<TAB>typed text<TAB>verdict.\n"
    "build  validates it and writes QUIZ.exe: a copy of the player (by default\n"
    "       the vyrla.exe beside vyrla-pack) that carries this quiz instead of\n"
    "       its own.\n"
    "dump   prints the quiz that QUIZ.exe carries as a quiz source; with -o it\n"
    "       also writes it into DIR as quiz.toml with its pictures and clips.\n"
    "new    writes a commented starting quiz of that kind into DIR.\n"
    "import writes a quiz source from a GIFT, CSV or TSV question bank.\n"
    "collect judges each answers file as the player would; one CSV row per file.\n";

const char* const kindWords[] = {"text", "picture", "sound", "video"};

struct Packed {
    QuizSource source;
    QuizContent content;
    EncodedQuiz encoded;
};

void printLines(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
}

// Validates, codes and reads back. Prints every problem; returns an exit code.
int pack(const std::string& quizArgument, Packed* packed) {
    const fs::path quizFile = fs::absolute(fs::path(quizArgument)).lexically_normal();
    Diagnostics diagnostics;
    if (!loadQuizSource(quizFile, quizArgument, &packed->source, &packed->content, &diagnostics)) {
        const std::vector<std::string> lines = diagnostics.formatted();
        printLines(lines);
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

// The summary speaks UTF-8: the answers as the player stores them, turned back.
void printSummary(const QuizContent& quiz) {
    std::printf("kind: %s\n", kindWords[quiz.kind]);
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

int runCheck(const std::string& quizArgument) {
    Packed packed;
    const int result = pack(quizArgument, &packed);
    if (result != exitOk) {
        return result;
    }
    printSummary(packed.content);
    return reportVerdictTests(packed.source, packed.encoded, std::cerr) ? exitOk : exitQuizErrors;
}

int runRc(const std::string& quizArgument, const std::string& outputArgument) {
    Packed packed;
    const int result = pack(quizArgument, &packed);
    if (result != exitOk) {
        return result;
    }
    const fs::path outputDir = fs::absolute(fs::path(outputArgument)).lexically_normal();
    const fs::path quizFile = fs::absolute(fs::path(quizArgument)).lexically_normal();
    const std::vector<OutputFile> files = rcOutputFiles(packed.content, packed.encoded, outputDir, quizFile);
    std::string error;
    if (!writeOutputFiles(outputDir, files, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return exitInternal;
    }
    return exitOk;
}

int runTry(const std::string& quizArgument) {
    Packed packed;
    const int result = pack(quizArgument, &packed);
    if (result != exitOk) {
        return result;
    }
    std::ios::sync_with_stdio(false);
    return tryVerdicts(packed.encoded, std::cin, std::cout, std::cerr) ? exitOk : exitQuizErrors;
}

int runBuild(const std::string& quizArgument, const std::string& outputArgument, const std::string& playerArgument,
             const char* argv0) {
    const fs::path playerFile = playerArgument.empty() ? defaultPlayer(argv0) : fs::u8path(playerArgument);
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
    Packed packed;
    const int result = pack(quizArgument, &packed);
    if (result != exitOk) {
        return result;
    }
    return writeQuizExecutable(player, playerFile, packed.content, packed.encoded, fs::u8path(outputArgument),
                               outputArgument);
}

// The arguments of build and dump: one file, and options that take a value.
struct Arguments {
    std::string file;
    std::vector<std::pair<std::string, std::string>> options;  // name, value
    std::string error;

    std::string option(const std::string& name) const {
        for (const auto& [key, value] : options) {
            if (key == name) {
                return value;
            }
        }
        return "";
    }
};

Arguments parseArguments(const std::vector<std::string>& args, const std::vector<std::string>& known) {
    Arguments parsed;
    for (size_t i = 1; i < args.size() && parsed.error.empty(); ++i) {
        const bool isOption = std::find(known.begin(), known.end(), args[i]) != known.end();
        if (isOption) {
            if (i + 1 == args.size() || !parsed.option(args[i]).empty()) {
                parsed.error = args[i] + " takes one value";
            } else {
                parsed.options.emplace_back(args[i], args[i + 1]);
                ++i;
            }
        } else if (args[i].size() > 1 && args[i][0] == '-') {
            parsed.error = "unknown option " + args[i];
        } else if (parsed.file.empty()) {
            parsed.file = args[i];
        } else {
            parsed.error = args[0] + " takes one file";
        }
    }
    return parsed;
}

int badArguments(const char* why) {
    std::fprintf(stderr, "vyrla-pack: %s\n%s", why, usage);
    return exitUsage;
}

int run(const std::vector<std::string>& args, const char* argv0) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::printf("%s", usage);
        return exitOk;
    }
    if (args.empty()) {
        return badArguments("no command");
    }
    if (args[0] == "check") {
        if (args.size() != 2) {
            return badArguments("check takes one quiz file");
        }
        return runCheck(args[1]);
    }
    if (args[0] == "import") {
        return runImport(args);
    }
    if (args[0] == "collect") {
        return runCollect(args);
    }
    if (args[0] == "try") {
        if (args.size() != 2) {
            return badArguments("try takes one quiz file");
        }
        return runTry(args[1]);
    }
    if (args[0] == "rc") {
        std::string quiz;
        std::string output;
        for (size_t i = 1; i < args.size(); ++i) {
            if (args[i] == "-o") {
                if (i + 1 == args.size() || !output.empty()) {
                    return badArguments("-o takes one folder");
                }
                output = args[++i];
            } else if (quiz.empty()) {
                quiz = args[i];
            } else {
                return badArguments("rc takes one quiz file");
            }
        }
        if (quiz.empty() || output.empty()) {
            return badArguments("rc needs a quiz file and -o DIR");
        }
        return runRc(quiz, output);
    }
    if (args[0] == "build") {
        const Arguments parsed = parseArguments(args, {"-o", "--player"});
        if (!parsed.error.empty()) {
            return badArguments(parsed.error.c_str());
        }
        if (parsed.file.empty() || parsed.option("-o").empty()) {
            return badArguments("build needs a quiz file and -o QUIZ.exe");
        }
        return runBuild(parsed.file, parsed.option("-o"), parsed.option("--player"), argv0);
    }
    if (args[0] == "dump") {
        const Arguments parsed = parseArguments(args, {"-o"});
        if (!parsed.error.empty()) {
            return badArguments(parsed.error.c_str());
        }
        if (parsed.file.empty()) {
            return badArguments("dump needs a quiz executable");
        }
        const std::string folder = parsed.option("-o");
        const fs::path folderPath = fs::u8path(folder);
        return dumpQuizExecutable(fs::u8path(parsed.file), parsed.file, folder.empty() ? nullptr : &folderPath);
    }
    if (args[0] == "new") {
        const Arguments parsed = parseArguments(args, {"--kind"});
        if (!parsed.error.empty()) {
            return badArguments(parsed.error.c_str());
        }
        if (parsed.file.empty() || parsed.option("--kind").empty()) {
            return badArguments("new needs a folder and --kind text|picture|sound|video");
        }
        return writeStarterQuiz(fs::u8path(parsed.file), parsed.option("--kind"));
    }
    return badArguments(("unknown command \"" + args[0] + "\"").c_str());
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(std::vector<std::string>(argv + 1, argv + argc), argc > 0 ? argv[0] : nullptr);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vyrla-pack: internal error: %s\n", error.what());
        return exitInternal;
    }
}
