// Where the controls of a question row go on the panel's canvas. Pure
// arithmetic, so it is tested without windows.
#pragma once

#include "panel/placement.h"

// Text quizzes: one row of 25 pixels per question, starting at y = 5.
constexpr int firstRowTop = 5;
constexpr int textRowHeight = 25;
constexpr int textCanvasWidth = 880;

struct TextRow {
    Placement number;
    Placement question;
    Placement field;
    Placement verdict;
};

TextRow textRow(int top);

// Picture, sound and video quizzes: three questions to a band.
constexpr int pictureBox = 260;
constexpr int bandCanvasWidth = 890;
constexpr int videoHeight = 200;

struct BandRow {
    int column;
    int answerTop;   // A: the top of the answer area
    Placement top;   // picture static or media area
    Placement number;
    Placement hint;
    Placement captions[2];  // only the first column, with two fields
    Placement fields[2];
    Placement verdicts[2];
    Placement play;
    Placement stop;
};

// Row of question n (from 1) in a band whose top is `bandTop`. For pictures,
// `bandHeight` is the tallest picture of the band and pictureWidth/Height the
// question's own (260 x 0 when it has none).
BandRow bandRow(int kind, int answersPerQuestion, int n, int bandTop, int bandHeight, int pictureWidth,
                int pictureHeight);

// Height added below a band's answer area: more when the hint statics exist.
int bandAnswerHeight(int answerMode);

// Width added to the canvas at the end: room for the captions with two fields.
int canvasRightMargin(int answersPerQuestion);
