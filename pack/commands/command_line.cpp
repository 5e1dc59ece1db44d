#include "pack/commands/command_line.h"

#include <cstdio>

#include <CLI/CLI.hpp>

#include "pack/commands/exit_code.h"

CommandLine::CommandLine() : app_(std::make_unique<CLI::App>()) {
    // The packer's --help lists every command; a command has none of its own.
    app_->set_help_flag();
    // "/quizzes/demo.toml" is a file on every system, never an option.
    app_->allow_windows_style_options(false);
    // Left-over options are said in the packer's own words.
    app_->allow_extras();
}

CommandLine::~CommandLine() = default;

void CommandLine::option(const std::string& name, std::string* value, bool* given) {
    single_.push_back({app_->add_option(name), value, given});
}

void CommandLine::repeatable(const std::string& name, std::vector<std::string>* values) {
    repeated_.emplace_back(app_->add_option(name)->expected(1)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll),
                           values);
}

void CommandLine::flag(const std::string& name, bool* value) {
    app_->add_flag(name, *value);
}

bool CommandLine::parse(const std::vector<std::string>& args, std::vector<std::string>* arguments,
                        const CommandContext& context) {
    CLI::Option* rest =
        app_->add_option("arguments")->expected(1, CLI::detail::expected_max_vector_size)->allow_extra_args();
    // CLI11 takes the arguments last first, without the command's name.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    if (!reversed.empty()) {
        reversed.pop_back();
    }
    try {
        app_->parse(reversed);
    } catch (const CLI::ArgumentMismatch& mismatch) {
        // An option without its value, or given twice: CLI11 names it first.
        const std::string what = mismatch.what();
        const std::string name = what.substr(0, what.find(':'));
        usageError(app_->get_option_no_throw(name) ? name + " takes one value" : what, context);
        return false;
    } catch (const CLI::ParseError& error) {
        usageError(error.what(), context);
        return false;
    }
    for (const std::string& left : app_->remaining()) {
        if (left != "--") {
            usageError("unknown option " + left, context);
            return false;
        }
    }
    // The texts as given: CLI11 would read a lone "" as no value at all.
    *arguments = rest->results();
    for (const Single& single : single_) {
        const bool present = !single.option->results().empty();
        if (present) {
            *single.value = single.option->results().front();
        }
        if (single.given) {
            *single.given = present;
        }
    }
    for (const auto& [option, values] : repeated_) {
        *values = option->results();
    }
    return true;
}

int usageError(const std::string& why, const CommandContext& context) {
    std::fprintf(stderr, "vyrla-pack: %s\n", why.c_str());
    if (!context.usage.empty()) {
        std::fprintf(stderr, "usage:\n%s", context.usage.c_str());
    }
    return exitUsage;
}
