#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Files.h"

namespace kestal {

// The syntax pass: a key is known by name alone, whatever section it stands in.
// Digits, blanks and tabs of the key are ignored (AKA12 is AKA), other control bytes
// are not.
bool IsKnownKeyword(std::string_view candidate);
// One console line per unknown key, "ERROR on line N: KeyWord "key" is unknown",
// in file order; empty when every key is known.
std::vector<std::string> CheckKeywords(std::string_view text);

struct ConfigEntry {
  std::string Key;
  std::string Value;
  int Line = 0;  // physical line number, from 1
};

// A "file://" list that could not be taken: its path and why.
struct ListFault {
  std::string Path;
  std::string Reason;
};

// The configuration text as its value readers see it: the kept lines, and the
// entries of the section loaded last. A reader consumes what it takes, so a key
// read twice yields nothing the second time.
class ConfigFile {
 public:
  // Far beyond any real list of areas or addresses, and small enough to hold.
  static constexpr uint64_t kMaxListFileSize = 16 * 1024 * 1024;

  // `listDir`: the directory against which relative "file://" list names resolve.
  ConfigFile(std::string_view text, std::string listDir,
             const platform::FileSystem& files = platform::FileSystem());

  // Moves the next remaining section with this header (letter case ignored) out
  // of the kept lines into the section entries; false, with no entries, when
  // there is no such section or it has no entries.
  bool LoadSection(std::string_view header);

  // The last occurrence; every occurrence is consumed.
  std::string ReadValue(std::string_view key, std::string_view defaultValue);
  // The first remaining occurrence, which alone is consumed.
  std::string ReadNextValue(std::string_view key, std::string_view defaultValue);
  // Every occurrence in file order, each put after `separator`, the first
  // separator dropped; a "file://" value stands for the non-empty lines of that
  // file. The default only when nothing at all was collected. A list file that
  // does not exist gives nothing; one that cannot be taken otherwise (not a
  // regular file, larger than kMaxListFileSize, unreadable) sets LastListFault.
  std::string ReadList(std::string_view key, std::string_view separator,
                       std::string_view defaultValue);
  // A signed 32-bit decimal or "$"/"0x" hexadecimal number, leading blanks
  // allowed; the default when absent or anything else stands in the value.
  int32_t ReadInteger(std::string_view key, int32_t defaultValue);
  // "Yes" or "No", letter case ignored; anything else gives the default.
  bool ReadYesNo(std::string_view key, bool defaultValue);

  // The first list file the last ReadList could not take; empty when it took all.
  const std::optional<ListFault>& LastListFault() const { return listFault_; }

  // The line of the loaded section's header.
  int SectionLine() const { return sectionLine_; }
  // The line of the entry the last reader took; 0 when the key was absent.
  int KeyLine() const { return keyLine_; }

 private:
  struct KeptLine {
    std::string Text;
    int Number = 0;
    bool Taken = false;
  };

  std::deque<ConfigEntry> TakeAll(std::string_view key);

  std::vector<KeptLine> lines_;
  // Where the search for a header resumes: every matching header before it has
  // been taken already, so rescanning from the top would find nothing new.
  std::map<std::string, size_t> headerSearchStart_;
  // The section's entries by upper-cased key, each queue in file order.
  std::map<std::string, std::deque<ConfigEntry>> entries_;
  std::string listDir_;
  platform::FileSystem files_;
  std::optional<ListFault> listFault_;
  int sectionLine_ = 0;
  int keyLine_ = 0;
};

}  // namespace kestal
