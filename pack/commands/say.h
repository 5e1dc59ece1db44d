// The commands' messages about a file: "FILE: what", on standard error.
#pragma once

#include <cstdio>
#include <string>

inline void say(const std::string& about, const std::string& what) {
    std::fprintf(stderr, "%s: %s\n", about.c_str(), what.c_str());
}
