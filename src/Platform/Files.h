#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/SystemCalls.h"

namespace kestal::platform {

// The outcome of a file operation: done, or the system's reason (errno) for not.
class [[nodiscard]] FileStatus {
 public:
  static FileStatus Done() { return FileStatus(0); }
  static FileStatus Failed(int error) { return FileStatus(error == 0 ? -1 : error); }

  bool ok() const { return error_ == 0; }
  explicit operator bool() const { return ok(); }
  // The system's words for the failure, "" when done.
  std::string Reason() const;
  // errno of the failure; 0 when done, -1 when the failure set none.
  int Error() const { return error_; }

 private:
  explicit FileStatus(int error) : error_(error) {}
  int error_;  // errno; -1 when the failure set none
};

// What tells that a file changed: its size and modification time.
struct FileStamp {
  uint64_t Size = 0;
  int64_t ModifiedSeconds = 0;
  int64_t ModifiedNanoseconds = 0;
  bool operator==(const FileStamp&) const = default;
};

// A file read only when it is a regular one no larger than a limit.
struct LimitedRead {
  enum class Outcome { Read, Missing, NotRegular, TooLarge, Failed };
  Outcome Result = Outcome::Failed;
  std::string Content;                     // when Read
  FileStatus Status = FileStatus::Done();  // the system's reason when Failed
};

// A file's bytes in memory that was not cleared before they were read into
// it: a packet is read once, straight into its buffer.
class FileBytes {
 public:
  std::string_view View() const { return std::string_view(data_.get(), size_); }
  size_t size() const { return size_; }
  char* data() { return data_.get(); }
  // Keeps the first bytes; bytes added are left as they are, to be read into.
  void resize(size_t size);

 private:
  std::unique_ptr<char[]> data_;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

struct DirEntry {
  std::string Name;
  uint64_t Size = 0;
};

// The only code that touches files and directories. Failures are results:
// nothing here throws or prints. Every system call goes through `calls`, which
// tests replace to make a chosen call fail.
class FileSystem {
 public:
  explicit FileSystem(SystemCalls& calls = RealSystemCalls()) : calls_(calls) {}

  [[nodiscard]] bool FileExists(const std::string& path) const;       // a regular file, or a link to one
  [[nodiscard]] bool DirectoryExists(const std::string& path) const;  // a directory, or a link to one
  [[nodiscard]] std::optional<uint64_t> FileSize(const std::string& path) const;
  [[nodiscard]] std::optional<FileStamp> Stamp(const std::string& path) const;
  // Seconds since the file was last modified; negative when that lies ahead.
  [[nodiscard]] std::optional<int64_t> SecondsSinceModified(const std::string& path) const;

  // The whole file, or nothing when it cannot be read.
  [[nodiscard]] std::optional<std::string> ReadFile(const std::string& path) const;
  // The whole file when it is a regular file of at most `maxSize` bytes. Anything
  // else (a FIFO, a device, a directory) is refused before it is opened, and is
  // never opened in a way that could wait for a writer; a file that grows past
  // the limit while it is read is refused too, having cost at most the limit.
  [[nodiscard]] LimitedRead ReadRegularFile(const std::string& path, uint64_t maxSize) const;
  // The same in a buffer of its own, for a file read only to be scanned.
  [[nodiscard]] std::optional<FileBytes> ReadFileBytes(const std::string& path) const;
  // The file's bytes as they stand; empty when the file is empty or unreadable.
  [[nodiscard]] std::string ReadWholeFile(const std::string& path) const;

  // Creates the file or truncates an existing one, then writes the bytes.
  FileStatus WriteFile(const std::string& path, std::string_view data) const;
  // Appends the bytes; creates the file when it does not exist.
  FileStatus AppendFile(const std::string& path, std::string_view data) const;
  // Creates a new file with the bytes; fails, touching nothing, when the name is taken.
  // The name appears only when the file is whole.
  FileStatus CreateNewFile(const std::string& path, std::string_view data) const;
  // As CreateNewFile, with the bytes on disk before the name appears: for a file
  // whose source is deleted next (SyncDirectory then puts the name on disk too).
  FileStatus CreateNewFileSynced(const std::string& path, std::string_view data) const;
  // Puts the directory's entries (new names, removals) on disk.
  FileStatus SyncDirectory(const std::string& directory) const;
  // Writes the bytes to a temporary file in the same directory, syncs it and
  // renames it over `path`, so that `path` always holds either the old or the
  // whole new content.
  FileStatus ReplaceFile(const std::string& path, std::string_view data) const;
  // Copies the bytes of `from` to `to` (created or truncated).
  FileStatus CopyFile(const std::string& from, const std::string& to) const;
  FileStatus DeleteFile(const std::string& path) const;
  // Renames, also across directories of one file system; never replaces an existing `to`.
  FileStatus RenameNoReplace(const std::string& from, const std::string& to) const;
  // Renames `from` over `to`, replacing it.
  FileStatus RenameReplace(const std::string& from, const std::string& to) const;

  // The regular files of a directory (hidden ones and links to regular files
  // included, directories not), sorted by name. Empty when it cannot be listed.
  [[nodiscard]] std::vector<DirEntry> ListFiles(const std::string& directory) const;

  SystemCalls& Calls() const { return calls_; }

 private:
  FileStatus CreateNew(const std::string& path, std::string_view data, bool sync) const;

  SystemCalls& calls_;
};

// Whether the name is one of the temporary names a replacement is written under
// ("." + the file's name + "." + six characters, or + the process and a count).
bool IsTemporaryName(std::string_view name);

// A file kept open for appending, for the log.
class AppendStream {
 public:
  AppendStream() = default;
  AppendStream(const AppendStream&) = delete;
  AppendStream& operator=(const AppendStream&) = delete;
  ~AppendStream();

  // Opens for appending, creating the file when missing.
  [[nodiscard]] bool Open(const FileSystem& files, const std::string& path);
  bool IsOpen() const { return fd_ >= 0; }
  [[nodiscard]] bool Write(std::string_view data);
  void Close();

 private:
  SystemCalls* calls_ = nullptr;
  int fd_ = -1;
};

}  // namespace kestal::platform
