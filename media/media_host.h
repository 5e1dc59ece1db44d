// The host of the media players of sound and video quizzes: "atl.dll" and COM.
#pragma once

#include <windows.h>

using AttachControl = HRESULT(WINAPI*)(IUnknown* control, HWND host, IUnknown** container);

// Set only while "atl.dll" is loaded and exports the attach function.
extern AttachControl attachControl;

// Loads "atl.dll" and starts COM; undoes exactly what it did when stopped.
void startMediaHost();
void stopMediaHost();
