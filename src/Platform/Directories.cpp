#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "Platform/Files.h"
#include "Platform/Process.h"

namespace kestal::platform {

namespace {

bool IsDotOrDotDot(const char* name) {
  return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

}  // namespace

std::vector<DirEntry> FileSystem::ListFiles(const std::string& directory) const {
  std::vector<DirEntry> files;
  DIR* listing = calls_.OpenDirectory(directory);
  if (listing == nullptr) return files;
  while (const dirent* entry = calls_.ReadDirectory(listing)) {
    if (IsDotOrDotDot(entry->d_name)) continue;
    // Following links: a link to a regular file counts as that file.
    struct stat info {};
    if (calls_.StatEntry(listing, entry->d_name, info) != 0 || !S_ISREG(info.st_mode)) continue;
    files.push_back({entry->d_name, static_cast<uint64_t>(info.st_size)});
  }
  (void)calls_.CloseDirectory(listing);  // nothing was written through it
  std::sort(files.begin(), files.end(),
            [](const DirEntry& a, const DirEntry& b) { return a.Name < b.Name; });
  return files;
}

std::string CurrentDirectory() {
  std::string buffer(256, '\0');
  for (;;) {
    if (getcwd(buffer.data(), buffer.size()) != nullptr) return buffer.c_str();
    if (errno != ERANGE) return ".";
    buffer.resize(buffer.size() * 2);
  }
}

bool ChangeDirectory(const std::string& path) { return chdir(path.c_str()) == 0; }

std::string ExecutableDirectory() {
  std::string buffer(256, '\0');
  for (;;) {
    ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    // Without /proc the current directory is the best remaining guess.
    if (length < 0) return ".";
    if (static_cast<size_t>(length) < buffer.size()) {
      buffer.resize(static_cast<size_t>(length));
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
  size_t slash = buffer.rfind('/');
  return slash == std::string::npos ? "." : buffer.substr(0, slash);
}

}  // namespace kestal::platform
