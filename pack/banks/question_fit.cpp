#include "pack/banks/question_fit.h"

#include <string>

#include "pack/source/toml_string.h"
#include "quiz/stored_format.h"

namespace {

bool isSpaceOrTab(char c) {
    return c == ' ' || c == '\t';
}

std::string withoutBlanksAround(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && isSpaceOrTab(text[begin])) ++begin;
    while (end > begin && isSpaceOrTab(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// A text field of the player is one line: each line break, with the blanks
// around it, becomes one space.
bool joinLines(std::string* text) {
    if (text->find_first_of("\r\n") == std::string::npos) return false;
    std::string joined;
    for (size_t i = 0; i < text->size(); ++i) {
        const char c = (*text)[i];
        if (c != '\r' && c != '\n') {
            joined += c;
            continue;
        }
        while (!joined.empty() && isSpaceOrTab(joined.back())) joined.pop_back();
        while (i + 1 < text->size() && (isSpaceOrTab((*text)[i + 1]) || (*text)[i + 1] == '\r' ||
                                        (*text)[i + 1] == '\n')) {
            ++i;
        }
        if (!joined.empty()) joined += ' ';
    }
    *text = withoutBlanksAround(joined);
    return true;
}

}  // namespace

CleanedQuestion cleaned(BankQuestion question) {
    CleanedQuestion result;
    struct Text {
        const char* name;
        std::string* value;
        bool answer;
    };
    const Text texts[] = {{"prompt", &question.prompt, false},
                          {"answer", &question.answer, true},
                          {"second", &question.second, true},
                          {"hint", &question.hint, false},
                          {"extra", &question.extra, false}};
    for (const Text& text : texts) {
        if (joinLines(text.value)) {
            result.notes.push_back(
                {question.line, std::string(text.name) + ": line breaks made spaces; the player shows one line"});
        }
        const std::string trimmed = withoutBlanksAround(*text.value);
        if (text.answer && trimmed != *text.value) {
            result.notes.push_back({question.line, std::string(text.name) + " " + tomlString(*text.value) +
                                                       " trimmed to " + tomlString(trimmed) +
                                                       ": typed answers lose their surrounding spaces, so it "
                                                       "could never match"});
        }
        *text.value = trimmed;
    }
    result.question = std::move(question);
    return result;
}

bool storesHint(int mode) {
    return answerMode(mode).storedTexts >= 1;
}

bool storesExtra(int mode) {
    return answerMode(mode).storedTexts == 2;
}
