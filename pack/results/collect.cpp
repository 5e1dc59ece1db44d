#include "pack/results/collect.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "pack/exe/player_file.h"
#include "panel/field_numbers.h"
#include "pack/files/file_output.h"
#include "pack/banks/import_bank.h"
#include "judge/judge_answer.h"
#include "panel/progress_lines.h"
#include "pack/stored/quiz_encode.h"
#include "pack/exe/quiz_image.h"
#include "pack/source/quiz_source.h"
#include "pack/results/verdict_tests.h"
#include "pack/stored/windows1252.h"

namespace fs = std::filesystem;

const char collectUsage[] =
    "       vyrla-pack collect QUIZ.toml|QUIZ.exe FILE|FOLDER... -o RESULTS.csv [--typed]\n"
    "                          [--separator ,|;|tab]\n";

namespace {

constexpr int exitWritten = 0;
constexpr int exitQuizErrors = 1;
constexpr int exitUsage = 2;
constexpr int exitFiles = 3;
constexpr int exitBadExecutable = 4;

// The player maps its answers file only below this size; a larger one
// restores nothing.
constexpr uintmax_t playerMappedSizeLimit = uintmax_t(1) << 30;

constexpr uint8_t carriageReturn = 13;
constexpr uint8_t lineFeed = 10;

bool hiddenField(const QuestionNode* node, int k) {
    return k == 2 && node && std::strcmp(node->secondAnswer, "-") == 0;
}

// The file cut where the player cuts it: at each LF, the line's text up to
// its first CR.
struct FileLine {
    size_t start;
    size_t length;   // up to the CR or the line's end
    bool crLf;       // ended by CR LF
    bool innerCr;    // a CR with more of the line after it
    bool lineFeed;   // ended by an LF at all
};

std::vector<FileLine> fileLines(const std::vector<uint8_t>& bytes) {
    std::vector<FileLine> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = start;
        while (end < bytes.size() && bytes[end] != lineFeed) ++end;
        const bool ended = end < bytes.size();
        const bool crLf = ended && end > start && bytes[end - 1] == carriageReturn;
        const size_t body = crLf ? end - 1 : end;
        const auto cr = std::find(bytes.begin() + static_cast<std::ptrdiff_t>(start),
                                  bytes.begin() + static_cast<std::ptrdiff_t>(body), carriageReturn);
        const size_t length = static_cast<size_t>(cr - bytes.begin()) - start;
        // A CR with nothing after it before the line's end loses nothing.
        lines.push_back({start, length, crLf, length + 1 < body - start, ended});
        start = end + 1;
    }
    return lines;
}

std::string quotedText(const std::vector<uint8_t>& bytes, const FileLine& line) {
    return "\"" + windows1252ToUtf8(std::string(bytes.begin() + static_cast<std::ptrdiff_t>(line.start),
                                                bytes.begin() + static_cast<std::ptrdiff_t>(line.start + line.length))) +
           "\"";
}

bool looksLikeUtf8(const std::vector<uint8_t>& bytes) {
    const bool high = std::any_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b >= 0x80; });
    return high && firstInvalidUtf8(std::string(bytes.begin(), bytes.end())) == std::string::npos;
}

std::string csvField(const std::string& text, char separator) {
    if (text.find_first_of(std::string("\"\r\n") + separator) == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c;
        if (c == '"') quoted += '"';
    }
    return quoted + "\"";
}

std::string fieldName(int n, int k, int fieldsPerQuestion) {
    return "q" + std::to_string(n) + (fieldsPerQuestion == 2 ? "." + std::to_string(k) : "");
}

void say(const std::string& about, const std::string& what) {
    std::fprintf(stderr, "%s: %s\n", about.c_str(), what.c_str());
}

// The quiz the class played, as the player holds it: from its source, or
// straight from a quiz executable.
LoadedQuiz loadQuiz(const std::string& argument, int* exitCode) {
    std::string extension = fs::u8path(argument).extension().u8string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    if (extension == ".exe") {
        Player player;
        if (!loadPlayer(fs::u8path(argument), argument, &player)) {
            *exitCode = exitBadExecutable;
            return nullptr;
        }
        const StoredQuiz stored = storedQuizOf(player);
        const StoredContents contents{stored.contentBlock.data(), stored.quizResource.data(),
                                      stored.quizResource.size(), stored.codesResource.data(),
                                      stored.codesResource.size()};
        LoadOutcome outcome;
        LoadedQuiz quiz = loadAsPlayer(contents, &outcome);
        if (outcome != LoadOutcome::loaded) {
            say(argument, outcome == LoadOutcome::fallback ? "carries no quiz of its own"
                                                          : "its quiz cannot be read by the player");
            *exitCode = exitBadExecutable;
            return nullptr;
        }
        return quiz;
    }
    QuizSource source;
    QuizContent content;
    Diagnostics diagnostics;
    const fs::path file = fs::absolute(fs::u8path(argument)).lexically_normal();
    if (!loadQuizSource(file, argument, &source, &content, &diagnostics)) {
        const std::vector<std::string> lines = diagnostics.formatted();
        for (const std::string& line : lines) std::fprintf(stderr, "%s\n", line.c_str());
        say(argument, std::to_string(lines.size()) + (lines.size() == 1 ? " error" : " errors"));
        *exitCode = exitQuizErrors;
        return nullptr;
    }
    const EncodedQuiz encoded = encodeQuiz(content, nullptr);
    return loadAsPlayer(storedContents(encoded), nullptr);
}

bool isTxt(const fs::path& path) {
    std::string extension = path.extension().u8string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return extension == ".txt";
}

// A folder stands for the .txt files under it, in name order.
std::vector<std::string> expandedFiles(const std::vector<std::string>& arguments) {
    std::vector<std::string> files;
    for (const std::string& argument : arguments) {
        const fs::path path = fs::u8path(argument);
        std::error_code code;
        if (!fs::is_directory(path, code)) {
            files.push_back(argument);
            continue;
        }
        std::vector<std::string> found;
        for (fs::recursive_directory_iterator it(path, code), end; !code && it != end; it.increment(code)) {
            if (it->is_regular_file(code) && isTxt(it->path())) found.push_back(it->path().u8string());
        }
        std::sort(found.begin(), found.end());
        if (found.empty()) {
            files.push_back(argument);  // its row says it holds no answers file
        }
        files.insert(files.end(), found.begin(), found.end());
    }
    return files;
}

FileVerdicts unreadable(const std::string& name, const std::string& why) {
    FileVerdicts row;
    row.name = name;
    row.notes.push_back(why);
    return row;
}

FileVerdicts collectFile(const QuizState& quiz, const std::string& name) {
    const fs::path path = fs::u8path(name);
    std::error_code code;
    if (fs::is_directory(path, code)) return unreadable(name, "a folder without any .txt file");
    const uintmax_t size = fs::file_size(path, code);
    if (!code && size >= playerMappedSizeLimit) {
        // Not read into memory: the player would not read it either.
        FileVerdicts row = judgeAnswersFile(quiz, {});
        row.name = name;
        row.notes = {"1 GiB or more: the player does not read it and restores nothing"};
        return row;
    }
    std::vector<uint8_t> bytes;
    std::string error;
    if (!readWholeFile(path, &bytes, &error)) return unreadable(name, "cannot be read: " + error);
    FileVerdicts row = judgeAnswersFile(quiz, bytes);
    row.name = name;
    row.notes = answersFileNotes(quiz, bytes);
    return row;
}

}  // namespace

FileVerdicts judgeAnswersFile(const QuizState& quiz, const std::vector<uint8_t>& bytes) {
    FileVerdicts row;
    row.read = true;
    // An empty file cannot be mapped: the player reads it as absent.
    const uint8_t* data = bytes.empty() ? nullptr : bytes.data();
    size_t position = 0;
    const int perQuestion = fieldsPerQuestion(&quiz);
    for (int n = 1; n <= quiz.questionCount; ++n) {
        const QuestionNode* node = questionAt(&quiz, n - 1);
        int right = 0;
        for (int k = 1; k <= perQuestion; ++k) {
            char text[answerFieldLimit + 1];
            readProgressLine(data, bytes.size(), &position, text);
            if (hiddenField(node, k)) std::strcpy(text, "-");
            const char* expected = node ? (k == 1 ? node->answer : node->secondAnswer) : "";
            const char* verdict = judgeAnswer(expected, text);
            right += std::strcmp(verdict, verdictRight) == 0;
            row.typed.push_back(windows1252ToUtf8(text));
            row.verdicts.push_back(windows1252ToUtf8(verdict));
        }
        row.score += right == perQuestion;
    }
    if (row.score >= 1 && row.score <= maxQuestions) {
        row.code = windows1252ToUtf8(quiz.codes[row.score - 1]);
    }
    return row;
}

std::vector<std::string> answersFileNotes(const QuizState& quiz, const std::vector<uint8_t>& bytes) {
    std::vector<std::string> notes;
    if (bytes.empty()) {
        notes.push_back("empty file: the player restores no answer");
        return notes;
    }
    const auto control = std::find_if(bytes.begin(), bytes.end(), [](uint8_t b) {
        return b < 0x20 && b != '\t' && b != carriageReturn && b != lineFeed;
    });
    if (control != bytes.end()) {
        notes.push_back("not text: a control byte at offset " + std::to_string(control - bytes.begin()));
    }
    const std::vector<FileLine> lines = fileLines(bytes);
    const bool anyCrLf = std::any_of(lines.begin(), lines.end(), [](const FileLine& l) { return l.crLf; });
    const auto bareLf = std::find_if(lines.begin(), lines.end(), [](const FileLine& l) { return l.lineFeed && !l.crLf; });
    if (bareLf != lines.end()) {
        notes.push_back(anyCrLf ? "line " + std::to_string(bareLf - lines.begin() + 1) +
                                      " ends with LF alone: the player reads on into the next line"
                                : "lines end with LF alone: the player reads them as one line, into the first field");
    }
    const auto innerCr = std::find_if(lines.begin(), lines.end(), [](const FileLine& l) { return l.innerCr; });
    if (innerCr != lines.end()) {
        notes.push_back("line " + std::to_string(innerCr - lines.begin() + 1) +
                        " has a CR inside: the player drops what follows it");
    }
    const auto longLine = std::find_if(lines.begin(), lines.end(),
                                       [](const FileLine& l) { return l.length > size_t(answerFieldLimit); });
    if (longLine != lines.end()) {
        notes.push_back("line " + std::to_string(longLine - lines.begin() + 1) + " has " +
                        std::to_string(longLine->length) + " characters: the player keeps the first " +
                        std::to_string(answerFieldLimit));
    }
    if (!lines.back().lineFeed) {
        notes.push_back("the last line has no line end: the file may be cut short");
    }
    const size_t fields = static_cast<size_t>(fieldCount(&quiz));
    if (lines.size() > fields) {
        notes.push_back(std::to_string(lines.size()) + " lines for " + std::to_string(fields) +
                        " answer fields: the player ignores the last " + std::to_string(lines.size() - fields));
    } else if (lines.size() < fields) {
        notes.push_back(std::to_string(lines.size()) + " lines for " + std::to_string(fields) +
                        " answer fields: the file may be cut short or belong to another quiz");
    }
    if (fieldsPerQuestion(&quiz) == 2) {
        for (int n = 1; n <= quiz.questionCount; ++n) {
            const size_t index = static_cast<size_t>(2 * n - 1);
            if (!hiddenField(questionAt(&quiz, n - 1), 2) || index >= lines.size()) continue;
            const FileLine& line = lines[index];
            if (line.length != 1 || bytes[line.start] != '-') {
                notes.push_back("line " + std::to_string(index + 1) + " holds " + quotedText(bytes, line) +
                                " where the player writes \"-\" (a hidden field): the file may belong to another quiz");
                break;
            }
        }
    }
    if (looksLikeUtf8(bytes)) {
        notes.push_back("written in UTF-8, but the player reads Windows-1252: accented answers read wrong");
    }
    return notes;
}

std::string resultsCsv(const QuizState& quiz, const std::vector<FileVerdicts>& rows, const CollectOptions& options) {
    const char separator = options.separator;
    const auto line = [&](const std::vector<std::string>& cells) {
        std::string text;
        for (size_t i = 0; i < cells.size(); ++i) {
            if (i > 0) text += separator;
            text += csvField(cells[i], separator);
        }
        return text + "\r\n";
    };
    const int perQuestion = fieldsPerQuestion(&quiz);
    std::vector<std::string> header = {"file", "score/" + std::to_string(quiz.questionCount)};
    for (int n = 1; n <= quiz.questionCount; ++n) {
        for (int k = 1; k <= perQuestion; ++k) {
            if (options.typed) header.push_back(fieldName(n, k, perQuestion) + " typed");
            header.push_back(fieldName(n, k, perQuestion));
        }
    }
    header.push_back("code");
    header.push_back("note");
    std::string csv = "\xEF\xBB\xBF" + line(header);
    for (const FileVerdicts& row : rows) {
        std::vector<std::string> cells = {row.name, row.read ? std::to_string(row.score) : ""};
        for (size_t f = 0; f < static_cast<size_t>(fieldCount(&quiz)); ++f) {
            if (options.typed) cells.push_back(row.read && f < row.typed.size() ? row.typed[f] : "");
            cells.push_back(row.read && f < row.verdicts.size() ? row.verdicts[f] : "");
        }
        cells.push_back(row.code);
        std::string notes;
        for (const std::string& note : row.notes) notes += (notes.empty() ? "" : "; ") + note;
        cells.push_back(notes);
        csv += line(cells);
    }
    return csv;
}

int runCollect(const std::vector<std::string>& args) {
    std::string quizArgument;
    std::string output;
    std::vector<std::string> files;
    CollectOptions options;
    std::string error;
    for (size_t i = 1; i < args.size() && error.empty(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-o" || arg == "--separator") {
            if (i + 1 == args.size()) {
                error = arg + " takes one value";
            } else if (arg == "-o") {
                if (!output.empty()) error = "-o takes one value";
                output = args[++i];
            } else {
                const std::string value = args[++i];
                if (value == "," || value == ";") {
                    options.separator = value[0];
                } else if (value == "tab") {
                    options.separator = '\t';
                } else {
                    error = "--separator is \",\", \";\" or tab";
                }
            }
        } else if (arg == "--typed") {
            options.typed = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg;
        } else if (quizArgument.empty()) {
            quizArgument = arg;
        } else {
            files.push_back(arg);
        }
    }
    if (error.empty() && (quizArgument.empty() || files.empty() || output.empty())) {
        error = "collect needs a quiz, at least one answers file and -o RESULTS.csv";
    }
    if (!error.empty()) {
        std::fprintf(stderr, "vyrla-pack: %s\nusage:\n%s", error.c_str(), collectUsage);
        return exitUsage;
    }

    int exitCode = exitWritten;
    const LoadedQuiz quiz = loadQuiz(quizArgument, &exitCode);
    if (!quiz) return exitCode;

    std::vector<FileVerdicts> rows;
    size_t withNotes = 0;
    for (const std::string& file : expandedFiles(files)) {
        rows.push_back(collectFile(*quiz, file));
        for (const std::string& note : rows.back().notes) say(file, note);
        withNotes += !rows.back().notes.empty();
    }
    const std::string csv = resultsCsv(*quiz, rows, options);
    if (!writeWholeFile(fs::u8path(output), std::vector<uint8_t>(csv.begin(), csv.end()), &error)) {
        say(output, error);
        return exitFiles;
    }
    std::printf("%s: %zu file%s", output.c_str(), rows.size(), rows.size() == 1 ? "" : "s");
    if (withNotes > 0) std::printf(", %zu with notes", withNotes);
    std::printf("\n");
    return exitWritten;
}
