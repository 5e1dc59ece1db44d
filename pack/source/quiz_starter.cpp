#include "pack/source/quiz_starter.h"

#include "pack/source/sample_media.h"
#include "quiz/stored_format.h"

namespace {


constexpr int pictureWidth = 80;
constexpr int pictureHeight = 60;
constexpr Rgb placeholderColours[3] = {{200, 60, 50}, {50, 110, 200}, {220, 160, 30}};

const char commonHeader[] = R"(#
#   vyrla-pack check quiz.toml              checks it and lists the answers
#   vyrla-pack build quiz.toml -o quiz.exe  makes the quiz executable
#
# Texts are UTF-8 here and stored in Windows-1252: accents, « », œ and € are
# fine; "|" and line breaks are not. The authors' guide (authoring.md)
# explains every key.

)";

const char commonKeys[] = R"(
# The window's caption and the header's title line (at most 259 characters).
title = "Mon premier quiz"
# Shown in the header, with the description under the title.
author = "Votre nom"
description = "Trouvez toutes les réponses. Les majuscules ne comptent pas, les accents si."
# A web address shown in the header (at most 24 characters); a click opens it.
link = "https://example.org"
# The line at the bottom of the window (at most 39 characters).
footer = "Bonne chance !"
# Background of the question list: [red, green, blue], each 0 to 255.
colour = [70, 110, 190]
# true stores the quiz scrambled, so that nobody reads the answers straight
# out of the executable.
scramble = true
# Reward codes: the first is shown once one question is solved, the second
# once two are, and so on; at most one per question.
codes = ["BRAVO", "SUPER", "GAGNÉ !"]
)";

const char textQuiz[] = R"(# A text quiz for Vyrla: every row shows a question and an answer field.
)" "%HEADER%" R"(kind = "text"
%KEYS%
# The answer mode, 0 to 7, says which extra texts a question has and what a
# right answer reveals (see the guide). 0: nothing more.
mode = 0

# One [[question]] table per row, in the order shown. Every key of the quiz
# itself goes above the first one.
[[question]]
prompt = "Capitale de la France"
# The expected answer, at most 80 characters. Spaces around what is typed and
# letter case are ignored; accents count.
answer = "Paris"

[[question]]
prompt = "Plus long fleuve de France"
answer = "Loire"

[[question]]
prompt = "Auteur des « Misérables »"
answer = "Victor Hugo"
)";

const char pictureQuiz[] = R"(# A picture quiz for Vyrla: every row shows a picture and an answer field,
# three pictures side by side.
)" "%HEADER%" R"(kind = "picture"
%KEYS%
# The answer mode, 0 to 7 (see the guide). 3: a right answer shows the hint
# under the picture and swaps in the solved picture; `extra` is stored with
# the quiz but not shown.
mode = 3
# For two answer fields per question, set answers = 2, give every question a
# `second` answer ("-" hides that question's second field) and name the fields:
# answers = 2
# captions = ["Chiffre", "En anglais"]

[[question]]
# The expected answer, at most 80 characters. Spaces around what is typed and
# letter case are ignored; accents count.
answer = "Un"
hint = "Le premier"
extra = "One"
# BMP, JPEG, GIF or PNG, relative to this file; shown scaled into 260 x 260.
# These placeholders show digits: put your own pictures in their place.
picture = "pics/question-1.bmp"
# Shown in place of the picture once the question is solved (modes 1 and 3).
solved_picture = "pics/question-1-solved.bmp"

[[question]]
answer = "Deux"
hint = "Le deuxième"
extra = "Two"
picture = "pics/question-2.bmp"
solved_picture = "pics/question-2-solved.bmp"

[[question]]
answer = "Trois"
hint = "Le troisième"
extra = "Three"
picture = "pics/question-3.bmp"
solved_picture = "pics/question-3-solved.bmp"
)";

const char soundQuiz[] = R"(# A sound quiz for Vyrla: every row has play and stop buttons and an answer
# field, three rows side by side.
)" "%HEADER%" R"(kind = "sound"
%KEYS%
# The answer mode, 0 to 7 (see the guide). 2: a right answer shows the hint
# under the player.
mode = 2

[[question]]
# The expected answer, at most 80 characters. Spaces around what is typed and
# letter case are ignored; accents count.
answer = "Do"
hint = "262 Hz"
# The sound file, played as it is: WAV, MP3, MIDI or WMA. These placeholders
# are short tones: put your own clips in their place.
clip = "clips/question-1.wav"

[[question]]
answer = "Mi"
hint = "330 Hz"
clip = "clips/question-2.wav"

[[question]]
answer = "Sol"
hint = "392 Hz"
clip = "clips/question-3.wav"
)";

const char videoQuiz[] = R"(# A video quiz for Vyrla: every row has a video with play and stop buttons
# and an answer field, three rows side by side.
)" "%HEADER%" R"(kind = "video"
%KEYS%
# The answer mode, 0 to 7 (see the guide). 0: nothing more.
mode = 0

[[question]]
# The expected answer, at most 80 characters. Spaces around what is typed and
# letter case are ignored; accents count.
answer = "Trois"
# The video file, played as it is: AVI, WMV or MPEG. These placeholders count
# three digits: which one comes last? Put your own clips in their place.
clip = "clips/question-1.avi"

[[question]]
answer = "Six"
clip = "clips/question-2.avi"

[[question]]
answer = "Neuf"
clip = "clips/question-3.avi"
)";

std::string replaced(std::string text, const std::string& marker, const std::string& by) {
    const size_t at = text.find(marker);
    if (at != std::string::npos) {
        text.replace(at, marker.size(), by);
    }
    return text;
}

std::vector<uint8_t> bytesOf(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

}  // namespace


std::vector<FileContents> starterQuiz(int kind) {
    static const char* const sources[] = {textQuiz, pictureQuiz, soundQuiz, videoQuiz};
    if (kind < 0 || kind > 3) {
        return {};
    }
    const std::string source = replaced(replaced(sources[kind], "%HEADER%", commonHeader), "%KEYS%", commonKeys);
    std::vector<FileContents> files = {{"quiz.toml", bytesOf(source)}};
    for (int i = 0; i < 3; ++i) {
        const std::string number = std::to_string(i + 1);
        const Rgb colour = placeholderColours[i];
        if (kind == 1) {
            files.push_back({"pics/question-" + number + ".bmp",
                             sampleBitmap(pictureWidth, pictureHeight, colour, i + 1, false)});
            files.push_back({"pics/question-" + number + "-solved.bmp",
                             sampleBitmap(pictureWidth, pictureHeight, colour, i + 1, true)});
        } else if (kind == 2) {
            static const int notes[3] = {262, 330, 392};
            files.push_back({"clips/question-" + number + ".wav", sampleWave(notes[i], 600)});
        } else if (kind == 3) {
            files.push_back({"clips/question-" + number + ".avi",
                             sampleVideo(pictureWidth, pictureHeight, colour, 3 * i + 1, 3)});
        }
    }
    return files;
}
