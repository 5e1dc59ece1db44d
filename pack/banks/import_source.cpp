#include "pack/banks/import_source.h"

#include "pack/source/sample_media.h"
#include "pack/source/toml_string.h"
#include "quiz/windows1252.h"
#include "quiz/quiz_state.h"
#include "quiz/stored_format.h"

namespace {


// Text shown in a comment: one line, valid UTF-8.
std::string commentText(const std::string& text) {
    std::string safe = firstInvalidUtf8(text) == std::string::npos ? text : windows1252ToUtf8(text);
    for (char& c : safe) {
        const auto byte = static_cast<uint8_t>(c);
        if (byte < 0x20 || byte == 0x7F) c = ' ';
    }
    return safe;
}

}  // namespace

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

namespace {

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

void writeHeader(const ImportPlan& plan, size_t imported, SourceWriter* out) {
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
std::vector<std::string> questionLines(const ImportPlan& plan, const BankQuestion& question, int number) {
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

std::string origin(const ImportPlan& plan, const BankQuestion& question) {
    std::string text = commentText(plan.bankName) + ":" + std::to_string(question.line);
    if (!question.title.empty()) text += " " + commentText(tomlString(question.title));
    return text;
}

}  // namespace

std::string writeSource(const ImportPlan& plan, std::vector<ImportCandidate>* candidates, size_t imported) {
    SourceWriter out;
    writeHeader(plan, imported, &out);
    for (ImportCandidate& candidate : *candidates) {
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
