#include <windows.h>

#include "quiz/messages.h"

void messageBoxSink(const char* text, const char* caption, unsigned style) {
    MessageBoxA(nullptr, text, caption, style);
}
