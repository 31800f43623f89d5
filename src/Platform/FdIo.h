#pragma once

// Descriptor-level helpers shared by the Platform sources; nothing outside
// src/Platform includes this.

#include <optional>
#include <string>
#include <string_view>

namespace kestal::platform {

// Writes every byte, resuming after short writes and interrupted calls.
bool WriteAll(int fd, std::string_view data);
// Reads until end of file, resuming after short reads and interrupted calls.
std::optional<std::string> ReadAll(int fd);
// Closes the descriptor; false when the close reports an error (a full disk
// often shows only there).
bool CloseChecked(int fd);

}  // namespace kestal::platform
