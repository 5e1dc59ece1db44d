#include "pack/banks/csv_reader.h"

#include <initializer_list>
#include <string>
#include <vector>

#include "pack/source/toml_string.h"

namespace {

struct Record {
    int line = 0;  // where it starts
    std::vector<std::string> fields;
    std::string problem;  // why it cannot be read; empty when it can
};

// Splits the text into records. A quoted field runs on over separators and
// line breaks until its closing quote; a quote inside an unquoted field is
// an ordinary character.
class RecordReader {
public:
    RecordReader(std::string_view text, char separator) : text_(text), separator_(separator) {}

    bool done() const { return at_ >= text_.size(); }

    Record next() {
        Record record;
        record.line = line_;
        for (;;) {
            std::string field;
            if (at_ < text_.size() && text_[at_] == '"') {
                readQuoted(&field, &record);
            } else {
                while (at_ < text_.size() && text_[at_] != separator_ && !atLineEnd()) {
                    field += text_[at_++];
                }
            }
            record.fields.push_back(std::move(field));
            if (at_ < text_.size() && text_[at_] == separator_) {
                ++at_;
                continue;
            }
            skipLineEnd();
            return record;
        }
    }

private:
    bool atLineEnd() const { return text_[at_] == '\n' || text_[at_] == '\r'; }

    void skipLineEnd() {
        if (at_ >= text_.size()) return;
        if (text_[at_] == '\r' && at_ + 1 < text_.size() && text_[at_ + 1] == '\n') ++at_;
        ++at_;
        ++line_;
    }

    void readQuoted(std::string* field, Record* record) {
        const int opened = line_;
        ++at_;
        for (;;) {
            if (at_ >= text_.size()) {
                record->problem = "a quoted field opened on line " + std::to_string(opened) + " is never closed";
                return;
            }
            const char c = text_[at_];
            if (c == '"') {
                if (at_ + 1 < text_.size() && text_[at_ + 1] == '"') {
                    *field += '"';
                    at_ += 2;
                    continue;
                }
                ++at_;
                break;
            }
            if (c == '\r' || c == '\n') {
                // A line break inside quotes belongs to the field; CR LF is one.
                if (c == '\r' && at_ + 1 < text_.size() && text_[at_ + 1] == '\n') {
                    *field += '\r';
                    ++at_;
                }
                ++line_;
            }
            *field += text_[at_++];
        }
        if (at_ < text_.size() && text_[at_] != separator_ && !atLineEnd()) {
            if (record->problem.empty()) {
                record->problem = "text after the closing quote of a field";
            }
            while (at_ < text_.size() && text_[at_] != separator_ && !atLineEnd()) {
                *field += text_[at_++];
            }
        }
    }

    std::string_view text_;
    char separator_;
    size_t at_ = 0;
    int line_ = 1;
};

std::string columnName(const std::string& cell) {
    size_t begin = 0;
    size_t end = cell.size();
    while (begin < end && (cell[begin] == ' ' || cell[begin] == '\t')) ++begin;
    while (end > begin && (cell[end - 1] == ' ' || cell[end - 1] == '\t')) --end;
    std::string name = cell.substr(begin, end - begin);
    for (char& c : name) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return name;
}

const char* const columnNames[] = {"prompt", "answer", "second", "hint", "extra"};
enum Column { prompt, answer, second, hint, extra, columnCount };

std::vector<std::string> headerNames(std::string_view text, char separator) {
    RecordReader reader(text, separator);
    std::vector<std::string> names;
    if (!reader.done()) {
        for (const std::string& cell : reader.next().fields) {
            names.push_back(columnName(cell));
        }
    }
    return names;
}

bool names(const std::vector<std::string>& header, const char* name) {
    for (const std::string& cell : header) {
        if (cell == name) return true;
    }
    return false;
}

char detectSeparator(std::string_view text) {
    static const char candidates[] = {',', ';', '\t'};
    char widest = ',';
    size_t widestCount = 0;
    for (const char separator : candidates) {
        const std::vector<std::string> header = headerNames(text, separator);
        if (names(header, "prompt") && names(header, "answer")) return separator;
        if (header.size() > widestCount) {
            widest = separator;
            widestCount = header.size();
        }
    }
    return widest;
}

std::string listed(const std::vector<std::string>& cells) {
    std::string list;
    for (const std::string& cell : cells) {
        list += (list.empty() ? "" : ", ") + tomlString(cell);
    }
    return list;
}

// Finds each known column; false (with a note) when the bank cannot be read.
bool readHeader(const Record& header, int (&columns)[columnCount], QuestionBank* bank) {
    for (int& column : columns) column = -1;
    std::vector<std::string> seen;
    for (size_t i = 0; i < header.fields.size(); ++i) {
        const std::string name = columnName(header.fields[i]);
        seen.push_back(name);
        bool known = false;
        for (int c = 0; c < columnCount; ++c) {
            if (name != columnNames[c]) continue;
            known = true;
            if (columns[c] >= 0) {
                bank->notes.push_back({header.line, "the header row names the column " + tomlString(name) + " twice"});
                bank->usable = false;
            }
            columns[c] = static_cast<int>(i);
        }
        if (!known && !name.empty()) {
            const std::string written = header.fields[i].substr(header.fields[i].find_first_not_of(" \t"));
            bank->notes.push_back({header.line, "column " + std::to_string(i + 1) + ", " + tomlString(written) +
                                                    ", is not imported: the columns are prompt, answer, second, "
                                                    "hint and extra"});
        }
    }
    for (const Column required : {prompt, answer}) {
        if (columns[required] < 0) {
            bank->notes.push_back({header.line, std::string("no \"") + columnNames[required] +
                                                    "\" column: the header row names " + listed(seen)});
            bank->usable = false;
        }
    }
    return bank->usable;
}

bool isEmpty(const Record& record) {
    for (const std::string& field : record.fields) {
        if (!field.empty()) return false;
    }
    return true;
}

}  // namespace

QuestionBank readCsvBank(std::string_view text, char separator) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    QuestionBank bank;
    if (separator == 0) separator = detectSeparator(text);
    RecordReader reader(text, separator);
    if (reader.done()) {
        bank.notes.push_back({1, "no header row: the file is empty"});
        bank.usable = false;
        return bank;
    }
    const Record header = reader.next();
    int columns[columnCount];
    if (!readHeader(header, columns, &bank)) {
        return bank;
    }
    while (!reader.done()) {
        const Record record = reader.next();
        if (!record.problem.empty()) {
            bank.notes.push_back({record.line, "skipped: " + record.problem});
            continue;
        }
        if (isEmpty(record)) continue;
        const auto cell = [&](Column c) {
            const int at = columns[c];
            return at >= 0 && static_cast<size_t>(at) < record.fields.size() ? record.fields[at] : std::string();
        };
        BankQuestion question;
        question.line = record.line;
        question.prompt = cell(prompt);
        question.answer = cell(answer);
        question.second = cell(second);
        question.hint = cell(hint);
        question.extra = cell(extra);
        size_t beyond = 0;
        for (size_t i = header.fields.size(); i < record.fields.size(); ++i) {
            beyond += !record.fields[i].empty();
        }
        if (beyond > 0) {
            bank.notes.push_back({record.line, std::to_string(beyond) + (beyond == 1 ? " cell" : " cells") +
                                                   " beyond the header row's columns not imported"});
        }
        bank.questions.push_back(std::move(question));
    }
    return bank;
}
