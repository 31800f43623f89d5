#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestal {

// A macro name such as "%Area%" and the text it stands for.
struct MacroValue {
  std::string_view Name;
  std::string Value;
};
// Macros in their fixed order: where two names could begin at the same place,
// the earlier one is taken.
using MacroValues = std::vector<MacroValue>;

enum class MacroSuffix {
  None,       // the bytes after a macro are ordinary text
  Alignment,  // a macro may carry an alignment suffix such as "(R,4)"
};

// Appends `text` to `out` with the macros replaced in one pass from left to right.
// A value is never searched again: a macro name inside it, or the start of one
// that the text after it would complete, stays as it is.
//
// With MacroSuffix::Alignment, a macro directly followed by "(" letter "," width
// ")" gets its value aligned in that width: L left, R right, anything else
// centred; a longer value is cut to it. The suffix ends at the first ")" after
// the macro; without a ")" there is none.
void AppendExpanded(std::string& out, std::string_view text, const MacroValues& macros,
                    MacroSuffix suffix);
std::string ExpandMacros(std::string_view text, const MacroValues& macros, MacroSuffix suffix);

}  // namespace kestal
