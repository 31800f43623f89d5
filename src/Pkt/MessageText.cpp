#include "Pkt/MessageText.h"

#include "Pkt/PacketFormat.h"
#include "Utils/Text.h"

namespace kestal {

std::string StripReplyPrefix(std::string_view text, bool removeRe) {
  if (!removeRe || text.size() < 3) return std::string(text);
  if (!EqualsIgnoreCaseAscii(text.substr(0, 2), "RE")) return std::string(text);
  size_t i = 2;
  if (text[i] == '^') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  }
  if (i >= text.size() || text[i] != ':') return std::string(text);
  ++i;
  if (i < text.size() && text[i] == ' ') ++i;
  return std::string(text.substr(i));
}

bool ReplaceAreaLine(std::string& rawMessage, std::string_view newTag) {
  // The zeros are counted from the date field's last byte, its terminator.
  constexpr size_t kDateFieldLast = pkt::message::kPrefixSize - 1;
  constexpr int kSubjectTerminator = 4;  // date, to-name, from-name, subject
  if (rawMessage.size() <= kDateFieldLast + 1) return false;
  size_t terminator = kDateFieldLast;
  int zeros = 0;
  for (; terminator < rawMessage.size(); ++terminator) {
    if (rawMessage[terminator] == '\0' && ++zeros == kSubjectTerminator) break;
  }
  if (zeros < kSubjectTerminator) return false;
  const size_t lineStart = terminator + 1;
  const size_t lineEnd = rawMessage.find(pkt::kCr, lineStart);
  if (lineEnd == std::string::npos) return false;
  constexpr std::string_view kArea = pkt::kAreaTag;
  const std::string_view line = std::string_view(rawMessage).substr(lineStart, lineEnd - lineStart);
  if (line.size() < kArea.size() || !EqualsIgnoreCaseAscii(line.substr(0, kArea.size()), kArea)) {
    return false;
  }
  rawMessage.replace(lineStart, line.size(), Concat({kArea, newTag}));
  return true;
}

}  // namespace kestal
