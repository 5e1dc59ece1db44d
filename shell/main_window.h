// MainWindow: the top-level frame with the two panels and the footer line.
#pragma once

#include <windows.h>

constexpr char mainWindowClass[] = "Vyrla";
constexpr int mainWindowWidth = 930;
constexpr int mainWindowHeight = 600;
constexpr int footerId = 8000;

bool registerMainWindowClass(HINSTANCE instance);
LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Creates MainWindow with the quiz title as caption and centres it on the desktop.
HWND createMainWindow(HINSTANCE instance, const char* title);

// The footer's background; made before MainWindow and deleted at shutdown.
extern HBRUSH footerBrush;
