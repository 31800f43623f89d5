#include "Platform/FdIo.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace kestal::platform {

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t written = write(fd, data.data(), data.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

std::optional<std::string> ReadAll(int fd) {
  std::string content;
  struct stat info {};
  if (fstat(fd, &info) == 0 && info.st_size > 0) content.reserve(static_cast<size_t>(info.st_size));

  char buffer[65536];
  for (;;) {
    ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (got == 0) return content;
    content.append(buffer, static_cast<size_t>(got));
  }
}

bool CloseChecked(int fd) {
  // Linux releases the descriptor even when close fails, so it is never retried.
  return close(fd) == 0;
}

}  // namespace kestal::platform
