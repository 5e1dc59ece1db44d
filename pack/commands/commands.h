// The packer's commands. Each takes its arguments as vyrla-pack received them,
// its own name first, parses them with CommandLine, prints its messages (on
// standard error, each starting with the name of the file it is about) and
// returns an ExitCode.
#pragma once

#include <string>
#include <vector>

// What a command is given besides its arguments.
struct CommandContext {
    const char* argv0 = nullptr;  // as the packer was started: the default player lies beside it
    std::string usage;            // the command's usage lines, shown after a mistake in its arguments
};

// check QUIZ.toml: validates, prints a summary, runs the verdict tests.
int runCheck(const std::vector<std::string>& args, const CommandContext& context = {});

// rc QUIZ.toml -o DIR: the stored contents and a resource script.
int runRc(const std::vector<std::string>& args, const CommandContext& context = {});

// try QUIZ.toml < ANSWERS: the verdicts the player would give.
int runTry(const std::vector<std::string>& args, const CommandContext& context = {});

// build QUIZ.toml -o QUIZ.exe [--player PLAYER.exe]: a player that carries
// the quiz. Writes the output complete or not at all, and never over the
// player itself.
int runBuild(const std::vector<std::string>& args, const CommandContext& context = {});

// dump QUIZ.exe [-o DIR]: the quiz an executable carries, as a quiz source.
int runDump(const std::vector<std::string>& args, const CommandContext& context = {});

// new DIR --kind KIND: a commented starting quiz.
int runNew(const std::vector<std::string>& args, const CommandContext& context = {});

// import BANK -o QUIZ.toml [options]: a quiz source from a question bank.
int runImport(const std::vector<std::string>& args, const CommandContext& context = {});

// collect QUIZ.toml|QUIZ.exe FILE|FOLDER... -o RESULTS.csv: a class's
// answers files judged, one CSV row per file. QUIZ is the quiz source or the
// quiz executable the class played. Exits 0 once the results are written,
// whatever the files held.
int runCollect(const std::vector<std::string>& args, const CommandContext& context = {});
