#include <array>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "pack/banks/import_bank.h"
#include "pack/commands/command_line.h"
#include "pack/commands/commands.h"
#include "pack/commands/exit_code.h"
#include "pack/commands/say.h"
#include "pack/io/file_output.h"
#include "pack/source/quiz_starter.h"
#include "quiz/stored_format.h"

namespace fs = std::filesystem;

namespace {

bool readColour(const std::string& text, std::array<int, 3>* colour) {
    size_t at = 0;
    for (int i = 0; i < 3; ++i) {
        size_t used = 0;
        int value = -1;
        try {
            value = std::stoi(text.substr(at), &used);
        } catch (const std::exception&) {
            return false;
        }
        if (used == 0 || value < 0 || value > 255) return false;
        (*colour)[i] = value;
        at += used;
        if (i < 2) {
            if (at >= text.size() || text[at] != ',') return false;
            ++at;
        }
    }
    return at == text.size();
}

}  // namespace

int runImport(const std::vector<std::string>& args, const CommandContext& context) {
    CommandLine line;
    ImportOptions options;
    std::string output;
    std::string kind;
    std::string mode;
    std::string colour;
    std::string format;
    bool kindGiven = false;
    bool modeGiven = false;
    bool colourGiven = false;
    bool formatGiven = false;
    bool force = false;
    line.option("-o", &output);
    line.option("--title", &options.title);
    line.option("--author", &options.author);
    line.option("--kind", &kind, &kindGiven);
    line.option("--mode", &mode, &modeGiven);
    line.option("--colour", &colour, &colourGiven);
    line.option("--format", &format, &formatGiven);
    line.flag("--force", &force);
    std::vector<std::string> banks;
    if (!line.parse(args, &banks, context)) {
        return exitUsage;
    }
    if (banks.size() > 1) {
        return usageError("import takes one bank", context);
    }
    if (kindGiven) {
        options.kind = kindFromName(kind.c_str());
        if (options.kind < 0) return usageError("--kind is text, picture, sound or video", context);
    }
    if (modeGiven) {
        if (mode.size() != 1 || mode[0] < '0' || mode[0] > '7') return usageError("--mode is 0 to 7", context);
        options.mode = mode[0] - '0';
    }
    if (colourGiven && !readColour(colour, &options.colour)) {
        return usageError("--colour is R,G,B, each 0 to 255", context);
    }
    if (formatGiven) {
        if (format == "gift") {
            options.format = BankFormat::gift;
        } else if (format == "csv") {
            options.format = BankFormat::csv;
        } else if (format == "tsv") {
            options.format = BankFormat::tsv;
        } else {
            return usageError("--format is gift, csv or tsv", context);
        }
    }
    if (banks.empty() || banks[0].empty() || output.empty()) {
        return usageError("import needs a bank and -o QUIZ.toml", context);
    }
    const std::string& bank = banks[0];
    const fs::path bankFile = fs::u8path(bank);
    const fs::path outputFile = fs::u8path(output);
    std::error_code code;
    if (fs::exists(outputFile, code)) {
        if (fs::equivalent(outputFile, bankFile, code)) {
            say(output, "is the bank itself; write the quiz under another name");
            return exitUsage;
        }
        if (!force) {
            say(output, "already exists; choose another name, or --force to replace it");
            return exitUsage;
        }
    }
    std::vector<uint8_t> bytes;
    std::string error;
    if (!readWholeFile(bankFile, &bytes, &error)) {
        say(bank, error);
        return exitInternal;
    }
    options.bankName = bank;
    options.quizName = output;
    const ImportResult result = importBank(bytes, options);
    for (const std::string& message : result.messages) {
        std::fprintf(stderr, "%s\n", message.c_str());
    }
    if (!result.ok) {
        say(output, "not written");
        return exitQuizErrors;
    }
    const fs::path folder = outputFile.parent_path().empty() ? fs::path(".") : outputFile.parent_path();
    fs::create_directories(folder, code);
    if (!writeWholeFile(outputFile, std::vector<uint8_t>(result.source.begin(), result.source.end()), &error)) {
        say(output, error);
        return exitInternal;
    }
    for (const FileContents& file : result.media) {
        const fs::path path = folder / fs::u8path(file.path);
        if (fs::exists(path, code)) {
            say(path.u8string(), "kept as it is: the quiz names it in place of a placeholder");
            continue;
        }
        if (!writeFilesUnder(folder, {file}, &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return exitInternal;
        }
    }
    std::printf("%s: %zu question%s imported", output.c_str(), result.imported, result.imported == 1 ? "" : "s");
    if (result.setAside > 0) {
        std::printf(", %zu kept as comments with the reason", result.setAside);
    }
    std::printf("\n");
    return exitOk;
}
