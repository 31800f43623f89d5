#pragma once

#include <string_view>

namespace kestal {

// The program's name and version, as the banner, the log, the PID kludge, the
// default tearline and the statistics reports show it.
inline constexpr std::string_view kProgramVersion = "Kestal 2.15/W32";

}  // namespace kestal
