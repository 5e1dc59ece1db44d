// The player's entry: one QuizState, one MainWindow with its two panels, one
// message loop, and an orderly shutdown.
#include <windows.h>

#include "shell/main_window.h"
#include "media/media_host.h"
#include "quiz/messages.h"
#include "quiz/quiz_platform.h"
#include "quiz/quiz_texts.h"
#include "shell/startup.h"

namespace {
constexpr char messageNoWindowClass[] = "Erreur dans la cr\xE9" "ation de la fen\xEAtre principale";
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    setMessageSink(messageBoxSink);
    if (!registerMainWindowClass(instance)) {
        showMessage(messageNoWindowClass, captionVyrla, messageOk | messageIconInformation);
        return 0;
    }
    footerBrush = CreateSolidBrush(RGB(212, 208, 200));
    static QuizState quiz;
    theQuiz = &quiz;
    constructQuizState(theQuiz);
    loadQuiz(theQuiz);
    const bool media = theQuiz->kind == kindSound || theQuiz->kind == kindVideo;
    if (media) startMediaHost();

    HWND window = openPlayerWindows(instance);
    const int code = runMessageLoop();

    DestroyWindow(static_cast<HWND>(theQuiz->headerPanel));
    theQuiz->headerPanel = nullptr;
    if (media) {
        DestroyWindow(window);
        stopMediaHost();
    }
    DeleteObject(footerBrush);
    destroyQuizState(theQuiz);
    return code;
}
