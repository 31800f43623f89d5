#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestal::platform {

// The only code that touches files and directories. Failures are results:
// nothing here throws or prints.

bool FileExists(const std::string& path);       // a regular file, or a link to one
bool DirectoryExists(const std::string& path);  // a directory, or a link to one
std::optional<uint64_t> FileSize(const std::string& path);
// Seconds since the file was last modified; negative when that lies ahead.
std::optional<int64_t> SecondsSinceModified(const std::string& path);

// The whole file, or nothing when it cannot be read.
std::optional<std::string> ReadFile(const std::string& path);

// Creates the file or truncates an existing one, then writes the bytes.
bool WriteFile(const std::string& path, std::string_view data);
// Appends the bytes; creates the file when it does not exist.
bool AppendFile(const std::string& path, std::string_view data);
// Creates a new file with the bytes; fails, touching nothing, when the name is taken.
// The name appears only when the file is whole (a temporary file is renamed to it).
bool CreateNewFile(const std::string& path, std::string_view data);
// As CreateNewFile, with the bytes on disk before the name appears: for a file
// whose source is deleted next (SyncDirectory then puts the name on disk too).
bool CreateNewFileSynced(const std::string& path, std::string_view data);
// Puts the directory's entries (new names, removals) on disk.
bool SyncDirectory(const std::string& directory);
// Writes the bytes to a temporary file in the same directory and renames it over
// `path`, so that `path` always holds either the old or the whole new content.
bool ReplaceFile(const std::string& path, std::string_view data);
// Copies the bytes of `from` to `to` (created or truncated).
bool CopyFile(const std::string& from, const std::string& to);
bool DeleteFile(const std::string& path);
// Renames, also across directories of one file system; never replaces an existing `to`.
bool RenameNoReplace(const std::string& from, const std::string& to);
// Renames `from` over `to`, replacing it.
bool RenameReplace(const std::string& from, const std::string& to);

struct DirEntry {
  std::string Name;
  uint64_t Size = 0;
};
// The regular files of a directory (hidden ones and links to regular files
// included, directories not), sorted by name. Empty when it cannot be listed.
std::vector<DirEntry> ListFiles(const std::string& directory);

std::string CurrentDirectory();
bool ChangeDirectory(const std::string& path);
// The directory of the running executable, without a trailing "/".
std::string ExecutableDirectory();

// A file kept open for appending, for the log.
class AppendStream {
 public:
  AppendStream() = default;
  AppendStream(const AppendStream&) = delete;
  AppendStream& operator=(const AppendStream&) = delete;
  ~AppendStream();

  // Opens for appending, creating the file when missing.
  bool Open(const std::string& path);
  bool IsOpen() const { return fd_ >= 0; }
  bool Write(std::string_view data);
  void Close();

 private:
  int fd_ = -1;
};

}  // namespace kestal::platform
