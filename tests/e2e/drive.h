// What every end-to-end driver does to the real player from outside, as a
// person would: start it and find its windows, click with the real mouse,
// type with the real keyboard, read texts back, close it, and count checks.
#pragma once

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace drive {

inline int passed = 0;
inline int failed = 0;

inline void check(bool ok, const std::string& what, const std::string& got = "") {
    ++(ok ? passed : failed);
    std::printf("%s: %s%s%s\n", ok ? "ok" : "FAILED", what.c_str(), ok || got.empty() ? "" : " -> got ",
                ok ? "" : got.c_str());
    std::fflush(stdout);
}

// The closing line the test scripts look for.
inline int summary() {
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}

struct Player {
    PROCESS_INFORMATION process{};
    HWND window = nullptr;
    HWND header = nullptr;
    HWND panel = nullptr;
};

inline std::string text(HWND control) {
    char buffer[300] = "";
    SendMessageA(control, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

// The panel that holds a given control id among MainWindow's children.
inline HWND childHolding(HWND window, int id) {
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetDlgItem(child, id)) return child;
    }
    return nullptr;
}

struct Search {
    DWORD processId;
    HWND found;
};

inline BOOL CALLBACK findMainWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char name[32] = "";
    GetClassNameA(window, name, sizeof name);
    if (owner == search->processId && std::string(name) == "Vyrla" && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// Starts the player and waits until MainWindow shows both panels.
inline bool start(const std::string& exe, Player* player) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string command = "\"" + exe + "\"";
    if (!CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &player->process)) {
        return false;
    }
    WaitForInputIdle(player->process.hProcess, 20000);
    for (int i = 0; i < 200 && !player->panel; ++i) {
        Search search{player->process.dwProcessId, nullptr};
        EnumWindows(findMainWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            player->window = search.found;
            player->panel = childHolding(search.found, 4001);
            player->header = childHolding(search.found, 32);
        }
        if (!player->panel) Sleep(100);
    }
    return player->panel != nullptr;
}

// Closes as the close box does and waits for the process to end.
inline bool stop(Player* player) {
    PostMessageA(player->window, WM_CLOSE, 0, 0);
    const bool ended = WaitForSingleObject(player->process.hProcess, 20000) == WAIT_OBJECT_0;
    CloseHandle(player->process.hThread);
    CloseHandle(player->process.hProcess);
    return ended;
}

inline void settle() { Sleep(300); }

// Puts the mouse on the control and waits until the pointer is there, so the
// press never lands where the pointer was before; then clicks.
inline void click(HWND control) {
    RECT place;
    GetWindowRect(control, &place);
    const POINT target{(place.left + place.right) / 2, (place.top + place.bottom) / 2};
    for (int i = 0; i < 20; ++i) {
        SetCursorPos(target.x, target.y);
        Sleep(50);
        POINT at{};
        GetCursorPos(&at);
        if (at.x == target.x && at.y == target.y) break;
    }
    INPUT press{};
    press.type = INPUT_MOUSE;
    press.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &press, sizeof press);
    Sleep(50);
    press.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &press, sizeof press);
    settle();
}

inline void sendKey(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

inline void sendCharacter(wchar_t c) {
    INPUT inputs[2]{};
    for (int i = 0; i < 2; ++i) {
        inputs[i].type = INPUT_KEYBOARD;
        inputs[i].ki.wScan = c;
        inputs[i].ki.dwFlags = KEYEVENTF_UNICODE | (i ? KEYEVENTF_KEYUP : 0);
    }
    SendInput(2, inputs, sizeof inputs[0]);
}

// Clicks into the field, selects what it holds and types over it, then
// presses and releases Enter.
inline void typeAnswer(const Player& player, int field, const wchar_t* answer) {
    click(GetDlgItem(player.panel, 4000 + field));
    sendKey(VK_CONTROL, false);
    sendKey('A', false);
    sendKey('A', true);
    sendKey(VK_CONTROL, true);
    sendKey(VK_DELETE, false);
    sendKey(VK_DELETE, true);
    for (const wchar_t* c = answer; *c; ++c) sendCharacter(*c);
    sendKey(VK_RETURN, false);
    sendKey(VK_RETURN, true);
    settle();
}

inline std::string fileBytes(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The answers file of a player executable, in the working directory.
inline std::string progressName(const std::string& exe) {
    const std::string name = exe.substr(0, exe.size() - 3) + "txt";
    return name.substr(name.find_last_of("\\/") + 1);
}

// Hands over to the script outside for a screenshot: writes the marker NAME
// into the folder and waits until the script answers with NAME.done.
inline void waitForShot(const std::string& markers, const std::string& name = "ready") {
    if (markers.empty()) return;
    std::ofstream(markers + "\\" + name) << name;
    const std::string done = markers + "\\" + (name == "ready" ? std::string("shot") : name + ".done");
    for (int i = 0; i < 300; ++i) {
        if (GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES) return;
        Sleep(100);
    }
}

}  // namespace drive
