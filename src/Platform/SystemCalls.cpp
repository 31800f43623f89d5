#include "Platform/SystemCalls.h"

#include <fcntl.h>
#include <sys/file.h>
#include <stdlib.h>
#include <unistd.h>

namespace kestal::platform {

int SystemCalls::Open(const std::string& path, int flags, mode_t mode) {
  return open(path.c_str(), flags, mode);
}

ssize_t SystemCalls::Read(int fd, void* buffer, size_t size) { return read(fd, buffer, size); }

ssize_t SystemCalls::Write(int fd, const void* data, size_t size) { return write(fd, data, size); }

int SystemCalls::Fsync(int fd) { return fsync(fd); }

int SystemCalls::Flock(int fd, int operation) { return flock(fd, operation); }

int SystemCalls::Close(int fd) { return close(fd); }

int SystemCalls::Fchmod(int fd, mode_t mode) { return fchmod(fd, mode); }

int SystemCalls::Fstat(int fd, struct stat& info) { return fstat(fd, &info); }

int SystemCalls::Stat(const std::string& path, struct stat& info) {
  return stat(path.c_str(), &info);
}

int SystemCalls::Lstat(const std::string& path, struct stat& info) {
  return lstat(path.c_str(), &info);
}

int SystemCalls::MakeTemporary(std::string& pattern) { return mkstemp(pattern.data()); }

int SystemCalls::Link(const std::string& from, const std::string& to) {
  return linkat(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW);
}

int SystemCalls::Unlink(const std::string& path) { return unlink(path.c_str()); }

int SystemCalls::Rename(const std::string& from, const std::string& to) {
  return rename(from.c_str(), to.c_str());
}

int SystemCalls::RenameNoReplace(const std::string& from, const std::string& to) {
  return renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
}

DIR* SystemCalls::OpenDirectory(const std::string& path) { return opendir(path.c_str()); }

struct dirent* SystemCalls::ReadDirectory(DIR* directory) { return readdir(directory); }

int SystemCalls::CloseDirectory(DIR* directory) { return closedir(directory); }

int SystemCalls::StatEntry(DIR* directory, const char* name, struct stat& info) {
  return fstatat(dirfd(directory), name, &info, 0);
}

SystemCalls& RealSystemCalls() {
  static SystemCalls calls;
  return calls;
}

}  // namespace kestal::platform
