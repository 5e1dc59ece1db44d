// The GIFT question bank reader, and the import built on it.
//
// Input: the whole of it is a bank. Every question the reader keeps must have
// an answer and a line inside the bank, in order; every note a line inside
// it; and a bank that is UTF-8 must give UTF-8 texts (the reader cuts only at
// ASCII characters). A small bank is also imported: when the import says it
// wrote a quiz, that quiz must pass the quiz source's checks, and every
// question of the bank must be either in it or kept as a comment.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "pack/banks/bank_file.h"
#include "pack/banks/gift_reader.h"
#include "pack/banks/import_bank.h"
#include "pack/source/quiz_source.h"
#include "pack/stored/quiz_encode.h"
#include "quiz/windows1252.h"

namespace {

constexpr size_t maxInput = 1 << 16;
constexpr size_t maxImportInput = 1 << 10;

// Lines end as the reader ends them: LF, CR LF or a lone CR.
int lineCount(std::string_view text) {
    int lines = 0;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || text[i] == '\r') {
            ++lines;
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = i + 1;
        }
    }
    return lines + (start < text.size() ? 1 : 0);
}

bool isUtf8(const std::string& text) {
    return firstInvalidUtf8(text) == std::string::npos;
}

void checkReader(std::string_view text) {
    const QuestionBank bank = readGiftBank(text);
    const int lines = lineCount(text);
    const bool utf8 = isUtf8(std::string(text));
    int previous = 0;
    for (const BankQuestion& question : bank.questions) {
        if (question.line <= previous || question.line > lines) std::abort();
        previous = question.line;
        if (question.answer.empty()) std::abort();
        if (utf8 && !(isUtf8(question.prompt) && isUtf8(question.answer) && isUtf8(question.title))) std::abort();
        for (const std::string& comment : question.comments) {
            if (comment.find_first_of("\r\n") != std::string::npos) std::abort();
        }
    }
    for (const BankNote& note : bank.notes) {
        if (note.line < 0 || note.line > lines) std::abort();
    }
}

void checkImport(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    ImportOptions options;
    options.bankName = "bank.gift";
    const ImportResult result = importBank(bytes, options);
    if (!result.ok) {
        if (!result.source.empty() || result.messages.empty()) std::abort();
        return;
    }
    std::vector<BankNote> notes;
    const size_t questions = readGiftBank(bankText(bytes, &notes)).questions.size();
    if (result.imported == 0 || result.imported + result.setAside != questions) std::abort();
    QuizSource source;
    QuizContent content;
    Diagnostics diagnostics;
    if (!parseQuizSource(result.source, "quiz.toml", ".", &source, &diagnostics)) std::abort();
    if (!buildQuizContent(source, &content, &diagnostics)) std::abort();
    if (content.questions.size() != result.imported) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > maxInput) {
        return 0;
    }
    checkReader(std::string_view(reinterpret_cast<const char*>(data), size));
    if (size <= maxImportInput) {
        checkImport(data, size);
    }
    return 0;
}
