#include "pack/results/verdict_tests.h"

#include <algorithm>
#include <cstring>

#include "judge/judge_answer.h"
#include "pack/source/toml_string.h"
#include "pack/stored/load_as_player.h"
#include "quiz/windows1252.h"
#include "quiz/answer_fields.h"
#include "quiz/progress_lines.h"

namespace {

// Quoted with escapes, so that a tab or a line break in a typed text shows.
std::string quoted(const std::string& text) {
    return tomlString(text);
}

// An expected answer of the loaded quiz, with where the source wrote it.
struct Expected {
    const char* text;   // Windows-1252, as the player holds it
    std::string field;  // "question 2, answer"
    std::string owner;  // "question 2's answer"
    int line;
};

bool nearlyRight(const char* verdict) {
    return std::strcmp(verdict, verdictOneEdit) == 0 || std::strcmp(verdict, verdictTwoEdits) == 0;
}

std::string shown(const char* windows1252) {
    return quoted(windows1252ToUtf8(windows1252));
}

// Every expected answer typed into every other field, both ways round: a
// student who gives one where the other is expected would be told they are
// nearly right. Reported once per pair, at the later of the two.
void compareExpectedAnswers(const std::vector<Expected>& answers, std::vector<Diagnostic>* warnings) {
    for (size_t j = 1; j < answers.size(); ++j) {
        for (size_t i = 0; i < j; ++i) {
            const Expected& earlier = answers[i];
            const Expected& later = answers[j];
            const char* typedThere = judgeAnswer(earlier.text, later.text);
            const char* typedHere = judgeAnswer(later.text, earlier.text);
            std::string message;
            if (nearlyRight(typedThere)) {
                message = shown(later.text) + " typed there reads " + shown(typedThere);
            }
            if (nearlyRight(typedHere)) {
                message += (message.empty() ? "" : ", and ") + shown(earlier.text) + " typed here reads " +
                           shown(typedHere);
            }
            if (!message.empty()) {
                warnings->push_back({later.line, later.field,
                                     "warning: close to " + earlier.owner + " " + shown(earlier.text) + " (line " +
                                         std::to_string(earlier.line) + "): " + message});
            }
        }
    }
}

void runTests(const VerdictTests& tests, const char* expected, const std::string& field, VerdictReport* report) {
    for (const VerdictTest& test : tests.value) {
        std::string typed = utf8ToWindows1252(test.typed, nullptr);
        typed.resize(std::min(typed.size(), static_cast<size_t>(answerFieldLimit)));
        const std::string verdict = windows1252ToUtf8(judgeAnswer(expected, typed.c_str()));
        ++report->run;
        if (verdict != test.verdict) {
            report->failures.push_back({test.line, field,
                                        quoted(test.typed) + " expected " + quoted(test.verdict) + ", got " +
                                            quoted(verdict)});
        }
    }
}

bool byLine(const Diagnostic& a, const Diagnostic& b) {
    return a.line < b.line;
}

}  // namespace

VerdictReport runVerdictTests(const QuizSource& source, const EncodedQuiz& encoded) {
    VerdictReport report;
    const LoadedQuiz quiz = loadAsPlayer(storedContents(encoded), nullptr);
    const bool twoFields = fieldsPerQuestion(quiz.get()) == 2;
    std::vector<Expected> expected;
    const auto& questions = source.questions.value;
    for (size_t i = 0; i < questions.size() && static_cast<int>(i) < quiz->questionCount; ++i) {
        const QuestionSource& question = questions[i];
        const QuestionNode* node = questionAt(quiz.get(), static_cast<int>(i));
        const std::string prefix = "question " + std::to_string(i + 1) + ", ";
        runTests(question.check, node->answer, prefix + "check", &report);
        const std::string owner = "question " + std::to_string(i + 1) + "'s ";
        expected.push_back({node->answer, prefix + "answer", owner + "answer", question.answer.line});
        // A hidden second field always holds "-": nobody types into it.
        if (twoFields && std::string(node->secondAnswer) != "-") {
            runTests(question.checkSecond, node->secondAnswer, prefix + "check_second", &report);
            expected.push_back({node->secondAnswer, prefix + "second", owner + "second answer", question.second.line});
        }
    }
    compareExpectedAnswers(expected, &report.warnings);
    std::stable_sort(report.failures.begin(), report.failures.end(), byLine);
    std::stable_sort(report.warnings.begin(), report.warnings.end(), byLine);
    return report;
}

bool reportVerdictTests(const QuizSource& source, const EncodedQuiz& encoded, std::ostream& errors) {
    const VerdictReport report = runVerdictTests(source, encoded);
    Diagnostics printed;
    printed.fileName = source.fileName;
    printed.errors = report.failures;
    printed.errors.insert(printed.errors.end(), report.warnings.begin(), report.warnings.end());
    for (const std::string& line : printed.formatted()) {
        errors << line << '\n';
    }
    if (report.run > 0) {
        errors << source.fileName << ": verdict tests: " << report.run - report.failures.size() << " of "
               << report.run << " passed\n";
    }
    return report.failures.empty();
}
