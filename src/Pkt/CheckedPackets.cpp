#include "Pkt/CheckedPackets.h"

#include <charconv>
#include <cstdio>

#include "Utils/FastHash.h"
#include "Utils/Text.h"

namespace kestal {

namespace {

constexpr std::string_view kHeaderWord = "kestal-checked";
// A record larger than this is no record of ours: it is ignored, and rewritten.
constexpr uint64_t kMaxRecordBytes = 16 << 20;

std::string Hex(uint64_t value) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
  return text;
}

bool ReadNumber(std::string_view text, int base, uint64_t& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  return error == std::errc() && end == text.data() + text.size();
}

std::string RecordPath(const std::string& directory) {
  return directory + "/" + std::string(CheckedPackets::kFileName);
}

}  // namespace

CheckedPackets CheckedPackets::Load(const platform::FileSystem& files, const std::string& directory,
                                    uint64_t configHash) {
  CheckedPackets record;
  record.directory_ = directory;
  record.configHash_ = configHash;
  const std::string path = RecordPath(directory);
  const std::optional<uint64_t> size = files.FileSize(path);
  if (!size || *size > kMaxRecordBytes) return record;
  const std::vector<std::string> lines = SplitTextLines(files.ReadWholeFile(path));
  if (lines.empty() || lines[0] != std::string(kHeaderWord) + " " + Hex(configHash)) return record;
  for (size_t i = 1; i < lines.size(); ++i) {
    // "<size> <hash> <name>": the name last, as it may hold blanks.
    const std::string_view line = lines[i];
    const size_t first = line.find(' ');
    const size_t second = first == std::string_view::npos ? first : line.find(' ', first + 1);
    if (second == std::string_view::npos) continue;
    Entry entry;
    if (!ReadNumber(line.substr(0, first), 10, entry.Size) ||
        !ReadNumber(line.substr(first + 1, second - first - 1), 16, entry.Hash)) {
      continue;
    }
    record.entries_[std::string(line.substr(second + 1))] = entry;
  }
  return record;
}

bool CheckedPackets::Unchanged(const std::string& name, std::string_view bytes) const {
  const auto found = entries_.find(name);
  return found != entries_.end() && found->second.Size == bytes.size() &&
         found->second.Hash == FastHash(bytes);
}

void CheckedPackets::Left(const std::string& name, std::string_view bytes) {
  // A name that would break the record's lines is not recorded: the packet is
  // then simply checked again.
  if (name.find_first_of("\r\n") != std::string::npos) return;
  entries_[name] = Entry{bytes.size(), FastHash(bytes)};
}

ActionResult CheckedPackets::Save(const platform::FileSystem& files,
                                  const std::vector<std::string>& present) const {
  std::string text = std::string(kHeaderWord) + " " + Hex(configHash_) + "\n";
  for (const std::string& name : present) {
    const auto found = entries_.find(name);
    if (found == entries_.end()) continue;
    text += std::to_string(found->second.Size) + " " + Hex(found->second.Hash) + " " + name + "\n";
  }
  const std::string path = RecordPath(directory_);
  const platform::FileStatus saved = files.ReplaceFile(path, text);
  if (!saved) return ActionResult::Failed(path + ": " + saved.Reason());
  return ActionResult::Done();
}

}  // namespace kestal
