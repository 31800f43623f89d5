#include "Platform/Console.h"

#include <iconv.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>

namespace kestal::platform {

namespace {

constexpr const char* kProgramCharset = "CP866";
// What nl_langinfo gives in the C locale: the locale says nothing of the terminal.
constexpr std::string_view kCLocaleCharset = "ANSI_X3.4-1968";
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// One write and one flush per line: lines keep their order with stderr and
// other writers when stdout is a pipe, without a flush per byte.
void WriteWithEnding(std::string_view text, char ending) {
  std::string line(text);
  line += ending;
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}

// Titles can carry text from packets (area tags); a BEL or ESC in them would
// end the sequence early and let the rest act as terminal commands.
std::string TitleWithoutControlBytes(std::string_view title) {
  std::string clean(title);
  for (char& c : clean) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = ' ';
  }
  return clean;
}

}  // namespace

class TerminalCharset {
 public:
  explicit TerminalCharset(iconv_t converter) : converter_(converter) {}
  ~TerminalCharset() { iconv_close(converter_); }
  TerminalCharset(const TerminalCharset&) = delete;
  TerminalCharset& operator=(const TerminalCharset&) = delete;

  // Empty when iconv fails in a way other than a byte it cannot convert.
  std::optional<std::string> Convert(std::string_view text) {
    iconv(converter_, nullptr, nullptr, nullptr, nullptr);
    std::string out(text.size() * 2 + 16, '\0');
    size_t used = 0;
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    while (inLeft > 0) {
      char* outAt = out.data() + used;
      size_t outLeft = out.size() - used;
      const size_t result = iconv(converter_, &in, &inLeft, &outAt, &outLeft);
      used = out.size() - outLeft;
      if (result != static_cast<size_t>(-1)) break;
      if (errno == E2BIG) {
        out.resize(out.size() * 2);
      } else if (errno == EILSEQ || errno == EINVAL) {
        if (used == out.size()) out.resize(out.size() * 2);
        out[used++] = '?';
        ++in;
        --inLeft;
      } else {
        return std::nullopt;
      }
    }
    out.resize(used);
    return out;
  }

 private:
  iconv_t converter_;
};

StdoutConsole::StdoutConsole() : StdoutConsole([] {
  const char* charset = nl_langinfo(CODESET);
  return std::string(charset != nullptr ? charset : "");
}()) {}

StdoutConsole::StdoutConsole(const std::string& charset) {
  if (charset.empty() || charset == kCLocaleCharset) return;
  const iconv_t converter = iconv_open(charset.c_str(), kProgramCharset);
  if (converter != kNoConverter) charset_ = std::make_unique<TerminalCharset>(converter);
}

StdoutConsole::~StdoutConsole() = default;

std::string StdoutConsole::ForTerminal(std::string_view text) {
  if (charset_ == nullptr) return std::string(text);
  return charset_->Convert(text).value_or(std::string(text));
}

void StdoutConsole::WriteLine(std::string_view text) { WriteWithEnding(ForTerminal(text), '\n'); }

void StdoutConsole::WriteError(std::string_view text) {
  WriteLine(text);
  // Once is enough where both go to the same place (a terminal, or "2>&1").
  struct stat out {};
  struct stat err {};
  if (fstat(STDOUT_FILENO, &out) == 0 && fstat(STDERR_FILENO, &err) == 0 &&
      out.st_dev == err.st_dev && out.st_ino == err.st_ino) {
    return;
  }
  std::string line = ForTerminal(text);
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

void StdoutConsole::WriteProgress(std::string_view text) {
  WriteWithEnding(ForTerminal(text), '\r');
}

void StdoutConsole::SetTitle(std::string_view title) {
  if (!isatty(STDOUT_FILENO)) return;
  std::string sequence = "\x1b]0;" + ForTerminal(TitleWithoutControlBytes(title)) + "\a";
  std::fwrite(sequence.data(), 1, sequence.size(), stdout);
  std::fflush(stdout);
}

void CapturingConsole::WriteLine(std::string_view text) {
  output.append(text);
  output += '\n';
}

void CapturingConsole::WriteProgress(std::string_view text) {
  output.append(text);
  output += '\r';
}

void CapturingConsole::SetTitle(std::string_view title) { titles.emplace_back(title); }

void CapturingConsole::WriteError(std::string_view text) {
  WriteLine(text);
  errors.append(text);
  errors += '\n';
}

}  // namespace kestal::platform
