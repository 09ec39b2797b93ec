#pragma once

#include <ostream>
#include <string>
#include <string_view>

namespace morvane::cli {

// A NAME argument as the module stores it: accented letters plain (é to e, ß to ss), a character
// with no plain form a space, cut to 16 characters. Each change is told on err as a warning.
std::string NameToStore(std::string_view given, std::ostream& err);

}  // namespace morvane::cli
