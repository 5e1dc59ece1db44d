#include "pack/banks/bank_file.h"

#include <algorithm>
#include <filesystem>

#include "pack/banks/csv_reader.h"
#include "pack/banks/gift_reader.h"
#include "quiz/windows1252.h"

namespace fs = std::filesystem;

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

BankFormat bankFormat(BankFormat chosen, const std::string& bankName, const std::string& text) {
    if (chosen != BankFormat::detect) return chosen;
    const BankFormat byName = formatFromName(bankName);
    return byName != BankFormat::detect ? byName : formatFromText(text);
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
