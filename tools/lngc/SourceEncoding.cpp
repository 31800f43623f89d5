#include "SourceEncoding.h"

#include <array>
#include <cstdint>
#include <cstdio>

namespace lngc {

namespace {

constexpr std::string_view kDirective = "#encoding";
constexpr std::string_view kUtf8ToCp866 = "utf-8 -> cp866";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The code points of the CP866 bytes 0x80 to 0xFF; the lower half is ASCII.
constexpr std::array<char32_t, 128> kCp866UpperHalf{
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // 80
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // 88
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // 90
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // 98
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // A0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // B0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,  // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,  // C8
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // D0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,  // D8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // E0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // E8
    0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E,  // F0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0,  // F8
};

std::optional<unsigned char> Cp866ByteFor(char32_t codePoint) {
  if (codePoint < 0x80) return static_cast<unsigned char>(codePoint);
  for (size_t i = 0; i < kCp866UpperHalf.size(); ++i) {
    if (kCp866UpperHalf[i] == codePoint) return static_cast<unsigned char>(0x80 + i);
  }
  return std::nullopt;
}

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Decodes one character at the front of `text` and removes it. Overlong forms,
// surrogates and cut-off sequences are refused, so every code point has one spelling.
std::optional<char32_t> TakeUtf8Char(std::string_view& text) {
  unsigned char lead = static_cast<unsigned char>(text.front());
  size_t length;
  char32_t codePoint;
  char32_t smallest;
  if (lead < 0x80) {
    length = 1;
    codePoint = lead;
    smallest = 0;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2;
    codePoint = lead & 0x1F;
    smallest = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    codePoint = lead & 0x0F;
    smallest = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    codePoint = lead & 0x07;
    smallest = 0x10000;
  } else {
    return std::nullopt;
  }
  if (text.size() < length) return std::nullopt;
  for (size_t i = 1; i < length; ++i) {
    unsigned char byte = static_cast<unsigned char>(text[i]);
    if (!IsContinuation(byte)) return std::nullopt;
    codePoint = codePoint << 6 | (byte & 0x3F);
  }
  bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
  if (codePoint < smallest || codePoint > 0x10FFFF || surrogate) return std::nullopt;
  text.remove_prefix(length);
  return codePoint;
}

std::string CodePointName(char32_t codePoint) {
  char name[16];
  std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(codePoint));
  return name;
}

std::optional<std::string> Utf8ToCp866(std::string_view text, std::string& error) {
  std::string converted;
  converted.reserve(text.size());
  int line = 1;
  while (!text.empty()) {
    std::optional<char32_t> codePoint = TakeUtf8Char(text);
    if (!codePoint) {
      error = "line " + std::to_string(line) + ": not valid UTF-8";
      return std::nullopt;
    }
    std::optional<unsigned char> byte = Cp866ByteFor(*codePoint);
    if (!byte) {
      error = "line " + std::to_string(line) + ": " + CodePointName(*codePoint) +
              " has no byte in CP866";
      return std::nullopt;
    }
    if (*byte == '\n') ++line;
    converted += static_cast<char>(*byte);
  }
  return converted;
}

std::string_view FirstLine(std::string_view source) {
  std::string_view line = source.substr(0, source.find('\n'));
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// "#encoding" as a word of its own: "#encodings of..." stays a comment.
bool IsDirective(std::string_view line) {
  if (!line.starts_with(kDirective)) return false;
  std::string_view rest = line.substr(kDirective.size());
  return rest.empty() || rest.front() == ' ' || rest.front() == '\t';
}

}  // namespace

std::optional<std::string> ApplySourceEncoding(std::string_view source, std::string& error) {
  std::string_view withoutBom =
      source.starts_with(kUtf8Bom) ? source.substr(kUtf8Bom.size()) : source;
  std::string_view first = FirstLine(withoutBom);
  if (!IsDirective(first)) return std::string(source);
  std::string_view encoding = TrimBlanks(first.substr(kDirective.size()));
  if (encoding != kUtf8ToCp866) {
    error = "line 1: unknown encoding \"" + std::string(encoding) + "\" (lngc knows " +
            std::string(kUtf8ToCp866) + ")";
    return std::nullopt;
  }
  return Utf8ToCp866(withoutBom, error);
}

}  // namespace lngc
