// The scrolling body of MainWindow: every question as a row of controls.
#pragma once

#include <windows.h>

INT_PTR CALLBACK questionPanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam);

// Creates the panel from its dialog template; its rows are built inside.
HWND createQuestionPanel(HWND parent);
