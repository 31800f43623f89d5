#include <fcntl.h>

#include "Platform/FdIo.h"
#include "Platform/Files.h"

namespace kestal::platform {

AppendStream::~AppendStream() { Close(); }

bool AppendStream::Open(const FileSystem& files, const std::string& path) {
  Close();
  calls_ = &files.Calls();
  fd_ = calls_->Open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  return fd_ >= 0;
}

bool AppendStream::Write(std::string_view data) {
  return IsOpen() && WriteAll(*calls_, fd_, data);
}

void AppendStream::Close() {
  if (!IsOpen()) return;
  // The log's last lines were written, or their failures seen, by Write.
  CloseQuietly(*calls_, fd_);
  fd_ = -1;
}

}  // namespace kestal::platform
