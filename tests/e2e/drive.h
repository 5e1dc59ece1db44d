// What every end-to-end driver does to the real player from outside, as a
// person would: start it and find its windows, click with the real mouse,
// type with the real keyboard, read texts back, close it, and count checks.
#pragma once

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace drive {

inline int passed = 0, failed = 0;

inline bool check(bool ok, const std::string& what, const std::string& got = "") {
    ++(ok ? passed : failed);
    std::printf("%s: %s%s%s\n", ok ? "ok" : "FAILED", what.c_str(), ok || got.empty() ? "" : " -> got ", ok ? "" : got.c_str());
    std::fflush(stdout);
    return ok;
}

// The closing line the test script looks for.
inline int summary() {
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}

inline std::string text(HWND control) {
    char buffer[300] = "";
    SendMessageA(control, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
    return buffer;
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
    if (owner != search->processId || std::string(name) != "Vyrla" || !IsWindowVisible(window)) return TRUE;
    search->found = window;
    return FALSE;
}

struct Player {
    PROCESS_INFORMATION process{};
    HWND window = nullptr, header = nullptr, panel = nullptr;
    HWND control(int id) const { return GetDlgItem(panel, id); }

    // Starts the player; waits until MainWindow shows both panels.
    bool start(const std::string& exe) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        std::string command = "\"" + exe + "\"";
        if (!CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) return false;
        WaitForInputIdle(process.hProcess, 20000);
        for (int i = 0; i < 200 && !panel; ++i, Sleep(100)) {
            Search search{process.dwProcessId, nullptr};
            EnumWindows(findMainWindow, reinterpret_cast<LPARAM>(&search));
            window = search.found;
            for (HWND child = GetWindow(window, GW_CHILD); window && child; child = GetWindow(child, GW_HWNDNEXT)) {
                if (GetDlgItem(child, 4001)) panel = child;
                if (GetDlgItem(child, 32)) header = child;
            }
        }
        return panel != nullptr;
    }
    // Closes as the close box does and waits for the process to end.
    bool stop() {
        PostMessageA(window, WM_CLOSE, 0, 0);
        const bool ended = WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0;
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return ended;
    }
};

// Clicks once the pointer is on the control, never where it was before.
inline void click(HWND control) {
    RECT place;
    GetWindowRect(control, &place);
    const POINT target{(place.left + place.right) / 2, (place.top + place.bottom) / 2};
    POINT at{-1, -1};
    for (int i = 0; i < 20 && (at.x != target.x || at.y != target.y); ++i, GetCursorPos(&at)) {
        SetCursorPos(target.x, target.y);
        Sleep(50);
    }
    INPUT press{};
    press.type = INPUT_MOUSE;
    for (DWORD flags : {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP}) {
        press.mi.dwFlags = flags;
        SendInput(1, &press, sizeof press);
        Sleep(50);
    }
    Sleep(300);
}

// Clicks into the field, types over what it holds and presses Enter.
inline void typeAnswer(const Player& player, int field, const std::wstring& answer) {
    click(player.control(4000 + field));
    std::vector<KEYBDINPUT> keys;
    for (WORD key : {WORD(VK_CONTROL), WORD('A')}) keys.push_back({key, 0, 0, 0, 0});
    for (WORD key : {WORD('A'), WORD(VK_CONTROL)}) keys.push_back({key, 0, KEYEVENTF_KEYUP, 0, 0});
    for (DWORD up : {DWORD(0), DWORD(KEYEVENTF_KEYUP)}) keys.push_back({VK_DELETE, 0, up, 0, 0});
    for (wchar_t c : answer) {
        for (DWORD up : {DWORD(0), DWORD(KEYEVENTF_KEYUP)}) keys.push_back({0, WORD(c), KEYEVENTF_UNICODE | up, 0, 0});
    }
    for (DWORD up : {DWORD(0), DWORD(KEYEVENTF_KEYUP)}) keys.push_back({VK_RETURN, 0, up, 0, 0});
    for (const KEYBDINPUT& key : keys) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki = key;
        SendInput(1, &input, sizeof input);
    }
    Sleep(300);
}

inline std::string fileBytes(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The answers file of a player executable in the working directory.
inline std::string progressName(const std::string& exe) { return exe.substr(0, exe.size() - 3) + "txt"; }

// Has the script outside take the screenshot NAME.png: a marker file NAME,
// answered with NAME.done.
inline void waitForShot(const std::string& markers, const std::string& name) {
    std::ofstream(markers + "\\" + name) << name;
    const std::string done = markers + "\\" + name + ".done";
    for (int i = 0; i < 300 && GetFileAttributesA(done.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(100);
}

}  // namespace drive
