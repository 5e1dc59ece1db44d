#include "pack/banks/import_bank.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <random>
#include <system_error>

#include "pack/banks/bank_file.h"
#include "pack/banks/import_source.h"
#include "pack/banks/question_fit.h"
#include "pack/source/quiz_source.h"
#include "pack/stored/quiz_encode.h"
#include "quiz/quiz_state.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t maxQuestionCount = maxQuestions;

// "question 3, answer" says "answer" here: the line says which question.
std::string fieldOfQuestion(const std::string& field) {
    const size_t comma = field.find(", ");
    return field.rfind("question ", 0) == 0 && comma != std::string::npos ? field.substr(comma + 2) : field;
}

ImportCandidate* candidateAt(std::vector<ImportCandidate>* candidates, int line) {
    for (ImportCandidate& candidate : *candidates) {
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
bool makeMediaFolder(const ImportPlan& plan, size_t count, TemporaryFolder* folder, std::string* error) {
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

}  // namespace

ImportResult importBank(const std::vector<uint8_t>& bytes, const ImportOptions& options) {
    ImportResult result;
    std::vector<BankNote> notes;
    const std::string text = bankText(bytes, &notes);
    QuestionBank bank = readBank(text, bankFormat(options.format, options.bankName, text));
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

    ImportPlan plan{options.bankName, options.quizName, options.title, options.kind, options.mode, 1, options.colour,
              options.author};
    if (plan.title.empty()) plan.title = fs::u8path(options.bankName).stem().u8string();
    std::vector<ImportCandidate> candidates;
    int hintLine = 0;
    int extraLine = 0;
    int secondLine = 0;
    for (BankQuestion& question : bank.questions) {
        CleanedQuestion clean = cleaned(std::move(question));
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
        for (ImportCandidate& candidate : candidates) {
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
            ImportCandidate* candidate = candidateAt(&candidates, diagnostic.line);
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
        for (ImportCandidate& candidate : candidates) {
            candidate.active = false;
        }
    }

    for (ImportCandidate& candidate : candidates) {
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
    for (const ImportCandidate& candidate : candidates) {
        if (candidate.active && plan.kind != kindText) {
            result.media.push_back({mediaPath(plan.kind, candidate.number), placeholder(plan.kind, candidate.number)});
        }
    }
    result.messages = formatted(options.bankName, notes);
    result.ok = true;
    return result;
}
