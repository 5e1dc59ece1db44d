// The strip across the top: title, description, author, link, "Sauver",
// "Cacher", the score and the reward code.
#pragma once

#include <windows.h>

INT_PTR CALLBACK headerPanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam);

HWND createHeaderPanel(HWND parent);
