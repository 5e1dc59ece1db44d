#include "web/page_json.h"

#include <cstdio>
#include <cstring>

#include "images/picture_header.h"
#include "media/browser_media.h"
#include "quiz/answer_fields.h"
#include "quiz/stored_format.h"
#include "quiz/windows1252.h"

namespace {

// A JSON string of a Windows-1252 text.
void addText(std::string* out, const char* text) {
    const std::string utf8 = windows1252ToUtf8(text ? text : "");
    *out += '"';
    for (const char c : utf8) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            *out += '\\';
            *out += c;
        } else if (u < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
            *out += escaped;
        } else {
            *out += c;
        }
    }
    *out += '"';
}

void addField(std::string* out, const char* name, const char* text) {
    *out += '"';
    *out += name;
    *out += "\":";
    addText(out, text);
    *out += ',';
}

void addNumber(std::string* out, const char* name, long value) {
    *out += '"';
    *out += name;
    *out += "\":" + std::to_string(value) + ",";
}

void closeObject(std::string* out, char close) {
    if (!out->empty() && out->back() == ',') out->pop_back();
    *out += close;
}

// A question's picture as the player finds it: "IMG" with its halves
// exchanged, or else a PNG kept as raw data.
const BundleResource* pictureOf(const PageBundle& bundle, int id, bool* swapped) {
    *swapped = true;
    if (const BundleResource* image = findBundleResource(bundle, bundleImage, id)) return image;
    *swapped = false;
    return findBundleResource(bundle, bundleRawData, id);
}

// Width and height fitted to the box, or 0 x 0 when the header is unknown.
PictureSize fittedPicture(const PageBundle& bundle, int id, int boxHeight) {
    bool swapped = false;
    const BundleResource* picture = pictureOf(bundle, id, &swapped);
    PictureSize size{};
    if (!picture || !pictureHeaderSize(picture->bytes, picture->size, swapped, &size)) return {0, 0};
    return fitToBox(size.width, size.height, 260, boxHeight);
}

void addMedia(std::string* out, const QuizState& quiz, const PageBundle& bundle, int n, int bandHeight) {
    if (quiz.kind == kindPicture) {
        const PictureSize size = fittedPicture(bundle, pictureId(n), 260);
        addNumber(out, "width", size.width);
        addNumber(out, "height", size.height);
        bool swapped = false;
        addNumber(out, "picture", pictureOf(bundle, pictureId(n), &swapped) ? 1 : 0);
        const PictureSize solved = fittedPicture(bundle, solvedPictureId(n), bandHeight);
        addNumber(out, "solvedWidth", solved.width);
        addNumber(out, "solvedHeight", solved.height);
        addNumber(out, "solvedPicture", pictureOf(bundle, solvedPictureId(n), &swapped) ? 1 : 0);
    } else if (quiz.kind == kindSound || quiz.kind == kindVideo) {
        const BundleResource* clip = findBundleResource(bundle, bundleImage, pictureId(n));
        const char* type = clip ? browserMediaType(clip->bytes, clip->size) : nullptr;
        addField(out, "clipType", type ? type : "");
        addField(out, "clipFormat", clip ? clipFormatName(clip->bytes, clip->size) : "");
        addNumber(out, "clip", clip ? 1 : 0);
    }
}

}  // namespace

std::string quizJson(const QuizState& quiz, const PageBundle& bundle, const std::vector<PageMessage>& messages) {
    std::string out = "{";
    addNumber(&out, "kind", quiz.kind);
    addNumber(&out, "questionCount", quiz.questionCount);
    addNumber(&out, "fieldsPerQuestion", fieldsPerQuestion(&quiz));
    addNumber(&out, "answerMode", quiz.answerMode);
    addNumber(&out, "hints", quiz.kind != kindText && modeHasHintArea(quiz.answerMode) ? 1 : 0);
    addField(&out, "title", quiz.title);
    addField(&out, "author", quiz.author);
    addField(&out, "description", quiz.description);
    addField(&out, "link", quiz.linkText);
    addField(&out, "footer", quiz.footerText);
    addField(&out, "caption1", quiz.answerCaption1);
    addField(&out, "caption2", quiz.answerCaption2);
    char colour[16];
    std::snprintf(colour, sizeof colour, "#%02x%02x%02x", quiz.red & 0xFF, quiz.green & 0xFF, quiz.blue & 0xFF);
    addField(&out, "colour", colour);
    // Labels on the quiz's colour: black on a light one, white on a dark one.
    addField(&out, "textColour", quiz.red > 69 || quiz.green > 69 ? "#000000" : "#ffffff");
    out += "\"messages\":[";
    for (const PageMessage& message : messages) {
        out += "{";
        addField(&out, "caption", message.caption.c_str());
        addField(&out, "text", message.text.c_str());
        closeObject(&out, '}');
        out += ',';
    }
    closeObject(&out, ']');
    out += ",\"questions\":[";
    int bandHeight = 0;
    for (int n = 1; n <= quiz.questionCount; ++n) {
        const QuestionNode* node = questionAt(&quiz, n - 1);
        if (quiz.kind == kindPicture && n % 3 == 1) {
            bandHeight = 0;
            for (int m = n; m < n + 3 && m <= quiz.questionCount; ++m) {
                const PictureSize size = fittedPicture(bundle, pictureId(m), 260);
                if (size.height > bandHeight) bandHeight = size.height;
            }
        }
        out += "{";
        addField(&out, "prompt", node ? node->prompt : "");
        addNumber(&out, "secondHidden", node && std::strcmp(node->secondAnswer, "-") == 0 ? 1 : 0);
        addNumber(&out, "bandHeight", bandHeight);
        addMedia(&out, quiz, bundle, n, bandHeight);
        closeObject(&out, '}');
        out += ',';
    }
    closeObject(&out, ']');
    out += '}';
    return out;
}

std::string stateJson(const PageRound& round) {
    const QuizState& quiz = *round.quiz;
    std::string out = "{";
    addField(&out, "score", scoreText(round).c_str());
    addField(&out, "code", rewardCode(round));
    out += "\"fields\":[";
    for (int f = 1; f <= round.fields; ++f) {
        out += "[";
        addText(&out, round.typed[f]);
        out += ',';
        addText(&out, round.verdict[f]);
        out += "],";
    }
    closeObject(&out, ']');
    out += ",\"questions\":[";
    for (int n = 1; n <= quiz.questionCount; ++n) {
        out += "[";
        out += round.hintShown[n] ? "1," : "0,";
        addText(&out, round.hintText[n]);
        out += round.solvedPicture[n] ? ",1," : ",0,";
        out += std::to_string(quiz.rowHidden[n]);
        out += "],";
    }
    closeObject(&out, ']');
    out += '}';
    return out;
}
