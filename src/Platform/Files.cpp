#include "Platform/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <memory>

#include "Platform/FdIo.h"

namespace kestal::platform {

std::string FileStatus::Reason() const {
  if (error_ == 0) return "";
  if (error_ < 0) return "failed";
  return std::strerror(error_);
}

namespace {

constexpr mode_t kNewFileMode = 0666;  // narrowed by the umask, as for any new file

FileStatus StatusOf(bool done) { return done ? FileStatus::Done() : FileStatus::Failed(errno); }

bool StatFollowingLinks(SystemCalls& calls, const std::string& path, struct stat& info) {
  return calls.Stat(path, info) == 0;
}

bool WriteToPath(SystemCalls& calls, const std::string& path, int flags, mode_t mode,
                 std::string_view data) {
  int fd = calls.Open(path, O_WRONLY | O_CLOEXEC | flags, mode);
  if (fd < 0) return false;
  if (!WriteAll(calls, fd, data)) {
    CloseQuietly(calls, fd);
    return false;
  }
  return CloseChecked(calls, fd);
}

// Creates `path` exclusively; a file left half written is removed again, so a
// failure leaves nothing behind.
bool WriteExclusive(SystemCalls& calls, const std::string& path, std::string_view data,
                    mode_t mode) {
  int fd = calls.Open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0) return false;
  if (!WriteAll(calls, fd, data) || calls.Fsync(fd) != 0) {
    CloseQuietly(calls, fd);
    UnlinkQuietly(calls, path);
    return false;
  }
  if (!CloseChecked(calls, fd)) {
    UnlinkQuietly(calls, path);
    return false;
  }
  return true;
}

mode_t CurrentUmask() {
  mode_t mask = umask(0);
  umask(mask);
  return mask;
}

// The mode of any newly created file.
mode_t NewFileMode() { return kNewFileMode & ~CurrentUmask(); }

// A link is followed, so that replacing a linked file (a configuration kept
// elsewhere) updates that file instead of turning the link into a copy.
std::string ReplacementTarget(SystemCalls& calls, const std::string& path) {
  struct stat info {};
  if (calls.Lstat(path, info) != 0 || !S_ISLNK(info.st_mode)) return path;
  std::unique_ptr<char, decltype(&free)> resolved(realpath(path.c_str(), nullptr), &free);
  return resolved ? std::string(resolved.get()) : path;
}

std::string DirectoryPart(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

constexpr std::string_view kTemporarySuffix = "XXXXXX";

std::string TemporaryPattern(const std::string& path) {
  constexpr size_t kMaxBaseLength = 200;  // leaves room for the dot and suffix in NAME_MAX
  size_t slash = path.rfind('/');
  std::string directory = slash == std::string::npos ? "." : path.substr(0, slash);
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  if (base.size() > kMaxBaseLength) base.resize(kMaxBaseLength);
  return directory + "/." + base + "." + std::string(kTemporarySuffix);
}

// The new file gets the permissions of the file it replaces, or those of any
// newly created file.
mode_t ReplacementMode(SystemCalls& calls, const std::string& target) {
  struct stat info {};
  if (StatFollowingLinks(calls, target, info)) return info.st_mode & 07777;
  return NewFileMode();
}

bool SyncDirectory(SystemCalls& calls, const std::string& directory) {
  int fd = calls.Open(directory, O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (fd < 0) return false;
  if (calls.Fsync(fd) != 0) {
    CloseQuietly(calls, fd);
    return false;
  }
  return CloseChecked(calls, fd);
}

template <typename Buffer>
std::optional<Buffer> ReadPath(SystemCalls& calls, const std::string& path,
                               std::optional<Buffer> (*readAll)(SystemCalls&, int) = ReadAll) {
  int fd = calls.Open(path, O_RDONLY | O_CLOEXEC, 0);
  if (fd < 0) return std::nullopt;
  std::optional<Buffer> content = readAll(calls, fd);
  CloseQuietly(calls, fd);  // read-only: everything that matters has been read
  return content;
}

// The outcome, with errno as the reason of a failure.
LimitedRead Ended(LimitedRead::Outcome outcome) {
  LimitedRead result;
  result.Result = outcome;
  if (outcome == LimitedRead::Outcome::Failed) result.Status = FileStatus::Failed(errno);
  return result;
}

LimitedRead ReadOpenRegularFile(SystemCalls& calls, int fd, uint64_t maxSize) {
  using Outcome = LimitedRead::Outcome;
  struct stat info {};
  if (calls.Fstat(fd, info) != 0) return Ended(Outcome::Failed);
  if (!S_ISREG(info.st_mode)) return Ended(Outcome::NotRegular);
  std::optional<std::string> content = ReadAtMost(calls, fd, maxSize + 1);
  if (!content) return Ended(Outcome::Failed);
  if (content->size() > maxSize) return Ended(Outcome::TooLarge);
  LimitedRead result = Ended(Outcome::Read);
  result.Content = std::move(*content);
  return result;
}

// A rename across file systems: a copy created exclusively (so an existing `to`
// stays untouched), then the source deleted. On failure both names are as before.
bool MoveAcrossFileSystems(SystemCalls& calls, const std::string& from, const std::string& to) {
  struct stat info {};
  if (!StatFollowingLinks(calls, from, info)) return false;
  if (!S_ISREG(info.st_mode)) {
    errno = EINVAL;
    return false;
  }
  std::optional<std::string> content = ReadPath<std::string>(calls, from);
  if (!content) return false;
  if (!WriteExclusive(calls, to, *content, info.st_mode & 07777)) return false;
  if (calls.Unlink(from) != 0) {
    UnlinkQuietly(calls, to);
    return false;
  }
  return true;
}

// For file systems without RENAME_NOREPLACE: a hard link fails when `to` is
// taken, which makes the check and the rename one step.
bool LinkThenUnlink(SystemCalls& calls, const std::string& from, const std::string& to) {
  if (calls.Link(from, to) != 0) {
    if (errno == EXDEV) return MoveAcrossFileSystems(calls, from, to);
    if (errno != EPERM) return false;
    // No hard links either (FAT and the like): check, then rename.
    struct stat info {};
    if (calls.Lstat(to, info) == 0) {
      errno = EEXIST;
      return false;
    }
    if (errno != ENOENT) return false;
    return calls.Rename(from, to) == 0;
  }
  if (calls.Unlink(from) != 0) {
    UnlinkQuietly(calls, to);
    return false;
  }
  return true;
}

bool RenameWithoutReplacing(SystemCalls& calls, const std::string& from, const std::string& to) {
  if (calls.RenameNoReplace(from, to) == 0) return true;
  if (errno == EXDEV) return MoveAcrossFileSystems(calls, from, to);
  // EINVAL: the file system does not support the flag.
  if (errno != EINVAL && errno != ENOSYS) return false;
  return LinkThenUnlink(calls, from, to);
}

// Unnamed files (O_TMPFILE) are written whole before they get a name, so that a
// process killed meanwhile leaves nothing behind, and never an empty or short
// file under the name, where a reader (a tosser scanning *.msg) would take it for
// a whole one. Where the file system cannot make them, or /proc (through which
// they are named) is missing, a named temporary file serves.
constexpr mode_t kUnnamedMode = 0600;  // set to the final mode before the file is named

enum class Unnamed {
  Done,
  Failed,       // errno tells why
  Unsupported,  // this file system or system cannot make or name unnamed files
};

struct UnnamedFile {
  Unnamed Result = Unnamed::Failed;
  int Fd = -1;  // open when Done
};

// An unnamed file beside `path` holding the bytes, with `mode`, on disk when `sync`.
UnnamedFile WriteUnnamed(SystemCalls& calls, const std::string& path, std::string_view data,
                         mode_t mode, bool sync) {
  const int fd = calls.Open(DirectoryPart(path), O_TMPFILE | O_WRONLY | O_CLOEXEC, kUnnamedMode);
  if (fd < 0) {
    const bool unsupported = errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL;
    return {unsupported ? Unnamed::Unsupported : Unnamed::Failed, -1};
  }
  if (calls.Fchmod(fd, mode) != 0 || !WriteAll(calls, fd, data) ||
      (sync && calls.Fsync(fd) != 0)) {
    CloseQuietly(calls, fd);
    return {Unnamed::Failed, -1};
  }
  return {Unnamed::Done, fd};
}

bool HasProcFd(SystemCalls& calls) {
  struct stat info {};
  return calls.Stat("/proc/self/fd", info) == 0 && S_ISDIR(info.st_mode);
}

// Gives the unnamed file the name `path`; fails, errno EEXIST, when it is taken.
Unnamed LinkUnnamed(SystemCalls& calls, int fd, const std::string& path) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (calls.Link(self, path) == 0) return Unnamed::Done;
  const int error = errno;
  const bool unsupported = error == ENOENT && !HasProcFd(calls);
  errno = error;
  return unsupported ? Unnamed::Unsupported : Unnamed::Failed;
}

// The same under a temporary name beside `path`: the name, or nothing (and no
// file) on failure.
std::optional<std::string> WriteNamedTemporary(SystemCalls& calls, const std::string& path,
                                               std::string_view data, mode_t mode, bool sync) {
  std::string temporary = TemporaryPattern(path);
  const int fd = calls.MakeTemporary(temporary);
  if (fd < 0) return std::nullopt;
  if (calls.Fchmod(fd, mode) != 0 || !WriteAll(calls, fd, data) ||
      (sync && calls.Fsync(fd) != 0)) {
    CloseQuietly(calls, fd);
    UnlinkQuietly(calls, temporary);
    return std::nullopt;
  }
  if (!CloseChecked(calls, fd)) {
    UnlinkQuietly(calls, temporary);
    return std::nullopt;
  }
  return temporary;
}

Unnamed CreateUnnamedThenLink(SystemCalls& calls, const std::string& path, std::string_view data,
                              bool sync) {
  const UnnamedFile file = WriteUnnamed(calls, path, data, NewFileMode(), sync);
  if (file.Result != Unnamed::Done) return file.Result;
  const Unnamed linked = LinkUnnamed(calls, file.Fd, path);
  if (linked != Unnamed::Done) {
    CloseQuietly(calls, file.Fd);
    return linked;
  }
  if (!CloseChecked(calls, file.Fd)) {
    UnlinkQuietly(calls, path);
    return Unnamed::Failed;
  }
  return Unnamed::Done;
}

bool CreateThroughTemporaryName(SystemCalls& calls, const std::string& path,
                                std::string_view data, bool sync) {
  const std::optional<std::string> temporary =
      WriteNamedTemporary(calls, path, data, NewFileMode(), sync);
  if (!temporary) return false;
  if (RenameWithoutReplacing(calls, *temporary, path)) return true;
  UnlinkQuietly(calls, *temporary);
  return false;
}

// Links the unnamed file under a free temporary name beside `target`.
Unnamed LinkUnderTemporaryName(SystemCalls& calls, int fd, const std::string& target,
                               std::string& temporary) {
  constexpr int kNameAttempts = 100;
  Unnamed linked = Unnamed::Failed;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    temporary = TemporaryPattern(target);
    const std::string suffix = std::to_string(getpid()) + "-" + std::to_string(attempt);
    temporary.replace(temporary.size() - kTemporarySuffix.size(), kTemporarySuffix.size(), suffix);
    linked = LinkUnnamed(calls, fd, temporary);
    if (linked != Unnamed::Failed || errno != EEXIST) break;
  }
  return linked;
}

// A rename needs a name to rename from: the unnamed file, on disk and whole, is
// linked under a free temporary name just before the rename.
Unnamed ReplaceUnnamed(SystemCalls& calls, const std::string& target, std::string_view data) {
  const UnnamedFile file = WriteUnnamed(calls, target, data, ReplacementMode(calls, target), true);
  if (file.Result != Unnamed::Done) return file.Result;
  std::string temporary;
  const Unnamed linked = LinkUnderTemporaryName(calls, file.Fd, target, temporary);
  if (linked != Unnamed::Done) {
    CloseQuietly(calls, file.Fd);
    return linked;
  }
  if (!CloseChecked(calls, file.Fd) || calls.Rename(temporary, target) != 0) {
    UnlinkQuietly(calls, temporary);
    return Unnamed::Failed;
  }
  return Unnamed::Done;
}

bool ReplaceThroughTemporaryName(SystemCalls& calls, const std::string& target,
                                 std::string_view data) {
  const std::optional<std::string> temporary =
      WriteNamedTemporary(calls, target, data, ReplacementMode(calls, target), true);
  if (!temporary) return false;
  if (calls.Rename(*temporary, target) == 0) return true;
  UnlinkQuietly(calls, *temporary);
  return false;
}

}  // namespace

bool IsTemporaryName(std::string_view name) {
  if (!name.starts_with('.')) return false;
  const size_t dot = name.rfind('.');
  if (dot == 0) return false;
  const std::string_view suffix = name.substr(dot + 1);
  const bool mkstempSuffix = suffix.size() == kTemporarySuffix.size() &&
                             std::all_of(suffix.begin(), suffix.end(), [](char c) {
                               return std::isalnum(static_cast<unsigned char>(c)) != 0;
                             });
  const size_t dash = suffix.find('-');
  const auto digits = [](std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
      return c >= '0' && c <= '9';
    });
  };
  const bool processSuffix = dash != std::string_view::npos && digits(suffix.substr(0, dash)) &&
                             digits(suffix.substr(dash + 1));
  return mkstempSuffix || processSuffix;
}

bool FileSystem::FileExists(const std::string& path) const {
  struct stat info {};
  return StatFollowingLinks(calls_, path, info) && S_ISREG(info.st_mode);
}

bool FileSystem::DirectoryExists(const std::string& path) const {
  struct stat info {};
  return StatFollowingLinks(calls_, path, info) && S_ISDIR(info.st_mode);
}

std::optional<uint64_t> FileSystem::FileSize(const std::string& path) const {
  struct stat info {};
  if (!StatFollowingLinks(calls_, path, info) || !S_ISREG(info.st_mode)) return std::nullopt;
  return static_cast<uint64_t>(info.st_size);
}

std::optional<FileStamp> FileSystem::Stamp(const std::string& path) const {
  struct stat info {};
  if (!StatFollowingLinks(calls_, path, info)) return std::nullopt;
  return FileStamp{static_cast<uint64_t>(info.st_size), static_cast<int64_t>(info.st_mtim.tv_sec),
                   static_cast<int64_t>(info.st_mtim.tv_nsec)};
}

std::optional<int64_t> FileSystem::SecondsSinceModified(const std::string& path) const {
  struct stat info {};
  struct timespec now {};
  if (!StatFollowingLinks(calls_, path, info) || clock_gettime(CLOCK_REALTIME, &now) != 0) {
    return std::nullopt;
  }
  return static_cast<int64_t>(now.tv_sec) - static_cast<int64_t>(info.st_mtim.tv_sec);
}

std::optional<std::string> FileSystem::ReadFile(const std::string& path) const {
  return ReadPath<std::string>(calls_, path);
}

std::optional<FileBytes> FileSystem::ReadFileBytes(const std::string& path) const {
  return ReadPath(calls_, path, ReadAllBytes);
}

void FileBytes::resize(size_t size) {
  if (size > capacity_) {
    std::unique_ptr<char[]> grown = std::make_unique_for_overwrite<char[]>(size);
    if (size_ > 0) std::memcpy(grown.get(), data_.get(), size_);
    data_ = std::move(grown);
    capacity_ = size;
  }
  size_ = size;
}

LimitedRead FileSystem::ReadRegularFile(const std::string& path, uint64_t maxSize) const {
  using Outcome = LimitedRead::Outcome;
  struct stat info {};
  if (!StatFollowingLinks(calls_, path, info)) {
    return Ended(errno == ENOENT ? Outcome::Missing : Outcome::Failed);
  }
  if (!S_ISREG(info.st_mode)) return Ended(Outcome::NotRegular);
  if (static_cast<uint64_t>(info.st_size) > maxSize) return Ended(Outcome::TooLarge);
  // The name may have been swapped for a FIFO since the stat: O_NONBLOCK keeps
  // the open from waiting for a writer, and the descriptor is checked again.
  const int fd = calls_.Open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC, 0);
  if (fd < 0) return Ended(errno == ENOENT ? Outcome::Missing : Outcome::Failed);
  LimitedRead result = ReadOpenRegularFile(calls_, fd, maxSize);
  CloseQuietly(calls_, fd);  // read-only: everything that matters has been read
  return result;
}

std::string FileSystem::ReadWholeFile(const std::string& path) const {
  return ReadFile(path).value_or(std::string());
}

FileStatus FileSystem::WriteFile(const std::string& path, std::string_view data) const {
  return StatusOf(WriteToPath(calls_, path, O_CREAT | O_TRUNC, kNewFileMode, data));
}

FileStatus FileSystem::AppendFile(const std::string& path, std::string_view data) const {
  return StatusOf(WriteToPath(calls_, path, O_CREAT | O_APPEND, kNewFileMode, data));
}

FileStatus FileSystem::CreateNewFile(const std::string& path, std::string_view data) const {
  return CreateNew(path, data, false);
}

FileStatus FileSystem::CreateNewFileSynced(const std::string& path, std::string_view data) const {
  return CreateNew(path, data, true);
}

FileStatus FileSystem::CreateNew(const std::string& path, std::string_view data, bool sync) const {
  const Unnamed created = CreateUnnamedThenLink(calls_, path, data, sync);
  if (created != Unnamed::Unsupported) return StatusOf(created == Unnamed::Done);
  return StatusOf(CreateThroughTemporaryName(calls_, path, data, sync));
}

FileStatus FileSystem::SyncDirectory(const std::string& directory) const {
  return StatusOf(platform::SyncDirectory(calls_, directory));
}

FileStatus FileSystem::ReplaceFile(const std::string& path, std::string_view data) const {
  const std::string target = ReplacementTarget(calls_, path);
  const Unnamed replaced = ReplaceUnnamed(calls_, target, data);
  const bool done = replaced == Unnamed::Unsupported
                        ? ReplaceThroughTemporaryName(calls_, target, data)
                        : replaced == Unnamed::Done;
  if (!done) return FileStatus::Failed(errno);
  // The new content is already in place; an unsynced directory entry could
  // still bring the old one back after a power cut, which is no worse than
  // not having replaced it, so this is not a failure of the replacement.
  (void)platform::SyncDirectory(calls_, DirectoryPart(target));
  return FileStatus::Done();
}

FileStatus FileSystem::CopyFile(const std::string& from, const std::string& to) const {
  // Read whole before the destination is truncated, so copying a file onto
  // itself keeps its bytes.
  std::optional<std::string> content = ReadFile(from);
  if (!content) return FileStatus::Failed(errno);
  return WriteFile(to, *content);
}

FileStatus FileSystem::DeleteFile(const std::string& path) const {
  return StatusOf(calls_.Unlink(path) == 0);
}

FileStatus FileSystem::RenameNoReplace(const std::string& from, const std::string& to) const {
  return StatusOf(RenameWithoutReplacing(calls_, from, to));
}

FileStatus FileSystem::RenameReplace(const std::string& from, const std::string& to) const {
  if (calls_.Rename(from, to) == 0) return FileStatus::Done();
  if (errno != EXDEV) return FileStatus::Failed(errno);
  std::optional<std::string> content = ReadFile(from);
  if (!content) return FileStatus::Failed(errno);
  if (FileStatus replaced = ReplaceFile(to, *content); !replaced) return replaced;
  return DeleteFile(from);
}

}  // namespace kestal::platform
