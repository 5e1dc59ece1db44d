// How every command reads its arguments, with CLI11: options that take one
// value, options that may be given again, flags, and the arguments that are
// not options (files and folders). Options may come anywhere among the
// others; "--" ends them.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "pack/commands/commands.h"

namespace CLI {
class App;
class Option;
}  // namespace CLI

class CommandLine {
public:
    CommandLine();
    ~CommandLine();
    CommandLine(const CommandLine&) = delete;
    CommandLine& operator=(const CommandLine&) = delete;

    // An option that takes one value and is given at most once; *value is
    // left as it is when the option is not given. *given (when asked for)
    // tells whether it was, since "" may be a value.
    void option(const std::string& name, std::string* value, bool* given = nullptr);
    // An option that may be given again: every value, in order.
    void repeatable(const std::string& name, std::vector<std::string>* values);
    void flag(const std::string& name, bool* value);

    // Parses `args` (the command's name first); the arguments that are not
    // options go into *arguments. False after saying what is wrong, as
    // usageError does.
    bool parse(const std::vector<std::string>& args, std::vector<std::string>* arguments,
               const CommandContext& context);

private:
    std::unique_ptr<CLI::App> app_;
    struct Single {
        CLI::Option* option;
        std::string* value;
        bool* given;
    };
    std::vector<Single> single_;
    std::vector<std::pair<CLI::Option*, std::vector<std::string>*>> repeated_;
};

// Prints "vyrla-pack: WHY" and the command's usage on standard error;
// returns exitUsage.
int usageError(const std::string& why, const CommandContext& context);
