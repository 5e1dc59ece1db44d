// Times a player from process start until its window is ready for input:
// started, loaded, every row built and the message loop idle.
//
//   startup_timer PLAYER.exe [RUNS]
//
// Prints each run and the median in milliseconds.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/e2e/drive.h"

namespace {

double runOnce(const std::string& exe) {
    LARGE_INTEGER frequency, start, ready;
    QueryPerformanceFrequency(&frequency);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string command = "\"" + exe + "\"";
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::fprintf(stderr, "cannot start %s\n", exe.c_str());
        std::exit(1);
    }
    WaitForInputIdle(process.hProcess, INFINITE);
    drive::Search search{process.dwProcessId, nullptr};
    while (!search.found) {
        EnumWindows(drive::findMainWindow, reinterpret_cast<LPARAM>(&search));
        if (!search.found) Sleep(1);
    }
    QueryPerformanceCounter(&ready);
    PostMessageA(search.found, WM_CLOSE, 0, 0);
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 1000.0 * static_cast<double>(ready.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: startup_timer PLAYER.exe [RUNS]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    std::vector<double> times;
    runOnce(argv[1]);  // warms the file cache and Wine's own start-up
    for (int i = 0; i < runs; ++i) times.push_back(runOnce(argv[1]));
    std::sort(times.begin(), times.end());
    std::printf("%s: median %.0f ms over %d runs (%.0f .. %.0f)\n", argv[1], times[times.size() / 2], runs,
                times.front(), times.back());
    return 0;
}
