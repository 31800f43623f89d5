#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Platform/Archive.h"
#include "Platform/Files.h"

namespace kestal {

// Compressed mail bundles in an echomail directory, unpacked into the packets
// they hold so that those packets are checked like any other.

using BundleLimits = platform::ArchiveLimits;

enum class BundleStatus {
  Unpacked,  // every packet is in place and the bundle deleted
  Arriving,  // recently modified and not readable whole: likely still being received
  Refused,   // not a whole archive of packets, or over a limit
  Failed,    // a packet could not be written or the bundle deleted
};

struct BundleOutcome {
  std::string Bundle;  // the bundle's file name
  BundleStatus Status = BundleStatus::Refused;
  std::vector<std::string> Packets;  // the names written, in archive order, when unpacked
  std::string Error;                 // the path and the reason, when not unpacked
};

// The bundle names among the directory's files, sorted; empty when it cannot be listed.
std::vector<std::string> ListBundles(const platform::FileSystem& files, const std::string& directory);

// Unpacks one bundle of `directory`. The whole archive is read and every member
// checked (a packet name, at least a packet header long) before anything is
// written; each packet then gets a fresh name of its own (8 hex digits + ".pkt"),
// and the bundle is deleted only when all of them are on disk. Whatever fails,
// the bundle is left as it was and no packet of it stays behind.
BundleOutcome UnpackBundle(const platform::FileSystem& files, const std::string& directory,
                           const std::string& bundleName, const BundleLimits& limits);

}  // namespace kestal
