// One whole packet through the packet reader, message parsing and a fixed set of
// rules, so that matching and every action run on hostile bytes too: flags,
// copies, moves, reports to every party, the save file, error reports, traffic
// counting and the rewrite, backup or deletion of the packet.
//
// The header's baud word, which kestal only copies, picks the variant of the
// settings, so that one corpus also reaches KeepEmpty, SafeMode, NetMail off and
// the password check.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "FuzzHome.h"
#include "Pkt/Packet.h"
#include "RoConfig/Config.h"
#include "RoConfig/Language.h"
#include "RoTrf/Traffic.h"
#include "RoConfig/Passwords.h"
#include "RoTypes/RunExit.h"

namespace {

using kestal::fuzz::WriteBytes;

constexpr const char* kPacketName = "FUZZ.PKT";
constexpr const char* kTrafficFile = "20261210.trf";
constexpr size_t kBaudWord = 16;
constexpr const char* kWorkDirs[] = {"in", "net", "out", "bak", "trf", "tpl"};

// Areas and names that the seed packets use pick the rules.
constexpr std::string_view kConfig =
    "[General]\n"
    "Address=2:5020/100\n"
    "AKA=1:1/1\n"
    "EchoMailPath=in\n"
    "PktBackupPath=bak\n"
    "ReportPath=net\n"
    "ReportOutPath=out\n"
    "ReportError=Yes\n"
    "TrfPath=trf\n"
    "TemplatePath=tpl\n"
    "Log=/dev/null\n"
    "NetMail=Yes\n"
    "Tagline=Read-only\n"
    "Origin=Guard node\n"
    "ReportToMain=main.tpl\n"
    "\n"
    "[Ro]\n"
    "Area=COPY.*\n"
    "Copy=COPY.DONE\n"
    "Flag=copy.flg\n"
    "\n"
    "[Ro]\n"
    "Area=MOVE.* !MOVE.KEEP\n"
    "Move=MOVED\n"
    "\n"
    "[Ro]\n"
    "Area=*\n"
    "NameFrom=Spam*\n"
    "ReportToRo=ro.tpl\n"
    "ReportToUplink=uplink.tpl\n"
    "ReportToPktFrom=ro.tpl\n"
    "ReportToPktTo=ro.tpl\n"
    "UplinkAddress=%PktFrom%\n"
    "UplinkName=Uplink\n"
    "KestalName=Guard\n"
    "SaveToFile=saved.txt\n"
    "\n"
    "[Ro]\n"
    "Area=*\n"
    "BodyMask=advert\n"
    "KludgeMask=PID\n"
    "ReportOnly=Yes\n"
    "ReportToRo=ro.tpl\n"
    "\n"
    "[Ro]\n"
    "Area=RO.*\n"
    "AddrFrom=%PktFromNode% 1:*/*\n"
    "Subj=Re: Hello*\n"
    "UplinkAddress=%AddrFrom%\n"
    "ReportToUplink=uplink.tpl\n"
    "\n"
    "[Ro]\n"
    "Area=NetMail\n"
    "NameTo=Robot\n"
    "ViaMask=SEEN\n"
    "MsgSize=100\n"
    "\n"
    "[Ro]\n"
    "Area=RO.*\n"
    "Chrs=CP866*\n"
    "PID=Gold*\n"
    "TID=*\n"
    "Name=*\n"
    "UplinkAddress=%AddrToNode%\n"
    "ReportToUplink=uplink.tpl\n";

constexpr std::string_view kMessageTemplate =
    "Read-only: %Area%\r\n"
    "%FromName%(L,20)|%FromAddr%|%ToName%(R,10)|%ToAddr%|%Subject%(C,30)\r\n"
    "%MsgDateTime% %MsgDate% %MsgTime% %RoNum% %DateTime%\r\n"
    "%MsgHeader%\r\n%MsgKludges%\r\n%MsgText%\r\n%MsgVias%\r\n%MsgBody%\r\n"
    "%UplinkName% %UplinkAddr%\r\n";

class PacketHome {
 public:
  PacketHome() : scratch_("packet"), home_(scratch_.path()) {
    for (const char* dir : kWorkDirs) std::filesystem::create_directories(scratch_ / dir);
    WriteBytes(scratch_ / "english.lng", kestal::EncodeLanguage(kestal::fuzz::LanguageTexts()));
    for (const char* name : {"main.tpl", "ro.tpl", "uplink.tpl", "save.tpl"}) {
      WriteBytes(scratch_ / ("tpl/" + std::string(name)), kMessageTemplate);
    }
    for (const char* name : {"trf.tpl", "stat.tpl"}) WriteBytes(scratch_ / ("tpl/" + std::string(name)), "");
    WriteBytes(scratch_ / "Kestal.Ini", kConfig);
    kestal::Run& run = home_.run;
    try {
      kestal::LoadConfig(run.ForConfig());
    } catch (const kestal::RunExit&) {
      std::abort();  // the harness's own configuration must load
    }
    run.Traffic.Enabled = true;
    run.Traffic.TodayTrafficFile = run.Config.TrfPath + kTrafficFile;
    WriteBytes(scratch_ / "pwd.lst", "2:5020/1 SECRET\n2:5020/2\n2:5020/1 other\n");
    kestal::LoadPasswords(kestal::platform::FileSystem(), scratch_ / "pwd.lst", passwords_);
    settings_ = run.Config;
  }

  void Scan(std::string_view packet) {
    kestal::Run& run = home_.run;
    ChooseSettings(packet.size() > kBaudWord ? packet[kBaudWord] : 0);
    // As the driver does, the packet is scanned from within its directory.
    std::filesystem::current_path(scratch_ / "in");
    WriteBytes(kPacketName, packet);
    run.Progress.TotalBytes = static_cast<int64_t>(packet.size());
    run.PrepareRules();
    kestal::ScanPacket(run.ForScan(), ".", kPacketName, static_cast<int64_t>(packet.size()));
    (void)kestal::SaveTrafficFile(run.ForTraffic());  // its failures are not what is fuzzed
    std::filesystem::current_path(run.StartDir);
    Reset();
  }

 private:
  void ChooseSettings(char bits) {
    kestal::Run& run = home_.run;
    run.Config = settings_;
    run.Config.KeepEmpty = bits & 1;
    run.Config.SafeMode = bits & 2;
    run.Config.NetMail = !(bits & 4);
    run.Passwords.clear();
    if (bits & 8) {
      run.Config.PasswordFile = scratch_ / "pwd.lst";
      run.Passwords = passwords_;
    }
  }

  // Every input starts from the same files and counts.
  void Reset() {
    kestal::Run& run = home_.run;
    for (const char* dir : kWorkDirs) {
      if (std::string_view(dir) != "tpl") kestal::fuzz::EmptyDirectory(scratch_ / dir);
    }
    run.Counters = kestal::RunCounters{};
    run.Traffic.List.clear();
    run.Netmail.NextMsgNumber.clear();
    run.Progress.ScannedBytes = 0;
    run.Progress.Percent = -1;
  }

  kestal::fuzz::ScratchDir scratch_;
  kestal::fuzz::FuzzRun home_;
  kestal::Settings settings_;  // as the configuration gives them
  kestal::PasswordList passwords_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static PacketHome home;
  home.Scan(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
