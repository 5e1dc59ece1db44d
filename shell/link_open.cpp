#include "shell/link_open.h"

#include <windows.h>
#include <shellapi.h>

namespace {

void shellOpen(const char* target) {
    ShellExecuteA(nullptr, "open", target, nullptr, nullptr, SW_SHOWNORMAL);
}

LinkOpener currentOpener = shellOpen;

}  // namespace

void openLink(const char* target) { currentOpener(target); }

LinkOpener setLinkOpener(LinkOpener opener) {
    LinkOpener previous = currentOpener;
    currentOpener = opener ? opener : shellOpen;
    return previous;
}
