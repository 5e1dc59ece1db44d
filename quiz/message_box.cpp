#include <windows.h>

#include "messages.h"

void messageBoxSink(const char* text, const char* caption, unsigned style) {
    MessageBoxA(nullptr, text, caption, style);
}
