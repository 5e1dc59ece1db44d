#include "pack/exe/self_path.h"

#include <string>
#include <system_error>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace fs = std::filesystem;

fs::path packerExecutable(const char* argv0) {
#ifdef _WIN32
    std::wstring buffer(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, &buffer[0], static_cast<DWORD>(buffer.size()));
    if (length > 0 && length < buffer.size()) {
        buffer.resize(length);
        return fs::path(buffer);
    }
#else
    std::error_code code;
    const fs::path self = fs::read_symlink("/proc/self/exe", code);
    if (!code) {
        return self;
    }
#endif
    std::error_code code2;
    const fs::path given = fs::absolute(fs::path(argv0 ? argv0 : ""), code2);
    return code2 ? fs::path(argv0 ? argv0 : "") : given;
}
