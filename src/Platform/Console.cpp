#include "Platform/Console.h"

#include <unistd.h>

#include <cstdio>

namespace kestal::platform {

namespace {

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

void StdoutConsole::WriteLine(std::string_view text) { WriteWithEnding(text, '\n'); }

void StdoutConsole::WriteProgress(std::string_view text) { WriteWithEnding(text, '\r'); }

void StdoutConsole::SetTitle(std::string_view title) {
  if (!isatty(STDOUT_FILENO)) return;
  std::string sequence = "\x1b]0;" + TitleWithoutControlBytes(title) + "\a";
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

}  // namespace kestal::platform
