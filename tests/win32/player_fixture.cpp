#include "tests/win32/player_fixture.h"

#include "panel/row_pictures.h"

#include <fstream>
#include <iterator>

#include "panel/progress_file.h"
#include "panel/row_pictures.h"
#include "quiz/messages.h"
#include "quiz/quiz_loader.h"
#include "quiz/quiz_platform.h"
#include "shell/link_open.h"
#include "shell/main_window.h"
#include "shell/startup.h"

std::vector<ShownMessage> shownMessages;

namespace {

void recordMessage(const char* text, const char* caption, unsigned style) {
    shownMessages.push_back({text, caption, style});
}

std::string readPacked(const char* name, const char* file) {
    const std::string path = std::string(VYRLA_PACKED_DIR) + "/" + name + ".quiz/" + file;
    return fileBytes(path.c_str());
}

}  // namespace

MessageRecorder::MessageRecorder() {
    shownMessages.clear();
    setMessageSink(recordMessage);
}

MessageRecorder::~MessageRecorder() { setMessageSink(nullptr); }

std::string windowText(HWND window) {
    char text[300] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string fileBytes(const char* name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFileBytes(const char* name, const std::string& bytes) { std::ofstream(name, std::ios::binary) << bytes; }

bool isVisible(HWND window) { return (GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE) != 0; }

RECT placeInParent(HWND control) {
    RECT place;
    GetWindowRect(control, &place);
    MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&place), 2);
    return place;
}

void expectAt(HWND control, int x, int y, int w, int h, int line) {
    const RECT r = placeInParent(control);
    EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right - r.left, r.bottom - r.top}), (std::vector<LONG>{x, y, w, h}))
        << "x, y, width, height of control " << GetDlgCtrlID(control) << ", from line " << line;
}

void PlayerWindows::SetUp() {
    char temp[MAX_PATH], unique[MAX_PATH], name[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    GetTempFileNameA(temp, "vyr", 0, unique);  // a fresh working folder
    DeleteFileA(unique);
    CreateDirectoryA(unique, nullptr);
    SetCurrentDirectoryA((folder = unique).c_str());
    currentProgressFileName(name, sizeof name);
    progressName = name;
    shownMessages.clear();
    setMessageSink(recordMessage);
    setLinkOpener([](const char*) {});  // no browser opens during the tests
    static bool registered = registerMainWindowClass(GetModuleHandleA(nullptr));
    (void)registered;
    if (!footerBrush) footerBrush = CreateSolidBrush(RGB(212, 208, 200));
}

void PlayerWindows::open(const char* name, void (*adjust)(QuizState*)) {
    theQuiz = &quiz;
    constructQuizState(&quiz);
    const std::string block = readPacked(name, "content.bin");
    const std::string patch104 = readPacked(name, "patch104.bin");
    const std::string patch105 = readPacked(name, "patch105.bin");
    const StoredContents contents{reinterpret_cast<const uint8_t*>(block.data()),
                                  reinterpret_cast<const uint8_t*>(patch104.data()), patch104.size(),
                                  reinterpret_cast<const uint8_t*>(patch105.data()), patch105.size()};
    if (loadQuizContents(&quiz, contents).colourChanged) {
        DeleteObject(static_cast<HBRUSH>(quiz.backgroundBrush));
        quiz.backgroundBrush = CreateSolidBrush(quiz.color);
    }
    if (adjust) adjust(&quiz);
    window = openPlayerWindows(GetModuleHandleA(nullptr));
    header = static_cast<HWND>(quiz.headerPanel);
    panel = static_cast<HWND>(quiz.questionPanel);
    SetForegroundWindow(window);
    if (pumpOnOpen) pump();
}

void PlayerWindows::close() {
    if (!window) return;
    SendMessageA(window, WM_CLOSE, 0, 0);
    DestroyWindow(header);
    DestroyWindow(window);
    quiz.headerPanel = nullptr;
    window = header = panel = nullptr;
    for (MSG message; PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);) {
    }
}

void PlayerWindows::reopen(const char* name, void (*adjust)(QuizState*)) {
    close();
    if (theQuiz == &quiz) destroyQuizState(&quiz);
    shownMessages.clear();
    open(name, adjust);
}

void PlayerWindows::TearDown() {
    close();
    if (theQuiz == &quiz) destroyQuizState(&quiz);
    theQuiz = nullptr;
    setMessageSink(nullptr);
    setLinkOpener(nullptr);
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    SetCurrentDirectoryA(temp);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found)) {
        DeleteFileA((folder + "\\" + found.cFileName).c_str());
    }
    FindClose(search);
    RemoveDirectoryA(folder.c_str());
}

void PlayerWindows::type(int f, const char* text) {
    SetFocus(field(f));
    SendMessageA(field(f), EM_SETSEL, 0, -1);
    SendMessageA(field(f), WM_CHAR, VK_BACK, 1);
    for (const char* c = text; *c; ++c) SendMessageA(field(f), WM_CHAR, static_cast<unsigned char>(*c), 1);
    pump();
}

void PlayerWindows::releaseKey(HWND target, WPARAM key) {
    SendMessageA(target, WM_KEYUP, key, 0xC0000001);
    pump();
}

void PlayerWindows::tab() {
    MSG message{GetFocus(), WM_KEYDOWN, VK_TAB, 1, 0, {0, 0}};
    IsDialogMessageA(panel, &message);
    pump();
}

void PlayerWindows::pump() {
    for (bool decoded = true; decoded;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) continue;
            if (panel && IsDialogMessageA(panel, &message)) continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        // The picture timer's tick, without waiting the timer's interval.
        decoded = panel && IsWindow(panel) && decodeNextPicture(&quiz, panel);
    }
}
