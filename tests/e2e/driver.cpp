// Drives the real player from outside, as a person would: starts it, clicks
// into answer fields and types with real keyboard input, reads the verdicts
// and the score back from its windows, closes it, checks the saved answers,
// and starts it again to see them restored.
//
//   vyrla_e2e_driver PLAYER.exe [SCREENSHOT-MARKER-FOLDER]
//
// With a marker folder it writes "ready" there once the answers are in and
// waits for "shot" before closing, so that a screenshot can be taken.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

int passed = 0;
int failed = 0;

void check(bool ok, const std::string& what, const std::string& got = "") {
    ++(ok ? passed : failed);
    std::printf("%s: %s%s%s\n", ok ? "ok" : "FAILED", what.c_str(), ok || got.empty() ? "" : " -> got ",
                ok ? "" : got.c_str());
    std::fflush(stdout);
}

struct Player {
    PROCESS_INFORMATION process{};
    HWND window = nullptr;
    HWND header = nullptr;
    HWND panel = nullptr;
};

struct Search {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK findMainWindow(HWND window, LPARAM data) {
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

// The panel that holds a given control id among MainWindow's children.
HWND childHolding(HWND window, int id) {
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetDlgItem(child, id)) return child;
    }
    return nullptr;
}

std::string text(HWND control) {
    char buffer[300] = "";
    SendMessageA(control, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

bool start(const std::string& exe, Player* player) {
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

void sendKey(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

void sendCharacter(wchar_t c) {
    INPUT inputs[2]{};
    for (int i = 0; i < 2; ++i) {
        inputs[i].type = INPUT_KEYBOARD;
        inputs[i].ki.wScan = c;
        inputs[i].ki.dwFlags = KEYEVENTF_UNICODE | (i ? KEYEVENTF_KEYUP : 0);
    }
    SendInput(2, inputs, sizeof inputs[0]);
}

void settle() { Sleep(300); }

void click(HWND control) {
    RECT place;
    GetWindowRect(control, &place);
    SetCursorPos((place.left + place.right) / 2, (place.top + place.bottom) / 2);
    INPUT inputs[2]{};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof inputs[0]);
    settle();
}

// Clicks into the field, selects what it holds and types over it, then
// presses and releases Enter.
void typeAnswer(const Player& player, int field, const wchar_t* answer) {
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

std::string verdict(const Player& player, int field) { return text(GetDlgItem(player.panel, 5000 + field)); }

bool stop(Player* player) {
    PostMessageA(player->window, WM_CLOSE, 0, 0);
    const bool ended = WaitForSingleObject(player->process.hProcess, 20000) == WAIT_OBJECT_0;
    CloseHandle(player->process.hThread);
    CloseHandle(player->process.hProcess);
    return ended;
}

std::string fileBytes(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void waitForShot(const std::string& markers) {
    if (markers.empty()) return;
    std::ofstream(markers + "\\ready") << "ready";
    for (int i = 0; i < 300; ++i) {
        if (GetFileAttributesA((markers + "\\shot").c_str()) != INVALID_FILE_ATTRIBUTES) return;
        Sleep(100);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: vyrla_e2e_driver PLAYER.exe [MARKER-FOLDER]\n");
        return 2;
    }
    const std::string exe = argv[1];
    const std::string markers = argc > 2 ? argv[2] : "";
    std::string progress = exe.substr(0, exe.size() - 3) + "txt";
    const size_t slash = progress.find_last_of("\\/");
    progress = progress.substr(slash + 1);
    DeleteFileA(progress.c_str());

    Player player;
    check(start(exe, &player), "the player starts and shows its panels");
    if (!player.panel) return 1;
    check(text(player.window) == "La France en douze questions", "the title bar shows the quiz title", text(player.window));
    check(text(GetDlgItem(player.header, 32)) == " 0 / 12", "the score starts at 0", text(GetDlgItem(player.header, 32)));

    typeAnswer(player, 1, L"mediterranee");
    check(verdict(player, 1) == "Presque", "accents count: two edits away", verdict(player, 1));
    typeAnswer(player, 3, L"Loire");
    check(verdict(player, 3) == "BRAVO", "a right answer", verdict(player, 3));
    typeAnswer(player, 4, L"la tour eiffel");
    check(verdict(player, 4) == "Trop long", "the answer with three characters more", verdict(player, 4));
    typeAnswer(player, 12, L"Jeanne d'Arc");
    check(verdict(player, 12) == "BRAVO", "a right answer at the bottom of the list", verdict(player, 12));
    typeAnswer(player, 11, L"Camembret");
    check(verdict(player, 11) == "Anagramme", "two letters swapped", verdict(player, 11));
    const std::string score = text(GetDlgItem(player.header, 32));
    check(score == " 2 / 12", "the score counts the right answers", score);
    const std::string code = text(GetDlgItem(player.header, 30));
    check(code == "MA", "the reward code of two right answers", code);

    waitForShot(markers);
    check(stop(&player), "closing ends the player");
    const std::string saved = fileBytes(progress);
    const std::string expected =
        "mediterranee\r\n\r\nLoire\r\nla tour eiffel\r\n\r\n\r\n\r\n\r\n\r\n\r\nCamembret\r\nJeanne d'Arc\r\n";
    check(saved == expected, "the saved answers, one line per field", saved);

    Player again;
    check(start(exe, &again), "the player starts again");
    if (again.panel) {
        check(text(GetDlgItem(again.panel, 4003)) == "Loire", "answers are restored", text(GetDlgItem(again.panel, 4003)));
        check(verdict(again, 1) == "Presque" && verdict(again, 3) == "BRAVO" && verdict(again, 11) == "Anagramme",
              "restored answers are judged again");
        check(text(GetDlgItem(again.header, 32)) == " 2 / 12", "the score is restored", text(GetDlgItem(again.header, 32)));
        stop(&again);
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}
