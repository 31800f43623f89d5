#include "RoConfig/Passwords.h"

#include "Utils/Address.h"
#include "Utils/Text.h"

namespace kestal {

namespace {

// The bytes after the address: at most eight, upper-cased a-z only, zero-padded.
PasswordBytes PasswordBytesOf(std::string_view text) {
  const std::string upper = UpperCaseAscii(text.substr(0, kPasswordSize));
  PasswordBytes bytes{};
  for (size_t i = 0; i < upper.size(); ++i) bytes[i] = static_cast<unsigned char>(upper[i]);
  return bytes;
}

}  // namespace

void LoadPasswords(const platform::FileSystem& files, const std::string& fileName,
                   PasswordList& passwords) {
  const std::optional<std::string> content = files.ReadFile(fileName);
  if (!content) return;
  for (const std::string& line : SplitTextLines(*content)) {
    const size_t blank = line.find(' ');
    if (blank == std::string::npos || blank == 0) continue;
    const std::string_view address = std::string_view(line).substr(0, blank);
    TFidoAddr parsed;  // all parts 0: the line must give zone and net itself
    if (!ParseAddress(address, parsed)) continue;
    passwords.push_back(
        TPassword{std::string(address), PasswordBytesOf(std::string_view(line).substr(blank + 1))});
  }
}

PasswordBytes PasswordFor(const PasswordList& passwords, std::string_view address,
                          platform::Console& console) {
  for (const TPassword& entry : passwords) {
    console.WriteLine(entry.Address);
    if (entry.Address == address) return entry.Password;
  }
  return PasswordBytes{};
}

}  // namespace kestal
