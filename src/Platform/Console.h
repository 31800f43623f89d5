#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kestal::platform {

// Console output. The texts are CP866 bytes, as every text of the program is; only
// the terminal console shows them in another character set.
class Console {
 public:
  virtual ~Console() = default;
  // The text and a LF.
  virtual void WriteLine(std::string_view text) = 0;
  // The text and a lone CR, so the next progress line overwrites it.
  virtual void WriteProgress(std::string_view text) = 0;
  // The terminal's title; does nothing when standard output is not a terminal.
  virtual void SetTitle(std::string_view title) = 0;
  // A line that tells why something failed: on standard error as well, which a
  // mailer's hook may keep when it throws standard output away.
  virtual void WriteError(std::string_view text) = 0;
};

class TerminalCharset;

// Standard output, in the character set of the terminal. Where that set is not
// known (no locale, or the C locale's ASCII) or cannot be converted to, the bytes
// go out as they are; a byte the set has no character for becomes '?'.
class StdoutConsole final : public Console {
 public:
  // The character set of the locale in force: construct after InitLocale.
  StdoutConsole();
  // `charset` is an iconv name such as "UTF-8"; empty means not known.
  explicit StdoutConsole(const std::string& charset);
  ~StdoutConsole() override;
  StdoutConsole(const StdoutConsole&) = delete;
  StdoutConsole& operator=(const StdoutConsole&) = delete;

  void WriteLine(std::string_view text) override;
  void WriteProgress(std::string_view text) override;
  void SetTitle(std::string_view title) override;
  void WriteError(std::string_view text) override;

 private:
  std::string ForTerminal(std::string_view text);

  std::unique_ptr<TerminalCharset> charset_;  // null: bytes as they are
};

// Keeps everything in memory, bytes as they are, for tests.
class CapturingConsole final : public Console {
 public:
  void WriteLine(std::string_view text) override;
  void WriteProgress(std::string_view text) override;
  void SetTitle(std::string_view title) override;
  void WriteError(std::string_view text) override;

  std::string output;               // lines with LF, progress with CR
  std::string errors;               // the error lines again, with LF
  std::vector<std::string> titles;  // every title set, in order
};

}  // namespace kestal::platform
