#include "Platform/RunLock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "Platform/FdIo.h"

namespace kestal::platform {

namespace {

constexpr auto kRetryInterval = std::chrono::milliseconds(200);

}  // namespace

RunLock::~RunLock() { Release(); }

void RunLock::Release() {
  // Closing drops the lock; nothing was written through these descriptors.
  for (int fd : fds_) CloseQuietly(*calls_, fd);
  fds_.clear();
}

bool RunLock::Acquire(const FileSystem& files, std::vector<std::string> paths, int waitSeconds,
                      std::string& error) {
  Release();
  calls_ = &files.Calls();
  std::sort(paths.begin(), paths.end());
  paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(waitSeconds);
  for (const std::string& path : paths) {
    // Read-only, and a directory opens the same way: any user who may run over
    // the inbound can lock it.
    const int fd = calls_->Open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK, 0);
    if (fd < 0) {
      error = path + ": " + std::strerror(errno);
      Release();
      return false;
    }
    fds_.push_back(fd);
    while (calls_->Flock(fd, LOCK_EX | LOCK_NB) != 0) {
      if (errno != EWOULDBLOCK && errno != EINTR) {
        error = path + ": " + std::strerror(errno);
        Release();
        return false;
      }
      if (std::chrono::steady_clock::now() >= deadline) {
        error = path + ": another run holds it still after " + std::to_string(waitSeconds) + " s";
        Release();
        return false;
      }
      std::this_thread::sleep_for(kRetryInterval);
    }
  }
  return true;
}

}  // namespace kestal::platform
