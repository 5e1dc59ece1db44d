// The question panel as a user meets it: the rows each kind of quiz builds
// (a few spots that show the real controls stand where the layout puts them,
// visible or hidden, in Tab order and in the quiz's colours), typing answers
// (verdicts and their colours, hints by answer mode, the score and reward
// code, F1), and saving them (on close, F2 and "Sauver",
// never lost to a failed save).
#include "panel/panel_ids.h"
#include "tests/win32/player_fixture.h"

namespace {

using PanelRows = PlayerWindows;

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

using Answering = PlayerWindows;

COLORREF colourOf(HWND panel, HWND control) {
    HDC dc = GetDC(panel);
    const auto brush = SendMessageA(panel, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
    ReleaseDC(panel, dc);
    LOGBRUSH shown{};
    GetObjectA(reinterpret_cast<HBRUSH>(brush), sizeof shown, &shown);
    return shown.lbColor;
}

TEST_F(Answering, VerdictsTheirColoursTheScoreAndTheRewardCode) {
    open("text3");
    const COLORREF red = 0x0000FF, yellow = 0x26CBFF, orange = 0x0064FF, green = 0x00FF00;
    const char* none = "      ";
    const struct {
        int field;
        const char* typed;
        const char* verdict;
        COLORREF colour;
        const char* score;
        const char* code;
    } rows[] = {{1, "Lyon", "FAUX", red, " 0 / 3", none},       {1, "pari", "Quasiment", yellow, " 0 / 3", none},
                {2, "Blerin", "Anagramme", orange, " 0 / 3", none}, {3, "Rome", "BRAVO", green, " 1 / 3", "UN"},
                {1, "  paris ", "BRAVO", green, " 2 / 3", "DEUX"},  {3, "Paris", "FAUX", red, " 1 / 3", "UN"},
                {1, "x", "FAUX", red, " 0 / 3", none}};
    for (const auto& row : rows) {
        answer(row.field, row.typed);
        EXPECT_EQ(verdict(row.field), row.verdict) << row.typed;
        EXPECT_EQ(colourOf(panel, verdictStatic(row.field)), row.colour) << row.typed;
        EXPECT_EQ(windowText(field(row.field)), row.typed) << "judging never changes the typed text";
        EXPECT_EQ(score(), row.score) << row.typed;
        EXPECT_EQ(code(), row.code) << row.typed;
    }
    EXPECT_EQ(colourOf(panel, control(idQuestionText)), 0xC0FFFFu);
    EXPECT_EQ(SendMessageA(field(1), EM_GETLIMITTEXT, 0, 0), 80);
    EXPECT_EQ(windowText(window), "Capitales");
}

TEST_F(Answering, EnterIsNotInsertedAndLeavingAFieldJudgesIt) {
    open("text3");
    type(3, "Rome");
    EXPECT_EQ(SendMessageA(field(3), WM_CHAR, 13, 1), 0);
    EXPECT_EQ(windowText(field(3)), "Rome");
    type(2, "Berlin");
    EXPECT_EQ(verdict(2), "?");
    tab();
    EXPECT_EQ(GetFocus(), field(3));
    EXPECT_EQ(verdict(2), "BRAVO");
}

TEST_F(Answering, TwoFieldsSolveAQuestionTogether) {
    open("pair4");
    answer(1, "Seine");
    EXPECT_EQ(verdict(1), "BRAVO");
    EXPECT_EQ(score(), " 0 / 4") << "question 2's hidden field is right, its first is not";
    EXPECT_EQ(quiz.head->solved, 0);
    answer(2, "France");
    EXPECT_EQ(score(), " 1 / 4");
    answer(3, "Tamise");
    EXPECT_EQ(score(), " 2 / 4");
    EXPECT_EQ(code(), "P2");
}

void mode2(QuizState* q) { q->answerMode = 2; }
void mode4(QuizState* q) { q->answerMode = 4; }
void mode7(QuizState* q) { q->answerMode = 7; }

TEST_F(Answering, ModesTwoAndSevenShowTheHintOfASolvedQuestionOnly) {
    for (auto mode : {mode2, mode7}) {
        close();
        DeleteFileA(progressName.c_str());  // what the other mode saved
        reopen("picture4", mode);
        EXPECT_FALSE(mode == mode2 && isVisible(hintStatic(4)));
        answer(4, "noir");
        EXPECT_TRUE(isVisible(hintStatic(4)));
        EXPECT_EQ(windowText(hintStatic(4)), "indice quatre");
        answer(4, "blanc");
        EXPECT_FALSE(isVisible(hintStatic(4)));
    }
}

TEST_F(Answering, ModeFourShowsEveryHintOnceAllAreRight) {
    open("picture4", mode4);
    const char* answers[] = {"rouge vif", "bleu d'azur", "vert-de-gris! x", "noir"};
    for (int n = 1; n <= 4; ++n) {
        EXPECT_FALSE(isVisible(hintStatic(1))) << "before answer " << n;
        answer(n, answers[n - 1]);
    }
    for (int n = 1; n <= 4; ++n) EXPECT_TRUE(isVisible(hintStatic(n)));
    answer(2, "bleu");
    EXPECT_FALSE(isVisible(hintStatic(2)));
    EXPECT_TRUE(isVisible(hintStatic(1)));
    answer(2, "bleu d'azur");
    EXPECT_TRUE(isVisible(hintStatic(2)));
}

TEST_F(Answering, F1TriesOneTextOnEveryUnsolvedFieldButNeverAnEmptyOne) {
    open("text3");
    answer(1, "Paris");
    type(2, "Bonn");
    type(3, "");
    releaseKey(field(3), VK_F1);
    EXPECT_EQ(windowText(field(2)), "Bonn");
    type(3, "Berlin");
    releaseKey(field(3), VK_F1);
    EXPECT_EQ(windowText(field(1)), "Paris");
    EXPECT_EQ(windowText(field(2)), "Berlin");
    EXPECT_EQ(verdict(2), "BRAVO");
    EXPECT_EQ(verdict(3), "FAUX");
    EXPECT_EQ(GetFocus(), field(3));
}

using SavedAnswers = PlayerWindows;

TEST_F(SavedAnswers, F2SauverAndCloseWriteOneLinePerFieldInFieldOrder) {
    open("pair4");
    type(2, "France");
    releaseKey(field(2), VK_F2);
    EXPECT_EQ(fileBytes(progressName.c_str()), "\r\nFrance\r\n\r\n-\r\n\r\n\r\n\r\n\r\n") << "the hidden field too";
    EXPECT_EQ(GetFocus(), field(2));
    type(1, "Seine");
    SendMessageA(GetDlgItem(header, 27), BM_CLICK, 0, 0);
    pump();
    EXPECT_EQ(fileBytes(progressName.c_str()), "Seine\r\nFrance\r\n\r\n-\r\n\r\n\r\n\r\n\r\n");
    type(3, "Tamise");
    close();
    EXPECT_EQ(fileBytes(progressName.c_str()), "Seine\r\nFrance\r\nTamise\r\n-\r\n\r\n\r\n\r\n\r\n");
    EXPECT_TRUE(shownMessages.empty());
}

// Nothing can be written beside the file, or the file is held open: either
// way it keeps what it had, no temporary file is left, and the user is told.
TEST_F(SavedAnswers, AFailedSaveKeepsTheOldFileAndSaysSo) {
    for (bool heldOpen : {false, true}) {
        SCOPED_TRACE(heldOpen ? "held open" : "no room beside it");
        writeFileBytes(progressName.c_str(), "Paris\r\n\r\n\r\n");
        reopen("text3");
        type(1, "autre chose");
        const std::string temporary = progressName + ".tmp";
        if (!heldOpen) CreateDirectoryA(temporary.c_str(), nullptr);
        HANDLE held = heldOpen ? CreateFileA(progressName.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                               : INVALID_HANDLE_VALUE;
        close();
        CloseHandle(held);
        RemoveDirectoryA(temporary.c_str());
        EXPECT_EQ(fileBytes(progressName.c_str()), "Paris\r\n\r\n\r\n");
        EXPECT_EQ(GetFileAttributesA(temporary.c_str()), INVALID_FILE_ATTRIBUTES);
        ASSERT_EQ(shownMessages.size(), 1u);
        EXPECT_EQ(shownMessages[0].caption, "Vyrla");
        EXPECT_EQ(shownMessages[0].text, "Erreur dans la sauvegarde des r\xE9ponses");
    }
}

TEST_F(SavedAnswers, ASaveAfterThePanelIsGoneKeepsTheAnswers) {
    open("text3");
    type(1, "Paris");
    // Alt+F4 twice, and a "Sauver" click queued behind the first close.
    PostMessageA(GetDlgItem(header, 27), BM_CLICK, 0, 0);
    SendMessageA(window, WM_CLOSE, 0, 0);
    SendMessageA(window, WM_CLOSE, 0, 0);
    pump();
    EXPECT_EQ(fileBytes(progressName.c_str()), "Paris\r\n\r\n\r\n");
    EXPECT_TRUE(shownMessages.empty());
}

void notLoaded(QuizState* quiz) {
    // What a quiz whose contents could not be read leaves: no questions.
    freeQuestionList(quiz);
    quiz->questionCount = 0;
}

TEST_F(SavedAnswers, AQuizThatDidNotLoadKeepsEarlierAnswers) {
    writeFileBytes(progressName.c_str(), "Paris\r\nBerlin\r\n");
    open("text3", notLoaded);
    close();
    EXPECT_EQ(fileBytes(progressName.c_str()), "Paris\r\nBerlin\r\n");
    EXPECT_TRUE(shownMessages.empty());
}

}  // namespace
