#include "pack/banks/gift_reader.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "pack/source/toml_string.h"

namespace {

// Format notes.
// - A question is a block of lines ended by a blank line. Comment lines are
//   left out without ending the block, so two questions with only a comment
//   between them run together (and are reported as such).
// - A backslash makes the next ~ = # { } : or \ an ordinary character; \n is
//   a line break. Any other backslash is itself. The delimiters are therefore
//   searched in the raw text, skipping escaped ones, and the escapes are
//   undone only on the pieces cut out.
// - Text after the answer part makes a "missing word" question: the answers
//   stand for the gap, written _____.

struct Block {
    int line;          // of its first line that is not a comment
    std::string text;  // its lines without their surrounding blanks, joined by one space
};

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Lines end with LF, CR LF or a lone CR.
std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || text[i] == '\r') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = i + 1;
        }
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::vector<Block> splitBlocks(std::string_view text) {
    std::vector<Block> blocks;
    Block current{0, ""};
    const std::vector<std::string_view> lines = splitLines(text);
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = trimmed(lines[i]);
        if (line.empty()) {
            if (current.line != 0) blocks.push_back(current);
            current = Block{0, ""};
        } else if (!startsWith(line, "//")) {
            if (current.line == 0) {
                current.line = static_cast<int>(i) + 1;
            } else {
                current.text += ' ';
            }
            current.text += line;
        }
    }
    if (current.line != 0) blocks.push_back(current);
    return blocks;
}

// True when the character at `at` follows an odd run of backslashes.
bool escapedAt(std::string_view text, size_t at) {
    size_t backslashes = 0;
    while (backslashes < at && text[at - backslashes - 1] == '\\') ++backslashes;
    return backslashes % 2 == 1;
}

size_t findUnescaped(std::string_view text, std::string_view what, size_t from = 0) {
    for (size_t at = text.find(what, from); at != std::string_view::npos; at = text.find(what, at + 1)) {
        if (!escapedAt(text, at)) return at;
    }
    return std::string_view::npos;
}

std::string unescaped(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[i + 1];
            if (next == 'n') {
                out += '\n';
                ++i;
                continue;
            }
            if (std::string_view("~=#{}:\\").find(next) != std::string_view::npos) {
                out += next;
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::string upperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

enum class GiftType { shortAnswer, essay, numerical, trueFalse, multipleChoice, matching, malformed };

const char* typeName(GiftType type) {
    switch (type) {
    case GiftType::essay:
        return "an essay question (no answer to check)";
    case GiftType::numerical:
        return "a numerical question";
    case GiftType::trueFalse:
        return "a true/false question";
    case GiftType::multipleChoice:
        return "a multiple-choice question";
    case GiftType::matching:
        return "a matching question";
    default:
        return "a short-answer question";
    }
}

struct GiftAnswer {
    std::string text;
    std::string feedback;
    bool fullMarks;      // no weight, or 100 %
    std::string weight;  // as written, without the % signs
};

struct AnswerPart {
    GiftType type = GiftType::malformed;
    std::string problem;  // for a malformed part
    std::vector<GiftAnswer> answers;
    std::string generalFeedback;
};

bool isFullMarks(const std::string& weight) {
    if (weight.empty()) return true;
    char* end = nullptr;
    const double value = std::strtod(weight.c_str(), &end);
    return end != weight.c_str() && *end == '\0' && value == 100.0;
}

// One answer of a short-answer question: [%weight%]text[#feedback].
GiftAnswer readAnswer(std::string_view piece, std::string* problem) {
    GiftAnswer answer{"", "", true, ""};
    std::string_view rest = trimmed(piece);
    if (!rest.empty() && rest[0] == '%') {
        const size_t close = rest.find('%', 1);
        if (close == std::string_view::npos) {
            *problem = "a %weight% is not closed";
            return answer;
        }
        answer.weight = std::string(trimmed(rest.substr(1, close - 1)));
        answer.fullMarks = isFullMarks(answer.weight);
        rest = rest.substr(close + 1);
    }
    const size_t hash = findUnescaped(rest, "#");
    if (hash != std::string_view::npos) {
        answer.feedback = unescaped(trimmed(rest.substr(hash + 1)));
        rest = rest.substr(0, hash);
    }
    answer.text = unescaped(trimmed(rest));
    return answer;
}

AnswerPart readAnswerPart(std::string_view part) {
    AnswerPart result;
    const size_t general = findUnescaped(part, "####");
    if (general != std::string_view::npos) {
        result.generalFeedback = unescaped(trimmed(part.substr(general + 4)));
        part = part.substr(0, general);
    }
    const std::string_view body = trimmed(part);
    if (body.empty()) {
        result.type = GiftType::essay;
        return result;
    }
    if (body[0] == '#') {
        result.type = GiftType::numerical;
        return result;
    }
    const std::string head = upperAscii(trimmed(body.substr(0, findUnescaped(body, "#"))));
    if (head == "T" || head == "F" || head == "TRUE" || head == "FALSE") {
        result.type = GiftType::trueFalse;
        return result;
    }
    if (findUnescaped(body, "~") != std::string_view::npos) {
        result.type = GiftType::multipleChoice;
        return result;
    }
    std::vector<std::string_view> pieces;
    size_t equals = findUnescaped(body, "=");
    if (equals == std::string_view::npos) {
        pieces.push_back(body);  // a single right answer may be written without "="
    } else {
        if (!trimmed(body.substr(0, equals)).empty()) {
            result.problem = "text before the first \"=\" answer";
            return result;
        }
        while (equals != std::string_view::npos) {
            const size_t next = findUnescaped(body, "=", equals + 1);
            pieces.push_back(body.substr(equals + 1, next == std::string_view::npos ? next : next - equals - 1));
            equals = next;
        }
    }
    for (const std::string_view piece : pieces) {
        if (findUnescaped(piece, "->") != std::string_view::npos) {
            result.type = GiftType::matching;
            return result;
        }
    }
    for (const std::string_view piece : pieces) {
        std::string problem;
        GiftAnswer answer = readAnswer(piece, &problem);
        if (!problem.empty()) {
            result.problem = problem;
            return result;
        }
        result.answers.push_back(std::move(answer));
    }
    result.type = GiftType::shortAnswer;
    return result;
}

// "[html]" and its kin say how Moodle formats the text; the player shows it
// as it is.
std::string_view dropFormat(std::string_view text, int line, QuestionBank* bank) {
    static const char* const formats[] = {"[html]", "[moodle]", "[plain]", "[markdown]"};
    for (const char* format : formats) {
        const std::string_view name(format);
        if (upperAscii(text.substr(0, name.size())) == upperAscii(name)) {
            if (name == "[html]") {
                bank->notes.push_back({line, "HTML question text: its tags are kept as written"});
            }
            return trimmed(text.substr(name.size()));
        }
    }
    return text;
}

std::string named(const std::string& title) {
    return title.empty() ? "" : " " + tomlString(title);
}

void readQuestion(const Block& block, QuestionBank* bank) {
    const int line = block.line;
    std::string_view text = trimmed(block.text);
    if (startsWith(text, "$CATEGORY:")) {
        bank->notes.push_back({line, "category " + tomlString(std::string(trimmed(text.substr(10)))) +
                                         " left out: a quiz has no categories"});
        return;
    }
    std::string title;
    if (startsWith(text, "::")) {
        const size_t close = findUnescaped(text, "::", 2);
        if (close == std::string_view::npos) {
            bank->notes.push_back({line, "skipped: its name is not closed by \"::\""});
            return;
        }
        title = unescaped(trimmed(text.substr(2, close - 2)));
        text = trimmed(text.substr(close + 2));
    }
    text = dropFormat(text, line, bank);
    const size_t open = findUnescaped(text, "{");
    if (open == std::string_view::npos) {
        bank->notes.push_back({line, "skipped" + named(title) + ": a description, with no answer part {...}"});
        return;
    }
    const size_t close = findUnescaped(text, "}", open + 1);
    if (close == std::string_view::npos) {
        bank->notes.push_back({line, "skipped" + named(title) + ": its answer part is not closed by \"}\""});
        return;
    }
    const std::string_view after = trimmed(text.substr(close + 1));
    if (findUnescaped(after, "{") != std::string_view::npos) {
        bank->notes.push_back(
            {line, "skipped" + named(title) + ": two questions run together (a blank line separates questions)"});
        return;
    }
    const AnswerPart part = readAnswerPart(text.substr(open + 1, close - open - 1));
    if (part.type == GiftType::malformed) {
        bank->notes.push_back({line, "skipped" + named(title) + ": " + part.problem});
        return;
    }
    if (part.type != GiftType::shortAnswer) {
        bank->notes.push_back({line, "skipped" + named(title) + ": " + typeName(part.type) +
                                         "; the player only checks typed short answers"});
        return;
    }

    BankQuestion question;
    question.line = line;
    question.title = title;
    if (after.empty()) {
        question.prompt = unescaped(trimmed(text.substr(0, open)));
    } else {
        // The spaces around the answer part stay around the gap.
        question.prompt = unescaped(text.substr(0, open)) + "_____" + unescaped(text.substr(close + 1));
        question.prompt = std::string(trimmed(question.prompt));
    }
    const GiftAnswer* right = nullptr;
    for (const GiftAnswer& answer : part.answers) {
        if (answer.fullMarks && !answer.text.empty()) {
            right = &answer;
            break;
        }
    }
    if (!right) {
        bool anyText = false;
        for (const GiftAnswer& answer : part.answers) anyText = anyText || !answer.text.empty();
        bank->notes.push_back({line, "skipped" + named(title) +
                                         (anyText ? ": no answer is worth full marks" : ": its answer is empty")});
        return;
    }
    question.answer = right->text;
    bool otherAnswers = false;
    bool feedback = !part.generalFeedback.empty();
    for (const GiftAnswer& answer : part.answers) {
        if (&answer != right && !answer.text.empty()) {
            otherAnswers = true;
            question.comments.push_back(
                (answer.fullMarks ? std::string("also right in the bank: ") : "worth " + answer.weight + "% in the bank: ") +
                tomlString(answer.text));
        }
        if (!answer.feedback.empty()) {
            feedback = true;
            question.comments.push_back("feedback on " + tomlString(answer.text) + ": " + tomlString(answer.feedback));
        }
    }
    if (!part.generalFeedback.empty()) {
        question.comments.push_back("general feedback: " + tomlString(part.generalFeedback));
    }
    if (otherAnswers) {
        bank->notes.push_back({line, "other answers kept as a comment: the player accepts one answer, " +
                                         tomlString(question.answer)});
    }
    if (feedback) {
        bank->notes.push_back({line, "feedback kept as a comment: the player gives none"});
    }
    bank->questions.push_back(std::move(question));
}

}  // namespace

QuestionBank readGiftBank(std::string_view text) {
    if (startsWith(text, "\xEF\xBB\xBF")) text.remove_prefix(3);
    QuestionBank bank;
    for (const Block& block : splitBlocks(text)) {
        readQuestion(block, &bank);
    }
    return bank;
}
