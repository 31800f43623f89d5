// pktdump: shows what a FidoNet packet holds and where its framing breaks, the way
// kestal frames it. It only reads: the packet file is never changed.

#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "PacketDump.h"
#include "Platform/Files.h"

namespace {

constexpr const char* kUsage =
    "usage: pktdump [-v] <packet>...\n"
    "  Prints each packet's header and messages (area, names, addresses, subject,\n"
    "  date, size, kludges) and says where the framing breaks.\n"
    "  -v  also print the text of every message\n"
    "Exit code: 0 every packet is sound, 1 a packet's framing is broken,\n"
    "           2 a file cannot be read or the arguments are wrong.\n";

constexpr int kSound = 0;
constexpr int kBroken = 1;
constexpr int kTrouble = 2;

}  // namespace

int main(int argc, char** argv) {
  bool verbose = false;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "-v") {
      verbose = true;
    } else if (arg.size() > 1 && arg.front() == '-') {
      std::cerr << "pktdump: unknown option " << arg << "\n" << kUsage;
      return kTrouble;
    } else {
      files.push_back(arg);
    }
  }
  if (files.empty()) {
    std::cerr << kUsage;
    return kTrouble;
  }
  int code = kSound;
  for (size_t i = 0; i < files.size(); ++i) {
    if (i > 0) std::cout << '\n';
    std::optional<std::string> packet = kestal::platform::FileSystem().ReadFile(files[i]);
    if (!packet) {
      std::cout.flush();
      std::cerr << "pktdump: cannot read " << files[i] << '\n';
      code = kTrouble;
      continue;
    }
    std::cout << "== " << files[i] << ", " << packet->size() << " bytes\n";
    if (pktdump::DumpPacket(*packet, verbose, std::cout) > 0 && code == kSound) code = kBroken;
  }
  std::cout.flush();
  return std::cout ? code : kTrouble;
}
