#include <windows.h>

#include "messages.h"
#include "quiz_platform.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    setMessageSink(messageBoxSink);
    static QuizState quiz;
    theQuiz = &quiz;
    constructQuizState(theQuiz);
    loadQuiz(theQuiz);
    // The windows come with the shell; for now the player stops once its quiz is loaded.
    destroyQuizState(theQuiz);
    return 0;
}
