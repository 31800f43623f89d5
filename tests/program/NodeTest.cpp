// A whole node on one machine: the uplink's mailer sends packets and bundles over
// TCP to our node's mailer, whose after-session hook is the README's script
// (kestal, then the tosser); the tosser's scan then packs the reports, and our
// mailer hands them to the uplink.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "FReport/MsgFormat.h"
#include "TestSupport.h"
#include "ToolsLib/PacketWriter.h"
#include "Utils/Address.h"

namespace kestal::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr char kBinkd[] = "/usr/sbin/binkd";
constexpr char kCrashmail[] = "/usr/bin/crashmail";
constexpr auto kDeadline = std::chrono::seconds(30);
constexpr char kUplink[] = "2:5020/1";
constexpr char kOurNode[] = "2:5020/100";
// Outbound file names of mail to a node: its net and node in hex (5020/100, 5020/1).
constexpr char kToOurNode[] = "139c0064";
constexpr char kToUplink[] = "139c0001";

// Polls `done` until it holds or the deadline passes.
template <typename Done>
bool WaitUntil(Done done) {
  const Clock::time_point end = Clock::now() + kDeadline;
  while (!done()) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// A program started in a process group of its own. The group (the mailer, its
// session children and the hooks they run) is ended with the object, however the
// test ends.
class Daemon {
 public:
  Daemon(const std::vector<std::string>& argv, const std::string& consolePath) {
    posix_spawn_file_actions_t files;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, consolePath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&files, STDOUT_FILENO, STDERR_FILENO);
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    const int error =
        posix_spawn(&pid_, argv[0].c_str(), &files, &attributes, args.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
      pid_ = -1;
      ADD_FAILURE() << "cannot start " << argv[0] << ": " << std::strerror(error);
    }
  }
  ~Daemon() {
    if (pid_ <= 0) return;
    kill(-pid_, SIGTERM);
    // The leader is reaped only after the whole group was killed: until then its
    // pid, and with it the group's id, cannot be given to another process.
    siginfo_t info;
    const bool ended = WaitUntil([&] {
      info.si_pid = 0;
      return waitid(P_PID, pid_, &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid == pid_;
    });
    kill(-pid_, SIGKILL);
    if (!ended) ADD_FAILURE() << "process " << pid_ << " did not end on SIGTERM";
    waitpid(pid_, nullptr, 0);
  }
  Daemon(const Daemon&) = delete;
  Daemon& operator=(const Daemon&) = delete;

 private:
  pid_t pid_ = -1;
};

// binkd cannot listen on port 0 and say which port it got: probe from a start
// that differs between test runs side by side (ctest -j, other worktrees).
int FreePortFrom(int first) {
  for (int port = first; port < first + 500 && port < 65536; ++port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    if (bound) return port;
  }
  return -1;
}

// One echomail message of the uplink's feed.
struct Mail {
  std::string area;
  std::string writer;
  std::string address;
  std::string line;
  bool breaksRule = false;
};

// Where the uplink's tosser left a packet: under `fileName` in its outbound
// (a *.out file, which binkd sends as a .pkt of a fresh name), as a bare packet
// named in its flow file, or as `packetName` inside a ZIP bundle.
struct Parcel {
  std::string fileName;
  std::string packetName;  // inside the bundle; empty for a bare packet
  std::vector<Mail> mails;
};

// The moderator writes in RU.ANNOUNCE, everybody else breaks its rule. Both
// bundles hold a packet of the same name, as two runs of a tosser make them.
const std::vector<Parcel> kFeed = {
    {std::string(kToOurNode) + ".out",
     "",
     {{"RU.ANNOUNCE", "Moderator", "2:5020/1", "The area opens on Monday", false},
      {"RU.ANNOUNCE", "Vasya Pupkin", "2:5020/777", "Buy my modem, cheap", true}}},
    {"5f3a0001.pkt",
     "",
     {{"RU.TEST", "Ann Author", "2:5020/1.5", "Testing the new link", false},
      {"RU.TALK", "Boris Talker", "2:5020/779", "Nice weather today", false}}},
    {"0000ff9d.mo0",
     "a0000001.pkt",
     {{"RU.ANNOUNCE", "Petr Petrov", "2:5020/778", "Flame war starts here", true},
      {"RU.TALK", "Galina Reader", "2:5020/780", "Who reads this area?", false}}},
    {"0000ff9d.mo1",
     "a0000001.pkt",
     {{"RU.TEST", "Dmitry Tester", "2:5020/1", "Second test message", false},
      {"RU.ANNOUNCE", "Olga Point", "2:5020/779.2", "Point spam in announce", true}}},
};
size_t Violations() {
  size_t count = 0;
  for (const Parcel& parcel : kFeed) {
    for (const Mail& mail : parcel.mails) count += mail.breaksRule ? 1 : 0;
  }
  return count;
}

const std::vector<std::string> kAreas = {"RU.ANNOUNCE", "RU.TEST", "RU.TEST.ARCHIVE", "RU.TALK"};
// The Copy rule's area and the area it copies to.
constexpr char kCopiedArea[] = "RU.TEST";
constexpr char kCopyArea[] = "RU.TEST.ARCHIVE";

MessageDraft Draft(const Mail& mail, int serial) {
  MessageDraft draft;
  EXPECT_TRUE(ParseAddress(mail.address, draft.From)) << mail.address;
  EXPECT_TRUE(ParseAddress(kOurNode, draft.To));
  draft.FromName = mail.writer;
  draft.Subject = "News";
  draft.Area = mail.area;
  draft.Kludges = {"MSGID: " + mail.address + " 1234567" + std::to_string(serial)};
  draft.Lines = {mail.line};
  draft.Tearline = "GoldED";
  draft.Origin = "Somewhere (" + mail.address + ")";
  draft.SeenBy = {"5020/1 100"};
  draft.Path = {"5020/1"};
  return draft;
}

std::string PacketOf(const std::vector<Mail>& mails, int& serial) {
  PacketHeaderDraft header;
  EXPECT_TRUE(ParseAddress(kUplink, header.Orig));
  EXPECT_TRUE(ParseAddress(kOurNode, header.Dest));
  std::vector<MessageDraft> drafts;
  for (const Mail& mail : mails) drafts.push_back(Draft(mail, ++serial));
  return PacketBytes(header, drafts);
}

// The writer (the From field of the header) and the text of a stored message.
struct StoredMessage {
  std::string writer;
  std::string text;
};

std::vector<StoredMessage> StoredMessages(const std::string& areaDirectory) {
  std::vector<StoredMessage> messages;
  for (const std::string& name : ListNames(areaDirectory)) {
    if (fs::path(name).extension() != ".msg") continue;
    const std::string bytes = ReadBytes(areaDirectory + "/" + name);
    if (bytes.size() < static_cast<size_t>(msgformat::kHeaderSize)) {
      ADD_FAILURE() << name << " is shorter than a message header";
      continue;
    }
    const std::string from = bytes.substr(msgformat::kFromNameOffset, msgformat::kFromNameSize);
    messages.push_back({from.substr(0, from.find('\0')), bytes.substr(msgformat::kHeaderSize)});
  }
  return messages;
}

size_t CountMessages(const std::vector<StoredMessage>& messages, const Mail& mail) {
  size_t count = 0;
  for (const StoredMessage& message : messages) {
    if (message.writer == mail.writer && message.text.find(mail.line + "\r") != std::string::npos) {
      ++count;
    }
  }
  return count;
}

// Every `from` in `text` replaced by `to`; a `from` that is missing fails the test,
// so that the README's script cannot drift from what is tested.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << "no " << from << " in\n" << text;
  for (; at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

class NodeTest : public testing::Test {
 protected:
  std::string Up(const std::string& name) const { return dir_ / ("up/" + name); }
  std::string Node(const std::string& name) const { return dir_ / ("node/" + name); }

  // One mailer: listens on `port` and knows the other side at `linkPort`.
  std::string BinkdConfig(const std::string& root, const char* self, const char* link,
                          int port, int linkPort) const {
    return "domain fidonet " + root + "/outb 2\n"
           "address " + std::string(self) + "@fidonet\n"
           "sysname \"Node " + self + "\"\n"
           "sysop \"Sysop\"\n"
           "location \"Test\"\n"
           "nodeinfo TCP,BINKP\n"
           "listen 127.0.0.1\n"
           "iport " + std::to_string(port) + "\n"
           "inbound " + root + "/in\n"
           "inbound-nonsecure " + root + "/insecure\n"
           "temp-inbound " + root + "/partial\n"
           "log " + root + "/binkd.log\n"
           "loglevel 4\n"
           "node " + link + "@fidonet 127.0.0.1:" + std::to_string(linkPort) + " LinkSecret\n";
  }

  std::string CrashmailPrefs() const {
    std::string prefs = "SYSOP \"Sysop\"\n"
                        "LOGFILE \"" + Node("crashmail.log") + "\"\n"
                        "LOGLEVEL 4\n"
                        "DUPEFILE \"" + Node("dupes") + "\" 200\n"
                        "DEFAULTZONE 2\n"
                        "INBOUND \"" + Node("in") + "\"\n"
                        "OUTBOUND \"" + Node("outb") + "\"\n"
                        "TEMPDIR \"" + Node("tmp") + "\"\n"
                        "CREATEPKTDIR \"" + Node("tmp") + "\"\n"
                        "PACKETDIR \"" + Node("outb") + "\"\n"
                        "STATSFILE \"" + Node("stats") + "\"\n"
                        "AKA " + kOurNode + "\n"
                        "DOMAIN \"FidoNet\"\n"
                        "NODE " + kUplink + ".0 \"\" \"\"\n"
                        "ROUTE \"*:*/*.*\" \"" + kUplink + ".0\" " + kOurNode + "\n"
                        "NETMAIL \"NETMAIL\" " + kOurNode + " MSG \"" + Node("netmail") + "\"\n"
                        "AREA \"BAD\" " + kOurNode + " MSG \"" + Node("areas/BAD") + "\"\n";
    for (const std::string& area : kAreas) {
      prefs += "AREA \"" + area + "\" " + kOurNode + " MSG \"" + Node("areas/" + area) + "\"\n" +
               "EXPORT " + kUplink + "\n";
    }
    return prefs;
  }

  std::string KestalIni() const {
    return "[General]\r\n"
           "Address=" + std::string(kOurNode) + "\r\n"
           "EchoMailPath=" + Node("in") + "\r\n"
           "UnpackBundles=Yes\r\n"
           "LockWait=30\r\n"
           "PktBackupPath=backup\r\n"
           "ReportPath=" + Node("netmail") + "\r\n"
           "TemplatePath=templates\r\n"
           "[Ro]\r\n"
           "Area=RU.ANNOUNCE\r\n"
           "AddrFrom=* !" + kUplink + "\r\n"
           "ReportToRo=ro.tpl\r\n"
           "[Ro]\r\n"
           "Area=" + kCopiedArea + "\r\n"
           "Copy=" + kCopyArea + "\r\n";
  }

  // The README's after-session script with this node's paths.
  std::string AfterSessionScript() const {
    const std::string readme = ReadBytes(SourceDir() + "/README.md");
    const size_t start = readme.find("#!/bin/sh\n# /etc/fido/after-session");
    const size_t end = readme.find("```", start);
    EXPECT_NE(start, std::string::npos) << "no after-session script in the README";
    if (start == std::string::npos || end == std::string::npos) return "";
    std::string script = readme.substr(start, end - start);
    script = Replaced(script, "/usr/local/bin/kestal", home_.exe());
    script = Replaced(script, "/etc/fido/kestal/Kestal.Ini", home_ / "Kestal.Ini");
    script = Replaced(script, "/etc/fido/crashmail.prefs", Node("crashmail.prefs"));
    return Replaced(script, "/var/log/fido/kestal.log", home_ / "Kestal.Log");
  }

  void SetUpNode() {
    for (const char* sub : {"in", "insecure", "partial", "outb", "tmp", "netmail", "areas"}) {
      fs::create_directories(Node(sub));
    }
    // The hook also notes the script's exit code: that it is there tells the test
    // that the session's work is done.
    WriteBytes(Node("binkd.cfg"),
               BinkdConfig(Node(""), kOurNode, kUplink, nodePort_, upPort_) +
                   "exec \"" + Node("after-session") + "; echo $? > " + Node("hook.rc") +
                   "\" *.pkt *.su? *.mo? *.tu? *.we? *.th? *.fr? *.sa?\n");
    WriteBytes(Node("after-session"), AfterSessionScript());
    fs::permissions(Node("after-session"), fs::perms::owner_all, fs::perm_options::add);
    WriteBytes(Node("crashmail.prefs"), CrashmailPrefs());

    WriteBytes(home_ / "Kestal.Ini", KestalIni());
    for (const char* name : {"save.tpl", "trf.tpl", "stat.tpl"}) {
      WriteBytes(home_ / ("templates/" + std::string(name)), "");
    }
    WriteBytes(home_ / "templates/ro.tpl",
               "Read-only area %Area%\r\nHello %FromName%, please do not write in %Area%.\r\n");
    fs::create_directories(home_ / "backup");
  }

  // The uplink's outbound for our node, as its tosser leaves it.
  bool SetUpUplink() {
    for (const char* sub : {"in", "insecure", "partial", "outb", "spool"}) {
      fs::create_directories(Up(sub));
    }
    WriteBytes(Up("binkd.cfg"), BinkdConfig(Up(""), kUplink, kOurNode, upPort_, nodePort_));
    std::string flow;
    int serial = 0;
    for (const Parcel& parcel : kFeed) {
      const std::string packet = PacketOf(parcel.mails, serial);
      if (fs::path(parcel.fileName).extension() == ".out") {
        WriteBytes(Up("outb/" + parcel.fileName), packet);
        continue;
      }
      const std::string sent = Up("spool/" + parcel.fileName);
      if (parcel.packetName.empty()) {
        WriteBytes(sent, packet);
      } else {
        const std::string packed = Up("packing/" + parcel.packetName);
        WriteBytes(packed, packet);
        if (RunProgram("zip", {"-j", "-q", sent, packed}, dir_.path()).exitCode != 0) return false;
        fs::remove(packed);
      }
      flow += "^" + sent + "\n";  // "^": binkd deletes the file once sent
    }
    WriteBytes(Up("outb/") + kToOurNode + ".flo", flow);
    return true;
  }

  // Waits until the mailer's log says it listens.
  static bool Listening(const std::string& root, int port) {
    const std::string line = "listen on 127.0.0.1:" + std::to_string(port);
    return WaitUntil(
        [&] { return ReadBytes(root + "/binkd.log").find(line) != std::string::npos; });
  }

  // One call of the mailer with the configuration at `root`: it sends what its
  // outbound holds and ends when the queue is empty.
  static ProgramResult Poll(const std::string& root) {
    return RunProgram("timeout", {"30", kBinkd, "-p", root + "/binkd.cfg"}, root);
  }

  // The tosser's message base, area by area, against what the feed should leave.
  void ExpectTheTossedMail() const {
    std::map<std::string, std::vector<StoredMessage>> base;
    std::map<std::string, size_t> expected;
    for (const std::string& area : kAreas) base[area] = StoredMessages(Node("areas/" + area));
    base["BAD"] = StoredMessages(Node("areas/BAD"));
    for (const Parcel& parcel : kFeed) {
      for (const Mail& mail : parcel.mails) {
        SCOPED_TRACE(mail.writer + " in " + mail.area);
        if (mail.breaksRule) {
          for (const auto& [area, messages] : base) {
            EXPECT_EQ(CountMessages(messages, mail), 0u) << area;
          }
          continue;
        }
        const bool copied = mail.area == kCopiedArea;
        ++expected[mail.area];
        if (copied) ++expected[kCopyArea];
        EXPECT_EQ(CountMessages(base[mail.area], mail), 1u);
        EXPECT_EQ(CountMessages(base[kCopyArea], mail), copied ? 1u : 0u);
      }
    }
    for (const auto& [area, messages] : base) EXPECT_EQ(messages.size(), expected[area]) << area;
  }

  // What the uplink's mailer received: one report to each writer who broke the rule.
  void ExpectTheReportsReceived() const {
    std::string received;
    for (const std::string& name : ListNames(Up("in"))) received += ReadBytes(Up("in/" + name));
    for (const Parcel& parcel : kFeed) {
      for (const Mail& mail : parcel.mails) {
        // A packed message holds the addressee's and the sender's name side by side.
        const size_t report = received.find(mail.writer + std::string(1, '\0') + "Kestal");
        EXPECT_EQ(report != std::string::npos, mail.breaksRule) << mail.writer;
        if (!mail.breaksRule) continue;
        EXPECT_NE(received.find("Hello " + mail.writer + ", please do not write in RU.ANNOUNCE.",
                                report),
                  std::string::npos)
            << mail.writer;
      }
    }
  }

  std::string Logs() const {
    return "--- node binkd\n" + ReadBytes(Node("binkd.log")) + "--- uplink binkd\n" +
           ReadBytes(Up("binkd.log")) + "--- kestal\n" + ReadBytes(home_ / "Kestal.Log") +
           "--- crashmail\n" + ReadBytes(Node("crashmail.log"));
  }

  ScratchDir dir_;
  KestalHome home_;
  int upPort_ = FreePortFrom(20000 + static_cast<int>(getpid() % 20000) * 2);
  int nodePort_ = FreePortFrom(upPort_ + 1);
};

TEST_F(NodeTest, ViolationsNeverReachTheTosserAndTheReportsReachTheUplink) {
  if (!fs::exists(kBinkd)) GTEST_SKIP() << "binkd is not installed at " << kBinkd;
  if (!fs::exists(kCrashmail)) GTEST_SKIP() << "crashmail is not installed at " << kCrashmail;
  if (RunProgram("sh", {"-c", "command -v zip"}, ".").exitCode != 0) {
    GTEST_SKIP() << "zip is not installed";
  }
  ASSERT_GT(upPort_, 0);
  ASSERT_GT(nodePort_, 0);
  SetUpNode();
  ASSERT_TRUE(SetUpUplink()) << "zip failed";

  const Daemon uplink({kBinkd, "-s", Up("binkd.cfg")}, Up("console.log"));
  const Daemon node({kBinkd, "-s", Node("binkd.cfg")}, Node("console.log"));
  ASSERT_TRUE(Listening(Up(""), upPort_)) << Logs();
  ASSERT_TRUE(Listening(Node(""), nodePort_)) << Logs();

  const ProgramResult call = Poll(Up(""));
  ASSERT_EQ(call.exitCode, 0) << call.output << Logs();
  ASSERT_TRUE(WaitUntil([&] { return ReadBytes(Node("hook.rc")).ends_with("\n"); }))
      << "the after-session hook did not end\n" << Logs();
  ASSERT_EQ(ReadBytes(Node("hook.rc")), "0\n") << Logs();
  const std::string toOurNode = Up("outb/") + kToOurNode;
  EXPECT_FALSE(Exists(toOurNode + ".out") || Exists(toOurNode + ".flo"))
      << "the uplink did not send everything\n" << Logs();
  // Every bundle was unpacked and every packet tossed: nothing is left behind.
  EXPECT_TRUE(ListNames(Node("in")).empty()) << Logs();
  EXPECT_TRUE(ListNames(Node("insecure")).empty()) << "the session was not password-protected";

  const std::string kestalLog = ReadBytes(home_ / "Kestal.Log");
  for (const Parcel& parcel : kFeed) {
    if (parcel.packetName.empty()) continue;
    EXPECT_NE(kestalLog.find("Bundle " + parcel.fileName + " unpacked: 1 packets"),
              std::string::npos)
        << kestalLog;
  }

  ExpectTheTossedMail();
  ASSERT_EQ(StoredMessages(Node("netmail")).size(), Violations()) << Logs();

  const ProgramResult scan =
      RunProgram(kCrashmail, {"SETTINGS", Node("crashmail.prefs"), "SCAN"}, Node(""));
  ASSERT_EQ(scan.exitCode, 0) << scan.output;
  const std::string toUplink = Node("outb/") + kToUplink + ".out";
  ASSERT_TRUE(Exists(toUplink)) << "nothing packed for the uplink\n" << scan.output;

  const ProgramResult reply = Poll(Node(""));
  ASSERT_EQ(reply.exitCode, 0) << reply.output << Logs();
  EXPECT_FALSE(Exists(toUplink)) << "our node did not send the reports\n" << Logs();
  ExpectTheReportsReceived();
}

}  // namespace
}  // namespace kestal::test
