#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace kestal::platform {

// Bounds on what reading one archive may unpack, counted in uncompressed bytes
// as they are read (the sizes an archive declares can lie).
struct ArchiveLimits {
  uint64_t MaxMemberBytes = 0;
  uint64_t MaxTotalBytes = 0;
};

// Receives each regular member, whole, in archive order; false stops the read.
using ArchiveMemberVisitor = std::function<bool(const std::string& name, std::string&& bytes)>;

// Reads the ZIP or 7-Zip archive at `path` and hands its regular members to
// `visit`; directories are skipped. False, with `error` naming the path and the
// reason, when the file is not a whole archive of one of those formats (cut
// short, corrupt, a bad checksum), a member is neither a regular file nor a
// directory, or a limit is passed. Members visited before a failure were read
// whole, but the archive as a whole was not.
bool ReadArchive(const std::string& path, const ArchiveLimits& limits,
                 const ArchiveMemberVisitor& visit, std::string& error);

}  // namespace kestal::platform
