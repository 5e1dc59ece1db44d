// Parsers of the three expanded contents. Each reads only within the bytes it
// is given and writes only within the fields it fills.
#pragma once

#include <cstddef>
#include <cstdint>

#include "quiz/quiz_state.h"

constexpr size_t contentBlockSize = 70;

// Link and footer texts from byte 2 of an expanded ContentBlock.
// Fails when the data ends before either closing "|".
bool parseContentBlock(const uint8_t* data, size_t produced, char (&linkText)[linkTextSize],
                       char (&footerText)[footerTextSize]);

struct ParsedQuestion {
    char answer[textSize];
    char secondAnswer[textSize];
    char prompt[textSize];
    char hint[textSize];
};

struct ParsedQuiz {
    int32_t kind;
    int32_t questionCount;
    int32_t answersPerQuestion;  // 1 or 2; any other stored value reads as 1
    char title[textSize];
    char author[textSize];
    char description[textSize];
    char answerCaption1[textSize];
    char answerCaption2[textSize];
    ParsedQuestion questions[maxQuestions];
    int32_t answerMode;
    int32_t red;
    int32_t green;
    int32_t blue;
};

// Fails when the data ends before a field it must hold, or declares more than
// 96 questions. Texts longer than their field are cut to it.
bool parseQuizResource(const uint8_t* data, size_t produced, ParsedQuiz* quiz);

// Takes exactly `questionCount` lines ended by CR LF. `data` must be readable
// up to `produced` + lzwOutputSlack bytes: a line may run into the three bytes
// past the produced data, as the stored quizzes expect.
void parseCodes(const uint8_t* data, size_t produced, int questionCount, char (*codes)[textSize]);
