#include "Platform/FaultySystemCalls.h"

#include <cerrno>

namespace kestal::platform {

void FaultySystemCalls::FailOn(Call call, std::string pathPart, int error, int nth) {
  rules_.push_back(Rule{call, std::move(pathPart), error, nth - 1});
}

int FaultySystemCalls::CountOf(Call call, const std::string& pathPart) const {
  int count = 0;
  for (const Seen& seen : seen_) {
    if (seen.Kind == call && seen.Path.find(pathPart) != std::string::npos) ++count;
  }
  return count;
}

bool FaultySystemCalls::Fails(Call call, const std::string& path, const std::string& otherPath) {
  if (Before) Before(call, otherPath.empty() ? path : otherPath);
  seen_.push_back(Seen{call, path + (otherPath.empty() ? "" : " " + otherPath)});
  for (auto rule = rules_.begin(); rule != rules_.end(); ++rule) {
    if (rule->Kind != call) continue;
    if (path.find(rule->PathPart) == std::string::npos &&
        (otherPath.empty() || otherPath.find(rule->PathPart) == std::string::npos)) {
      continue;
    }
    if (rule->Remaining-- > 0) continue;
    errno = rule->Error;
    rules_.erase(rule);
    return true;
  }
  return false;
}

std::string FaultySystemCalls::PathOf(int fd) const {
  const auto found = openPaths_.find(fd);
  return found == openPaths_.end() ? std::string() : found->second;
}

int FaultySystemCalls::Open(const std::string& path, int flags, mode_t mode) {
  if (Fails(Call::Open, path)) return -1;
  const int fd = SystemCalls::Open(path, flags, mode);
  if (fd >= 0) openPaths_[fd] = path;
  return fd;
}

ssize_t FaultySystemCalls::Read(int fd, void* buffer, size_t size) {
  if (Fails(Call::Read, PathOf(fd))) return -1;
  return SystemCalls::Read(fd, buffer, size);
}

ssize_t FaultySystemCalls::Write(int fd, const void* data, size_t size) {
  if (Fails(Call::Write, PathOf(fd))) return -1;
  return SystemCalls::Write(fd, data, size);
}

int FaultySystemCalls::Fsync(int fd) {
  if (Fails(Call::Fsync, PathOf(fd))) return -1;
  return SystemCalls::Fsync(fd);
}

int FaultySystemCalls::Close(int fd) {
  const std::string path = PathOf(fd);
  openPaths_.erase(fd);
  // As the kernel does: the descriptor is gone even when close reports an error.
  const int closed = SystemCalls::Close(fd);
  if (Fails(Call::Close, path)) return -1;
  return closed;
}

int FaultySystemCalls::Fchmod(int fd, mode_t mode) {
  if (Fails(Call::Fchmod, PathOf(fd))) return -1;
  return SystemCalls::Fchmod(fd, mode);
}

int FaultySystemCalls::MakeTemporary(std::string& pattern) {
  if (Fails(Call::Open, pattern)) return -1;
  const int fd = SystemCalls::MakeTemporary(pattern);
  if (fd >= 0) openPaths_[fd] = pattern;
  return fd;
}

int FaultySystemCalls::Link(const std::string& from, const std::string& to) {
  if (Fails(Call::Link, from, to)) return -1;
  return SystemCalls::Link(from, to);
}

int FaultySystemCalls::Unlink(const std::string& path) {
  if (Fails(Call::Unlink, path)) return -1;
  return SystemCalls::Unlink(path);
}

int FaultySystemCalls::Rename(const std::string& from, const std::string& to) {
  if (Fails(Call::Rename, from, to)) return -1;
  return SystemCalls::Rename(from, to);
}

int FaultySystemCalls::RenameNoReplace(const std::string& from, const std::string& to) {
  if (Fails(Call::Rename, from, to)) return -1;
  return SystemCalls::RenameNoReplace(from, to);
}

DIR* FaultySystemCalls::OpenDirectory(const std::string& path) {
  if (Fails(Call::Open, path)) return nullptr;
  DIR* directory = SystemCalls::OpenDirectory(path);
  if (directory != nullptr) openDirectories_[directory] = path;
  return directory;
}

struct dirent* FaultySystemCalls::ReadDirectory(DIR* directory) {
  const auto found = openDirectories_.find(directory);
  const std::string path = found == openDirectories_.end() ? std::string() : found->second;
  if (Fails(Call::ReadDirectory, path)) return nullptr;
  return SystemCalls::ReadDirectory(directory);
}

int FaultySystemCalls::CloseDirectory(DIR* directory) {
  openDirectories_.erase(directory);
  return SystemCalls::CloseDirectory(directory);
}

}  // namespace kestal::platform
