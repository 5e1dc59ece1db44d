// Window arithmetic of the shell, kept apart from the window code so that it
// can be tested without a window.
#pragma once

#include "panel/placement.h"

struct Bounds {
    int left;
    int top;
    int right;
    int bottom;
};

struct Corner {
    int x;
    int y;
};

// Top-left corner that centres `window` on `reference`; the window keeps its size.
Corner centreWindow(const Bounds& reference, const Bounds& window);

struct MainWindowLayout {
    Placement questionPanel;
    Placement headerPanel;
    Placement footer;
};

// From MainWindow's client size. The formulas hold at every size, so the
// footer reaches 5 pixels past the panels' right edge by design.
MainWindowLayout layoutMainWindow(int clientWidth, int clientHeight);

struct HeaderMove {
    int id;
    Placement place;
    bool repaint;
};

constexpr int headerMoveCount = 8;

// The header's controls as laid out for a client width, in the order they are
// moved; the "Cacher" box (last) only exists in picture quizzes.
void layoutHeaderPanel(int clientWidth, HeaderMove (&moves)[headerMoveCount]);
