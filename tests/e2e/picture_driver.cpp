// Drives the picture demo quiz from outside: solves the first band, ticks
// "Cacher" with the real mouse, solves a row of the next band, and has the
// script outside take a screenshot and check its pixels; then clears the box
// and has it checked again.
//
//   vyrla_e2e_picture_driver PLAYER.exe MARKER-FOLDER
//
// Before each screenshot it writes MARKER-FOLDER\NAME.points, one line per
// pixel to check: "x y red green blue what", in screen pixels, then the
// marker NAME, and waits for NAME.done.
#include <fstream>
#include <vector>

#include "tests/e2e/drive.h"

using namespace drive;

namespace {

struct Sample {
    POINT at;
    COLORREF colour;
    std::string what;
};

// A point of a control, given as fractions of its width and height; away
// from the middle, where a field or a verdict has its letters.
POINT pointIn(HWND control, double x, double y) {
    RECT r;
    GetWindowRect(control, &r);
    return {r.left + static_cast<LONG>((r.right - r.left) * x), r.top + static_cast<LONG>((r.bottom - r.top) * y)};
}

bool visibleInPanel(const Player& player, POINT at) {
    RECT client;
    GetClientRect(player.panel, &client);
    MapWindowPoints(player.panel, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
    return PtInRect(&client, at) != 0;
}

// Writes the samples for the script, then waits for its screenshot.
void checkPixels(const Player& player, const std::string& markers, const std::string& name,
                 const std::vector<Sample>& samples) {
    std::ofstream points(markers + "\\" + name + ".points");
    for (const Sample& s : samples) {
        check(visibleInPanel(player, s.at), name + ": " + s.what + " is in view");
        points << s.at.x << ' ' << s.at.y << ' ' << int(GetRValue(s.colour)) << ' ' << int(GetGValue(s.colour)) << ' '
               << int(GetBValue(s.colour)) << ' ' << s.what << '\n';
    }
    points.close();
    waitForShot(markers, name);
}

constexpr COLORREF white = RGB(255, 255, 255);
constexpr COLORREF bravoGreen = RGB(0, 255, 0);
constexpr COLORREF irishGreen = RGB(22, 155, 98);
constexpr COLORREF austrianRed = RGB(237, 41, 57);
constexpr COLORREF frenchBlue = RGB(0, 85, 165);

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: vyrla_e2e_picture_driver PLAYER.exe MARKER-FOLDER\n");
        return 2;
    }
    const std::string exe = argv[1];
    const std::string markers = argv[2];
    DeleteFileA(progressName(exe).c_str());

    Player player;
    check(start(exe, &player), "the player starts and shows its panels");
    if (!player.panel) return 1;
    auto control = [&player](int id) { return GetDlgItem(player.panel, id); };

    const wchar_t* answers[] = {L"France", L"Italie", L"Allemagne"};
    for (int n = 1; n <= 3; ++n) {
        typeAnswer(player, n, answers[n - 1]);
        check(text(control(5000 + n)) == "BRAVO", "question " + std::to_string(n) + " is right", text(control(5000 + n)));
    }
    click(GetDlgItem(player.header, 33));
    check(!IsWindowVisible(control(9901)), "ticking \"Cacher\" hides the solved pictures");
    // The first band has closed up, which brings the second into view; a row
    // solved while the box is ticked collapses at once.
    typeAnswer(player, 5, L"Pays-Bas");
    check(text(control(5005)) == "BRAVO", "question 5 is right", text(control(5005)));
    check(!IsWindowVisible(control(9905)), "a row solved while ticked collapses at once");
    checkPixels(player, markers, "ticked",
                {{pointIn(control(4001), 0.2, 0.5), white, "the collapsed row's field, left"},
                 {pointIn(control(4001), 0.8, 0.5), white, "the collapsed row's field, right"},
                 {pointIn(control(5001), 0.2, 0.5), bravoGreen, "the collapsed row's verdict, left"},
                 {pointIn(control(5001), 0.8, 0.5), bravoGreen, "the collapsed row's verdict, right"},
                 {pointIn(control(5003), 0.2, 0.5), bravoGreen, "the third collapsed row's verdict"},
                 {pointIn(control(9904), 1.0 / 6, 0.5), irishGreen, "the next band's picture, closed up"},
                 {pointIn(control(9906), 0.5, 1.0 / 6), austrianRed, "a picture beside a collapsed row"},
                 {pointIn(control(4005), 0.8, 0.5), white, "a row collapsed while ticked: its field"},
                 {pointIn(control(5005), 0.2, 0.5), bravoGreen, "a row collapsed while ticked: its verdict"}});

    click(GetDlgItem(player.header, 33));
    check(IsWindowVisible(control(9901)), "clearing \"Cacher\" shows the pictures again");
    checkPixels(player, markers, "cleared",
                {{pointIn(control(9901), 1.0 / 6, 0.5), frenchBlue, "the first row's solved picture"},
                 {pointIn(control(4001), 0.8, 0.5), white, "the first row's field"},
                 {pointIn(control(5001), 0.2, 0.5), bravoGreen, "the first row's verdict"},
                 {pointIn(control(5002), 0.8, 0.5), bravoGreen, "the second row's verdict"}});

    check(stop(&player), "closing ends the player");
    return summary();
}
