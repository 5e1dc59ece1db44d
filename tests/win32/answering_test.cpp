// Typing answers: verdicts and their colours, hint statics by answer mode,
// the score and reward code, F1 and F2.
#include "panel/panel_ids.h"
#include "tests/win32/player_fixture.h"

namespace {

using Answering = PlayerWindows;

HBRUSH verdictBrush(HWND panel, HWND verdict) {
    HDC dc = GetDC(panel);
    const auto brush = SendMessageA(panel, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                    reinterpret_cast<LPARAM>(verdict));
    ReleaseDC(panel, dc);
    return reinterpret_cast<HBRUSH>(brush);
}

TEST_F(Answering, ReleasingEnterJudgesAndColoursTheVerdict) {
    open("text3");
    const HBRUSH ours[] = {static_cast<HBRUSH>(quiz.failBrush), static_cast<HBRUSH>(quiz.hintBrush),
                           static_cast<HBRUSH>(quiz.anagramBrush), static_cast<HBRUSH>(quiz.backgroundBrush)};
    for (HBRUSH brush : ours) EXPECT_NE(verdictBrush(panel, verdictStatic(1)), brush) << "\"?\" keeps the default colours";
    answer(1, "Lyon");
    EXPECT_EQ(verdict(1), "FAUX");
    EXPECT_EQ(verdictBrush(panel, verdictStatic(1)), quiz.failBrush);
    answer(1, "pari");
    EXPECT_EQ(verdict(1), "Quasiment");
    EXPECT_EQ(verdictBrush(panel, verdictStatic(1)), quiz.hintBrush);
    answer(1, "  paris ");
    EXPECT_EQ(verdict(1), "BRAVO");
    HBRUSH bravo = verdictBrush(panel, verdictStatic(1));
    EXPECT_NE(bravo, nullptr);
    LOGBRUSH colour{};
    GetObjectA(bravo, sizeof colour, &colour);
    EXPECT_EQ(colour.lbColor, RGB(0, 255, 0));
    answer(2, "Blerin");
    EXPECT_EQ(verdict(2), "Anagramme");
    EXPECT_EQ(verdictBrush(panel, verdictStatic(2)), quiz.anagramBrush);
    EXPECT_EQ(verdictBrush(panel, control(idQuestionText)), quiz.promptBrush);
    // The typed text itself is never changed by judging.
    EXPECT_EQ(windowText(field(1)), "  paris ");
    answer(1, "");
    EXPECT_EQ(verdict(1), "?");
}

TEST_F(Answering, EnterIsNeitherInsertedNorPassedOn) {
    open("text3");
    type(3, "Rome");
    HWND edit = field(3);
    EXPECT_EQ(SendMessageA(edit, WM_CHAR, 13, 1), 0);
    EXPECT_EQ(SendMessageA(edit, WM_KEYUP, VK_RETURN, 0xC0000001), 1);
    EXPECT_EQ(windowText(edit), "Rome");
    EXPECT_EQ(verdict(3), "BRAVO");
    EXPECT_EQ(GetFocus(), edit);
}

TEST_F(Answering, LeavingAFieldJudgesIt) {
    open("text3");
    type(2, "Berlin");
    EXPECT_EQ(verdict(2), "?");
    SetFocus(field(3));
    EXPECT_EQ(verdict(2), "BRAVO");
}

TEST_F(Answering, ScoreAndRewardCodeFollowTheVerdicts) {
    open("text3");
    answer(3, "Rome");
    EXPECT_EQ(score(), " 1 / 3");
    EXPECT_EQ(code(), "UN");
    answer(1, "Paris");
    EXPECT_EQ(score(), " 2 / 3");
    EXPECT_EQ(code(), "DEUX");
    answer(3, "Rom");
    EXPECT_EQ(score(), " 1 / 3");
    EXPECT_EQ(code(), "UN");
    answer(1, "x");
    EXPECT_EQ(score(), " 0 / 3");
    EXPECT_EQ(code(), "      ");
}

TEST_F(Answering, TwoFieldsSolveAQuestionTogether) {
    open("pair4");
    answer(1, "Seine");
    EXPECT_EQ(verdict(1), "BRAVO");
    EXPECT_EQ(score(), " 0 / 4") << "question 2's hidden field is right, its first is not";
    EXPECT_EQ(quiz.head->solved, 0);
    answer(2, "France");
    EXPECT_EQ(quiz.head->solved, 1);
    EXPECT_EQ(score(), " 1 / 4");
    answer(3, "Tamise");
    EXPECT_EQ(score(), " 2 / 4");
    EXPECT_EQ(code(), "P2");
}

void setMode(QuizState* quiz, int mode) { quiz->answerMode = mode; }
void mode2(QuizState* q) { setMode(q, 2); }
void mode4(QuizState* q) { setMode(q, 4); }
void mode5(QuizState* q) { setMode(q, 5); }
void mode7(QuizState* q) { setMode(q, 7); }

TEST_F(Answering, ModeTwoShowsTheHintOfASolvedQuestion) {
    open("picture4", mode2);
    HWND hint = hintStatic(1);
    EXPECT_FALSE(isVisible(hint));
    EXPECT_EQ(windowText(hint), "indice un");
    answer(1, "rouge vif");
    EXPECT_TRUE(isVisible(hint));
    answer(1, "rouge");
    EXPECT_FALSE(isVisible(hint));
}

TEST_F(Answering, ModeFourShowsEveryHintOnceAllAreRight) {
    open("picture4", mode4);
    const char* answers[] = {"rouge vif", "bleu d'azur", "vert-de-gris! x", "noir"};
    for (int n = 1; n <= 4; ++n) {
        EXPECT_FALSE(isVisible(hintStatic(1))) << "before answer " << n;
        answer(n, answers[n - 1]);
    }
    for (int n = 1; n <= 4; ++n) EXPECT_TRUE(isVisible(hintStatic(n)));
    EXPECT_EQ(quiz.hintsRevealed, 1);
    answer(2, "bleu");
    EXPECT_FALSE(isVisible(hintStatic(2)));
    EXPECT_TRUE(isVisible(hintStatic(1)));
    EXPECT_EQ(quiz.hintsRevealed, 0);
    answer(2, "bleu d'azur");
    EXPECT_TRUE(isVisible(hintStatic(2)));
}

TEST_F(Answering, ModeFiveCountsWordsAndNeverHides) {
    open("picture4", mode5);
    EXPECT_EQ(windowText(hintStatic(1)), "en 2 mots");
    EXPECT_EQ(windowText(hintStatic(2)), "en 3 mots");
    EXPECT_EQ(windowText(hintStatic(3)), "en 3 mots") << "the character after \"!\" is no separator";
    EXPECT_EQ(windowText(hintStatic(4)), "en 1 mot");
    EXPECT_TRUE(isVisible(hintStatic(1)));
    answer(1, "faux");
    EXPECT_TRUE(isVisible(hintStatic(1)));
}

TEST_F(Answering, ModeSevenRewritesTheHintOfASolvedQuestion) {
    open("picture4", mode7);
    EXPECT_EQ(windowText(hintStatic(4)), "en 1 mot");
    answer(4, "noir");
    EXPECT_EQ(windowText(hintStatic(4)), "indice quatre");
    EXPECT_TRUE(isVisible(hintStatic(4)));
    answer(4, "blanc");
    EXPECT_FALSE(isVisible(hintStatic(4)));
}

TEST_F(Answering, F1TriesOneTextOnEveryUnsolvedField) {
    open("text3");
    answer(1, "Paris");
    answer(2, "Berlin");
    type(3, "Rome");
    releaseKey(field(3), VK_F1);
    EXPECT_EQ(windowText(field(1)), "Paris");
    EXPECT_EQ(windowText(field(2)), "Berlin");
    EXPECT_EQ(verdict(3), "BRAVO");
    EXPECT_EQ(GetFocus(), field(3));

    answer(1, "x");
    answer(3, "Rom");
    type(3, "Berlin");
    releaseKey(field(3), VK_F1);
    EXPECT_EQ(windowText(field(1)), "Berlin");
    EXPECT_EQ(verdict(1), "FAUX");
    EXPECT_EQ(verdict(2), "BRAVO");
    EXPECT_EQ(verdict(3), "FAUX");
}

TEST_F(Answering, F1WithAnEmptyFieldErasesNothing) {
    open("text3");
    type(1, "Lyon");
    type(2, "Bonn");
    type(3, "");
    releaseKey(field(3), VK_F1);
    EXPECT_EQ(windowText(field(1)), "Lyon");
    EXPECT_EQ(windowText(field(2)), "Bonn");
}

TEST_F(Answering, TheLinkOpensExactlyItsText) {
    open("text3");
    HWND link = GetDlgItem(header, 24);
    EXPECT_EQ(windowText(link), "https://example.org");
    SendMessageA(header, WM_COMMAND, MAKEWPARAM(24, STN_CLICKED), reinterpret_cast<LPARAM>(link));
    SendMessageA(header, WM_COMMAND, MAKEWPARAM(29, STN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(header, 29)));
    SendMessageA(header, WM_COMMAND, MAKEWPARAM(24, STN_DBLCLK), reinterpret_cast<LPARAM>(link));
    ASSERT_EQ(openedLinks.size(), 1u);
    EXPECT_EQ(openedLinks[0], "https://example.org");
}

}  // namespace
