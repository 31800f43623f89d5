// pktgen: writes FidoNet type 2 packets for the tests, the demo and the benchmark.
// The description language of "pktgen write" is documented in ToolsLib/PacketDescription.h.

#include <cstdint>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "DemoInbound.h"
#include "ToolsLib/PacketDescription.h"
#include "Platform/Files.h"
#include "RandomInbound.h"

namespace {

constexpr const char* kUsage =
    "usage: pktgen write <description|-> <out.pkt>   a packet from its description\n"
    "       pktgen demo <dir>                         the demo inbound\n"
    "       pktgen random --seed N --size-mb M [--areas A] [--writers W] --out <dir>\n"
    "                                                 an inbound of at least M megabytes\n"
    "                                                 of echomail that N fixes byte for byte\n";

int Fail(const std::string& message) {
  std::cerr << "pktgen: " << message << "\n";
  return 1;
}

int Usage() {
  std::cerr << kUsage;
  return 2;
}

int Write(const std::string& descriptionPath, const std::string& outPath) {
  std::optional<std::string> description;
  if (descriptionPath == "-") {
    description.emplace(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  } else {
    description = kestal::platform::FileSystem().ReadFile(descriptionPath);
  }
  if (!description) return Fail("cannot read " + descriptionPath);
  std::string packet;
  std::string error;
  if (!kestal::BuildPacketFromDescription(*description, packet, error)) {
    return Fail(descriptionPath + ": " + error);
  }
  if (!kestal::platform::FileSystem().WriteFile(outPath, packet)) return Fail("cannot write " + outPath);
  return 0;
}

int Demo(const std::string& directory) {
  std::string error;
  return pktgen::WriteDemoInbound(directory, error) ? 0 : Fail(error);
}

// A whole number, or nothing.
std::optional<int64_t> Number(const std::string& text) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos ||
      text.size() > 18) {
    return std::nullopt;
  }
  return std::stoll(text);
}

int Random(const std::vector<std::string>& args) {
  pktgen::RandomInboundOptions options;
  bool seedGiven = false;
  bool sizeGiven = false;
  for (size_t i = 0; i + 1 < args.size(); i += 2) {
    const std::string& key = args[i];
    const std::string& value = args[i + 1];
    if (key == "--out") {
      options.OutDir = value;
      continue;
    }
    const std::optional<int64_t> number = Number(value);
    if (!number) return Usage();
    if (key == "--seed") {
      options.Seed = static_cast<uint64_t>(*number);
      seedGiven = true;
    } else if (key == "--size-mb") {
      options.SizeMb = *number;
      sizeGiven = true;
    } else if (key == "--areas" && *number <= 100000) {
      options.Areas = static_cast<int>(*number);
    } else if (key == "--writers" && *number <= 1000000) {
      options.Writers = static_cast<int>(*number);
    } else {
      return Usage();
    }
  }
  if (args.size() % 2 != 0 || !seedGiven || !sizeGiven || options.OutDir.empty()) return Usage();
  std::string error;
  return pktgen::WriteRandomInbound(options, error) ? 0 : Fail(error);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const std::string command = args.empty() ? "" : args[0];
  if (command == "write" && args.size() == 3) return Write(args[1], args[2]);
  if (command == "demo" && args.size() == 2) return Demo(args[1]);
  if (command == "random") return Random(std::vector<std::string>(args.begin() + 1, args.end()));
  return Usage();
}
