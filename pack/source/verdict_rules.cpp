#include "pack/source/verdict_rules.h"

#include <algorithm>
#include <cctype>

#include "judge/judge_answer.h"
#include "pack/source/toml_string.h"
#include "quiz/windows1252.h"
#include "quiz/progress_lines.h"

namespace {

const char* const verdictWords[] = {verdictRight,  verdictWrong,    verdictEmpty,   verdictAnagram, verdictOneEdit,
                                    verdictTwoEdits, verdictTooShort, verdictTooLong, verdictClose,   verdictSimilar};

// Quoted with escapes, so that a tab or a line break in a typed text shows.
std::string quoted(const std::string& text) {
    return tomlString(text);
}

// Letters folded and the apostrophe's typographic twin made plain, so that
// "bravo" or "y a de l’idée" can be pointed at the word the player uses.
std::string looseForm(const std::string& utf8) {
    std::string loose;
    for (size_t i = 0; i < utf8.size(); ++i) {
        if (utf8.compare(i, 3, "\xE2\x80\x99") == 0) {
            loose += '\'';
            i += 2;
        } else {
            loose += static_cast<char>(std::tolower(static_cast<unsigned char>(utf8[i])));
        }
    }
    return loose;
}

std::string unknownVerdictMessage(const std::string& verdict) {
    const std::vector<std::string> words = verdictWordsUtf8();
    for (const std::string& word : words) {
        if (looseForm(word) == looseForm(verdict)) {
            return quoted(verdict) + " is not a verdict word (did you mean " + quoted(word) + "?)";
        }
    }
    std::string list;
    for (const std::string& word : words) {
        list += (list.empty() ? "" : ", ") + quoted(word);
    }
    return quoted(verdict) + " is not a verdict word; the player gives " + list;
}

// What an answer field can hold: Windows-1252, one line, at most 80
// characters. Returns the problem, or an empty text.
std::string typedTextProblem(const std::string& typed) {
    std::vector<UnmappableCharacter> unmappable;
    const std::string stored = utf8ToWindows1252(typed, &unmappable);
    if (!unmappable.empty()) {
        const uint32_t codePoint = unmappable[0].codePoint;
        return "cannot be typed into an answer field: " +
               (codePoint == 0xFFFD ? std::string("a broken UTF-8 sequence")
                                    : "the character " + codePointName(codePoint) + " " +
                                          quoted(utf8FromCodePoint(codePoint))) +
               " has no Windows-1252 byte";
    }
    if (stored.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) {
        return "cannot be typed into an answer field: it is one line, without NUL";
    }
    if (stored.size() > static_cast<size_t>(answerFieldLimit)) {
        return std::to_string(stored.size()) + " characters, but an answer field takes at most " +
               std::to_string(answerFieldLimit);
    }
    return "";
}

}  // namespace

std::vector<std::string> verdictWordsUtf8() {
    std::vector<std::string> words;
    for (const char* word : verdictWords) {
        words.push_back(windows1252ToUtf8(word));
    }
    return words;
}

void checkVerdictTests(const VerdictTests& tests, const std::string& field, Diagnostics* diagnostics) {
    if (!tests.present || tests.broken) {
        return;
    }
    const std::vector<std::string> words = verdictWordsUtf8();
    for (const VerdictTest& test : tests.value) {
        if (std::find(words.begin(), words.end(), test.verdict) == words.end()) {
            diagnostics->add(test.line, field, quoted(test.typed) + ": " + unknownVerdictMessage(test.verdict));
        }
        const std::string problem = typedTextProblem(test.typed);
        if (!problem.empty()) {
            diagnostics->add(test.line, field, quoted(test.typed) + " " + problem);
        }
    }
}
