#include "shell/layout.h"

#include "shell/header_ids.h"

Corner centreWindow(const Bounds& reference, const Bounds& window) {
    const int referenceWidth = reference.right - reference.left;
    const int referenceHeight = reference.bottom - reference.top;
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    return {reference.left + (referenceWidth - width) / 2, reference.top + (referenceHeight - height) / 2};
}

MainWindowLayout layoutMainWindow(int w, int h) {
    return {
        {5, 50, w - 11, h - 68},
        {5, 2, w - 11, 49},
        {w - 145, h - 16, 150, 15},
    };
}

void layoutHeaderPanel(int w, HeaderMove (&moves)[headerMoveCount]) {
    const HeaderMove table[headerMoveCount] = {
        {idTitle, {110, 3, w - 350, 18}, false},
        {idLink, {w - 134, 0, 115, 18}, false},
        {idByLabel, {w - 134, 25, 26, 18}, false},
        {idAuthor, {w - 107, 25, 105, 18}, true},
        {idSave, {w - 204, 25, 55, 18}, true},
        {idDescription, {110, 19, w - 324, 28}, true},
        {idRightRule, {w - 145, 0, 1, 50}, true},
        // Moved last so that, widened over the rule and the link, it lies on top.
        {idHideSolved, {w - 204, 0, 85, 18}, true},
    };
    for (int i = 0; i < headerMoveCount; ++i) moves[i] = table[i];
}
