#include "ToolsLib/LangSource.h"

#include <cstdio>
#include <vector>

#include "RoConfig/Language.h"

namespace kestal {

namespace {

struct SourceLine {
  int Number;
  std::string_view Text;
};

// Lines end at LF; the CR of a CR LF end is not part of the line.
std::vector<SourceLine> SplitSourceLines(std::string_view source) {
  std::vector<SourceLine> lines;
  int number = 1;
  while (!source.empty()) {
    size_t end = source.find('\n');
    std::string_view line = source.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back({number++, line});
    if (end == std::string_view::npos) break;
    source.remove_prefix(end + 1);
  }
  return lines;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view SkipBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool IsControlByte(unsigned char c) { return (c < 0x20 && c != '\t') || c == 0x7F; }

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string HexByte(unsigned char c) {
  char hex[5];
  std::snprintf(hex, sizeof hex, "\\x%02X", c);
  return hex;
}

// Reads one escape after its backslash; `rest` starts at the escape letter and is
// moved past the escape.
bool ParseEscape(std::string_view& rest, std::string& text, std::string& error) {
  if (rest.empty()) {
    error = "a backslash ends the line";
    return false;
  }
  char letter = rest.front();
  rest.remove_prefix(1);
  switch (letter) {
    case '\\': text += '\\'; return true;
    case '"': text += '"'; return true;
    case 'r': text += '\r'; return true;
    case 'n': text += '\n'; return true;
    case 't': text += '\t'; return true;
    case 'x': break;
    default:
      error = std::string("unknown escape \\") + letter;
      return false;
  }
  int high = rest.size() >= 2 ? HexDigitValue(rest[0]) : -1;
  int low = rest.size() >= 2 ? HexDigitValue(rest[1]) : -1;
  if (high < 0 || low < 0) {
    error = "\\x needs two hexadecimal digits";
    return false;
  }
  if (high == 0 && low == 0) {
    error = "\\x00 is not allowed: a byte 0 ends a text in the language file";
    return false;
  }
  text += static_cast<char>(high * 16 + low);
  rest.remove_prefix(2);
  return true;
}

// Reads the quoted text after its opening quote, up to and past the closing one.
bool ParseQuotedText(std::string_view& rest, std::string& text, std::string& error) {
  while (!rest.empty()) {
    unsigned char c = static_cast<unsigned char>(rest.front());
    rest.remove_prefix(1);
    if (c == '"') return true;
    if (c == '\\') {
      if (!ParseEscape(rest, text, error)) return false;
    } else if (c == 0) {
      error = "a byte 0 cannot be part of a text";
      return false;
    } else if (IsControlByte(c)) {
      error = "control byte in the text: write it as " + HexByte(c);
      return false;
    } else {
      text += static_cast<char>(c);
    }
  }
  error = "the text has no closing double quote";
  return false;
}

// Reads `Name = "text"`.
bool ParseTextLine(std::string_view line, std::string_view& name, std::string& text,
                   std::string& error) {
  std::string_view rest = SkipBlanks(line);
  size_t nameLength = 0;
  while (nameLength < rest.size() && IsNameChar(rest[nameLength])) ++nameLength;
  name = rest.substr(0, nameLength);
  if (name.empty()) {
    error = "expected a text name such as LangError";
    return false;
  }
  rest = SkipBlanks(rest.substr(nameLength));
  if (rest.empty() || rest.front() != '=') {
    error = "expected \"=\" after " + std::string(name);
    return false;
  }
  rest = SkipBlanks(rest.substr(1));
  if (rest.empty() || rest.front() != '"') {
    error = "the text of " + std::string(name) + " must be written between double quotes";
    return false;
  }
  rest.remove_prefix(1);
  if (!ParseQuotedText(rest, text, error)) return false;
  if (!SkipBlanks(rest).empty()) {
    error = "unexpected characters after the closing double quote";
    return false;
  }
  return true;
}

bool IsKnownName(std::string_view name) {
  for (const LangPosition& position : kLangPositions) {
    if (position.Name == name) return true;
  }
  return false;
}

std::string WrongNameMessage(std::string_view found, std::string_view expected) {
  if (IsKnownName(found)) {
    return "expected " + std::string(expected) + ", found " + std::string(found) +
           " (the texts go in position order, each once)";
  }
  return "unknown text name " + std::string(found) + " (expected " + std::string(expected) + ")";
}

bool IsSkippedLine(std::string_view line) {
  std::string_view rest = SkipBlanks(line);
  return rest.empty() || rest.front() == '#';
}

std::string QuoteText(std::string_view text) {
  std::string quoted = "\"";
  for (char c : text) {
    unsigned char byte = static_cast<unsigned char>(c);
    switch (c) {
      case '\\': quoted += "\\\\"; break;
      case '"': quoted += "\\\""; break;
      case '\r': quoted += "\\r"; break;
      case '\n': quoted += "\\n"; break;
      case '\t': quoted += "\\t"; break;
      default: quoted += IsControlByte(byte) ? HexByte(byte) : std::string(1, c);
    }
  }
  return quoted + "\"";
}

}  // namespace

bool ParseLanguageSource(std::string_view source, LangFile& lang, std::string& error) {
  LangFile parsed;
  size_t next = 0;
  for (const SourceLine& line : SplitSourceLines(source)) {
    if (IsSkippedLine(line.Text)) continue;
    std::string prefix = "line " + std::to_string(line.Number) + ": ";
    if (next == kLangPositions.size()) {
      error = prefix + "more than " + std::to_string(kLangTextCount) + " texts";
      return false;
    }
    std::string_view name;
    std::string text;
    if (!ParseTextLine(line.Text, name, text, error)) {
      error = prefix + error;
      return false;
    }
    const LangPosition& expected = kLangPositions[next];
    if (name != expected.Name) {
      error = prefix + WrongNameMessage(name, expected.Name);
      return false;
    }
    parsed.*expected.Text = std::move(text);
    ++next;
  }
  if (next < kLangPositions.size()) {
    error = std::string(kLangPositions[next].Name) + " is missing: the source holds " +
            std::to_string(next) + " of the " + std::to_string(kLangTextCount) + " texts";
    return false;
  }
  lang = std::move(parsed);
  return true;
}

std::string FormatLanguageSource(const LangFile& lang) {
  std::string source =
      "# Kestal language texts, one per position. Build with: lngc build <this file> <name>.lng\n";
  for (const LangPosition& position : kLangPositions) {
    source += std::string(position.Name) + " = " + QuoteText(lang.*position.Text) + "\n";
  }
  return source;
}

}  // namespace kestal
