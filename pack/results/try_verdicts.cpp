#include "pack/results/try_verdicts.h"

#include <cstdlib>
#include <memory>
#include <string>

#include "judge/judge_answer.h"
#include "pack/stored/load_as_player.h"
#include "pack/stored/quiz_encode.h"
#include "quiz/windows1252.h"
#include "quiz/answer_fields.h"
#include "quiz/progress_lines.h"

namespace {

struct Field {
    int question;  // from 1
    int k;         // 1 or 2
};

bool parseField(const std::string& number, const QuizState& quiz, Field* field) {
    const size_t dot = number.find('.');
    const std::string whole = number.substr(0, dot);
    const std::string part = dot == std::string::npos ? "1" : number.substr(dot + 1);
    if (whole.empty() || whole.find_first_not_of("0123456789") != std::string::npos || whole.size() > 3) return false;
    if (part != "1" && part != "2") return false;
    field->question = std::atoi(whole.c_str());
    field->k = part == "2" ? 2 : 1;
    return field->question >= 1 && field->question <= quiz.questionCount &&
           (field->k == 1 || fieldsPerQuestion(&quiz) == 2);
}

}  // namespace

bool tryVerdicts(const EncodedQuiz& encoded, std::istream& in, std::ostream& out, std::ostream& errors) {
    const LoadedQuiz quiz = loadAsPlayer(storedContents(encoded), nullptr);

    bool allRead = true;
    std::string line;
    for (int lineNumber = 1; std::getline(in, line); ++lineNumber) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        const size_t tab = line.find('\t');
        Field field{};
        if (tab == std::string::npos || !parseField(line.substr(0, tab), *quiz, &field)) {
            errors << "line " << lineNumber << ": expected N<TAB>text, N being a question number from 1 to "
                   << quiz->questionCount << " (N.2 for a second field)\n";
            allRead = false;
            continue;
        }
        // What the player's field would hold: Windows-1252, at most 80 characters.
        std::string typed = utf8ToWindows1252(line.substr(tab + 1), nullptr);
        if (typed.size() > static_cast<size_t>(answerFieldLimit)) typed.resize(answerFieldLimit);
        const QuestionNode* node = questionAt(quiz.get(), field.question - 1);
        const char* verdict = judgeAnswer(field.k == 1 ? node->answer : node->secondAnswer, typed.c_str());
        out << line.substr(0, tab) << '\t' << windows1252ToUtf8(typed) << '\t' << windows1252ToUtf8(verdict) << '\n';
    }
    return allRead;
}
