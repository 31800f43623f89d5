#include "ToolsLib/PacketDescription.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "Pkt/PacketFormat.h"
#include "ToolsLib/PacketWriter.h"
#include "Utils/Address.h"
#include "Utils/Text.h"

namespace kestal {
namespace {

std::optional<int> HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return std::nullopt;
}

std::optional<std::string> Unescape(std::string_view text) {
  std::string bytes;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      bytes += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    switch (text[i]) {
      case '\\': bytes += '\\'; break;
      case 'r': bytes += '\r'; break;
      case 'n': bytes += '\n'; break;
      case 't': bytes += '\t'; break;
      case 'x': {
        if (i + 2 >= text.size()) return std::nullopt;
        const std::optional<int> high = HexDigit(text[i + 1]);
        const std::optional<int> low = HexDigit(text[i + 2]);
        if (!high || !low) return std::nullopt;
        bytes += static_cast<char>(*high * 16 + *low);
        i += 2;
        break;
      }
      default: return std::nullopt;
    }
  }
  return bytes;
}

using Item = std::variant<MessageDraft, std::string>;  // a message, or raw bytes

class DescriptionReader {
 public:
  bool Read(std::string_view description, std::string& error) {
    int number = 0;
    for (const std::string& rawLine : SplitLines(description)) {
      ++number;
      std::string_view line = rawLine;
      line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
      if (line.empty() || line.front() == '#') continue;
      const size_t blank = line.find(' ');
      const std::string_view keyword = line.substr(0, blank);
      const std::optional<std::string> value =
          Unescape(blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1));
      if (!value || !Apply(keyword, *value)) {
        error = "line " + std::to_string(number) + ": cannot read \"" + rawLine + "\"";
        return false;
      }
    }
    return true;
  }

  std::string Packet() const {
    std::string bytes = PacketHeaderBytes(header_);
    for (const Item& item : items_) {
      if (const MessageDraft* message = std::get_if<MessageDraft>(&item)) {
        bytes += PackedMessageBytes(*message);
      } else {
        bytes += std::get<std::string>(item);
      }
    }
    if (withEnd_) bytes.append(pkt::kEndSize, '\0');
    return bytes;
  }

 private:
  PacketHeaderDraft header_;
  std::vector<Item> items_;
  // The message being described: the last item, so that adding an item (which
  // may move the others) always sets it anew.
  MessageDraft* message_ = nullptr;
  bool withEnd_ = true;

  // Lines end with LF; a CR before it belongs to the line end too.
  static std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      std::string_view line = text.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      lines.emplace_back(line);
      start = end + 1;
    }
    return lines;
  }

  static bool ReadAddress(const std::string& text, TFidoAddr& address) {
    TFidoAddr parsed;
    if (!ParseAddress(text, parsed)) return false;
    address = parsed;
    return true;
  }

  static bool ReadWord(const std::string& text, uint16_t& word) {
    const int32_t value = ToIntOrZero(text);
    if (value < 0 || value > 0xFFFF || (value == 0 && text != "0")) return false;
    word = static_cast<uint16_t>(value);
    return true;
  }

  bool Apply(std::string_view keyword, const std::string& value) {
    if (keyword == "orig") return ReadAddress(value, header_.Orig);
    if (keyword == "dest") return ReadAddress(value, header_.Dest);
    if (keyword == "password") {
      header_.Password = value;
      return true;
    }
    if (keyword == "message") {
      message_ = &std::get<MessageDraft>(items_.emplace_back(MessageDraft{}));
      return true;
    }
    if (keyword == "raw") {
      items_.emplace_back(value);
      message_ = nullptr;
      return true;
    }
    if (keyword == "noend") {
      withEnd_ = false;
      return true;
    }
    return message_ != nullptr && ApplyToMessage(keyword, value, *message_);
  }

  static bool ApplyToMessage(std::string_view keyword, const std::string& value,
                             MessageDraft& message) {
    if (keyword == "fromaddr") return ReadAddress(value, message.From);
    if (keyword == "toaddr") return ReadAddress(value, message.To);
    if (keyword == "attr") return ReadWord(value, message.Attribute);
    std::string* text = nullptr;
    std::vector<std::string>* list = nullptr;
    std::optional<std::string>* optional = nullptr;
    if (keyword == "area") text = &message.Area;
    if (keyword == "from") text = &message.FromName;
    if (keyword == "to") text = &message.ToName;
    if (keyword == "subject") text = &message.Subject;
    if (keyword == "date") text = &message.DateTime;
    if (keyword == "kludge") list = &message.Kludges;
    if (keyword == "line") list = &message.Lines;
    if (keyword == "seenby") list = &message.SeenBy;
    if (keyword == "path") list = &message.Path;
    if (keyword == "tearline") optional = &message.Tearline;
    if (keyword == "origin") optional = &message.Origin;
    if (keyword == "text") optional = &message.RawText;
    if (text) *text = value;
    if (list) list->push_back(value);
    if (optional) *optional = value;
    return text || list || optional;
  }
};

}  // namespace

bool BuildPacketFromDescription(std::string_view description, std::string& packet,
                                std::string& error) {
  DescriptionReader reader;
  if (!reader.Read(description, error)) return false;
  packet = reader.Packet();
  return true;
}

}  // namespace kestal
