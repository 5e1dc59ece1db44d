// The saved answers: written on close, F2 and "Sauver", restored and judged
// again at the next start, and never lost to a failed save.
#include "tests/win32/player_fixture.h"

namespace {

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

TEST_F(SavedAnswers, NextStartRestoresAndJudgesAgain) {
    writeFileBytes(progressName.c_str(), "Paris\r\nBearlim\r\n");
    open("text3");
    EXPECT_EQ(windowText(field(1)), "Paris");
    EXPECT_EQ(verdict(1), "BRAVO");
    EXPECT_EQ(verdict(2), "Presque");
    EXPECT_EQ(verdict(3), "?");
    EXPECT_EQ(score(), " 1 / 3");
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
