// Times what a user feels while a picture quiz's pictures are decoded:
//   - the longest the player's message loop stays busy in the three seconds
//     after its window is ready (a message sent to it waits that long);
//   - the time from a page-down keystroke to every picture in the new view
//     being drawn: at once after start-up, before the pictures there are
//     decoded, and again once they are.
//
//   scroll_timer PLAYER.exe [RUNS]
//
// Prints the median of each over the runs, in milliseconds.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tests/e2e/drive.h"

namespace {

double now() {
    static LARGE_INTEGER frequency{};
    if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// How long a message sent to the window waits for the loop to take it.
double answerTime(HWND window) {
    const double start = now();
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 20000, nullptr);
    return now() - start;
}

double longestBusy(const drive::Player& player, double forMs) {
    double longest = 0;
    for (const double end = now() + forMs; now() < end;) longest = std::max(longest, answerTime(player.window));
    return longest;
}

// Whether every picture static that shows in the panel's view has its picture.
bool viewComplete(const drive::Player& player) {
    RECT view;
    GetWindowRect(player.panel, &view);
    for (int n = 1; n <= 96; ++n) {
        HWND picture = player.control(9900 + n);
        RECT place;
        if (!picture || !GetWindowRect(picture, &place) || place.bottom <= view.top || place.top >= view.bottom) continue;
        if (!SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0)) return false;
    }
    return true;
}

double pageDownToDrawn(const drive::Player& player) {
    const double start = now();
    PostMessageA(player.control(4001), WM_KEYUP, VK_NEXT, 0xC0000001);
    answerTime(player.window);
    while (!viewComplete(player)) Sleep(1);
    RedrawWindow(player.panel, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    return now() - start;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return std::fprintf(stderr, "usage: scroll_timer PLAYER.exe [RUNS]\n"), 2;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    std::vector<double> busy, cold, warm;
    for (int i = 0; i < runs; ++i) {
        // A fresh player each time: three starts, one measure each.
        for (int measure = 0; measure < 3; ++measure) {
            drive::Player player;
            if (!player.start(argv[1])) return std::fprintf(stderr, "cannot start %s\n", argv[1]), 1;
            if (measure == 0) busy.push_back(longestBusy(player, 3000));
            if (measure == 1) cold.push_back(pageDownToDrawn(player));
            if (measure == 2) {
                longestBusy(player, 3000);  // the view and one band beyond it decoded
                warm.push_back(pageDownToDrawn(player));
            }
            player.stop();
        }
    }
    std::printf("%s: longest busy turn %.0f ms; page-down to drawn %.0f ms before decoding, %.0f ms after "
                "(medians over %d runs)\n",
                argv[1], median(busy), median(cold), median(warm), runs);
    return 0;
}
