#pragma once

#include <string>

namespace kestal::platform {

// The process's own place in the file system.
std::string CurrentDirectory();
[[nodiscard]] bool ChangeDirectory(const std::string& path);
// The directory of the running executable, without a trailing "/".
std::string ExecutableDirectory();

}  // namespace kestal::platform
