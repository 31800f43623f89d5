#include "Pkt/Bundles.h"

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <unordered_set>

#include "Pkt/PacketFormat.h"
#include "Utils/BundleName.h"
#include "Utils/Text.h"

namespace kestal {

namespace {

// A bundle modified this recently that does not read whole is taken to be still
// arriving; it is left either way, only the report differs.
constexpr int64_t kArrivalSeconds = 60;
// Names are skipped when listed; a name taken only after the listing (another
// program writing packets meanwhile) costs one more try, this many at most.
constexpr int kMaxCreateAttempts = 1000;
constexpr std::string_view kPacketExtension = ".pkt";
constexpr size_t kBundleDigits = 8;

bool HasPacketExtension(std::string_view name) {
  return name.size() >= kPacketExtension.size() &&
         EqualsIgnoreCaseAscii(name.substr(name.size() - kPacketExtension.size()),
                               kPacketExtension);
}

bool IsRecent(const platform::FileSystem& files, const std::string& path) {
  const std::optional<int64_t> age = files.SecondsSinceModified(path);
  return age && *age < kArrivalSeconds;
}

// Reads the whole bundle into `packets`; on failure sets the outcome's status
// and error.
bool ReadPackets(const platform::FileSystem& files, const std::string& path,
                 const BundleLimits& limits,
                 std::vector<std::string>& packets, BundleOutcome& outcome) {
  std::string refusal;
  const auto takePacket = [&](const std::string& name, std::string&& bytes) {
    if (!HasPacketExtension(name)) {
      refusal = "member \"" + name + "\" is not a packet";
    } else if (bytes.size() < pkt::header::kSize) {
      refusal = "member \"" + name + "\" is shorter than a packet header";
    } else {
      packets.push_back(std::move(bytes));
      return true;
    }
    return false;
  };
  if (!platform::ReadArchive(path, limits, takePacket, outcome.Error)) {
    outcome.Status = IsRecent(files, path) ? BundleStatus::Arriving : BundleStatus::Refused;
    return false;
  }
  if (refusal.empty() && packets.empty()) refusal = "holds no packet";
  if (refusal.empty()) return true;
  outcome.Status = BundleStatus::Refused;
  outcome.Error = path + ": " + refusal;
  return false;
}

// Packet names free in the directory, counting up from the bundle's own digits
// so that they can be foreseen. Case is ignored: tossers may not tell
// "0000FF9D.PKT" from "0000ff9d.pkt".
class FreshPacketNames {
 public:
  // The bundle name has passed IsBundleName, so its digits parse.
  FreshPacketNames(const platform::FileSystem& files, const std::string& directory,
                   std::string_view bundleName) {
    std::from_chars(bundleName.data(), bundleName.data() + kBundleDigits, next_, 16);
    for (const platform::DirEntry& entry : files.ListFiles(directory)) {
      taken_.insert(UpperCaseAscii(entry.Name));
    }
  }

  // A name neither listed nor handed out before; the search ends, as a directory
  // cannot hold all 2^32 names.
  std::string Next() {
    for (;;) {
      char name[16];
      std::snprintf(name, sizeof name, "%08x", static_cast<unsigned>(next_++));
      const std::string candidate = name + std::string(kPacketExtension);
      if (taken_.insert(UpperCaseAscii(candidate)).second) return candidate;
    }
  }

 private:
  uint32_t next_ = 0;
  std::unordered_set<std::string> taken_;  // upper-cased
};

std::optional<std::string> WritePacket(const platform::FileSystem& files,
                                       const std::string& directory, FreshPacketNames& names,
                                       const std::string& bytes, std::string& error) {
  for (int attempt = 0; attempt < kMaxCreateAttempts; ++attempt) {
    const std::string name = names.Next();
    const std::string path = directory + "/" + name;
    const platform::FileStatus created = files.CreateNewFileSynced(path, bytes);
    if (created) return name;
    if (created.Error() != EEXIST) {
      error = path + ": " + created.Reason();
      return std::nullopt;
    }
  }
  error = directory + ": no free packet name";
  return std::nullopt;
}

// The packets and their names on disk, or false with the error; the names
// written so far are in the outcome either way.
bool WritePackets(const platform::FileSystem& files, const std::string& directory,
                  const std::string& bundleName, const std::vector<std::string>& packets,
                  BundleOutcome& outcome) {
  FreshPacketNames names(files, directory, bundleName);
  for (const std::string& packet : packets) {
    std::optional<std::string> name =
        WritePacket(files, directory, names, packet, outcome.Error);
    if (!name) return false;
    outcome.Packets.push_back(std::move(*name));
  }
  if (const platform::FileStatus synced = files.SyncDirectory(directory); !synced) {
    outcome.Error = directory + ": " + synced.Reason();
    return false;
  }
  return true;
}

bool DeleteBundle(const platform::FileSystem& files, const std::string& path, std::string& error) {
  const platform::FileStatus deleted = files.DeleteFile(path);
  if (!deleted) error = path + ": " + deleted.Reason();
  return deleted.ok();
}

// Takes back the packets of a bundle that stays; one that cannot be removed is
// named in the error.
void RemovePackets(const platform::FileSystem& files, const std::string& directory,
                   std::vector<std::string>& packets, std::string& error) {
  for (const std::string& name : packets) {
    const std::string path = directory + "/" + name;
    const platform::FileStatus deleted = files.DeleteFile(path);
    if (!deleted) error += "; left behind " + path + ": " + deleted.Reason();
  }
  packets.clear();
}

}  // namespace

std::vector<std::string> ListBundles(const platform::FileSystem& files, const std::string& directory) {
  std::vector<std::string> bundles;
  for (const platform::DirEntry& entry : files.ListFiles(directory)) {
    if (IsBundleName(entry.Name)) bundles.push_back(entry.Name);
  }
  return bundles;
}

BundleOutcome UnpackBundle(const platform::FileSystem& files, const std::string& directory,
                           const std::string& bundleName, const BundleLimits& limits) {
  BundleOutcome outcome;
  outcome.Bundle = bundleName;
  const std::string path = directory + "/" + bundleName;
  std::vector<std::string> packets;
  if (!IsBundleName(bundleName)) {
    outcome.Status = BundleStatus::Refused;
    outcome.Error = path + ": not a bundle name";
  } else if (ReadPackets(files, path, limits, packets, outcome)) {
    // The packets and their names reach the disk before the bundle goes: a crash
    // in between at worst unpacks the bundle twice, and never loses a packet.
    if (WritePackets(files, directory, bundleName, packets, outcome) &&
        DeleteBundle(files, path, outcome.Error)) {
      outcome.Status = BundleStatus::Unpacked;
    } else {
      outcome.Status = BundleStatus::Failed;
      RemovePackets(files, directory, outcome.Packets, outcome.Error);
    }
  }
  // Member names and the archive library's messages come from the bundle's bytes.
  outcome.Error = CleanLine(outcome.Error);
  return outcome;
}

}  // namespace kestal
