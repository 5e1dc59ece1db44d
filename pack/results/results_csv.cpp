#include "pack/results/results_csv.h"

#include "quiz/answer_fields.h"

namespace {

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

}  // namespace

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
