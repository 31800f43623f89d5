#include "Platform/FdIo.h"

#include <algorithm>
#include <cerrno>

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
// that grows meanwhile is read on in steps.
template <typename Buffer>
std::optional<Buffer> ReadAllInto(SystemCalls& calls, int fd) {
  constexpr size_t kStep = 65536;
  struct stat info {};
  size_t size = kStep;
  if (calls.Fstat(fd, info) == 0 && info.st_size > 0) size = static_cast<size_t>(info.st_size) + 1;
  Buffer content;
  content.resize(size);
  size_t used = 0;
  for (;;) {
    if (used == content.size()) content.resize(content.size() + kStep);
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

}  // namespace

std::optional<std::string> ReadAll(SystemCalls& calls, int fd) {
  return ReadAllInto<std::string>(calls, fd);
}

std::optional<FileBytes> ReadAllBytes(SystemCalls& calls, int fd) {
  return ReadAllInto<FileBytes>(calls, fd);
}

std::optional<std::string> ReadAtMost(SystemCalls& calls, int fd, size_t limit) {
  constexpr size_t kStep = 65536;
  std::string content;
  size_t used = 0;
  while (used < limit) {
    const size_t wanted = std::min(kStep, limit - used);
    content.resize(used + wanted);
    ssize_t got = calls.Read(fd, content.data() + used, wanted);
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
