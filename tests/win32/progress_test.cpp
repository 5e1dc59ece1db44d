// The saved answers: written on close, F2 and "Sauver", restored and judged
// again at the next start, and never lost to a failed save.
#include "tests/win32/player_fixture.h"

namespace {

using SavedAnswers = PlayerWindows;

TEST_F(SavedAnswers, CloseWritesOneLinePerField) {
    open("text3");
    type(1, "Paris");
    type(3, "Rome");
    close();
    EXPECT_EQ(fileBytes(progressName.c_str()), "Paris\r\n\r\nRome\r\n");
    EXPECT_TRUE(shownMessages.empty());
}

TEST_F(SavedAnswers, NextStartRestoresAndJudgesAgain) {
    writeFileBytes(progressName.c_str(), "Paris\r\nBearlim\r\n");
    open("text3");
    EXPECT_EQ(windowText(field(1)), "Paris");
    EXPECT_EQ(verdict(1), "BRAVO");
    EXPECT_EQ(verdict(2), "Presque");
    EXPECT_EQ(verdict(3), "?");
    EXPECT_EQ(score(), " 1 / 3");
    EXPECT_EQ(code(), "UN");
}

TEST_F(SavedAnswers, F2AndSauverSaveNow) {
    open("text3");
    type(2, "Berlin");
    releaseKey(field(2), VK_F2);
    EXPECT_EQ(fileBytes(progressName.c_str()), "\r\nBerlin\r\n\r\n");
    EXPECT_EQ(GetFocus(), field(2));
    type(1, "Lyon");
    SendMessageA(GetDlgItem(header, 27), BM_CLICK, 0, 0);
    pump();
    EXPECT_EQ(fileBytes(progressName.c_str()), "Lyon\r\nBerlin\r\n\r\n");
}

TEST_F(SavedAnswers, TwoFieldsAndTheHiddenOneAreSavedInFieldOrder) {
    open("pair4");
    type(1, "Seine");
    type(2, "France");
    close();
    EXPECT_EQ(fileBytes(progressName.c_str()), "Seine\r\nFrance\r\n\r\n-\r\n\r\n\r\n\r\n\r\n");
}

TEST_F(SavedAnswers, AFailedSaveKeepsTheOldFileAndSaysSo) {
    writeFileBytes(progressName.c_str(), "Paris\r\n\r\n\r\n");
    open("text3");
    type(1, "autre chose");
    // Nothing can be written beside the file: its replacement cannot be made.
    CreateDirectoryA((progressName + ".tmp").c_str(), nullptr);
    releaseKey(field(1), VK_F2);
    EXPECT_EQ(fileBytes(progressName.c_str()), "Paris\r\n\r\n\r\n");
    ASSERT_EQ(shownMessages.size(), 1u);
    EXPECT_EQ(shownMessages[0].caption, "Vyrla");
    EXPECT_EQ(shownMessages[0].text, "Erreur dans la sauvegarde des r\xE9ponses");
    RemoveDirectoryA((progressName + ".tmp").c_str());
}

TEST_F(SavedAnswers, AFileInUseIsNotReplacedAndTheFailureIsReported) {
    writeFileBytes(progressName.c_str(), "Paris\r\n\r\n\r\n");
    open("text3");
    type(1, "autre chose");
    HANDLE held = CreateFileA(progressName.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    close();
    CloseHandle(held);
    EXPECT_EQ(fileBytes(progressName.c_str()), "Paris\r\n\r\n\r\n");
    EXPECT_EQ(shownMessages.size(), 1u);
    EXPECT_EQ(fileBytes((progressName + ".tmp").c_str()), "") << "no temporary file is left behind";
}

TEST_F(SavedAnswers, ASaveAfterThePanelIsGoneKeepsTheAnswers) {
    open("text3");
    type(1, "Paris");
    // Alt+F4 twice, and a "Sauver" click queued behind the first close.
    PostMessageA(GetDlgItem(header, 27), BM_CLICK, 0, 0);
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(fileBytes(progressName.c_str()), "Paris\r\n\r\n\r\n");
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
