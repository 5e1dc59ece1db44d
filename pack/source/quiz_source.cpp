#include "pack/source/quiz_source.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

#include <toml++/toml.h>

#include "judge/judge_answer.h"

namespace {

namespace fs = std::filesystem;

const char* typeName(toml::node_type type) {
    switch (type) {
    case toml::node_type::string:
        return "a string";
    case toml::node_type::integer:
        return "an integer";
    case toml::node_type::floating_point:
        return "a floating-point number";
    case toml::node_type::boolean:
        return "a boolean";
    case toml::node_type::array:
        return "an array";
    case toml::node_type::table:
        return "a table";
    case toml::node_type::date:
        return "a date";
    case toml::node_type::time:
        return "a time";
    case toml::node_type::date_time:
        return "a date-time";
    default:
        return "nothing";
    }
}

int lineOf(const toml::node& node) {
    return static_cast<int>(node.source().begin.line);
}

int lineOf(const toml::key& key) {
    return static_cast<int>(key.source().begin.line);
}

template <size_t N>
std::string unknownKeyMessage(const std::string& key, const char* const (&known)[N]) {
    std::string message = "unknown key";
    for (const char* name : known) {
        // Close enough to be a slip of the keyboard.
        if (editDistance(key.data(), key.size(), name, std::strlen(name)) <= 2) {
            message += " (did you mean \"" + std::string(name) + "\"?)";
            break;
        }
    }
    return message;
}

std::string expected(const char* what, const toml::node& node) {
    return std::string("expected ") + what + ", found " + typeName(node.type());
}

template <typename T>
void mark(Sourced<T>* field, int line) {
    field->present = true;
    field->line = line;
}

void readText(const toml::node& node, int line, const std::string& field, SourcedText* out,
              Diagnostics* diagnostics) {
    mark(out, line);
    if (const auto* text = node.as_string()) {
        out->value = text->get();
    } else {
        out->broken = true;
        diagnostics->add(line, field, expected("a string", node));
    }
}

void readInteger(const toml::node& node, int line, const std::string& field, Sourced<int64_t>* out,
                 Diagnostics* diagnostics) {
    mark(out, line);
    if (const auto* number = node.as_integer()) {
        out->value = number->get();
    } else {
        out->broken = true;
        diagnostics->add(line, field, expected("an integer", node));
    }
}

void readFlag(const toml::node& node, int line, const std::string& field, Sourced<bool>* out,
              Diagnostics* diagnostics) {
    mark(out, line);
    if (const auto* flag = node.as_boolean()) {
        out->value = flag->get();
    } else {
        out->broken = true;
        diagnostics->add(line, field, expected("true or false", node));
    }
}

// An array of strings; each element keeps its own line. `elementField`
// names element i (from 1) in messages.
template <typename NameElement>
void readTextArray(const toml::node& node, int line, const std::string& field, NameElement elementField,
                   Sourced<std::vector<SourcedText>>* out, Diagnostics* diagnostics) {
    mark(out, line);
    const auto* array = node.as_array();
    if (!array) {
        out->broken = true;
        diagnostics->add(line, field, expected("an array of strings", node));
        return;
    }
    size_t index = 0;
    for (const toml::node& element : *array) {
        ++index;
        SourcedText text;
        readText(element, lineOf(element), elementField(index), &text, diagnostics);
        out->value.push_back(text);
    }
}

const char* const colourNames[] = {"red", "green", "blue"};

void readColour(const toml::node& node, int line, Sourced<std::vector<Sourced<int64_t>>>* out,
                Diagnostics* diagnostics) {
    mark(out, line);
    const auto* array = node.as_array();
    if (!array) {
        out->broken = true;
        diagnostics->add(line, "colour", expected("an array [red, green, blue]", node));
        return;
    }
    size_t index = 0;
    for (const toml::node& element : *array) {
        const std::string field =
            index < 3 ? std::string("colour, ") + colourNames[index] : "colour, component " + std::to_string(index + 1);
        Sourced<int64_t> component;
        readInteger(element, lineOf(element), field, &component, diagnostics);
        out->value.push_back(component);
        ++index;
    }
}

const char* const topLevelKeys[] = {"kind",   "title",  "author",  "description", "captions", "link",  "footer",
                                    "mode",   "colour", "answers", "scramble",    "codes",    "question"};

bool isTopLevelKey(const std::string& name) {
    for (const char* key : topLevelKeys) {
        if (name == key) {
            return true;
        }
    }
    return false;
}

const char* const questionKeys[] = {"prompt", "answer",         "second", "hint",  "extra",
                                    "picture", "solved_picture", "clip",   "check", "check_second"};

// `check = { "typed" = "Verdict", ... }`, or a [question.check] table. Each
// test keeps the line of its own key, so that a failing one points at itself.
void readVerdictTests(const toml::node& node, int line, const std::string& field, VerdictTests* out,
                      Diagnostics* diagnostics) {
    mark(out, line);
    const auto* table = node.as_table();
    if (!table) {
        out->broken = true;
        diagnostics->add(line, field, expected("a table { \"typed answer\" = \"verdict\" }", node));
        return;
    }
    for (auto&& [key, value] : *table) {
        const int keyLine = lineOf(key) > 0 ? lineOf(key) : line;
        const std::string typed(key.str());
        if (const auto* verdict = value.as_string()) {
            out->value.push_back({typed, verdict->get(), keyLine});
        } else {
            diagnostics->add(keyLine, field, "\"" + typed + "\": " + expected("a verdict word", value));
        }
    }
}

void readQuestion(const toml::table& table, size_t number, QuestionSource* question, Diagnostics* diagnostics) {
    question->line = lineOf(table);
    const std::string prefix = "question " + std::to_string(number) + ", ";
    for (auto&& [key, node] : table) {
        const std::string name(key.str());
        const int line = lineOf(key);
        const std::string field = prefix + name;
        SourcedText* target = nullptr;
        if (name == "prompt") {
            target = &question->prompt;
        } else if (name == "answer") {
            target = &question->answer;
        } else if (name == "second") {
            target = &question->second;
        } else if (name == "hint") {
            target = &question->hint;
        } else if (name == "extra") {
            target = &question->extra;
        } else if (name == "picture") {
            target = &question->picture;
        } else if (name == "solved_picture") {
            target = &question->solvedPicture;
        } else if (name == "clip") {
            target = &question->clip;
        } else if (name == "check" || name == "check_second") {
            readVerdictTests(node, line, field, name == "check" ? &question->check : &question->checkSecond,
                             diagnostics);
            continue;
        }
        if (target) {
            readText(node, line, field, target, diagnostics);
        } else if (isTopLevelKey(name)) {
            // TOML puts every key after a [[question]] header into that question.
            diagnostics->add(line, field, "unknown key in a question; the quiz's own keys go before the first [[question]]");
        } else {
            diagnostics->add(line, field, unknownKeyMessage(name, questionKeys));
        }
    }
}

void readQuestions(const toml::node& node, int line, QuizSource* source, Diagnostics* diagnostics) {
    mark(&source->questions, line);
    const auto* array = node.as_array();
    if (!array || !array->is_array_of_tables()) {
        source->questions.broken = true;
        diagnostics->add(line, "question", "expected [[question]] tables, found " +
                                               std::string(array ? "an array of values" : typeName(node.type())));
        return;
    }
    size_t number = 0;
    for (const toml::node& element : *array) {
        QuestionSource question;
        readQuestion(*element.as_table(), ++number, &question, diagnostics);
        source->questions.value.push_back(question);
    }
    if (!array->empty()) {
        source->questions.line = lineOf((*array)[0]);
    }
}

void readTopLevel(const toml::table& root, QuizSource* source, Diagnostics* diagnostics) {
    for (auto&& [key, node] : root) {
        const std::string name(key.str());
        const int line = lineOf(key);
        if (name == "kind") {
            readText(node, line, name, &source->kind, diagnostics);
        } else if (name == "title") {
            readText(node, line, name, &source->title, diagnostics);
        } else if (name == "author") {
            readText(node, line, name, &source->author, diagnostics);
        } else if (name == "description") {
            readText(node, line, name, &source->description, diagnostics);
        } else if (name == "link") {
            readText(node, line, name, &source->link, diagnostics);
        } else if (name == "footer") {
            readText(node, line, name, &source->footer, diagnostics);
        } else if (name == "captions") {
            readTextArray(
                node, line, name, [](size_t i) { return "caption " + std::to_string(i); }, &source->captions,
                diagnostics);
        } else if (name == "codes") {
            readTextArray(
                node, line, name, [](size_t i) { return "code " + std::to_string(i); }, &source->codes, diagnostics);
        } else if (name == "mode") {
            readInteger(node, line, name, &source->mode, diagnostics);
        } else if (name == "answers") {
            readInteger(node, line, name, &source->answers, diagnostics);
        } else if (name == "colour") {
            readColour(node, line, &source->colour, diagnostics);
        } else if (name == "scramble") {
            readFlag(node, line, name, &source->scramble, diagnostics);
        } else if (name == "question") {
            readQuestions(node, line, source, diagnostics);
        } else {
            diagnostics->add(line, name, unknownKeyMessage(name, topLevelKeys));
        }
    }
}

}  // namespace

void Diagnostics::add(int line, std::string field, std::string message) {
    errors.push_back({line, std::move(field), std::move(message)});
}

std::vector<std::string> Diagnostics::formatted() const {
    std::vector<Diagnostic> sorted = errors;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Diagnostic& a, const Diagnostic& b) { return a.line < b.line; });
    std::vector<std::string> lines;
    for (const Diagnostic& error : sorted) {
        std::string line = fileName + ":";
        if (error.line > 0) {
            line += std::to_string(error.line) + ":";
        }
        line += " ";
        if (!error.field.empty()) {
            line += error.field + ": ";
        }
        lines.push_back(line + error.message);
    }
    return lines;
}

bool parseQuizSource(std::string_view text, const std::string& fileName, const fs::path& directory,
                     QuizSource* source, Diagnostics* diagnostics) {
    diagnostics->fileName = fileName;
    source->fileName = fileName;
    source->directory = directory;
    toml::table root;
    try {
        root = toml::parse(text, std::string_view(fileName));
    } catch (const toml::parse_error& error) {
        diagnostics->add(static_cast<int>(error.source().begin.line), "",
                         "not valid TOML: " + std::string(error.description()));
        return false;
    }
    readTopLevel(root, source, diagnostics);
    return true;
}

bool readQuizSource(const fs::path& file, const std::string& fileName, QuizSource* source, Diagnostics* diagnostics) {
    diagnostics->fileName = fileName;
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        diagnostics->add(0, "", "cannot be read");
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        diagnostics->add(0, "", "cannot be read");
        return false;
    }
    return parseQuizSource(text.str(), fileName, file.parent_path(), source, diagnostics);
}

bool loadQuizSource(const fs::path& file, const std::string& fileName, QuizSource* source, QuizContent* content,
                    Diagnostics* diagnostics) {
    const size_t before = diagnostics->errors.size();
    if (!readQuizSource(file, fileName, source, diagnostics)) {
        return false;
    }
    buildQuizContent(*source, content, diagnostics);
    return diagnostics->errors.size() == before;
}
