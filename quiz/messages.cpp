#include "quiz/messages.h"

#include <cstdio>

namespace {

void standardErrorSink(const char* text, const char* caption, unsigned) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
}

MessageSink currentSink = standardErrorSink;

}  // namespace

void showMessage(const char* text, const char* caption, unsigned style) {
    currentSink(text, caption, style);
}

MessageSink setMessageSink(MessageSink sink) {
    MessageSink previous = currentSink;
    currentSink = sink ? sink : standardErrorSink;
    return previous;
}
