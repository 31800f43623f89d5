#include "Utils/ConfigLine.h"

#include "Utils/Text.h"

namespace kestal {

std::string CleanConfigLine(std::string_view line) {
  std::string cleaned = CleanLine(line);
  const size_t comment = cleaned.find(';');
  if (comment != std::string::npos) cleaned.erase(comment);
  return cleaned;
}

}  // namespace kestal
