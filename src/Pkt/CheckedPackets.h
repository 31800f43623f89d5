#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Files.h"
#include "RoTypes/ActionResult.h"

namespace kestal {

// The packets a run left in an echomail directory, as it left them, so that a
// later run over the same packets (the tosser failed, or two runs came before
// it) changes nothing and reports nothing twice: a Copy rule would add another
// copy each time, a ReportOnly rule send the same report again. The record
// holds for the configuration it was made under; a packet that changed since
// is checked again.
class CheckedPackets {
 public:
  // The record's file in each echomail directory; a dot file, never a packet.
  static constexpr std::string_view kFileName = ".kestal-checked";

  // The record of `directory`, empty when there is none or it belongs to
  // another configuration (`configHash`) or cannot be read.
  static CheckedPackets Load(const platform::FileSystem& files, const std::string& directory,
                             uint64_t configHash);

  // Whether the packet was left with these very bytes.
  bool Unchanged(const std::string& name, std::string_view bytes) const;
  // The packet stays with these bytes.
  void Left(const std::string& name, std::string_view bytes);
  // Writes the record for the packets that are still there; entries of packets
  // that are gone are dropped.
  ActionResult Save(const platform::FileSystem& files,
                    const std::vector<std::string>& present) const;

 private:
  struct Entry {
    uint64_t Size = 0;
    uint64_t Hash = 0;
  };

  std::string directory_;
  uint64_t configHash_ = 0;
  std::map<std::string, Entry> entries_;
};

}  // namespace kestal
