#include "DemoInbound.h"

#include <string>

#include "ToolsLib/PacketDescription.h"
#include "Platform/Files.h"

namespace pktgen {
namespace {

struct DemoPacket {
  const char* name;
  const char* description;
};

// A read-only area RU.ANNOUNCE where only "Moderator" may write, a free area
// RU.TEST, a netmail, and a packet whose first message type is not 2.
const DemoPacket kDemoPackets[] = {
    {"0a1b2c01.pkt", R"(# Echomail from the uplink
orig 2:5020/1
dest 2:5020/100
message
area RU.ANNOUNCE
from Moderator
subject Rules of RU.ANNOUNCE
fromaddr 2:5020/1
kludge MSGID: 2:5020/1 6a1f0001
kludge CHRS: CP866 2
line Only announcements here, please. Discussions go to RU.TEST.
tearline GoldED+/LNX 1.1.5
origin The uplink (2:5020/1)
seenby 5020/1 100
path 5020/1
message
area RU.ANNOUNCE
from Vasya Pupkin
subject Re: Rules of RU.ANNOUNCE
fromaddr 2:5020/777
kludge MSGID: 2:5020/777.3 6a1f0002
kludge REPLY: 2:5020/1 6a1f0001
kludge CHRS: CP866 2
line Why can't I write here?
tearline
origin Vasya's point (2:5020/777.3)
seenby 5020/1 100 777
path 5020/777 1
message
area RU.TEST
from Vasya Pupkin
subject Test
fromaddr 2:5020/777
kludge MSGID: 2:5020/777.3 6a1f0003
line Test, test.
tearline
origin Vasya's point (2:5020/777.3)
seenby 5020/1 100 777
path 5020/777 1
)"},
    {"0a1b2c02.pkt", R"(# A netmail to the sysop
orig 2:5020/1
dest 2:5020/100
message
from Petr Ivanov
to Sysop
subject Hello
fromaddr 2:5020/1
toaddr 2:5020/100
attr 1
kludge INTL 2:5020/100 2:5020/1
kludge FMPT 5
kludge MSGID: 2:5020/1.5 6a1f0004
line Hello! Netmail is never touched unless NetMail=Yes.
)"},
    {"0a1b2c03.pkt", R"(# Not a type 2 packet: renamed to 0a1b2c03.BAD
orig 2:5020/1
dest 2:5020/100
raw \x01\x00\x00\x00
noend
)"},
};

}  // namespace

bool WriteDemoInbound(const std::string& directory, std::string& error) {
  for (const DemoPacket& demo : kDemoPackets) {
    std::string packet;
    if (!kestal::BuildPacketFromDescription(demo.description, packet, error)) {
      error = std::string(demo.name) + ": " + error;
      return false;
    }
    const std::string path = directory + "/" + demo.name;
    if (!kestal::platform::FileSystem().WriteFile(path, packet)) {
      error = "cannot write " + path;
      return false;
    }
  }
  return true;
}

}  // namespace pktgen
