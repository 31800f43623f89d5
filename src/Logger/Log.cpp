// Placeholder until this module is written.
#include "Logger/Log.h"

namespace kestal {
void WriteLog(Run&, std::string_view, bool, int) {}
void OpenLog(Run&) {}
void CloseLog(Run&, int) {}
}  // namespace kestal
