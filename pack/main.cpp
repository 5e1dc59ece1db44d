// vyrla-pack: checks a quiz source, writes the stored contents that a player
// executable carries or a quiz executable itself, and reads one back.
//
// Every command is one entry of the table below: its name, its usage lines
// and what it does, and the function that runs it. The help, and the usage
// shown after a mistake in a command's arguments, are made from this table.
#include <cstddef>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "pack/commands/commands.h"
#include "pack/commands/exit_code.h"

namespace {

struct Command {
    const char* name;
    // What follows "vyrla-pack NAME"; a line after the first continues it.
    std::vector<const char*> usage;
    // For the help, one line each.
    std::vector<const char*> about;
    int (*run)(const std::vector<std::string>& args, const CommandContext& context);
};

const std::vector<Command>& commandTable() {
    static const std::vector<Command> commands = {
        {"check",
         {"QUIZ.toml"},
         {"validates the quiz source and prints a summary of it, then runs its",
          "verdict tests (check = {...}) and warns about expected answers that",
          "nearly match each other."},
         runCheck},
        {"rc",
         {"QUIZ.toml -o DIR"},
         {"validates it and writes into DIR the stored contents (content.bin,",
          "patch104.bin, patch105.bin), the picture and clip resources,",
          "the resource script quiz.rc and the depfile quiz.d."},
         runRc},
        {"try",
         {"QUIZ.toml < ANSWERS"},
         {"reads lines N<TAB>typed text from standard input (N.2 for the",
          "second field of question N) and prints each with the verdict the",
          "player would give: N<TAB>typed text<TAB>verdict."},
         runTry},
        {"build",
         {"QUIZ.toml -o QUIZ.exe [--player PLAYER.exe]",
          "QUIZ.toml -o QUIZ.html [--page vyrla-page.html]"},
         {"validates it and writes QUIZ.exe: a copy of the player (by default",
          "the vyrla.exe beside vyrla-pack) that carries this quiz instead of",
          "its own; or QUIZ.html: one web page that plays the quiz in any",
          "browser (from the vyrla-page.html beside vyrla-pack)."},
         runBuild},
        {"dump",
         {"QUIZ.exe|QUIZ.html [-o DIR]"},
         {"prints the quiz that QUIZ.exe or QUIZ.html carries as a quiz source; with -o it",
          "also writes it into DIR as quiz.toml with its pictures and clips."},
         runDump},
        {"new",
         {"DIR --kind text|picture|sound|video"},
         {"writes a commented starting quiz of that kind into DIR."},
         runNew},
        {"import",
         {"BANK -o QUIZ.toml [--title T] [--kind text|picture|sound|video]",
          "[--mode 0-7] [--colour R,G,B] [--author A] [--format gift|csv|tsv] [--force]"},
         {"writes a quiz source from a GIFT, CSV or TSV question bank."},
         runImport},
        {"collect",
         {"QUIZ.toml|QUIZ.exe|QUIZ.html FILE|FOLDER... -o RESULTS.csv [--typed] [--separator ,|;|tab]"},
         {"judges each answers file as the player would; one CSV row per file."},
         runCollect},
    };
    return commands;
}

constexpr char indent[] = "       ";

// The command's usage lines, each indented; a continuation line lines up
// with the command's arguments.
std::string usageLines(const Command& command) {
    const std::string head = std::string("vyrla-pack ") + command.name + " ";
    std::string text;
    for (size_t i = 0; i < command.usage.size(); ++i) {
        text += indent + (i == 0 ? head : std::string(head.size(), ' ')) + command.usage[i] + "\n";
    }
    return text;
}

std::string help() {
    std::string usage = usageLines(commandTable().front());
    for (size_t i = 1; i < commandTable().size(); ++i) {
        usage += usageLines(commandTable()[i]);
    }
    std::string text = "usage: " + usage.substr(sizeof indent - 1) + "\n";
    for (const Command& command : commandTable()) {
        for (size_t i = 0; i < command.about.size(); ++i) {
            std::string name = i == 0 ? command.name : "";
            if (name.size() < sizeof indent - 2) {
                name.resize(sizeof indent - 2, ' ');
            }
            text += name + " " + command.about[i] + "\n";
        }
    }
    return text;
}

int badArguments(const std::string& why) {
    std::fprintf(stderr, "vyrla-pack: %s\n%s", why.c_str(), help().c_str());
    return exitUsage;
}

int run(const std::vector<std::string>& args, const char* argv0) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::printf("%s", help().c_str());
        return exitOk;
    }
    if (args.empty()) {
        return badArguments("no command");
    }
    for (const Command& command : commandTable()) {
        if (args[0] == command.name) {
            return command.run(args, CommandContext{argv0, usageLines(command)});
        }
    }
    return badArguments("unknown command \"" + args[0] + "\"");
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
