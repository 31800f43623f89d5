#include "Utils/Text.h"

#include <array>
#include <limits>

namespace kestal {

namespace {

constexpr char kCtrlZ = 26;

constexpr unsigned char UpperCp866(unsigned char c) {
  if (c >= 0x61 && c <= 0x7A) return c - 0x20;  // Latin a-z
  if (c >= 0xA0 && c <= 0xAF) return c - 0x20;  // Cyrillic first half of the lower case
  if (c >= 0xE0 && c <= 0xEF) return c - 0x50;  // Cyrillic second half of the lower case
  if (c == 0xF1 || c == 0xF3 || c == 0xF5 || c == 0xF7) return c - 1;
  return c;
}

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c; }

// UpperCp866 of every byte: masks are compared, folded, for every message and rule.
constexpr std::array<unsigned char, 256> kUpperCp866 = [] {
  std::array<unsigned char, 256> table{};
  for (size_t c = 0; c < table.size(); ++c) table[c] = UpperCp866(static_cast<unsigned char>(c));
  return table;
}();

unsigned char UpperCp866(char c) { return kUpperCp866[static_cast<unsigned char>(c)]; }

// Equal once both are folded as UpperCaseCp866 folds them. Masks are tried on
// every message against many rules: comparing folded bytes spares copying.
bool EqualsIgnoreCaseCp866(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (UpperCp866(a[i]) != UpperCp866(b[i])) return false;
  }
  return true;
}

bool ContainsIgnoreCaseCp866(std::string_view text, std::string_view part) {
  for (size_t i = 0; i + part.size() <= text.size(); ++i) {
    if (EqualsIgnoreCaseCp866(text.substr(i, part.size()), part)) return true;
  }
  return false;
}

// -1 when `c` is not a digit of the base.
int DigitValue(char c, int base) {
  if (c >= '0' && c <= '9') return c - '0';
  if (base == 16 && c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (base == 16 && c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// One left-to-right pass; text inserted by a replacement is not searched again.
void ReplaceOnce(std::string& text, std::string_view pattern, std::string_view value) {
  size_t from = 0;
  while ((from = text.find(pattern, from)) != std::string::npos) {
    text.replace(from, pattern.size(), value);
    from += value.size();
  }
}

// Replaces the first occurrence again and again until none is left. Only
// called with a value shorter than the pattern: every step shortens the text,
// so the loop ends. An occurrence created by a replacement overlaps the
// replaced bytes, so the search resumes just before them instead of at the start.
void ReplaceUntilGone(std::string& text, std::string_view pattern, std::string_view value) {
  size_t from = 0;
  while ((from = text.find(pattern, from)) != std::string::npos) {
    text.replace(from, pattern.size(), value);
    from = from >= pattern.size() - 1 ? from - (pattern.size() - 1) : 0;
  }
}

}  // namespace

void UpperCaseCp866(std::string& text) {
  for (char& c : text) c = static_cast<char>(UpperCp866(c));
}

std::string UpperCaseAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = UpperAscii(c);
  return upper;
}

bool EqualsIgnoreCaseAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  }
  return true;
}

bool TextMatchesMask(std::string_view text, std::string_view mask) {
  if (mask == "*") return true;
  const bool starAtStart = !mask.empty() && mask.front() == '*';
  const bool starAtEnd = !mask.empty() && mask.back() == '*';
  if (!starAtStart && !starAtEnd) return EqualsIgnoreCaseCp866(text, mask);
  if (starAtStart && starAtEnd) {
    const std::string_view middle = mask.substr(1, mask.size() - 2);
    return !middle.empty() && ContainsIgnoreCaseCp866(text, middle);
  }
  const std::string_view literal = starAtStart ? mask.substr(1) : mask.substr(0, mask.size() - 1);
  if (text.size() < literal.size()) return false;
  const size_t from = starAtStart ? text.size() - literal.size() : 0;
  return EqualsIgnoreCaseCp866(text.substr(from, literal.size()), literal);
}

bool TextInMaskList(std::string_view text, std::string_view list) {
  bool result = false;
  ForEachToken(list, [&](std::string_view token) {
    if (token.front() == '!') {
      result = result && !TextMatchesMask(text, token.substr(1));
    } else {
      result = result || TextMatchesMask(text, token);
    }
  });
  return result;
}

bool TextInAnyMask(std::string_view text, std::string_view list) {
  bool found = false;
  ForEachToken(list, [&](std::string_view token) { found = found || TextMatchesMask(text, token); });
  return found;
}

std::vector<std::string_view> SplitTokens(std::string_view list) {
  std::vector<std::string_view> tokens;
  ForEachToken(list, [&](std::string_view token) { tokens.push_back(token); });
  return tokens;
}

int32_t ToIntOrZero(std::string_view text) {
  size_t i = text.find_first_not_of(' ');
  if (i == std::string_view::npos) return 0;
  bool negative = false;
  if (text[i] == '+' || text[i] == '-') {
    negative = text[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    i += 1;
  } else if (text.substr(i).starts_with("0x") || text.substr(i).starts_with("0X")) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return 0;
  // A value beyond 32 bits is not such a number; the bound stops the sum early.
  constexpr int64_t kBound = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    const int digit = DigitValue(text[i], base);
    if (digit < 0) return 0;
    value = value * base + digit;
    if (value > kBound) return 0;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max()) return 0;
  return static_cast<int32_t>(value);
}

void ReplaceAll(std::string& text, std::string_view pattern, std::string_view value) {
  if (pattern.empty()) return;
  // Searching from the start again after each step lets a replacement merge with
  // its surroundings (a run of blanks before a CR shrinks to nothing). That only
  // ends when every step shortens the text; a value that is as long as the
  // pattern or longer (a sender's name in a template, say) could otherwise
  // rebuild the pattern forever, so such values are put in by one pass.
  if (value.size() < pattern.size()) {
    ReplaceUntilGone(text, pattern, value);
  } else {
    ReplaceOnce(text, pattern, value);
  }
}

std::string CollapseBlankRuns(std::string_view text) {
  std::string collapsed;
  collapsed.reserve(text.size());
  for (char c : text) {
    if (c == ' ' && !collapsed.empty() && collapsed.back() == ' ') continue;
    collapsed += c;
  }
  return collapsed;
}

std::string CleanLine(std::string_view text) {
  std::string line(text);
  for (char& c : line) {
    if (static_cast<unsigned char>(c) < 32) c = ' ';
  }
  const size_t first = line.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  const size_t last = line.find_last_not_of(' ');
  return line.substr(first, last - first + 1);
}

TextLines SplitTextLinesWithEnds(std::string_view text) {
  TextLines split;
  const size_t ctrlZ = text.find(kCtrlZ);
  if (ctrlZ != std::string_view::npos) split.Tail = text.substr(ctrlZ);
  text = text.substr(0, ctrlZ);
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      split.Lines.push_back({text.substr(start), {}});
      break;
    }
    size_t next = end + 1;
    if (text[end] == '\r' && next < text.size() && text[next] == '\n') ++next;
    split.Lines.push_back({text.substr(start, end - start), text.substr(end, next - end)});
    start = next;
  }
  return split;
}

std::vector<std::string> SplitTextLines(std::string_view text) {
  std::vector<std::string> lines;
  for (const TextLine& line : SplitTextLinesWithEnds(text).Lines) lines.emplace_back(line.Text);
  return lines;
}

std::string Concat(std::initializer_list<std::string_view> parts) {
  size_t size = 0;
  for (std::string_view part : parts) size += part.size();
  std::string text;
  text.reserve(size);
  for (std::string_view part : parts) text += part;
  return text;
}

std::string FileNamePart(std::string_view path) {
  const size_t separator = path.find_last_of("/\\");
  return std::string(separator == std::string_view::npos ? path : path.substr(separator + 1));
}

}  // namespace kestal
