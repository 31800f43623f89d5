#pragma once

#include <string>
#include <string_view>

namespace kestal {

// A configuration line as the configuration reader sees it: control bytes to
// blanks, blanks trimmed from both ends (CleanLine), then cut before its first ";".
// The cut comes after the trimming, so blanks before a comment stay.
std::string CleanConfigLine(std::string_view line);

}  // namespace kestal
