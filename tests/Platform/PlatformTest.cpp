#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "Platform/Clock.h"
#include "Platform/Console.h"
#include "Platform/Files.h"
#include "Platform/Locale.h"
#include "Platform/Process.h"
#include "TestSupport.h"

namespace fs = std::filesystem;

namespace kestal::platform {
namespace {

using test::ListNames;
using test::ReadBytes;
using test::ScratchDir;
using test::WriteBytes;

const FileSystem files;

const std::string kBinary("\x00\x01\r\n\x1a\xff packet bytes\r\n", 21);

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  stat(path.c_str(), &info);
  return info.st_mode & 07777;
}

TEST(PlatformFiles, ReadWriteAndAppendKeepBytesExactly) {
  ScratchDir dir;
  ASSERT_TRUE(files.WriteFile(dir / "f", kBinary));
  EXPECT_EQ(files.ReadFile(dir / "f"), kBinary);

  ASSERT_TRUE(files.WriteFile(dir / "f", "short"));  // truncates the longer old content
  EXPECT_EQ(files.ReadFile(dir / "f"), "short");

  ASSERT_TRUE(files.AppendFile(dir / "new", "one\r\n"));  // created when missing
  ASSERT_TRUE(files.AppendFile(dir / "new", "two\r\n"));
  EXPECT_EQ(ReadBytes(dir / "new"), "one\r\ntwo\r\n");

  ASSERT_TRUE(files.WriteFile(dir / "empty", ""));
  EXPECT_EQ(files.ReadFile(dir / "empty"), "");
}

TEST(PlatformFiles, ReadFileTakesLargeFilesWhole) {
  ScratchDir dir;
  std::string big(3 * 1024 * 1024 + 17, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 251);
  WriteBytes(dir / "big", big);
  EXPECT_EQ(files.ReadFile(dir / "big"), big);
  EXPECT_EQ(files.ReadFileBytes(dir / "big")->View(), big);

  // A size the file system does not know beforehand: the buffer grows as read.
  const std::string fifo = dir / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer([&] { WriteBytes(fifo, big); });
  const std::optional<FileBytes> piped = files.ReadFileBytes(fifo);
  writer.join();
  ASSERT_TRUE(piped);
  EXPECT_EQ(piped->View(), big);
}

TEST(PlatformFiles, ReadWholeFileKeepsEveryByte) {
  ScratchDir dir;
  const std::string bytes("line\r\nnext\nzero\0end", 19);
  WriteBytes(dir / "t.tpl", bytes);
  EXPECT_EQ(files.ReadWholeFile(dir / "t.tpl"), bytes);
  EXPECT_EQ(files.ReadWholeFile(dir / "none.tpl"), "");
}

TEST(PlatformFiles, FailuresAreResults) {
  ScratchDir dir;
  fs::create_directory(dir / "sub");
  EXPECT_EQ(files.ReadFile(dir / "missing"), std::nullopt);
  EXPECT_EQ(files.ReadFile(dir / "sub"), std::nullopt);
  EXPECT_FALSE(files.WriteFile(dir / "nodir/f", "x"));
  EXPECT_FALSE(files.WriteFile(dir / "sub", "x"));
  EXPECT_FALSE(files.AppendFile(dir / "nodir/f", "x"));
  EXPECT_FALSE(files.AppendFile(dir / "sub", "x"));
  EXPECT_FALSE(files.DeleteFile(dir / "missing"));
  EXPECT_FALSE(files.CopyFile(dir / "missing", dir / "copy"));
  EXPECT_FALSE(test::Exists(dir / "copy"));
  EXPECT_TRUE(fs::is_directory(dir / "sub"));
}

TEST(PlatformFiles, ExistenceAndSizeFollowLinks) {
  ScratchDir dir;
  WriteBytes(dir / "file", "12345");
  fs::create_directory(dir / "sub");
  fs::create_symlink(dir / "file", dir / "link-file");
  fs::create_symlink(dir / "sub", dir / "link-dir");
  fs::create_symlink(dir / "gone", dir / "dangling");

  struct Case {
    std::string name;
    bool file;
    bool directory;
    std::optional<uint64_t> size;
  };
  const Case cases[] = {
      {"file", true, false, 5},        {"link-file", true, false, 5},
      {"sub", false, true, std::nullopt}, {"link-dir", false, true, std::nullopt},
      {"dangling", false, false, std::nullopt}, {"missing", false, false, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(files.FileExists(dir / c.name), c.file);
    EXPECT_EQ(files.DirectoryExists(dir / c.name), c.directory);
    EXPECT_EQ(files.FileSize(dir / c.name), c.size);
  }
}

TEST(PlatformFiles, CreateNewFileNeverTouchesATakenName) {
  ScratchDir dir;
  ASSERT_TRUE(files.CreateNewFile(dir / "1.msg", kBinary));
  EXPECT_EQ(ReadBytes(dir / "1.msg"), kBinary);

  EXPECT_FALSE(files.CreateNewFile(dir / "1.msg", "other"));
  EXPECT_EQ(ReadBytes(dir / "1.msg"), kBinary);

  fs::create_directory(dir / "sub");
  EXPECT_FALSE(files.CreateNewFile(dir / "sub", "x"));
  EXPECT_FALSE(files.CreateNewFile(dir / "nodir/1.msg", "x"));

  // Written unnamed or under a temporary name first: nothing is left behind, and the new file
  // gets the mode of any newly created file.
  EXPECT_EQ(ListNames(dir.path()), (std::vector<std::string>{"1.msg"}));
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(ModeOf(dir / "1.msg"), 0666u & ~mask);
}

TEST(PlatformFiles, ReplaceFileSwapsContentAndLeavesNoTemporaryFile) {
  ScratchDir dir;
  WriteBytes(dir / "Kestal.Ini", "old content that is longer");
  chmod((dir / "Kestal.Ini").c_str(), 0640);

  ASSERT_TRUE(files.ReplaceFile(dir / "Kestal.Ini", kBinary));
  EXPECT_EQ(ReadBytes(dir / "Kestal.Ini"), kBinary);
  EXPECT_EQ(ModeOf(dir / "Kestal.Ini"), 0640u);

  ASSERT_TRUE(files.ReplaceFile(dir / "new.trf", "fresh"));  // created when missing
  EXPECT_EQ(ReadBytes(dir / "new.trf"), "fresh");
  EXPECT_EQ(ListNames(dir.path()), (std::vector<std::string>{"Kestal.Ini", "new.trf"}));
}

TEST(PlatformFiles, ReplaceFileFailureLeavesEverythingAsItWas) {
  ScratchDir dir;
  EXPECT_FALSE(files.ReplaceFile(dir / "nodir/f", "x"));

  // A directory in the way: the rename fails after the temporary file was written.
  fs::create_directory(dir / "taken");
  WriteBytes(dir / "taken/inside", "kept");
  EXPECT_FALSE(files.ReplaceFile(dir / "taken", "x"));
  EXPECT_EQ(ReadBytes(dir / "taken/inside"), "kept");
  EXPECT_TRUE(ListNames(dir.path()).empty());  // no temporary file left, hidden ones included
}

TEST(PlatformFiles, ReplaceFileWritesThroughALink) {
  ScratchDir dir;
  WriteBytes(dir / "real/Kestal.Ini", "old");
  fs::create_symlink(dir / "real/Kestal.Ini", dir / "Kestal.Ini");

  ASSERT_TRUE(files.ReplaceFile(dir / "Kestal.Ini", "new"));
  EXPECT_TRUE(fs::is_symlink(dir / "Kestal.Ini"));
  EXPECT_EQ(ReadBytes(dir / "real/Kestal.Ini"), "new");
  EXPECT_EQ(ListNames(dir / "real"), std::vector<std::string>{"Kestal.Ini"});
}

TEST(PlatformFiles, CopyFileCreatesTruncatesAndSurvivesCopyOntoItself) {
  ScratchDir dir;
  WriteBytes(dir / "a.pkt", kBinary);
  WriteBytes(dir / "backup/a.pkt", std::string(100, 'x'));

  ASSERT_TRUE(files.CopyFile(dir / "a.pkt", dir / "backup/a.pkt"));
  EXPECT_EQ(ReadBytes(dir / "backup/a.pkt"), kBinary);
  ASSERT_TRUE(files.CopyFile(dir / "a.pkt", dir / "b.pkt"));
  EXPECT_EQ(ReadBytes(dir / "b.pkt"), kBinary);

  ASSERT_TRUE(files.CopyFile(dir / "a.pkt", dir / "a.pkt"));
  EXPECT_EQ(ReadBytes(dir / "a.pkt"), kBinary);

  EXPECT_FALSE(files.CopyFile(dir / "a.pkt", dir / "nodir/a.pkt"));
}

TEST(PlatformFiles, RenameNoReplaceMovesOnlyToAFreeName) {
  ScratchDir dir;
  WriteBytes(dir / "in01.pkt", "packet");
  WriteBytes(dir / "in02.pkt", "second");
  WriteBytes(dir / "in01.PSW", "earlier");

  EXPECT_FALSE(files.RenameNoReplace(dir / "in01.pkt", dir / "in01.PSW"));
  EXPECT_EQ(ReadBytes(dir / "in01.pkt"), "packet");
  EXPECT_EQ(ReadBytes(dir / "in01.PSW"), "earlier");

  ASSERT_TRUE(files.RenameNoReplace(dir / "in01.pkt", dir / "in01.BAD"));
  EXPECT_EQ(ReadBytes(dir / "in01.BAD"), "packet");
  EXPECT_FALSE(test::Exists(dir / "in01.pkt"));

  fs::create_directory(dir / "other");
  ASSERT_TRUE(files.RenameNoReplace(dir / "in02.pkt", dir / "other/in02.pkt"));
  EXPECT_EQ(ReadBytes(dir / "other/in02.pkt"), "second");

  EXPECT_FALSE(files.RenameNoReplace(dir / "missing", dir / "any"));
  EXPECT_FALSE(files.RenameNoReplace(dir / "in01.BAD", dir / "nodir/x"));
  EXPECT_EQ(ReadBytes(dir / "in01.BAD"), "packet");
}

TEST(PlatformFiles, RenameNoReplaceAcrossFileSystems) {
  ScratchDir dir;
  std::string other = "/dev/shm";
  struct stat here {}, there {};
  if (stat(dir.path().c_str(), &here) != 0 || stat(other.c_str(), &there) != 0 ||
      here.st_dev == there.st_dev) {
    GTEST_SKIP() << "no second file system";
  }
  char pattern[] = "/dev/shm/kestal-test-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  std::string far = pattern;

  WriteBytes(dir / "a.pkt", kBinary);
  chmod((dir / "a.pkt").c_str(), 0600);
  WriteBytes(far + "/taken.pkt", "kept");

  EXPECT_FALSE(files.RenameNoReplace(dir / "a.pkt", far + "/taken.pkt"));
  EXPECT_EQ(ReadBytes(far + "/taken.pkt"), "kept");
  EXPECT_EQ(ReadBytes(dir / "a.pkt"), kBinary);

  EXPECT_TRUE(files.RenameNoReplace(dir / "a.pkt", far + "/a.pkt"));
  EXPECT_EQ(ReadBytes(far + "/a.pkt"), kBinary);
  EXPECT_EQ(ModeOf(far + "/a.pkt"), 0600u);
  EXPECT_FALSE(test::Exists(dir / "a.pkt"));

  WriteBytes(dir / "b.trf", "new day");
  EXPECT_TRUE(files.RenameReplace(far + "/taken.pkt", dir / "b.trf"));
  EXPECT_EQ(ReadBytes(dir / "b.trf"), "kept");
  EXPECT_FALSE(test::Exists(far + "/taken.pkt"));

  fs::remove_all(far);
}

TEST(PlatformFiles, RenameReplaceAndDelete) {
  ScratchDir dir;
  WriteBytes(dir / "tmp.trf", "new");
  WriteBytes(dir / "day.trf", "old");
  ASSERT_TRUE(files.RenameReplace(dir / "tmp.trf", dir / "day.trf"));
  EXPECT_EQ(ListNames(dir.path()), std::vector<std::string>{"day.trf"});
  EXPECT_EQ(ReadBytes(dir / "day.trf"), "new");
  EXPECT_FALSE(files.RenameReplace(dir / "tmp.trf", dir / "day.trf"));

  ASSERT_TRUE(files.DeleteFile(dir / "day.trf"));
  EXPECT_TRUE(ListNames(dir.path()).empty());
}

TEST(PlatformDirectories, ListFilesTakesRegularFilesSortedWithSizes) {
  ScratchDir dir;
  WriteBytes(dir / "b.pkt", "12");
  WriteBytes(dir / "A.PKT", "1");
  WriteBytes(dir / ".hidden", "123");
  WriteBytes(dir / "sub/inner.pkt", "x");
  fs::create_symlink(dir / "b.pkt", dir / "c-link.pkt");
  fs::create_symlink(dir / "sub", dir / "d-dirlink");
  fs::create_symlink(dir / "gone", dir / "e-dangling");

  std::vector<DirEntry> listed = files.ListFiles(dir.path());
  std::vector<std::pair<std::string, uint64_t>> seen;
  for (const DirEntry& file : listed) seen.emplace_back(file.Name, file.Size);
  EXPECT_EQ(seen, (std::vector<std::pair<std::string, uint64_t>>{
                      {".hidden", 3}, {"A.PKT", 1}, {"b.pkt", 2}, {"c-link.pkt", 2}}));

  EXPECT_TRUE(files.ListFiles(dir / "missing").empty());
  EXPECT_TRUE(files.ListFiles(dir / "b.pkt").empty());
}

TEST(PlatformDirectories, ChangeDirectoryAndBack) {
  ScratchDir dir;
  std::string start = CurrentDirectory();
  ASSERT_TRUE(ChangeDirectory(dir.path()));
  EXPECT_EQ(fs::path(CurrentDirectory()), fs::canonical(dir.path()));
  EXPECT_FALSE(ChangeDirectory(dir / "missing"));
  EXPECT_EQ(fs::path(CurrentDirectory()), fs::canonical(dir.path()));
  ASSERT_TRUE(ChangeDirectory(start));
  EXPECT_EQ(CurrentDirectory(), start);
}

TEST(PlatformDirectories, ExecutableDirectoryHoldsTheRunningProgram) {
  std::string directory = ExecutableDirectory();
  ASSERT_FALSE(directory.empty());
  EXPECT_NE(directory.back(), '/');
  EXPECT_TRUE(files.FileExists(directory + "/kestal_tests"));
}

TEST(PlatformFiles, AppendStreamAppendsAcrossOpens) {
  ScratchDir dir;
  {
    AppendStream log;
    EXPECT_FALSE(log.Write("closed"));
    ASSERT_TRUE(log.Open(files, dir / "Kestal.Log"));
    EXPECT_TRUE(log.Write("one\r\n"));
    log.Close();
    EXPECT_FALSE(log.IsOpen());
    ASSERT_TRUE(log.Open(files, dir / "Kestal.Log"));
    EXPECT_TRUE(log.Write("two\r\n"));
  }
  EXPECT_EQ(ReadBytes(dir / "Kestal.Log"), "one\r\ntwo\r\n");

  AppendStream broken;
  EXPECT_FALSE(broken.Open(files, dir / "nodir/Kestal.Log"));
  EXPECT_FALSE(broken.IsOpen());
  EXPECT_FALSE(broken.Write("x"));
}

class ScopedTz {
 public:
  explicit ScopedTz(const char* value) {
    const char* old = std::getenv("TZ");
    if (old != nullptr) old_ = old;
    setenv("TZ", value, 1);
    tzset();  // the clock reads the zone once per process
  }
  ~ScopedTz() {
    if (old_) {
      setenv("TZ", old_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::optional<std::string> old_;
};

int MinuteOfDay(const TDateTime& time) { return time.Hour * 60 + time.Minute; }

TEST(PlatformClock, SystemClockGivesLocalTimeFromTz) {
  SystemClock clock;
  TDateTime utc, east;
  std::time_t before = std::time(nullptr);
  {
    ScopedTz tz("UTC");
    utc = clock.Now();
  }
  {
    ScopedTz tz("XXX-3");  // POSIX sign: three hours east of UTC
    east = clock.Now();
  }
  std::tm expected{};
  gmtime_r(&before, &expected);
  EXPECT_EQ(utc.Date, (TDate{expected.tm_year + 1900, expected.tm_mon + 1, expected.tm_mday}));
  int difference = (MinuteOfDay(east) - MinuteOfDay(utc) + 1440) % 1440;
  EXPECT_TRUE(difference == 180 || difference == 181) << difference;
  EXPECT_GE(utc.Millisecond, 0);
  EXPECT_LE(utc.Millisecond, 999);
}

TEST(PlatformConsole, CapturingConsoleKeepsLinesProgressAndTitles) {
  CapturingConsole console;
  console.WriteLine("Kestal");
  console.WriteProgress(" 50%");
  console.WriteLine(std::string("\xa0\xe1\0x", 4));
  console.SetTitle("Kestal - Starting");
  console.SetTitle("");
  EXPECT_EQ(console.output, std::string("Kestal\n 50%\r\xa0\xe1\0x\n", 17));
  EXPECT_EQ(console.titles, (std::vector<std::string>{"Kestal - Starting", ""}));
}

// Stdout is sent to a file for the test, which is not a terminal: the title
// must not appear.
// What `write` puts on standard output, read back while it is still redirected:
// a line must be there as soon as it is written.
template <typename Write>
std::string StdoutOf(Write write) {
  ScratchDir dir;
  std::fflush(stdout);
  int saved = dup(STDOUT_FILENO);
  int file = open((dir / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  EXPECT_GE(saved, 0);
  EXPECT_GE(file, 0);
  if (saved < 0 || file < 0) return "";
  dup2(file, STDOUT_FILENO);
  close(file);
  write();
  std::string written = ReadBytes(dir / "out");
  dup2(saved, STDOUT_FILENO);
  close(saved);
  return written;
}

// The test binary runs in the C locale, whose character set says nothing of the
// terminal: the bytes go out as they are.
TEST(PlatformConsole, StdoutConsoleWritesLfLinesLoneCrProgressAndNoTitleOffTerminal) {
  const std::string written = StdoutOf([] {
    StdoutConsole console;
    console.WriteLine("first");
    console.WriteProgress(" 10%");
    console.SetTitle("Kestal - Scanning");
    console.WriteLine("\x8a\xa5\xe1");
  });
  EXPECT_EQ(written, "first\n 10%\r\x8a\xa5\xe1\n");
}

// CP866 console texts in the terminal's character set: "Kestal \xF9 " with the
// Cyrillic word "Кот".
TEST(PlatformConsole, StdoutConsoleShowsCp866TextInTheTerminalCharset) {
  struct Case {
    std::string charset;
    std::string shown;
  };
  const std::string text = "Kestal \xF9 \x8A\xAE\xE2";
  const Case cases[] = {
      {"UTF-8", "Kestal \xE2\x88\x99 \xD0\x9A\xD0\xBE\xD1\x82"},
      {"KOI8-R", "Kestal \x95 \xEB\xCF\xD4"},
      {"ISO-8859-1", "Kestal ? ???"},  // no Cyrillic there
      {"ANSI_X3.4-1968", text},       // the C locale: the terminal is not known
      {"", text},
      {"NO-SUCH-CHARSET", text},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.charset);
    const std::string written = StdoutOf([&] {
      StdoutConsole console(c.charset);
      console.WriteLine(text);
      console.WriteProgress(text);
    });
    EXPECT_EQ(written, c.shown + "\n" + c.shown + "\r");
  }
  // A long line, many times the first guess at its converted size.
  const std::string longLine(5000, '\xB0');
  const std::string written = StdoutOf([&] { StdoutConsole("UTF-8").WriteLine(longLine); });
  std::string expected;
  for (size_t i = 0; i < longLine.size(); ++i) expected += "\xE2\x96\x91";
  EXPECT_EQ(written, expected + "\n");
}

// On a terminal the title is an OSC sequence; control bytes from packet text
// inside it would end it early, so they arrive as blanks.
TEST(PlatformConsole, StdoutConsoleSetsTitleOnTerminal) {
  int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) GTEST_SKIP() << "no pty";
  int terminal = open(ptsname(master), O_RDWR | O_NOCTTY);
  ASSERT_GE(terminal, 0);
  termios raw{};
  tcgetattr(terminal, &raw);
  cfmakeraw(&raw);
  tcsetattr(terminal, TCSANOW, &raw);

  std::fflush(stdout);
  int saved = dup(STDOUT_FILENO);
  dup2(terminal, STDOUT_FILENO);
  StdoutConsole().SetTitle("Kestal \x07\x1b[2J 5%");
  dup2(saved, STDOUT_FILENO);
  close(saved);
  close(terminal);

  char buffer[128];
  ssize_t got = read(master, buffer, sizeof buffer);
  close(master);
  ASSERT_GT(got, 0);
  EXPECT_EQ(std::string(buffer, static_cast<size_t>(got)), "\x1b]0;Kestal   [2J 5%\a");
}

TEST(PlatformLocale, ReduceDateFormat) {
  using enum DateOrder;
  struct Case {
    const char* format;
    DateFormat expected;
  };
  const Case cases[] = {
      {"%d.%m.%Y", {DayMonthYear, '.'}},
      {"%m/%d/%y", {MonthDayYear, '/'}},
      {"%Y-%m-%d", {YearMonthDay, '-'}},
      {"%d/%m/%y", {DayMonthYear, '/'}},
      {"%D", {MonthDayYear, '/'}},
      {"%F", {YearMonthDay, '-'}},
      {"%e.%-m.%Y", {DayMonthYear, '.'}},
      {"%Y. %m. %d.", {YearMonthDay, '.'}},
      {"%d %b %Y", {DayMonthYear, '/'}},             // a blank is no separator
      {"%Y\xe5\xb9\xb4%m\xe6\x9c\x88%d", {YearMonthDay, '/'}},  // nor is a multibyte letter
      {"%d.%m", {MonthDayYear, '/'}},                // fields missing: the C locale's
      {"%m-%Y-%d", {MonthDayYear, '/'}},             // an order without a name
      {"", {MonthDayYear, '/'}},
      {"%", {MonthDayYear, '/'}},
      {"%d.%m.%", {MonthDayYear, '/'}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    EXPECT_EQ(ReduceDateFormat(c.format), c.expected);
  }
}

TEST(PlatformLocale, CLocaleGivesMonthDayYearAndPoint) {
  std::string old = std::setlocale(LC_ALL, nullptr);
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(SystemShortDateFormat(), (DateFormat{DateOrder::MonthDayYear, '/'}));
  EXPECT_EQ(SystemDecimalSeparator(), '.');
  std::setlocale(LC_ALL, old.c_str());
}

}  // namespace
}  // namespace kestal::platform
