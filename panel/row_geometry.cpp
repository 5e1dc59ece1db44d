#include "panel/row_geometry.h"

#include "quiz/quiz_state.h"
#include "quiz/stored_format.h"

TextRow textRow(int y) {
    return {
        {26, y + 2, 19, 17},
        {50, y, 550, 20},
        {610, y, 170, 20},
        {790, y, 100, 20},
    };
}

BandRow bandRow(int kind, int answers, int n, int y, int bandHeight, int w, int h) {
    BandRow row{};
    row.column = (n - 1) % 3;
    const int x = 290 * row.column + (answers == 2 ? 106 : 46);
    const int fieldWidth = kind == kindPicture ? 260 : 240;
    const int verdictWidth = fieldWidth;
    int extra = 0;
    int indent = 20;
    switch (kind) {
    case kindPicture:
        row.top = {x + (pictureBox - w) / 2, y + (bandHeight - h) / 2, w, h};
        extra = bandHeight + 10;
        indent = 0;
        break;
    case kindVideo:
        row.top = {x, y, pictureBox, videoHeight};
        extra = videoHeight + 10;
        break;
    default:  // sound: an invisible area that hosts the player
        row.top = {x, y, 0, 0};
        break;
    }
    const int a = y + extra;
    row.answerTop = a;
    row.captions[0] = {4, a + 2, 95, 20};
    row.captions[1] = {3, a + 22, 95, 20};
    row.number = {x - 28, a + 2, 27, 17};
    row.hint = {x, a + 46, 260, 65};
    if (answers == 2) {
        for (int k = 0; k < 2; ++k) {
            row.fields[k] = {x + indent, a + 19 * k, fieldWidth - 59, 20};
            row.verdicts[k] = {x + indent + fieldWidth - 60, a + 19 * k, 60, 20};
        }
    } else {
        row.fields[0] = {x + indent, a, fieldWidth, 20};
        row.verdicts[0] = {x + indent, a + 19, verdictWidth, 20};
    }
    row.play = {x, a, 20, 20};
    row.stop = {x, a + 20, 20, 19};
    return row;
}

int bandAnswerHeight(int answerMode) { return modeHasHintArea(answerMode) ? 140 : 60; }

int canvasRightMargin(int answers) { return answers == 2 ? 80 : 20; }
