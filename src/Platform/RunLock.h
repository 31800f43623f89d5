#pragma once

#include <string>
#include <vector>

#include "Platform/Files.h"

namespace kestal::platform {

// Exclusive locks on files and directories the run reads anyway (its
// configuration, its inbound directories), held until the run ends, however it
// ends: the kernel drops them with the process, so a killed run leaves no stale
// lock, and no lock file is made that another user might own.
class RunLock {
 public:
  RunLock() = default;
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;
  ~RunLock();

  // Takes the locks of every path, in a fixed order so that two runs never wait
  // on each other; waits up to `waitSeconds` for a run that holds one. On
  // failure the locks taken are let go and `error` names the path and why.
  [[nodiscard]] bool Acquire(const FileSystem& files, std::vector<std::string> paths,
                             int waitSeconds, std::string& error);
  void Release();

 private:
  SystemCalls* calls_ = nullptr;
  std::vector<int> fds_;
};

}  // namespace kestal::platform
