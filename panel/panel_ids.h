// Control ids of the question rows: a fixed base per kind of control, plus
// the question number n or the answer field number f (both from 1).
#pragma once

enum PanelControlBase {
    idAnswerCaption = 156,
    idNumberBase = 2000,    // + n; every row of a text quiz uses 2000 itself
    idQuestionText = 3000,  // every row of a text quiz
    idFieldBase = 4000,     // + f
    idVerdictBase = 5000,   // + f: always the field's id + 1000
    idPlayBase = 6000,      // + n
    idStopBase = 7000,      // + n
    idHintBase = 8000,      // + n
    idPictureBase = 9900,   // + n: picture static or media area
};

constexpr int verdictOffset = idVerdictBase - idFieldBase;
