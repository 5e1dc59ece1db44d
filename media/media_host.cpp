#include "media/media_host.h"

#include <objbase.h>

AttachControl attachControl;

namespace {
HMODULE atlModule;
bool comStarted;
}  // namespace

void startMediaHost() {
    atlModule = LoadLibraryA("atl.dll");
    if (!atlModule) return;
    attachControl = reinterpret_cast<AttachControl>(
        reinterpret_cast<void*>(GetProcAddress(atlModule, "AtlAxAttachControl")));
    comStarted = SUCCEEDED(CoInitialize(nullptr));
}

void stopMediaHost() {
    if (comStarted) CoUninitialize();
    comStarted = false;
    if (atlModule) FreeLibrary(atlModule);
    atlModule = nullptr;
    attachControl = nullptr;
}
