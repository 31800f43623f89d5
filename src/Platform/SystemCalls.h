#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <string>

namespace kestal::platform {

// The system calls behind every file operation, one virtual function each, so
// that a test can make a chosen call fail on a chosen path and see what the
// code above does with it. The base class calls the C library; each call sets
// errno on failure exactly as the library does.
class SystemCalls {
 public:
  virtual ~SystemCalls() = default;

  virtual int Open(const std::string& path, int flags, mode_t mode);
  virtual ssize_t Read(int fd, void* buffer, size_t size);
  virtual ssize_t Write(int fd, const void* data, size_t size);
  virtual int Fsync(int fd);
  virtual int Close(int fd);
  virtual int Fchmod(int fd, mode_t mode);
  virtual int Fstat(int fd, struct stat& info);
  virtual int Stat(const std::string& path, struct stat& info);
  virtual int Lstat(const std::string& path, struct stat& info);
  // mkstemp: `pattern` ends in "XXXXXX", which becomes the name made.
  virtual int MakeTemporary(std::string& pattern);
  // linkat with AT_SYMLINK_FOLLOW, which also names an unnamed file through /proc.
  virtual int Link(const std::string& from, const std::string& to);
  virtual int Unlink(const std::string& path);
  virtual int Rename(const std::string& from, const std::string& to);
  // renameat2 with RENAME_NOREPLACE.
  virtual int RenameNoReplace(const std::string& from, const std::string& to);
  virtual DIR* OpenDirectory(const std::string& path);
  virtual struct dirent* ReadDirectory(DIR* directory);
  virtual int CloseDirectory(DIR* directory);
  virtual int Flock(int fd, int operation);
  // fstatat following links, for an entry of an open directory.
  virtual int StatEntry(DIR* directory, const char* name, struct stat& info);
};

// The real calls, for the program and the tools.
SystemCalls& RealSystemCalls();

}  // namespace kestal::platform
