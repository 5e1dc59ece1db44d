// Every message box of the player goes through showMessage, so tests can
// replace the sink and read back the exact text and caption.
#pragma once

// The platform's message box style bits that the player uses.
constexpr unsigned messageOk = 0x00000000u;
constexpr unsigned messageIconError = 0x00000010u;
constexpr unsigned messageIconWarning = 0x00000030u;
constexpr unsigned messageIconInformation = 0x00000040u;

using MessageSink = void (*)(const char* text, const char* caption, unsigned style);

void showMessage(const char* text, const char* caption, unsigned style);

// Installs a sink and returns the previous one. Until the player installs the
// message box sink, messages go to standard error.
MessageSink setMessageSink(MessageSink sink);

// The player's sink: a real message box with no owner (Windows only).
void messageBoxSink(const char* text, const char* caption, unsigned style);
