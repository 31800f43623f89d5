#include <fcntl.h>
#include <unistd.h>

#include "Platform/FdIo.h"
#include "Platform/Files.h"

namespace kestal::platform {

AppendStream::~AppendStream() { Close(); }

bool AppendStream::Open(const std::string& path) {
  Close();
  fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  return fd_ >= 0;
}

bool AppendStream::Write(std::string_view data) { return IsOpen() && WriteAll(fd_, data); }

void AppendStream::Close() {
  if (!IsOpen()) return;
  CloseChecked(fd_);
  fd_ = -1;
}

}  // namespace kestal::platform
