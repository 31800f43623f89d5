#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestal::platform {

// Console output. Bytes are written as they are, with no code-page conversion.
class Console {
 public:
  virtual ~Console() = default;
  // The text and a LF.
  virtual void WriteLine(std::string_view text) = 0;
  // The text and a lone CR, so the next progress line overwrites it.
  virtual void WriteProgress(std::string_view text) = 0;
  // The terminal's title; does nothing when standard output is not a terminal.
  virtual void SetTitle(std::string_view title) = 0;
};

class StdoutConsole final : public Console {
 public:
  void WriteLine(std::string_view text) override;
  void WriteProgress(std::string_view text) override;
  void SetTitle(std::string_view title) override;
};

// Keeps everything in memory, for tests.
class CapturingConsole final : public Console {
 public:
  void WriteLine(std::string_view text) override;
  void WriteProgress(std::string_view text) override;
  void SetTitle(std::string_view title) override;

  std::string output;               // lines with LF, progress with CR
  std::vector<std::string> titles;  // every title set, in order
};

}  // namespace kestal::platform
