#include "RoConfig/ConfigFile.h"

#include <array>
#include <optional>
#include <utility>

#include "Platform/Files.h"
#include "Utils/ConfigLine.h"
#include "Utils/Text.h"

namespace kestal {
namespace {

constexpr std::array<std::string_view, 72> kKeywords{
    // [General]
    "Address", "AKA", "CreateEmptyStat", "DelPktFrom", "DelPktTo", "EchoMailPath", "Ext",
    "KeepEmpty", "Language", "Log", "LogLevel", "NetMail", "Origin", "PasswordFile",
    "PktBackupPath", "RemoveRe", "RemoveOldRo", "ReportError", "ReportOutPath", "ReportPath",
    "ReportToMain", "ReportToMainEnd", "ReportToPktFrom", "ReportToPktTo", "ReportToRo",
    "ReportToRoEnd", "ReportToUplink", "ReportToUplinkEnd", "KestalName", "SafeMode",
    "SkipPktFrom", "SkipPktTo", "StatName", "StatTemplate", "SysopName", "Tagline", "Tearline",
    "TemplatePath", "TrfPath", "TrfStatName", "TrfTemplate", "UseSystemDateFormat",
    "UnpackBundles", "LockWait",
    // [Ro]
    "Addr", "AddrFrom", "AddrTo", "Area", "BodyMask", "Chrs", "Copy", "DateFrom", "DateTo",
    "Flag", "KillAddrToAll", "KludgeMask", "Move", "MsgSize", "Name", "NameFrom", "NameTo",
    "PktFrom", "PktTo", "PID", "ReportOnly", "SaveTemplate", "SaveToFile", "Subj", "TID",
    "UplinkAddress", "UplinkName", "ViaMask"};

constexpr std::string_view kListPrefix = "file://";

// The key as the syntax pass sees it: the raw line up to its first "=", unless a
// ";" comes first; digits, blanks and tabs dropped (the reader takes a tab for a
// blank), other control bytes kept.
std::string KeywordCandidate(std::string_view line) {
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos) return "";
  const size_t comment = line.find(';');
  if (comment != std::string_view::npos && comment < equals) return "";
  std::string candidate;
  for (char c : line.substr(0, equals)) {
    if (c != ' ' && c != '\t' && (c < '0' || c > '9')) candidate += c;
  }
  return candidate;
}

void AppendLines(const std::string& text, std::string_view separator, std::string& collected,
                 bool& appended) {
  for (const std::string& line : SplitTextLines(text)) {
    if (line.empty()) continue;
    collected += separator;
    collected += line;
    appended = true;
  }
}

// Why a list file could not be taken; nothing when it was, or when it does not
// exist, which is no fault: a list is often shared between nodes and may be
// absent on some.
std::optional<std::string> AppendListFile(const platform::FileSystem& files,
                                          const std::string& path, std::string_view separator,
                                          std::string& collected, bool& appended) {
  using Outcome = platform::LimitedRead::Outcome;
  const platform::LimitedRead list = files.ReadRegularFile(path, ConfigFile::kMaxListFileSize);
  switch (list.Result) {
    case Outcome::Read:
      AppendLines(list.Content, separator, collected, appended);
      return std::nullopt;
    case Outcome::Missing:
      return std::nullopt;
    case Outcome::NotRegular:
      return "not a regular file";
    case Outcome::TooLarge:
      return "larger than " + std::to_string(ConfigFile::kMaxListFileSize) + " bytes";
    case Outcome::Failed:
      break;
  }
  return list.Status.Reason();
}

// ToIntOrZero gives 0 for rubbish too; only a number written with zero digits
// is a real 0.
bool IsWrittenZero(std::string_view text) {
  size_t i = text.find_first_not_of(' ');
  if (i == std::string_view::npos) return false;
  if (text[i] == '+' || text[i] == '-') ++i;
  std::string_view digits = text.substr(i);
  if (digits.starts_with("$")) {
    digits.remove_prefix(1);
  } else if (digits.starts_with("0x") || digits.starts_with("0X")) {
    digits.remove_prefix(2);
  }
  return !digits.empty() && digits.find_first_not_of('0') == std::string_view::npos;
}

}  // namespace

bool IsKnownKeyword(std::string_view candidate) {
  if (candidate.empty()) return true;
  if (candidate.size() >= 2 && candidate.front() == '[' && candidate.back() == ']') {
    const std::string_view name = candidate.substr(1, candidate.size() - 2);
    return name == "General" || name == "Ro";
  }
  for (std::string_view keyword : kKeywords) {
    if (EqualsIgnoreCaseAscii(candidate, keyword)) return true;
  }
  return false;
}

std::vector<std::string> CheckKeywords(std::string_view text) {
  std::vector<std::string> messages;
  int number = 0;
  for (const std::string& line : SplitTextLines(text)) {
    ++number;
    const std::string candidate = KeywordCandidate(line);
    if (IsKnownKeyword(candidate)) continue;
    messages.push_back("ERROR on line " + std::to_string(number) + ": KeyWord \"" + candidate +
                       "\" is unknown");
  }
  return messages;
}

ConfigFile::ConfigFile(std::string_view text, std::string listDir,
                       const platform::FileSystem& files)
    : listDir_(std::move(listDir)), files_(files) {
  int number = 0;
  for (const std::string& line : SplitTextLines(text)) {
    ++number;
    std::string cleaned = CleanConfigLine(line);
    if (cleaned.find_first_of("=[") == std::string::npos) continue;
    lines_.push_back({std::move(cleaned), number});
  }
}

bool ConfigFile::LoadSection(std::string_view header) {
  entries_.clear();
  size_t& start = headerSearchStart_[UpperCaseAscii(header)];
  size_t i = start;
  while (i < lines_.size() && (lines_[i].Taken || !EqualsIgnoreCaseAscii(lines_[i].Text, header))) {
    ++i;
  }
  start = i;
  if (i == lines_.size()) return false;

  sectionLine_ = lines_[i].Number;
  lines_[i].Taken = true;
  bool any = false;
  for (++i; i < lines_.size() && !lines_[i].Text.starts_with('['); ++i) {
    KeptLine& line = lines_[i];
    line.Taken = true;
    // A kept line without "=" is an entry whose empty key no reader asks for.
    // Blanks around "=" belong to neither side: "Copy = RU.ARCHIVE" is a Copy rule.
    const size_t equals = line.Text.find('=');
    ConfigEntry entry;
    if (equals == std::string::npos) {
      entry.Value = std::move(line.Text);
    } else {
      const std::string_view text = line.Text;
      entry.Key = CleanLine(text.substr(0, equals));
      entry.Value = CleanLine(text.substr(equals + 1));
    }
    entry.Line = line.Number;
    entries_[UpperCaseAscii(entry.Key)].push_back(std::move(entry));
    any = true;
  }
  return any;
}

std::deque<ConfigEntry> ConfigFile::TakeAll(std::string_view key) {
  std::deque<ConfigEntry> taken;
  auto found = entries_.find(UpperCaseAscii(key));
  if (found != entries_.end()) {
    taken = std::move(found->second);
    entries_.erase(found);
  }
  return taken;
}

std::string ConfigFile::ReadValue(std::string_view key, std::string_view defaultValue) {
  std::deque<ConfigEntry> taken = TakeAll(key);
  if (taken.empty()) {
    keyLine_ = 0;
    return std::string(defaultValue);
  }
  keyLine_ = taken.back().Line;
  return std::move(taken.back().Value);
}

std::string ConfigFile::ReadNextValue(std::string_view key, std::string_view defaultValue) {
  auto found = entries_.find(UpperCaseAscii(key));
  if (found == entries_.end() || found->second.empty()) {
    keyLine_ = 0;
    return std::string(defaultValue);
  }
  ConfigEntry entry = std::move(found->second.front());
  found->second.pop_front();
  keyLine_ = entry.Line;
  return std::move(entry.Value);
}

std::string ConfigFile::ReadList(std::string_view key, std::string_view separator,
                                 std::string_view defaultValue) {
  std::deque<ConfigEntry> taken = TakeAll(key);
  keyLine_ = taken.empty() ? 0 : taken.back().Line;
  listFault_.reset();
  std::string collected;
  bool appended = false;
  for (const ConfigEntry& entry : taken) {
    const std::string_view value = entry.Value;
    if (value.size() >= kListPrefix.size() &&
        EqualsIgnoreCaseAscii(value.substr(0, kListPrefix.size()), kListPrefix)) {
      std::string path(value.substr(kListPrefix.size()));
      if (!path.starts_with('/')) path = listDir_ + "/" + path;
      std::optional<std::string> fault =
          AppendListFile(files_, path, separator, collected, appended);
      if (fault && !listFault_) listFault_ = ListFault{path, std::move(*fault)};
    } else {
      collected += separator;
      collected += value;
      appended = true;
    }
  }
  if (!appended) return std::string(defaultValue);
  return collected.substr(separator.size());
}

int32_t ConfigFile::ReadInteger(std::string_view key, int32_t defaultValue) {
  const std::string value = ReadValue(key, "");
  const int32_t number = ToIntOrZero(value);
  if (number != 0 || IsWrittenZero(value)) return number;
  return defaultValue;
}

bool ConfigFile::ReadYesNo(std::string_view key, bool defaultValue) {
  const std::string value = ReadValue(key, "");
  if (EqualsIgnoreCaseAscii(value, "Yes")) return true;
  if (EqualsIgnoreCaseAscii(value, "No")) return false;
  return defaultValue;
}

}  // namespace kestal
