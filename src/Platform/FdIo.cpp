#include "Platform/FdIo.h"

#include <algorithm>
#include <cerrno>
#include <limits>

namespace kestal::platform {

bool WriteAll(SystemCalls& calls, int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t written = calls.Write(fd, data.data(), data.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

namespace {

// Reads straight into the buffer, sized from the file plus one byte, so that a
// packet is copied once and its end shows without growing the buffer. A file
// that grows meanwhile is read on in steps, up to `limit` bytes in all.
template <typename Buffer>
std::optional<Buffer> ReadInto(SystemCalls& calls, int fd, size_t limit) {
  constexpr size_t kStep = 65536;
  struct stat info {};
  size_t size = kStep;
  if (calls.Fstat(fd, info) == 0 && info.st_size > 0) size = static_cast<size_t>(info.st_size) + 1;
  Buffer content;
  content.resize(std::min(size, limit));
  size_t used = 0;
  while (used < limit) {
    if (used == content.size()) content.resize(std::min(content.size() + kStep, limit));
    ssize_t got = calls.Read(fd, content.data() + used, content.size() - used);
    if (got < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (got == 0) break;
    used += static_cast<size_t>(got);
  }
  content.resize(used);
  return content;
}

constexpr size_t kNoLimit = std::numeric_limits<size_t>::max();

}  // namespace

std::optional<std::string> ReadAll(SystemCalls& calls, int fd) {
  return ReadInto<std::string>(calls, fd, kNoLimit);
}

std::optional<FileBytes> ReadAllBytes(SystemCalls& calls, int fd) {
  return ReadInto<FileBytes>(calls, fd, kNoLimit);
}

std::optional<std::string> ReadAtMost(SystemCalls& calls, int fd, size_t limit) {
  return ReadInto<std::string>(calls, fd, limit);
}

bool CloseChecked(SystemCalls& calls, int fd) {
  // Linux releases the descriptor even when close fails, so it is never retried.
  return calls.Close(fd) == 0;
}

void CloseQuietly(SystemCalls& calls, int fd) {
  const int error = errno;
  (void)calls.Close(fd);  // the descriptor is released whatever close says
  errno = error;
}

void UnlinkQuietly(SystemCalls& calls, const std::string& path) {
  const int error = errno;
  (void)calls.Unlink(path);  // a leftover is all a failure here can leave
  errno = error;
}

}  // namespace kestal::platform
