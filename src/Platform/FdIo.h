#pragma once

// Descriptor-level helpers shared by the Platform sources; nothing outside
// src/Platform includes this.

#include <optional>
#include <string>
#include <string_view>

#include "Platform/Files.h"
#include "Platform/SystemCalls.h"

namespace kestal::platform {

// Writes every byte, resuming after short writes and interrupted calls.
[[nodiscard]] bool WriteAll(SystemCalls& calls, int fd, std::string_view data);
// Reads until end of file, resuming after short reads and interrupted calls.
[[nodiscard]] std::optional<std::string> ReadAll(SystemCalls& calls, int fd);
// Reads until end of file or `limit` bytes, whichever comes first.
[[nodiscard]] std::optional<std::string> ReadAtMost(SystemCalls& calls, int fd, size_t limit);
[[nodiscard]] std::optional<FileBytes> ReadAllBytes(SystemCalls& calls, int fd);
// Closes the descriptor; false when the close reports an error (a full disk
// often shows only there).
[[nodiscard]] bool CloseChecked(SystemCalls& calls, int fd);
// Cleanup after a failure: the call's own result does not matter, and errno
// keeps the reason of the failure being cleaned up after.
void CloseQuietly(SystemCalls& calls, int fd);
void UnlinkQuietly(SystemCalls& calls, const std::string& path);

}  // namespace kestal::platform
