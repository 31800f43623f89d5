#include "Utils/MacroText.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

#include "Utils/Text.h"

namespace kestal {

namespace {

// Statistics lines are 80 columns wide. A width far beyond any line (a slip of the
// keyboard, or a damaged template) is cut to this, instead of making every entry
// of a report gigabytes long.
constexpr int32_t kMaxAlignWidth = 1000;

// An alignment suffix such as "(R,4)" right after a macro.
struct AlignSuffix {
  size_t Length = 0;  // "(" to ")" inclusive
  char Align = 'C';
  int32_t Width = 0;
};

// The first ")" at or after a place, for places that only move forward. The answer
// is kept until the places pass it, so a text full of "(" without a ")" is still
// searched once, not once per "(".
class CloseFinder {
 public:
  explicit CloseFinder(std::string_view text) : text_(text) {}

  size_t From(size_t place) {
    if (!searched_ || (found_ != std::string_view::npos && found_ < place)) {
      found_ = text_.find(')', place);
      searched_ = true;
    }
    return found_;
  }

 private:
  std::string_view text_;
  bool searched_ = false;
  size_t found_ = std::string_view::npos;
};

std::optional<AlignSuffix> ReadAlignSuffix(std::string_view text, size_t afterMacro,
                                           CloseFinder& closes) {
  if (afterMacro >= text.size() || text[afterMacro] != '(') return std::nullopt;
  const size_t close = closes.From(afterMacro);
  if (close == std::string_view::npos) return std::nullopt;
  AlignSuffix suffix;
  suffix.Length = close + 1 - afterMacro;
  suffix.Align = UpperCaseAscii(text.substr(afterMacro + 1, 1))[0];
  // Only a comma inside the suffix counts, so the search stays within it.
  const size_t comma = text.substr(afterMacro, suffix.Length).find(',');
  if (comma != std::string_view::npos && afterMacro + comma + 1 < close) {
    const size_t widthStart = afterMacro + comma + 1;
    const int32_t width = ToIntOrZero(text.substr(widthStart, close - widthStart));
    suffix.Width = std::min(width, kMaxAlignWidth);
  }
  return suffix;
}

void AppendAligned(std::string& out, std::string_view value, const AlignSuffix& suffix) {
  if (suffix.Width <= 0) {
    out += value;
    return;
  }
  const auto width = static_cast<size_t>(suffix.Width);
  if (value.size() >= width) {
    out += value.substr(0, width);
    return;
  }
  const size_t padding = width - value.size();
  const size_t before = suffix.Align == 'R' ? padding : suffix.Align == 'L' ? 0 : padding / 2;
  out.append(before, ' ');
  out += value;
  out.append(padding - before, ' ');
}

// Which bytes begin some macro name: most places of a text are passed over at
// that one look.
std::array<bool, 256> FirstBytes(const MacroValues& macros) {
  std::array<bool, 256> first{};
  for (const MacroValue& macro : macros) {
    if (!macro.Name.empty()) first[static_cast<unsigned char>(macro.Name.front())] = true;
  }
  return first;
}

const MacroValue* MacroAt(std::string_view text, size_t place, const MacroValues& macros) {
  const std::string_view rest = text.substr(place);
  for (const MacroValue& macro : macros) {
    if (!macro.Name.empty() && rest.starts_with(macro.Name)) return &macro;
  }
  return nullptr;
}

}  // namespace

void AppendExpanded(std::string& out, std::string_view text, const MacroValues& macros,
                    MacroSuffix suffix) {
  const std::array<bool, 256> firstBytes = FirstBytes(macros);
  CloseFinder closes(text);
  size_t copied = 0;  // text before this is in `out`
  size_t place = 0;
  while (place < text.size()) {
    const MacroValue* macro = firstBytes[static_cast<unsigned char>(text[place])]
                                  ? MacroAt(text, place, macros)
                                  : nullptr;
    if (macro == nullptr) {
      ++place;
      continue;
    }
    out += text.substr(copied, place - copied);
    place += macro->Name.size();
    const std::optional<AlignSuffix> align =
        suffix == MacroSuffix::Alignment ? ReadAlignSuffix(text, place, closes) : std::nullopt;
    if (align) {
      AppendAligned(out, macro->Value, *align);
      place += align->Length;
    } else {
      out += macro->Value;
    }
    copied = place;
  }
  out += text.substr(copied);
}

std::string ExpandMacros(std::string_view text, const MacroValues& macros, MacroSuffix suffix) {
  std::string out;
  out.reserve(text.size());
  AppendExpanded(out, text, macros, suffix);
  return out;
}

}  // namespace kestal
