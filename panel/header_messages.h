// What the question panel asks of the header panel. The header sits above
// the panel, so the panel sends it these messages instead of reaching for
// its controls; the header answers them itself.
#pragma once

#include <windows.h>

enum HeaderMessage : UINT {
    // wParam: the number of solved questions. The header shows the score and
    // the reward code that belongs to it.
    headerShowScore = WM_APP + 1,
    // Answers 1 while "Cacher" is ticked, 0 otherwise (and where the quiz
    // has no such box).
    headerHidingSolved = WM_APP + 2,
};
