#include "Utils/ConfigLine.h"

#include "Utils/Text.h"

namespace kestal {

std::string CleanConfigLine(std::string_view line) {
  return CleanLine(line.substr(0, line.find(';')));
}

}  // namespace kestal
