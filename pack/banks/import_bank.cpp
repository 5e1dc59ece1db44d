#include "pack/banks/import_bank.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#include "pack/banks/csv_reader.h"
#include "pack/banks/gift_reader.h"
#include "pack/exe/quiz_dump.h"
#include "pack/stored/quiz_encode.h"
#include "pack/source/quiz_source.h"
#include "pack/source/quiz_starter.h"
#include "pack/source/sample_media.h"
#include "pack/stored/windows1252.h"

namespace fs = std::filesystem;

const char importUsage[] =
    "       vyrla-pack import BANK -o QUIZ.toml [--title T] [--kind text|picture|sound|video]\n"
    "                         [--mode 0-7] [--colour R,G,B] [--author A] [--format gift|csv|tsv] [--force]\n";

namespace {

constexpr int exitWritten = 0;
constexpr int exitNothingImported = 1;
constexpr int exitUsage = 2;
constexpr int exitFiles = 3;

constexpr size_t maxQuestionCount = maxQuestions;
const char* const kindNames[] = {"text", "picture", "sound", "video"};

}  // namespace

// ---------------------------------------------------------------- bytes to text

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
size_t firstInvalidUtf8(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto byte = [&](size_t at) { return static_cast<uint8_t>(text[at]); };
        const uint8_t lead = byte(i);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        size_t length = 0;
        uint32_t value = 0;
        uint32_t smallest = 0;
        if ((lead & 0xE0) == 0xC0) {
            length = 2;
            value = lead & 0x1Fu;
            smallest = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            value = lead & 0x0Fu;
            smallest = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            value = lead & 0x07u;
            smallest = 0x10000;
        } else {
            return i;
        }
        if (i + length > text.size()) return i;
        for (size_t k = 1; k < length; ++k) {
            if ((byte(i + k) & 0xC0) != 0x80) return i;
            value = (value << 6) | (byte(i + k) & 0x3Fu);
        }
        if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return i;
        i += length;
    }
    return std::string::npos;
}

namespace {

int lineAt(const std::string& text, size_t offset) {
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
}

std::string fromUtf16(const std::vector<uint8_t>& bytes, bool bigEndian) {
    std::string text;
    const auto unit = [&](size_t at) {
        return bigEndian ? static_cast<uint32_t>(bytes[at] << 8 | bytes[at + 1])
                         : static_cast<uint32_t>(bytes[at + 1] << 8 | bytes[at]);
    };
    for (size_t at = 2; at + 1 < bytes.size(); at += 2) {
        uint32_t codePoint = unit(at);
        if (codePoint >= 0xD800 && codePoint <= 0xDBFF && at + 3 < bytes.size()) {
            const uint32_t low = unit(at + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (low - 0xDC00);
                at += 2;
            }
        }
        if (codePoint >= 0xD800 && codePoint <= 0xDFFF) codePoint = 0xFFFD;
        text += utf8FromCodePoint(codePoint);
    }
    return text;
}

// ---------------------------------------------------------------- the bank's texts

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

struct Cleaned {
    BankQuestion question;
    std::vector<BankNote> notes;
};

// What the player could not use as it is, mended and said: line breaks in
// any text, and blanks around an expected answer (the player trims what is
// typed but never the expected answer, so it could never match).
Cleaned cleaned(BankQuestion question) {
    Cleaned result;
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

// ---------------------------------------------------------------- the source

struct Candidate {
    BankQuestion question;
    std::vector<std::string> reasons;  // why it cannot be imported; empty while it can
    bool active = false;
    int number = 0;                    // among the active questions, from 1
    int firstLine = 0;                 // of its lines in the written source
    int lastLine = 0;
};

struct Plan {
    std::string bankName;
    std::string sourceName;
    std::string title;
    int kind;
    int mode;
    int answers;
    std::array<int, 3> colour;
    std::string author;
};

bool storesHint(int mode) {
    return mode != 0 && mode != 5;
}

bool storesExtra(int mode) {
    return mode == 3 || mode == 6;
}

// Text shown in a comment: one line, valid UTF-8.
std::string commentText(const std::string& text) {
    std::string safe = firstInvalidUtf8(text) == std::string::npos ? text : windows1252ToUtf8(text);
    for (char& c : safe) {
        const auto byte = static_cast<uint8_t>(c);
        if (byte < 0x20 || byte == 0x7F) c = ' ';
    }
    return safe;
}

std::string mediaPath(int kind, int number) {
    const std::string n = std::to_string(number);
    switch (kind) {
    case kindPicture:
        return "pics/question-" + n + ".bmp";
    case kindSound:
        return "clips/question-" + n + ".wav";
    case kindVideo:
        return "clips/question-" + n + ".avi";
    default:
        return "";
    }
}

std::vector<uint8_t> placeholder(int kind, int number) {
    static const Rgb colours[3] = {{200, 60, 50}, {50, 110, 200}, {220, 160, 30}};
    static const int notes[3] = {262, 330, 392};
    const Rgb colour = colours[(number - 1) % 3];
    switch (kind) {
    case kindPicture:
        return sampleBitmap(80, 60, colour, number % 10, false);
    case kindSound:
        return sampleWave(notes[(number - 1) % 3], 600);
    case kindVideo:
        return sampleVideo(80, 60, colour, number % 10, 3);
    default:
        return {};
    }
}

class SourceWriter {
public:
    void line(const std::string& text) {
        text_ += text;
        text_ += '\n';
        ++lines_;
    }
    int nextLine() const { return lines_ + 1; }
    const std::string& text() const { return text_; }

private:
    std::string text_;
    int lines_ = 0;
};

void writeHeader(const Plan& plan, size_t imported, SourceWriter* out) {
    out->line("# A " + std::string(kindNames[plan.kind]) + " quiz imported by vyrla-pack from " +
              commentText(plan.bankName) + ": " + std::to_string(imported) +
              (imported == 1 ? " question." : " questions."));
    out->line("# Questions that could not be imported stay in place as comments, each");
    out->line("# with the reason; mend one and remove the \"# \" before its lines.");
    out->line("#");
    out->line("#   vyrla-pack check " + commentText(plan.sourceName) + "   checks it and lists the answers");
    out->line("#   vyrla-pack build " + commentText(plan.sourceName) + " -o quiz.exe   makes the quiz executable");
    out->line("#");
    out->line("# Texts are UTF-8 here and stored in Windows-1252: accents, « », œ and € are");
    out->line("# fine; \"|\" and line breaks are not. The authors' guide explains every key.");
    out->line("");
    out->line("kind = " + tomlString(kindNames[plan.kind]));
    out->line("# The window's caption and the header's title line (at most 259 characters).");
    out->line("title = " + tomlString(plan.title));
    if (!plan.author.empty()) {
        out->line("author = " + tomlString(plan.author));
    } else {
        out->line("# author = \"Votre nom\"");
    }
    out->line("# description = \"Trouvez toutes les réponses.\"");
    out->line("# A web address shown in the header (at most 24 characters); a click opens it.");
    out->line("# link = \"https://example.org\"");
    out->line("# The line at the bottom of the window (at most 39 characters).");
    out->line("# footer = \"Bonne chance !\"");
    out->line("# Background of the question list: [red, green, blue], each 0 to 255.");
    out->line("colour = [" + std::to_string(plan.colour[0]) + ", " + std::to_string(plan.colour[1]) + ", " +
              std::to_string(plan.colour[2]) + "]");
    out->line("# true stores the quiz scrambled, so that nobody reads the answers straight");
    out->line("# out of the executable.");
    out->line("scramble = true");
    out->line("# The answer mode, 0 to 7: which extra texts a question has and what a right");
    out->line("# answer reveals (see the guide).");
    out->line("mode = " + std::to_string(plan.mode));
    if (plan.answers == 2) {
        out->line("# Two answer fields per question; second = \"-\" hides a question's second field.");
        out->line("answers = 2");
        out->line("# captions = [\"Réponse\", \"Seconde réponse\"]");
    }
    out->line("# Reward codes: the first is shown once one question is solved, the second");
    out->line("# once two are, and so on; at most one per question.");
    out->line("# codes = [\"BRAVO\", \"SUPER\", \"GAGNÉ !\"]");
}

// The question's keys, without the comment marks.
std::vector<std::string> questionLines(const Plan& plan, const BankQuestion& question, int number) {
    std::vector<std::string> lines = {"[[question]]"};
    if (!question.prompt.empty()) lines.push_back("prompt = " + tomlString(question.prompt));
    lines.push_back("answer = " + tomlString(question.answer));
    if (plan.answers == 2) {
        lines.push_back("second = " + tomlString(question.second.empty() ? "-" : question.second));
    }
    if (!question.hint.empty()) lines.push_back("hint = " + tomlString(question.hint));
    if (!question.extra.empty()) lines.push_back("extra = " + tomlString(question.extra));
    if (plan.kind == kindPicture) {
        lines.push_back("picture = " + tomlString(mediaPath(plan.kind, number)));
    } else if (plan.kind == kindSound || plan.kind == kindVideo) {
        lines.push_back("clip = " + tomlString(mediaPath(plan.kind, number)));
    }
    return lines;
}

std::string origin(const Plan& plan, const BankQuestion& question) {
    std::string text = commentText(plan.bankName) + ":" + std::to_string(question.line);
    if (!question.title.empty()) text += " " + commentText(tomlString(question.title));
    return text;
}

std::string writeSource(const Plan& plan, std::vector<Candidate>* candidates, size_t imported) {
    SourceWriter out;
    writeHeader(plan, imported, &out);
    for (Candidate& candidate : *candidates) {
        const BankQuestion& question = candidate.question;
        out.line("");
        out.line("# " + origin(plan, question));
        for (const std::string& comment : question.comments) {
            out.line("# " + commentText(comment));
        }
        if (candidate.active) {
            candidate.firstLine = out.nextLine();
            for (const std::string& line : questionLines(plan, question, candidate.number)) {
                out.line(line);
            }
            candidate.lastLine = out.nextLine() - 1;
        } else {
            for (const std::string& reason : candidate.reasons) {
                out.line("# Not imported: " + commentText(reason));
            }
            for (const std::string& line : questionLines(plan, question, 0)) {
                // A set-aside question names no picture or clip: none was made for it.
                if (line.rfind("picture = ", 0) == 0 || line.rfind("clip = ", 0) == 0) continue;
                out.line("# " + line);
            }
        }
    }
    return out.text();
}

// "question 3, answer" says "answer" here: the line says which question.
std::string fieldOfQuestion(const std::string& field) {
    const size_t comma = field.find(", ");
    return field.rfind("question ", 0) == 0 && comma != std::string::npos ? field.substr(comma + 2) : field;
}

Candidate* candidateAt(std::vector<Candidate>* candidates, int line) {
    for (Candidate& candidate : *candidates) {
        if (candidate.active && line >= candidate.firstLine && line <= candidate.lastLine) return &candidate;
    }
    return nullptr;
}

struct TemporaryFolder {
    fs::path path;
    ~TemporaryFolder() {
        if (!path.empty()) {
            std::error_code ignored;
            fs::remove_all(path, ignored);
        }
    }
};

// Picture and clip checks read files: the placeholders go into a folder of
// their own while the source is checked.
bool makeMediaFolder(const Plan& plan, size_t count, TemporaryFolder* folder, std::string* error) {
    if (plan.kind == kindText) return true;
    std::error_code code;
    folder->path = fs::temp_directory_path(code) / ("vyrla-import-" + std::to_string(std::random_device()()));
    std::vector<FileContents> files;
    for (size_t n = 1; n <= count; ++n) {
        files.push_back({mediaPath(plan.kind, static_cast<int>(n)), placeholder(plan.kind, static_cast<int>(n))});
    }
    return !code && writeFilesUnder(folder->path, files, error);
}

std::vector<std::string> formatted(const std::string& name, std::vector<BankNote> notes) {
    // What concerns the bank as a whole comes after the lines, as a summary would.
    const auto order = [](const BankNote& note) { return note.line > 0 ? note.line : INT_MAX; };
    std::stable_sort(notes.begin(), notes.end(),
                     [&](const BankNote& a, const BankNote& b) { return order(a) < order(b); });
    std::vector<std::string> lines;
    for (const BankNote& note : notes) {
        lines.push_back(name + ":" + (note.line > 0 ? std::to_string(note.line) + ":" : "") + " " + note.message);
    }
    return lines;
}

BankFormat formatFromName(const std::string& bankName) {
    std::string extension = fs::u8path(bankName).extension().u8string();
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    if (extension == ".gift") return BankFormat::gift;
    if (extension == ".csv") return BankFormat::csv;
    if (extension == ".tsv" || extension == ".tab") return BankFormat::tsv;
    return BankFormat::detect;
}

// A ".txt" bank may be either: a first line that names prompt and answer
// columns makes it a table.
BankFormat formatFromText(const std::string& text) {
    std::string first = text.substr(0, text.find_first_of("\r\n"));
    for (char& c : first) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    if (first.find("prompt") != std::string::npos && first.find("answer") != std::string::npos &&
        first.find('{') == std::string::npos) {
        return first.find('\t') != std::string::npos ? BankFormat::tsv : BankFormat::csv;
    }
    return BankFormat::gift;
}

QuestionBank readBank(const std::string& text, BankFormat format) {
    switch (format) {
    case BankFormat::csv:
        return readCsvBank(text, 0);
    case BankFormat::tsv:
        return readCsvBank(text, '\t');
    default:
        return readGiftBank(text);
    }
}

}  // namespace

std::string bankText(const std::vector<uint8_t>& bytes, std::vector<BankNote>* notes) {
    if (bytes.size() >= 2 && (bytes[0] == 0xFF && bytes[1] == 0xFE)) {
        return fromUtf16(bytes, false);
    }
    if (bytes.size() >= 2 && (bytes[0] == 0xFE && bytes[1] == 0xFF)) {
        return fromUtf16(bytes, true);
    }
    std::string text(bytes.begin(), bytes.end());
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    const size_t invalid = firstInvalidUtf8(text);
    if (invalid != std::string::npos) {
        notes->push_back({lineAt(text, invalid), "not UTF-8 from here on: the whole file is read as Windows-1252, "
                                                 "check its accented letters"});
        return windows1252ToUtf8(text);
    }
    return text;
}

ImportResult importBank(const std::vector<uint8_t>& bytes, const ImportOptions& options) {
    ImportResult result;
    std::vector<BankNote> notes;
    const std::string text = bankText(bytes, &notes);
    const BankFormat format = options.format != BankFormat::detect ? options.format
                              : formatFromName(options.bankName) != BankFormat::detect
                                  ? formatFromName(options.bankName)
                                  : formatFromText(text);
    QuestionBank bank = readBank(text, format);
    notes.insert(notes.end(), bank.notes.begin(), bank.notes.end());
    const auto fail = [&](int line, const std::string& why) {
        if (!why.empty()) notes.push_back({line, why});
        result.messages = formatted(options.bankName, notes);
        result.ok = false;
        result.source.clear();
        result.media.clear();
        return result;
    };
    if (!bank.usable) return fail(0, "");

    Plan plan{options.bankName, options.quizName, options.title, options.kind, options.mode, 1, options.colour,
              options.author};
    if (plan.title.empty()) plan.title = fs::u8path(options.bankName).stem().u8string();
    std::vector<Candidate> candidates;
    int hintLine = 0;
    int extraLine = 0;
    int secondLine = 0;
    for (BankQuestion& question : bank.questions) {
        Cleaned clean = cleaned(std::move(question));
        notes.insert(notes.end(), clean.notes.begin(), clean.notes.end());
        const BankQuestion& q = clean.question;
        if (!q.hint.empty() && hintLine == 0) hintLine = q.line;
        if (!q.extra.empty() && extraLine == 0) extraLine = q.line;
        if (!q.second.empty() && secondLine == 0) secondLine = q.line;
        candidates.push_back({std::move(clean.question), {}, false, 0, 0, 0});
    }
    if (candidates.empty()) return fail(0, "no question to import");
    if (secondLine != 0) {
        if (plan.kind == kindText) {
            return fail(secondLine, "second answers need two answer fields, which a text quiz does not have: "
                                    "import with --kind picture, sound or video");
        }
        plan.answers = 2;
    }
    if (plan.mode < 0) {
        plan.mode = extraLine != 0 ? 6 : hintLine != 0 ? 2 : 0;
    }
    if (hintLine != 0 && !storesHint(plan.mode)) {
        return fail(hintLine, "the bank has hints, which mode " + std::to_string(plan.mode) +
                                  " does not store: choose mode 1, 2, 3, 4, 6 or 7");
    }
    if (extraLine != 0 && !storesExtra(plan.mode)) {
        return fail(extraLine, "the bank has extra texts, which only modes 3 and 6 store");
    }
    if (hintLine != 0 && plan.kind == kindText) {
        notes.push_back({0, "the hints are stored, but a text quiz does not show them"});
    }

    TemporaryFolder media;
    std::string error;
    if (!makeMediaFolder(plan, std::min(candidates.size(), maxQuestionCount), &media, &error)) {
        return fail(0, "placeholders cannot be made for the check: " + error);
    }

    // Each round writes the source, checks it like `vyrla-pack check` and
    // sets aside the questions it complains about, until nothing is left to
    // complain about. A full quiz sheds questions from its end.
    size_t room = maxQuestionCount;
    std::string fullReason = "the quiz is full: it holds at most " + std::to_string(maxQuestionCount) + " questions";
    for (;;) {
        size_t active = 0;
        for (Candidate& candidate : candidates) {
            candidate.active = candidate.reasons.empty() && active < room;
            candidate.number = candidate.active ? static_cast<int>(++active) : 0;
        }
        if (active == 0) break;
        result.source = writeSource(plan, &candidates, active);

        QuizSource source;
        QuizContent content;
        Diagnostics diagnostics;
        if (!parseQuizSource(result.source, plan.sourceName, media.path.empty() ? fs::path(".") : media.path,
                             &source, &diagnostics)) {
            return fail(0, "internal error: the written source is not TOML: " +
                               (diagnostics.errors.empty() ? std::string() : diagnostics.errors[0].message));
        }
        if (buildQuizContent(source, &content, &diagnostics)) {
            std::vector<std::string> encodeNotes;
            const std::vector<std::string> differences =
                readBackDifferences(content, encodeQuiz(content, &encodeNotes));
            if (!differences.empty()) return fail(0, "internal error: read back, " + differences[0]);
            result.imported = active;
            break;
        }
        bool setAside = false;
        bool full = false;
        for (const Diagnostic& diagnostic : diagnostics.errors) {
            if (diagnostic.field == "questions") {
                full = true;
                continue;
            }
            Candidate* candidate = candidateAt(&candidates, diagnostic.line);
            if (!candidate) {
                return fail(0, "the options give a quiz that cannot be built: " + diagnostic.field + ": " +
                                   diagnostic.message);
            }
            candidate->reasons.push_back(fieldOfQuestion(diagnostic.field) + ": " + diagnostic.message);
            setAside = true;
        }
        if (!setAside && full) {
            room = active - 1;
            fullReason = "the quiz is full: the player's stored quiz has a size limit";
        } else if (!setAside) {
            return fail(0, "internal error: the written source is refused without a reason");
        }
    }
    if (result.imported == 0) {
        for (Candidate& candidate : candidates) {
            candidate.active = false;
        }
    }

    for (Candidate& candidate : candidates) {
        if (!candidate.active && candidate.reasons.empty()) {
            // Shed for room: said the same way as the others, in the source too.
            candidate.reasons.push_back(fullReason);
        }
        if (!candidate.active) {
            std::string joined;
            for (const std::string& reason : candidate.reasons) joined += (joined.empty() ? "" : "; ") + reason;
            notes.push_back({candidate.question.line, "not imported (kept as a comment): " + joined});
            ++result.setAside;
        }
    }
    if (result.imported == 0) return fail(0, "no question could be imported");
    // Written once more: the reasons for the questions shed for room go in.
    result.source = writeSource(plan, &candidates, result.imported);
    for (const Candidate& candidate : candidates) {
        if (candidate.active && plan.kind != kindText) {
            result.media.push_back({mediaPath(plan.kind, candidate.number), placeholder(plan.kind, candidate.number)});
        }
    }
    result.messages = formatted(options.bankName, notes);
    result.ok = true;
    return result;
}

// ---------------------------------------------------------------- the command

namespace {

struct ImportArguments {
    std::string bank;
    std::string output;
    ImportOptions options;
    bool force = false;
    std::string error;
};

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

ImportArguments parseImportArguments(const std::vector<std::string>& args) {
    ImportArguments parsed;
    const std::vector<std::string> valued = {"-o", "--title", "--kind", "--mode", "--colour", "--author", "--format"};
    std::vector<std::string> seen;
    for (size_t i = 1; i < args.size() && parsed.error.empty(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--force") {
            parsed.force = true;
            continue;
        }
        if (std::find(valued.begin(), valued.end(), arg) == valued.end()) {
            if (arg.size() > 1 && arg[0] == '-') {
                parsed.error = "unknown option " + arg;
            } else if (parsed.bank.empty()) {
                parsed.bank = arg;
            } else {
                parsed.error = "import takes one bank";
            }
            continue;
        }
        if (i + 1 == args.size() || std::find(seen.begin(), seen.end(), arg) != seen.end()) {
            parsed.error = arg + " takes one value";
            continue;
        }
        seen.push_back(arg);
        const std::string& value = args[++i];
        if (arg == "-o") {
            parsed.output = value;
        } else if (arg == "--title") {
            parsed.options.title = value;
        } else if (arg == "--author") {
            parsed.options.author = value;
        } else if (arg == "--kind") {
            parsed.options.kind = quizKindNamed(value);
            if (parsed.options.kind < 0) parsed.error = "--kind is text, picture, sound or video";
        } else if (arg == "--mode") {
            if (value.size() != 1 || value[0] < '0' || value[0] > '7') {
                parsed.error = "--mode is 0 to 7";
            } else {
                parsed.options.mode = value[0] - '0';
            }
        } else if (arg == "--colour") {
            if (!readColour(value, &parsed.options.colour)) parsed.error = "--colour is R,G,B, each 0 to 255";
        } else if (arg == "--format") {
            if (value == "gift") {
                parsed.options.format = BankFormat::gift;
            } else if (value == "csv") {
                parsed.options.format = BankFormat::csv;
            } else if (value == "tsv") {
                parsed.options.format = BankFormat::tsv;
            } else {
                parsed.error = "--format is gift, csv or tsv";
            }
        }
    }
    if (parsed.error.empty() && (parsed.bank.empty() || parsed.output.empty())) {
        parsed.error = "import needs a bank and -o QUIZ.toml";
    }
    return parsed;
}

void say(const std::string& about, const std::string& what) {
    std::fprintf(stderr, "%s: %s\n", about.c_str(), what.c_str());
}

}  // namespace

int runImport(const std::vector<std::string>& args) {
    const ImportArguments parsed = parseImportArguments(args);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "vyrla-pack: %s\nusage:\n%s", parsed.error.c_str(), importUsage);
        return exitUsage;
    }
    const fs::path bankFile = fs::u8path(parsed.bank);
    const fs::path output = fs::u8path(parsed.output);
    std::error_code code;
    if (fs::exists(output, code)) {
        if (fs::equivalent(output, bankFile, code)) {
            say(parsed.output, "is the bank itself; write the quiz under another name");
            return exitUsage;
        }
        if (!parsed.force) {
            say(parsed.output, "already exists; choose another name, or --force to replace it");
            return exitUsage;
        }
    }
    std::vector<uint8_t> bytes;
    std::string error;
    if (!readWholeFile(bankFile, &bytes, &error)) {
        say(parsed.bank, error);
        return exitFiles;
    }
    ImportOptions options = parsed.options;
    options.bankName = parsed.bank;
    options.quizName = parsed.output;
    const ImportResult result = importBank(bytes, options);
    for (const std::string& message : result.messages) {
        std::fprintf(stderr, "%s\n", message.c_str());
    }
    if (!result.ok) {
        say(parsed.output, "not written");
        return exitNothingImported;
    }
    const fs::path folder = output.parent_path().empty() ? fs::path(".") : output.parent_path();
    fs::create_directories(folder, code);
    if (!writeWholeFile(output, std::vector<uint8_t>(result.source.begin(), result.source.end()), &error)) {
        say(parsed.output, error);
        return exitFiles;
    }
    for (const FileContents& file : result.media) {
        const fs::path path = folder / fs::u8path(file.path);
        if (fs::exists(path, code)) {
            say(path.u8string(), "kept as it is: the quiz names it in place of a placeholder");
            continue;
        }
        if (!writeFilesUnder(folder, {file}, &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return exitFiles;
        }
    }
    std::printf("%s: %zu question%s imported", parsed.output.c_str(), result.imported, result.imported == 1 ? "" : "s");
    if (result.setAside > 0) {
        std::printf(", %zu kept as comments with the reason", result.setAside);
    }
    std::printf("\n");
    return exitWritten;
}
