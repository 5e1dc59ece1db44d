// The rows the question panel builds for each kind of quiz: a few spots that
// show the real controls stand where the layout puts them, visible or
// hidden, in Tab order and in the quiz's colours.
#include "panel/panel_ids.h"
#include "tests/win32/player_fixture.h"

namespace {

using PanelRows = PlayerWindows;

TEST_F(PanelRows, TextRows) {
    open("text3");
    EXPECT_AT(field(3), 610, 55, 170, 20);
    EXPECT_AT(verdictStatic(3), 790, 55, 100, 20);
    EXPECT_EQ(verdict(3), "?");
    EXPECT_EQ(windowText(control(idQuestionText)), "Capitale de la France");
    EXPECT_EQ(SendMessageA(field(1), EM_GETLIMITTEXT, 0, 0), 80);
    EXPECT_EQ(windowText(window), "Capitales");
    EXPECT_EQ(score(), " 0 / 3");
}

void modeZero(QuizState* quiz) { quiz->answerMode = 0; }

TEST_F(PanelRows, PictureBandsHaveHintsFromModeTwoAndCacher) {
    open("picture4");
    EXPECT_AT(picture(4), 46, 155, 260, 0);
    EXPECT_AT(hintStatic(4), 46, 211, 260, 65);
    EXPECT_AT(numberLabel(2), 308, 17, 27, 17);
    EXPECT_NE(GetDlgItem(header, 33), nullptr) << "a picture quiz has \"Cacher\"";
    reopen("picture4", modeZero);
    EXPECT_EQ(hintStatic(1), nullptr);
}

TEST_F(PanelRows, AHiddenSecondFieldHoldsItsDashWhateverWasSaved) {
    writeFileBytes(progressName.c_str(), "a\r\nb\r\nc\r\nd\r\n");
    open("pair4");
    EXPECT_AT(field(2), 106, 34, 201, 20);
    EXPECT_EQ(windowText(field(4)), "-");
    EXPECT_FALSE(isVisible(field(4)));
    EXPECT_FALSE(isVisible(verdictStatic(4)));
    EXPECT_EQ(verdict(4), "BRAVO");
    EXPECT_EQ(windowText(field(3)), "c");
    EXPECT_EQ(windowText(GetDlgItem(panel, 156)), "Nom");
}

TEST_F(PanelRows, SoundRowsHaveIconButtonsInTabOrderAndNoCacher) {
    open("sound3");
    EXPECT_AT(playButton(1), 46, 5, 20, 20);
    EXPECT_AT(stopButton(3), 626, 25, 20, 19);
    EXPECT_EQ(GetDlgItem(header, 33), nullptr);
    EXPECT_NE(SendMessageA(playButton(1), BM_GETIMAGE, IMAGE_ICON, 0), 0);
    SetFocus(field(1));
    for (int id : {6001, 7001, 4002, 6002}) {
        tab();
        EXPECT_EQ(GetDlgCtrlID(GetFocus()), id);
    }
}

TEST_F(PanelRows, LabelsAreWhiteOnDarkColoursAndBlackOnLightOnes) {
    for (const char* name : {"picture4", "sound3"}) {  // red and green 60, then green 120
        reopen(name);
        HDC dc = GetDC(panel);
        const auto brush = SendMessageA(panel, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                        reinterpret_cast<LPARAM>(numberLabel(1)));
        EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), quiz.backgroundBrush) << name;
        EXPECT_EQ(GetTextColor(dc), name[0] == 'p' ? RGB(255, 255, 255) : RGB(0, 0, 0)) << name;
        ReleaseDC(panel, dc);
    }
}

}  // namespace
