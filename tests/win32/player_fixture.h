// Drives the real player windows in process: loads a quiz packed by the
// build, opens MainWindow with both panels exactly as start-up does, and
// sends the messages that a user's keys and clicks produce.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "quiz/quiz_state.h"

struct ShownMessage {
    std::string text, caption;
    unsigned style;
};

// Message boxes, recorded instead of shown.
extern std::vector<ShownMessage> shownMessages;

// Records message boxes while it lives, for tests without the windows.
struct MessageRecorder {
    MessageRecorder();
    ~MessageRecorder();
};

std::string windowText(HWND window);
std::string fileBytes(const char* name);
void writeFileBytes(const char* name, const std::string& bytes);
bool isVisible(HWND window);
RECT placeInParent(HWND control);

// Expects the control at (x, y) in its parent's client area, w × h in size.
void expectAt(HWND control, int x, int y, int w, int h, int line);
#define EXPECT_AT(control, x, y, w, h) expectAt(control, x, y, w, h, __LINE__)

class PlayerWindows : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads tests/win32/data/NAME.toml as the build packed it, lets `adjust`
    // change the state, then opens the windows as the player does at start.
    void open(const char* name, void (*adjust)(QuizState*) = nullptr);
    // Closes as the close box does (the answers are saved).
    void close();
    // Closes, then opens a quiz afresh in the same test.
    void reopen(const char* name, void (*adjust)(QuizState*) = nullptr);

    // The controls of answer field f and of question n, by what they are.
    HWND control(int id) const { return GetDlgItem(panel, id); }
    HWND field(int f) const { return control(4000 + f); }
    HWND verdictStatic(int f) const { return control(5000 + f); }
    HWND numberLabel(int n) const { return control(2000 + n); }
    HWND playButton(int n) const { return control(6000 + n); }
    HWND stopButton(int n) const { return control(7000 + n); }
    HWND hintStatic(int n) const { return control(8000 + n); }
    HWND picture(int n) const { return control(9900 + n); }
    std::string verdict(int f) const { return windowText(control(5000 + f)); }
    std::string score() const { return windowText(GetDlgItem(header, 32)); }
    std::string code() const { return windowText(GetDlgItem(header, 30)); }

    // Typing: focus the field, select everything and type over it. Keys act
    // when released; Tab goes through the dialog handling, as the loop does.
    void type(int f, const char* text);
    void releaseKey(HWND target, WPARAM key);
    void answer(int f, const char* text) {
        type(f, text);
        releaseKey(field(f), VK_RETURN);
    }
    void tab();
    // Runs the posted messages, through the dialog handling as the loop does,
    // then, as idle turns would, decodes the waiting pictures one at a time.
    void pump();
    // Whether open() runs the messages that creating the windows posted.
    bool pumpOnOpen = true;

    QuizState quiz{};
    HWND window = nullptr, header = nullptr, panel = nullptr;
    std::string folder, progressName;
};
