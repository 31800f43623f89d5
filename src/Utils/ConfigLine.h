#pragma once

#include <string>
#include <string_view>

namespace kestal {

// A configuration line as the configuration reader sees it: control bytes to
// blanks, cut before its first ";" (a value can hold no ";"), blanks trimmed from
// both ends, so that blanks before a comment are no part of the value.
std::string CleanConfigLine(std::string_view line);

}  // namespace kestal
