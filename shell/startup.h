// Opening and closing the player's windows around the message loop, shared
// by the entry and by the tests that drive the real windows.
#pragma once

#include <windows.h>

// Creates MainWindow, the header and the question panel, shows them and
// scrolls the panel to the top. Returns MainWindow.
HWND openPlayerWindows(HINSTANCE instance);

// Runs until the quit message; an error from GetMessage also ends it.
int runMessageLoop();
