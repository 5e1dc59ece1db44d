// Texts written into a quiz source: by the dump of an executable, by import
// and in messages that quote what the author wrote.
#pragma once

#include <string>

// TOML basic string, quotes included: UTF-8 kept, quotes, backslashes and
// control characters escaped.
std::string tomlString(const std::string& utf8);
