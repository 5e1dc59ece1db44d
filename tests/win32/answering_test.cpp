// Typing answers: verdicts and their colours, hints by answer mode, the
// score and reward code, F1, and the header's link.
#include "panel/panel_ids.h"
#include "tests/win32/player_fixture.h"

namespace {

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

TEST_F(Answering, OnlyAClickOnTheLinkOpensExactlyItsText) {
    open("text3");
    HWND link = GetDlgItem(header, 24);
    SendMessageA(header, WM_COMMAND, MAKEWPARAM(24, STN_CLICKED), reinterpret_cast<LPARAM>(link));
    SendMessageA(header, WM_COMMAND, MAKEWPARAM(29, STN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(header, 29)));
    SendMessageA(header, WM_COMMAND, MAKEWPARAM(24, STN_DBLCLK), reinterpret_cast<LPARAM>(link));
    EXPECT_EQ(openedLinks, std::vector<std::string>{"https://example.org"});
}

}  // namespace
