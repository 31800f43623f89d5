#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "Platform/SystemCalls.h"

namespace kestal::platform {

// The real system calls, but for those a test has chosen to fail: the n-th
// call of a kind whose path holds a given text fails with a given errno, as a
// full disk, a lost permission or a vanished directory would make it fail.
// Calls on a descriptor (write, fsync, fchmod, close) are known by the path the
// descriptor was opened with (for an unnamed file: its directory); a link or a
// rename by either of its paths.
class FaultySystemCalls final : public SystemCalls {
 public:
  enum class Call { Open, Read, Write, Fsync, Close, Fchmod, Link, Unlink, Rename, ReadDirectory };

  // The `nth` (1: the next) matching call fails; each rule fails once.
  void FailOn(Call call, std::string pathPart, int error, int nth = 1);
  // Runs before every call, with its kind and path: a test's other program
  // (a writer that takes a name just before kestal does, say).
  std::function<void(Call, const std::string& path)> Before;
  // How many calls of the kind were made on paths holding `pathPart`.
  int CountOf(Call call, const std::string& pathPart) const;

  int Open(const std::string& path, int flags, mode_t mode) override;
  ssize_t Read(int fd, void* buffer, size_t size) override;
  ssize_t Write(int fd, const void* data, size_t size) override;
  int Fsync(int fd) override;
  int Close(int fd) override;
  int Fchmod(int fd, mode_t mode) override;
  int MakeTemporary(std::string& pattern) override;
  int Link(const std::string& from, const std::string& to) override;
  int Unlink(const std::string& path) override;
  int Rename(const std::string& from, const std::string& to) override;
  int RenameNoReplace(const std::string& from, const std::string& to) override;
  DIR* OpenDirectory(const std::string& path) override;
  struct dirent* ReadDirectory(DIR* directory) override;
  int CloseDirectory(DIR* directory) override;

 private:
  struct Rule {
    Call Kind;
    std::string PathPart;
    int Error;
    int Remaining;  // matching calls still to let through, then the failure
  };
  struct Seen {
    Call Kind;
    std::string Path;
  };

  // True, with errno set, when the call is to fail.
  bool Fails(Call call, const std::string& path, const std::string& otherPath = "");
  std::string PathOf(int fd) const;

  std::vector<Rule> rules_;
  std::vector<Seen> seen_;
  std::map<int, std::string> openPaths_;
  std::map<DIR*, std::string> openDirectories_;
};

}  // namespace kestal::platform
