// Placeholder until this module is written.
#include "RoSystem/Language.h"

namespace kestal {
bool ParseLanguage(std::string_view, LangFile&) { return false; }
void LoadLanguage(Run&, const std::string&) {}
}  // namespace kestal
