#include "pack/web/quiz_page.h"

#include <algorithm>
#include <cstring>

#include "media/browser_media.h"
#include "pack/exe/self_path.h"
#include "quiz/page_bundle.h"
#include "quiz/stored_format.h"
#include "quiz/windows1252.h"

namespace fs = std::filesystem;

namespace {

constexpr char pageTemplateName[] = "vyrla-page.html";
constexpr char quizMark[] = "@VYRLA-QUIZ@";
constexpr char titleMark[] = "@VYRLA-TITLE@";
constexpr char answersMark[] = "@VYRLA-ANSWERS@";
constexpr char dataOpening[] = "<script id=\"vyrla-quiz\" type=\"application/octet-stream\">";
constexpr char base64Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

void putU32(std::vector<uint8_t>* out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out->push_back(uint8_t(value >> shift));
}

void addRecord(std::vector<uint8_t>* out, BundleType type, int id, const std::vector<uint8_t>& bytes) {
    out->push_back(type);
    putU32(out, uint32_t(id));
    putU32(out, uint32_t(bytes.size()));
    out->insert(out->end(), bytes.begin(), bytes.end());
}

std::string base64(const std::vector<uint8_t>& bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t left = bytes.size() - i;
        const uint32_t group = uint32_t(bytes[i]) << 16 | (left > 1 ? uint32_t(bytes[i + 1]) << 8 : 0) |
                               (left > 2 ? bytes[i + 2] : 0);
        text += base64Digits[group >> 18 & 63];
        text += base64Digits[group >> 12 & 63];
        text += left > 1 ? base64Digits[group >> 6 & 63] : '=';
        text += left > 2 ? base64Digits[group & 63] : '=';
    }
    return text;
}

// Strict: only the alphabet, with "=" padding at the end; white space is
// skipped.
bool fromBase64(const std::string& text, std::vector<uint8_t>* bytes) {
    uint32_t group = 0;
    int bits = 0;
    size_t padding = 0;
    for (const char c : text) {
        if (c == ' ' || c == '\n' || c == '\r' || c == '\t') continue;
        if (c == '=') {
            ++padding;
            continue;
        }
        const char* digit = std::strchr(base64Digits, c);
        if (!digit || c == '\0' || padding) return false;
        group = group << 6 | uint32_t(digit - base64Digits);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes->push_back(uint8_t(group >> bits));
        }
    }
    return padding <= 2;
}

std::string htmlEscaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

// Replaces the one place of `mark`; false when it is not there exactly once.
bool fillMark(std::string* page, const char* mark, const std::string& text) {
    const size_t at = page->find(mark);
    if (at == std::string::npos || page->find(mark, at + 1) != std::string::npos) return false;
    page->replace(at, std::strlen(mark), text);
    return true;
}

}  // namespace

fs::path defaultPageTemplate(const char* argv0) { return packerExecutable(argv0).parent_path() / pageTemplateName; }

std::vector<uint8_t> pageBundleBytes(const QuizContent& quiz, const EncodedQuiz& encoded) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < pageBundleMagicSize; ++i) out.push_back(uint8_t(pageBundleMagic[i]));
    out.insert(out.end(), encoded.contentBlock.begin(), encoded.contentBlock.end());
    addRecord(&out, bundlePatch, quizResourceId, encoded.quizResource);
    addRecord(&out, bundlePatch, codesResourceId, encoded.codesResource);
    for (const MediaResource& media : quiz.media) {
        const BundleType type = media.storage == MediaStorage::pngRawData ? bundleRawData : bundleImage;
        addRecord(&out, type, media.id, storedMediaBytes(media));
    }
    return out;
}

bool writeQuizPage(const std::string& pageTemplate, const QuizContent& quiz, const EncodedQuiz& encoded,
                   const std::string& answersName, std::string* page, std::string* error) {
    *page = pageTemplate;
    const std::string data = base64(pageBundleBytes(quiz, encoded));
    if (!fillMark(page, titleMark, htmlEscaped(windows1252ToUtf8(quiz.title))) ||
        !fillMark(page, answersMark, htmlEscaped(answersName)) || !fillMark(page, quizMark, data)) {
        *error = "not a Vyrla page template (it should be the vyrla-page.html shipped with vyrla-pack)";
        return false;
    }
    return true;
}

bool looksLikePage(const std::vector<uint8_t>& file) {
    const size_t start = std::min<size_t>(file.size(), 3) == 3 && file[0] == 0xEF && file[1] == 0xBB && file[2] == 0xBF ? 3 : 0;
    return file.size() > start && file[start] == '<';
}

bool storedQuizOfPage(const std::vector<uint8_t>& file, StoredQuiz* stored, std::string* error) {
    const std::string text(file.begin(), file.end());
    const size_t opening = text.find(dataOpening);
    const size_t start = opening == std::string::npos ? opening : opening + std::strlen(dataOpening);
    const size_t end = start == std::string::npos ? start : text.find("</script>", start);
    if (end == std::string::npos) {
        *error = "a web page without a Vyrla quiz in it";
        return false;
    }
    std::vector<uint8_t> bytes;
    if (!fromBase64(text.substr(start, end - start), &bytes)) {
        *error = "the page's quiz data is damaged (not base64)";
        return false;
    }
    PageBundle bundle;
    const char* why = nullptr;
    if (!readPageBundle(bytes.data(), bytes.size(), &bundle, &why)) {
        *error = std::string("the page's quiz data is damaged: ") + why;
        return false;
    }
    *stored = StoredQuiz{};
    std::copy(bundle.contentBlock, bundle.contentBlock + storedContentBlockSize, stored->contentBlock.begin());
    for (const BundleResource& resource : bundle.resources) {
        std::vector<uint8_t> copy(resource.bytes, resource.bytes + resource.size);
        if (resource.type == bundlePatch) {
            (resource.id == quizResourceId ? stored->quizResource : stored->codesResource) = std::move(copy);
        } else {
            stored->media.push_back({resource.id, resource.type == bundleRawData, std::move(copy)});
        }
    }
    // In the order an executable lists them: by id, "IMG" before raw data.
    std::stable_sort(stored->media.begin(), stored->media.end(), [](const StoredMedia& a, const StoredMedia& b) {
        return a.rawData != b.rawData ? !a.rawData : a.id < b.id;
    });
    return true;
}

std::vector<std::string> clipsBrowsersCannotPlay(const QuizContent& quiz) {
    std::vector<std::string> lines;
    if (quiz.kind != kindSound && quiz.kind != kindVideo) return lines;
    for (const MediaResource& media : quiz.media) {
        const std::vector<uint8_t>& clip = media.fileBytes;
        if (browserMediaType(clip.data(), clip.size())) continue;
        lines.push_back("question " + std::to_string(media.id - firstPictureId) + ": browsers do not play its clip (" +
                        clipFormatName(clip.data(), clip.size()) + ", " + media.sourceFile.filename().u8string() +
                        "); the page shows a line in its place");
    }
    return lines;
}
