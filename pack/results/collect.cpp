#include "pack/results/collect.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "judge/judge_answer.h"
#include "pack/io/file_output.h"
#include "quiz/windows1252.h"
#include "quiz/answer_fields.h"
#include "quiz/progress_lines.h"

namespace fs = std::filesystem;

namespace {

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

bool isTxt(const fs::path& path) {
    std::string extension = path.extension().u8string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return extension == ".txt";
}

FileVerdicts unreadable(const std::string& name, const std::string& why) {
    FileVerdicts row;
    row.name = name;
    row.notes.push_back(why);
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
