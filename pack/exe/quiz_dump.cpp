#include "pack/exe/quiz_dump.h"

#include <cstdio>
#include <memory>

#include "media/media_format.h"
#include "pack/source/quiz_source.h"
#include "pack/source/toml_string.h"
#include "pack/stored/load_as_player.h"
#include "quiz/windows1252.h"
#include "quiz/content_parse.h"
#include "quiz/lzw_expand.h"
#include "quiz/messages.h"
#include "quiz/quiz_loader.h"
#include "quiz/quiz_state.h"
#include "quiz/scramble.h"
#include "quiz/stored_format.h"

namespace {

// The second text of modes 3 and 6, which the player reads and drops: taken
// from the expanded quiz resource, unscrambled from where the loader did.
std::vector<std::string> extraTexts(const StoredQuiz& stored, const LoadReport& report, const QuizState& state) {
    std::vector<std::string> extras;
    std::vector<uint8_t> bytes = stored.quizResource;
    if (report.quizUnscrambled) {
        int keyPosition = report.quizKeyStart;
        scrambleWithKey(bytes.data(), bytes.size(), &keyPosition);
    }
    uint8_t* block = nullptr;
    int32_t reported = 0;
    const int32_t result = lzwExpand(bytes.data(), bytes.size(), &block, &reported);
    if (result != lzwOk || !block || reported < 2) {
        if (block) {
            lzwFree(block);
        }
        return extras;
    }
    const size_t produced = static_cast<size_t>(reported) - 2;
    size_t position = 4;
    const auto nextText = [&](std::string* text) {
        size_t end = position;
        while (end < produced && block[end] != '|') {
            ++end;
        }
        if (end >= produced) {
            return false;
        }
        if (text) {
            text->assign(reinterpret_cast<const char*>(block) + position, end - position);
        }
        position = end + 1;
        return true;
    };
    const int questionTexts = state.answersPerQuestion == 2 ? 3 : 2;
    bool ok = true;
    for (int i = 0; i < 5 + questionTexts * state.questionCount && ok; ++i) {
        ok = nextText(nullptr);
    }
    ++position;  // the mode byte
    for (int i = 0; i < state.questionCount && ok; ++i) {
        std::string extra;
        ok = nextText(nullptr) && nextText(&extra);
        extras.push_back(windows1252ToUtf8(extra));
    }
    lzwFree(block);
    if (!ok) {
        extras.clear();
    }
    return extras;
}

std::string text(const char* windows1252) {
    return tomlString(windows1252ToUtf8(windows1252));
}

std::string questionFile(const char* folder, int number, const char* suffix, const std::string& extension) {
    char name[64];
    std::snprintf(name, sizeof name, "%s/question-%02d%s.%s", folder, number, suffix, extension.c_str());
    return name;
}

const StoredMedia* findMedia(const StoredQuiz& stored, int id, bool rawData) {
    for (const StoredMedia& media : stored.media) {
        if (media.id == id && media.rawData == rawData) {
            return &media;
        }
    }
    return nullptr;
}

// A picture as its file: "IMG" pictures have the halves of each byte
// exchanged, PNG raw data is the file as it is. The player tries "IMG" first.
bool pictureFile(const StoredQuiz& stored, int id, std::vector<uint8_t>* file) {
    if (const StoredMedia* swapped = findMedia(stored, id, false)) {
        *file = swapped->bytes;
        for (uint8_t& byte : *file) {
            byte = static_cast<uint8_t>(byte << 4 | byte >> 4);
        }
        return true;
    }
    if (const StoredMedia* png = findMedia(stored, id, true)) {
        *file = png->bytes;
        return true;
    }
    return false;
}

}  // namespace

std::string clipExtension(const std::vector<uint8_t>& clip) {
    std::string extension = mediaExtension(clip.data(), clip.size());
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return extension;
}

std::string pictureExtension(const std::vector<uint8_t>& picture) {
    switch (pictureFormat(picture)) {
    case PictureFormat::bmp:
        return "bmp";
    case PictureFormat::jpeg:
        return "jpg";
    case PictureFormat::gif:
        return "gif";
    case PictureFormat::png:
        return "png";
    case PictureFormat::unknown:
        break;
    }
    return "bin";
}

bool dumpQuiz(const StoredQuiz& stored, const std::string& origin, QuizDump* dump, std::string* error) {
    *dump = QuizDump{};
    const PlayerLoad loaded = loadLikePlayer(storedContents(stored.contentBlock.data(), stored.quizResource, stored.codesResource));
    const LoadReport& report = loaded.report;
    const QuizState& state = *loaded.quiz;
    std::string shown;
    for (const LoaderMessage& message : loaded.messages) {
        shown += (shown.empty() ? "" : "; ") + windows1252ToUtf8(message.text);
    }
    switch (report.outcome) {
    case LoadOutcome::loaded:
        break;
    case LoadOutcome::codesFailed:
        dump->notes.push_back("the reward codes cannot be read (the player says \"" + shown + "\"): none are written");
        break;
    case LoadOutcome::fallback:
        *error = "carries no quiz: the player would say \"" + shown + "\" and show its built-in example";
        return false;
    case LoadOutcome::contentBlockFailed:
    case LoadOutcome::quizFailed:
        *error = "its quiz cannot be read: the player would say \"" + shown + "\"";
        return false;
    }
    if (state.kind < 0 || state.kind > 3) {
        *error = "its quiz has kind " + std::to_string(state.kind) + ", which no quiz source can give";
        return false;
    }
    const int kind = state.kind;
    const int count = state.questionCount;
    const int mode = state.answerMode;
    const bool twoAnswers = state.answersPerQuestion == 2;

    std::string& s = dump->source;
    s += "# The quiz carried by " + origin + ", written back by vyrla-pack dump.\n";
    s += "kind = " + tomlString(kindNames[kind]) + "\n";
    s += "title = " + text(state.title) + "\n";
    s += "author = " + text(state.author) + "\n";
    s += "description = " + text(state.description) + "\n";
    if (state.answerCaption1[0] || state.answerCaption2[0]) {
        s += "captions = [" + text(state.answerCaption1) + ", " + text(state.answerCaption2) + "]\n";
    }
    s += "link = " + text(state.linkText) + "\n";
    s += "footer = " + text(state.footerText) + "\n";
    s += "mode = " + std::to_string(mode) + "\n";
    s += "colour = [" + std::to_string(state.red) + ", " + std::to_string(state.green) + ", " +
         std::to_string(state.blue) + "]\n";
    s += "answers = " + std::to_string(twoAnswers ? 2 : 1) + "\n";
    const bool scrambled = report.contentBlockUnscrambled || report.quizUnscrambled || report.codesUnscrambled;
    s += std::string("scramble = ") + (scrambled ? "true" : "false") + "\n";
    if (mode < 0 || mode > maxAnswerMode) {
        dump->notes.push_back("answer mode " + std::to_string(mode) + " is not 0 to 7: check refuses it");
    }

    int codeCount = report.outcome == LoadOutcome::loaded ? count : 0;
    while (codeCount > 0 && state.codes[codeCount - 1][0] == '\0') {
        --codeCount;
    }
    if (codeCount > 0) {
        s += "codes = [\n";
        for (int i = 0; i < codeCount; ++i) {
            s += "    " + text(state.codes[i]) + ",\n";
        }
        s += "]\n";
    }

    const int hintTexts = answerMode(mode).storedTexts;
    const std::vector<std::string> extras = hintTexts == 2 ? extraTexts(stored, report, state) : std::vector<std::string>{};
    const QuestionNode* node = state.head;
    for (int i = 0; i < count && node; ++i, node = node->next) {
        const int number = i + 1;
        s += "\n[[question]]\n";
        if (node->prompt[0] || kind == kindText) {
            s += "prompt = " + text(node->prompt) + "\n";
        }
        s += "answer = " + text(node->answer) + "\n";
        if (twoAnswers) {
            s += "second = " + text(node->secondAnswer) + "\n";
        }
        if (hintTexts > 0 && node->hint[0]) {
            s += "hint = " + text(node->hint) + "\n";
        }
        if (static_cast<size_t>(i) < extras.size() && !extras[i].empty()) {
            s += "extra = " + tomlString(extras[i]) + "\n";
        }
        if (kind == kindPicture) {
            std::vector<uint8_t> file;
            if (pictureFile(stored, firstPictureId + number, &file)) {
                const std::string path = questionFile("pics", number, "", pictureExtension(file));
                s += "picture = " + tomlString(path) + "\n";
                dump->files.push_back({path, std::move(file)});
            } else {
                dump->notes.push_back("question " + std::to_string(number) + " has no picture");
            }
            if (pictureFile(stored, firstSolvedPictureId + number, &file)) {
                const std::string path = questionFile("pics", number, "-solved", pictureExtension(file));
                s += "solved_picture = " + tomlString(path) + "\n";
                dump->files.push_back({path, std::move(file)});
            }
        } else if (kind == kindSound || kind == kindVideo) {
            if (const StoredMedia* clip = findMedia(stored, firstPictureId + number, false)) {
                const std::string path = questionFile("clips", number, "", clipExtension(clip->bytes));
                s += "clip = " + tomlString(path) + "\n";
                dump->files.push_back({path, clip->bytes});
            } else {
                dump->notes.push_back("question " + std::to_string(number) + " has no clip");
            }
        }
    }
    return true;
}
