#include "Platform/Archive.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace kestal::platform {

namespace {

constexpr size_t kReadBlockSize = 65536;

using ArchiveReader = std::unique_ptr<archive, decltype(&archive_read_free)>;

std::string ErrorOf(archive* reader) {
  const char* message = archive_error_string(reader);
  return message != nullptr ? message : "unknown archive error";
}

// Only formats whose index sits at the end of the file and is checked: a ZIP
// file's central directory (the seekable reader needs it, where the streaming
// one would read a file cut between members as a shorter whole archive) and
// 7-Zip's end header. A file cut short anywhere then fails to open. Tar, ar and
// the like end wherever the file ends, and mtree takes its members' bytes from
// local files it names, so they are not read; nor is a bare compressed stream.
bool SupportBundleFormats(archive* reader) {
  return archive_read_support_format_zip_seekable(reader) >= ARCHIVE_WARN &&
         archive_read_support_format_7zip(reader) >= ARCHIVE_WARN;
}

std::string MemberName(archive_entry* entry) {
  const char* name = archive_entry_pathname(entry);
  return name != nullptr ? name : "";
}

// The member's bytes, block by block, counted against both limits.
bool ReadMemberData(archive* reader, const std::string& name, const ArchiveLimits& limits,
                    uint64_t& totalBytes, std::string& bytes, std::string& error) {
  for (;;) {
    const size_t used = bytes.size();
    bytes.resize(used + kReadBlockSize);
    const la_ssize_t got = archive_read_data(reader, bytes.data() + used, kReadBlockSize);
    // A warning here is a checksum or size that does not match: the bytes are wrong.
    if (got < 0) {
      error = "member \"" + name + "\": " + ErrorOf(reader);
      return false;
    }
    bytes.resize(used + static_cast<size_t>(got));
    if (got == 0) return true;
    totalBytes += static_cast<uint64_t>(got);
    if (bytes.size() > limits.MaxMemberBytes) {
      error = "member \"" + name + "\" is larger than " + std::to_string(limits.MaxMemberBytes) +
              " bytes, the limit";
      return false;
    }
    if (totalBytes > limits.MaxTotalBytes) {
      error = "the members are larger than " + std::to_string(limits.MaxTotalBytes) +
              " bytes in all, the limit";
      return false;
    }
  }
}

bool ReadMembers(archive* reader, const ArchiveLimits& limits, const ArchiveMemberVisitor& visit,
                 std::string& error) {
  uint64_t totalBytes = 0;
  for (;;) {
    archive_entry* entry = nullptr;
    const int status = archive_read_next_header(reader, &entry);
    if (status == ARCHIVE_EOF) return true;
    // A warning on a header is about its name or attributes, which are not used.
    if (status < ARCHIVE_WARN) {
      error = ErrorOf(reader);
      return false;
    }
    const std::string name = MemberName(entry);
    const mode_t type = archive_entry_filetype(entry);
    if (type == AE_IFDIR) continue;
    if (type != AE_IFREG) {
      error = "member \"" + name + "\" is not a regular file";
      return false;
    }
    if (archive_entry_size_is_set(entry) != 0 &&
        static_cast<uint64_t>(archive_entry_size(entry)) > limits.MaxMemberBytes) {
      error = "member \"" + name + "\" declares more than " +
              std::to_string(limits.MaxMemberBytes) + " bytes, the limit";
      return false;
    }
    std::string bytes;
    if (!ReadMemberData(reader, name, limits, totalBytes, bytes, error)) return false;
    if (!visit(name, std::move(bytes))) return true;
  }
}

bool ReadOpenArchive(int fd, const ArchiveLimits& limits, const ArchiveMemberVisitor& visit,
                     std::string& error) {
  ArchiveReader reader(archive_read_new(), &archive_read_free);
  if (!reader) {
    error = "cannot start an archive reader";
    return false;
  }
  if (!SupportBundleFormats(reader.get()) ||
      archive_read_open_fd(reader.get(), fd, kReadBlockSize) != ARCHIVE_OK) {
    error = ErrorOf(reader.get());
    return false;
  }
  if (!ReadMembers(reader.get(), limits, visit, error)) return false;
  if (archive_read_close(reader.get()) != ARCHIVE_OK) {
    error = ErrorOf(reader.get());
    return false;
  }
  return true;
}

}  // namespace

bool ReadArchive(const std::string& path, const ArchiveLimits& limits,
                 const ArchiveMemberVisitor& visit, std::string& error) {
  // Not blocking: a pipe under the name must not hang the run.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  struct stat info {};
  bool read = false;
  if (fstat(fd, &info) != 0) {
    error = std::strerror(errno);
  } else if (!S_ISREG(info.st_mode)) {
    error = "not a regular file";
  } else {
    read = ReadOpenArchive(fd, limits, visit, error);
  }
  close(fd);  // read only: nothing is lost when the close fails
  if (!read) error = path + ": " + error;
  return read;
}

}  // namespace kestal::platform
