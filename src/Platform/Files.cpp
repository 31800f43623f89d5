#include "Platform/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "Platform/FdIo.h"

namespace kestal::platform {

namespace {

constexpr mode_t kNewFileMode = 0666;  // narrowed by the umask, as for any new file

bool StatFollowingLinks(const std::string& path, struct stat& info) {
  return stat(path.c_str(), &info) == 0;
}

bool WriteToPath(const std::string& path, int flags, mode_t mode, std::string_view data) {
  int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC | flags, mode);
  if (fd < 0) return false;
  bool written = WriteAll(fd, data);
  return CloseChecked(fd) && written;
}

// Creates `path` exclusively; a file left half written is removed again, so a
// failure leaves nothing behind.
bool WriteExclusive(const std::string& path, std::string_view data, mode_t mode) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, data);
  ok = ok && fsync(fd) == 0;
  ok = CloseChecked(fd) && ok;
  if (!ok) unlink(path.c_str());
  return ok;
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
std::string ReplacementTarget(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
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
mode_t ReplacementMode(const std::string& target) {
  struct stat info {};
  if (StatFollowingLinks(target, info)) return info.st_mode & 07777;
  return NewFileMode();
}

// A rename across file systems: a copy created exclusively (so an existing `to`
// stays untouched), then the source deleted. On failure both names are as before.
bool MoveAcrossFileSystems(const std::string& from, const std::string& to) {
  struct stat info {};
  if (!StatFollowingLinks(from, info) || !S_ISREG(info.st_mode)) return false;
  std::optional<std::string> content = ReadFile(from);
  if (!content) return false;
  if (!WriteExclusive(to, *content, info.st_mode & 07777)) return false;
  if (unlink(from.c_str()) != 0) {
    unlink(to.c_str());
    return false;
  }
  return true;
}

// For file systems without RENAME_NOREPLACE: a hard link fails when `to` is
// taken, which makes the check and the rename one step.
bool LinkThenUnlink(const std::string& from, const std::string& to) {
  if (link(from.c_str(), to.c_str()) != 0) {
    if (errno == EXDEV) return MoveAcrossFileSystems(from, to);
    if (errno != EPERM) return false;
    // No hard links either (FAT and the like): check, then rename.
    struct stat info {};
    if (lstat(to.c_str(), &info) == 0 || errno != ENOENT) return false;
    return rename(from.c_str(), to.c_str()) == 0;
  }
  if (unlink(from.c_str()) != 0) {
    unlink(to.c_str());
    return false;
  }
  return true;
}

}  // namespace

bool FileExists(const std::string& path) {
  struct stat info {};
  return StatFollowingLinks(path, info) && S_ISREG(info.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat info {};
  return StatFollowingLinks(path, info) && S_ISDIR(info.st_mode);
}

std::optional<uint64_t> FileSize(const std::string& path) {
  struct stat info {};
  if (!StatFollowingLinks(path, info) || !S_ISREG(info.st_mode)) return std::nullopt;
  return static_cast<uint64_t>(info.st_size);
}

std::optional<int64_t> SecondsSinceModified(const std::string& path) {
  struct stat info {};
  struct timespec now {};
  if (!StatFollowingLinks(path, info) || clock_gettime(CLOCK_REALTIME, &now) != 0) {
    return std::nullopt;
  }
  return static_cast<int64_t>(now.tv_sec) - static_cast<int64_t>(info.st_mtim.tv_sec);
}

std::optional<std::string> ReadFile(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::optional<std::string> content = ReadAll(fd);
  close(fd);
  return content;
}

bool WriteFile(const std::string& path, std::string_view data) {
  return WriteToPath(path, O_CREAT | O_TRUNC, kNewFileMode, data);
}

bool AppendFile(const std::string& path, std::string_view data) {
  return WriteToPath(path, O_CREAT | O_APPEND, kNewFileMode, data);
}

namespace {

// Unnamed files (O_TMPFILE) are written whole before they get a name, so that a
// process killed meanwhile leaves nothing behind, and never an empty or short
// file under the name, where a reader (a tosser scanning *.msg) would take it for
// a whole one. Where the file system cannot make them, or /proc (through which
// they are named) is missing, a named temporary file serves.
constexpr mode_t kUnnamedMode = 0600;  // set to the final mode before the file is named

// An unnamed file beside `path` holding the bytes, with `mode`, on disk when
// `sync`; -1 on failure, `unsupported` telling the file systems that cannot make
// one from other failures.
int WriteUnnamed(const std::string& path, std::string_view data, mode_t mode, bool sync,
                 bool& unsupported) {
  const int fd = open(DirectoryPart(path).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, kUnnamedMode);
  unsupported = fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL);
  if (fd < 0) return -1;
  if (fchmod(fd, mode) != 0 || !WriteAll(fd, data) || (sync && fsync(fd) != 0)) {
    close(fd);
    return -1;
  }
  return fd;
}

// Gives the unnamed file the name `path`; fails, errno EEXIST, when it is taken.
bool LinkUnnamed(int fd, const std::string& path, bool& unsupported) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
  const int error = errno;
  unsupported = error == ENOENT && !DirectoryExists("/proc/self/fd");
  errno = error;
  return false;
}

// The same under a temporary name beside `path`: the name, or nothing (and no
// file) on failure.
std::optional<std::string> WriteNamedTemporary(const std::string& path, std::string_view data,
                                               mode_t mode, bool sync) {
  std::string temporary = TemporaryPattern(path);
  const int fd = mkstemp(temporary.data());
  if (fd < 0) return std::nullopt;
  bool ok = fchmod(fd, mode) == 0 && WriteAll(fd, data) && (!sync || fsync(fd) == 0);
  ok = CloseChecked(fd) && ok;
  if (!ok) {
    unlink(temporary.c_str());
    return std::nullopt;
  }
  return temporary;
}

// Nothing when unnamed files cannot be made here.
std::optional<bool> CreateUnnamedThenLink(const std::string& path, std::string_view data,
                                          bool sync) {
  bool unsupported = false;
  const int fd = WriteUnnamed(path, data, NewFileMode(), sync, unsupported);
  if (fd < 0) return unsupported ? std::nullopt : std::optional<bool>(false);
  const bool linked = LinkUnnamed(fd, path, unsupported);
  if (!CloseChecked(fd)) {
    if (linked) unlink(path.c_str());
    return false;
  }
  if (unsupported) return std::nullopt;
  return linked;
}

bool CreateThroughTemporaryName(const std::string& path, std::string_view data, bool sync) {
  const std::optional<std::string> temporary = WriteNamedTemporary(path, data, NewFileMode(), sync);
  if (!temporary) return false;
  if (RenameNoReplace(*temporary, path)) return true;
  unlink(temporary->c_str());
  return false;
}

// A rename needs a name to rename from: the unnamed file, on disk and whole, is
// linked under a free temporary name just before the rename. Nothing when
// unnamed files cannot be made here.
std::optional<bool> ReplaceUnnamed(const std::string& target, std::string_view data) {
  bool unsupported = false;
  const int fd = WriteUnnamed(target, data, ReplacementMode(target), true, unsupported);
  if (fd < 0) return unsupported ? std::nullopt : std::optional<bool>(false);
  std::string temporary;
  bool linked = false;
  constexpr int kNameAttempts = 100;
  for (int attempt = 0; !linked && attempt < kNameAttempts; ++attempt) {
    temporary = TemporaryPattern(target);
    const std::string suffix = std::to_string(getpid()) + "-" + std::to_string(attempt);
    temporary.replace(temporary.size() - kTemporarySuffix.size(), kTemporarySuffix.size(), suffix);
    linked = LinkUnnamed(fd, temporary, unsupported);
    if (!linked && errno != EEXIST) break;
  }
  const bool closed = CloseChecked(fd);
  if (linked && (!closed || rename(temporary.c_str(), target.c_str()) != 0)) {
    unlink(temporary.c_str());
    return false;
  }
  if (unsupported) return std::nullopt;
  return linked && closed;
}

bool ReplaceThroughTemporaryName(const std::string& target, std::string_view data) {
  const std::optional<std::string> temporary =
      WriteNamedTemporary(target, data, ReplacementMode(target), true);
  if (!temporary) return false;
  if (rename(temporary->c_str(), target.c_str()) == 0) return true;
  unlink(temporary->c_str());
  return false;
}

}  // namespace

bool CreateNewFile(const std::string& path, std::string_view data) {
  const std::optional<bool> created = CreateUnnamedThenLink(path, data, false);
  return created ? *created : CreateThroughTemporaryName(path, data, false);
}

bool CreateNewFileSynced(const std::string& path, std::string_view data) {
  const std::optional<bool> created = CreateUnnamedThenLink(path, data, true);
  return created ? *created : CreateThroughTemporaryName(path, data, true);
}

bool SyncDirectory(const std::string& directory) {
  const int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = fsync(fd) == 0;
  const int error = errno;
  close(fd);
  errno = error;
  return synced;
}

bool ReplaceFile(const std::string& path, std::string_view data) {
  const std::string target = ReplacementTarget(path);
  const std::optional<bool> unnamed = ReplaceUnnamed(target, data);
  if (!(unnamed ? *unnamed : ReplaceThroughTemporaryName(target, data))) return false;
  SyncDirectory(DirectoryPart(target));  // best effort: the rename itself has already succeeded
  return true;
}

bool CopyFile(const std::string& from, const std::string& to) {
  // Read whole before the destination is truncated, so copying a file onto
  // itself keeps its bytes.
  std::optional<std::string> content = ReadFile(from);
  return content && WriteFile(to, *content);
}

bool DeleteFile(const std::string& path) { return unlink(path.c_str()) == 0; }

bool RenameNoReplace(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno == EXDEV) return MoveAcrossFileSystems(from, to);
  // EINVAL: the file system does not support the flag.
  if (errno != EINVAL && errno != ENOSYS) return false;
  return LinkThenUnlink(from, to);
}

bool RenameReplace(const std::string& from, const std::string& to) {
  if (rename(from.c_str(), to.c_str()) == 0) return true;
  if (errno != EXDEV) return false;
  std::optional<std::string> content = ReadFile(from);
  return content && ReplaceFile(to, *content) && DeleteFile(from);
}

}  // namespace kestal::platform
