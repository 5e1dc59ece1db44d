// Plays the picture demo quiz from outside: solves the first band, ticks
// "Cacher" with the real mouse, solves a row of the next band, and has the
// desktop shot as picture-quiz.png with the pixels of the collapsed rows and
// of the band that closed up checked on it.
//
//   vyrla_e2e_picture_driver MARKER-FOLDER PLAYER.exe
//
// Before the shot it writes MARKER-FOLDER\NAME.points, one line per pixel
// to check: "x y red green blue what", in screen pixels.
#include <vector>

#include "tests/e2e/drive.h"

using namespace drive;

namespace {

struct Sample {
    HWND control;
    double x, y;  // fractions of its width and height: away from a text's letters
    COLORREF colour;
    const char* what;
};

void checkPixels(const std::string& markers, const std::string& name, const std::vector<Sample>& samples) {
    std::ofstream points(markers + "\\" + name + ".points");
    for (const Sample& s : samples) {
        RECT r;
        GetWindowRect(s.control, &r);
        const POINT at{r.left + LONG((r.right - r.left) * s.x), r.top + LONG((r.bottom - r.top) * s.y)};
        points << at.x << ' ' << at.y << ' ' << int(GetRValue(s.colour)) << ' ' << int(GetGValue(s.colour)) << ' '
               << int(GetBValue(s.colour)) << ' ' << s.what << '\n';
    }
    points.close();
    waitForShot(markers, name);
}

constexpr COLORREF white = RGB(255, 255, 255), bravoGreen = RGB(0, 255, 0);

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return std::fprintf(stderr, "usage: vyrla_e2e_picture_driver MARKER-FOLDER PLAYER.exe\n"), 2;
    const std::string markers = argv[1], exe = argv[2];
    DeleteFileA(progressName(exe).c_str());
    Player player;
    if (!check(player.start(exe), "the player starts and shows its panels")) return summary();
    auto control = [&player](int id) { return player.control(id); };
    const wchar_t* answers[] = {L"France", L"Italie", L"Allemagne"};
    for (int n = 1; n <= 3; ++n) typeAnswer(player, n, answers[n - 1]);
    click(GetDlgItem(player.header, 33));
    check(!IsWindowVisible(control(9901)), "ticking \"Cacher\" hides the solved pictures");
    // The first band has closed up, which brings the second into view; a row
    // solved while the box is ticked collapses at once.
    typeAnswer(player, 5, L"Pays-Bas");
    check(text(control(5005)) == "BRAVO", "question 5 is right", text(control(5005)));
    check(!IsWindowVisible(control(9905)), "a row solved while ticked collapses at once");
    checkPixels(markers, "picture-quiz",
                {{control(4001), 0.2, 0.5, white, "the collapsed row's field, left"},
                 {control(4001), 0.8, 0.5, white, "the collapsed row's field, right"},
                 {control(5001), 0.2, 0.5, bravoGreen, "the collapsed row's verdict, left"},
                 {control(5001), 0.8, 0.5, bravoGreen, "the collapsed row's verdict, right"},
                 {control(5003), 0.2, 0.5, bravoGreen, "the third collapsed row's verdict"},
                 {control(9904), 1.0 / 6, 0.5, RGB(22, 155, 98), "the next band's picture, closed up"},
                 {control(9906), 0.5, 1.0 / 6, RGB(237, 41, 57), "a picture beside a collapsed row"},
                 {control(4005), 0.8, 0.5, white, "a row collapsed while ticked: its field"},
                 {control(5005), 0.2, 0.5, bravoGreen, "a row collapsed while ticked: its verdict"}});
    check(player.stop(), "closing ends the player");
    return summary();
}
