// The rows the question panel builds: ids, places, visibility, Tab order and
// the canvas size, for each kind of quiz.
#include "panel/panel_ids.h"
#include "tests/win32/player_fixture.h"

namespace {

using PanelRows = PlayerWindows;

TEST_F(PanelRows, TextQuizOfThreeQuestions) {
    open("text3");
    EXPECT_EQ(quiz.contentWidth, 900);
    EXPECT_EQ(quiz.contentHeight, 80);
    const int tops[] = {5, 30, 55};
    for (int n = 1; n <= 3; ++n) {
        EXPECT_AT(field(n), 610, tops[n - 1], 170, 20);
        EXPECT_AT(verdictStatic(n), 790, tops[n - 1], 100, 20);
        EXPECT_EQ(verdict(n), "?");
    }
    // Every row's label and text share one id; the first of each is found.
    EXPECT_AT(control(idNumberBase), 26, 7, 19, 17);
    EXPECT_EQ(windowText(control(idNumberBase)), "1.");
    EXPECT_EQ(windowText(control(idQuestionText)), "Capitale de la France");
    EXPECT_EQ(SendMessageA(field(1), EM_GETLIMITTEXT, 0, 0), 80);
    EXPECT_EQ(windowText(window), "Capitales");
    EXPECT_EQ(score(), " 0 / 3");
}

TEST_F(PanelRows, PictureBandsWithoutPictures) {
    open("picture4");
    // No picture loads yet: every picture static is 260 x 0 and the answer
    // areas start 10 pixels below their band.
    const int x[] = {46, 336, 626, 46};
    const int top[] = {15, 15, 15, 165};
    for (int n = 1; n <= 4; ++n) {
        EXPECT_AT(picture(n), x[n - 1], top[n - 1] - 10, 260, 0);
        EXPECT_AT(field(n), x[n - 1], top[n - 1], 260, 20);
        EXPECT_AT(verdictStatic(n), x[n - 1], top[n - 1] + 19, 260, 20);
        EXPECT_AT(hintStatic(n), x[n - 1], top[n - 1] + 46, 260, 65);
        EXPECT_AT(numberLabel(n), x[n - 1] - 28, top[n - 1] + 2, 27, 17);
    }
    EXPECT_EQ(quiz.bandHeight[0], 0);
    EXPECT_EQ(quiz.contentWidth, 910);
    EXPECT_EQ(quiz.contentHeight, 165 + 140);
    EXPECT_NE(GetDlgItem(header, 33), nullptr) << "a picture quiz has \"Cacher\"";
}

void modeZero(QuizState* quiz) { quiz->answerMode = 0; }

TEST_F(PanelRows, NoHintStaticsBelowModeTwo) {
    open("picture4", modeZero);
    EXPECT_EQ(hintStatic(1), nullptr);
    EXPECT_EQ(quiz.contentHeight, 85 + 60);
}

TEST_F(PanelRows, TwoFieldsWithCaptionsAndAHiddenSecondField) {
    writeFileBytes(progressName.c_str(), "a\r\nb\r\nc\r\nd\r\n");
    open("pair4");
    EXPECT_AT(field(1), 106, 15, 201, 20);
    EXPECT_AT(field(2), 106, 34, 201, 20);
    EXPECT_AT(verdictStatic(1), 306, 15, 60, 20);
    EXPECT_AT(field(3), 396, 15, 201, 20);
    EXPECT_EQ(quiz.contentWidth, 970);
    // Question 2's second field expects "-": it holds "-" whatever was saved,
    // and it and its verdict are hidden, already right.
    EXPECT_EQ(windowText(field(4)), "-");
    EXPECT_FALSE(isVisible(field(4)));
    EXPECT_FALSE(isVisible(verdictStatic(4)));
    EXPECT_EQ(verdict(4), "BRAVO");
    EXPECT_EQ(windowText(field(3)), "c");
    HWND caption = GetDlgItem(panel, 156);
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(windowText(caption), "Nom");
    EXPECT_EQ(GetDlgItem(header, 27) != nullptr, true);
}

TEST_F(PanelRows, SoundRowsHaveButtonsAndNoCacher) {
    open("sound3");
    EXPECT_AT(picture(1), 46, 5, 0, 0);
    EXPECT_AT(field(1), 66, 5, 240, 20);
    EXPECT_AT(playButton(1), 46, 5, 20, 20);
    EXPECT_AT(stopButton(3), 626, 25, 20, 19);
    EXPECT_EQ(GetDlgItem(header, 33), nullptr);
    EXPECT_NE(SendMessageA(playButton(1), BM_GETIMAGE, IMAGE_ICON, 0), 0);
}

TEST_F(PanelRows, TabFollowsCreationOrder) {
    open("sound3");
    SetFocus(field(1));
    const int order[] = {6001, 7001, 4002, 6002, 7002, 4003};
    for (int id : order) {
        MSG tab{GetFocus(), WM_KEYDOWN, VK_TAB, 1, 0, {0, 0}};
        IsDialogMessageA(panel, &tab);
        pump();
        EXPECT_EQ(GetDlgCtrlID(GetFocus()), id);
    }
}

TEST_F(PanelRows, TabLeavingAFieldJudgesIt) {
    open("text3");
    type(1, "pari");
    MSG tab{GetFocus(), WM_KEYDOWN, VK_TAB, 1, 0, {0, 0}};
    IsDialogMessageA(panel, &tab);
    pump();
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), 4002);
    EXPECT_EQ(verdict(1), "Quasiment");
}

TEST_F(PanelRows, LabelColoursFollowTheQuizColour) {
    open("picture4");  // red 60, green 60: white labels
    HDC dc = GetDC(panel);
    SetTextColor(dc, RGB(1, 2, 3));
    const auto brush = SendMessageA(panel, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                    reinterpret_cast<LPARAM>(numberLabel(1)));
    EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), quiz.backgroundBrush);
    EXPECT_EQ(GetTextColor(dc), RGB(255, 255, 255));
    ReleaseDC(panel, dc);
}

}  // namespace
