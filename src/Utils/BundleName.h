#pragma once

#include <string_view>

namespace kestal {

// A compressed mail bundle as FidoNet outbounds name it: 8 hex digits, a
// dot, a day of the week (su mo tu we th fr sa) and one digit or letter, any
// letter case ("0000ff9d.mo0", "0000FF9D.WE1", "0000ff9d.fra").
bool IsBundleName(std::string_view name);

}  // namespace kestal
