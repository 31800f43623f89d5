#pragma once

#include <string>
#include <string_view>

// Edits of the texts a packed message carries: its AREA line and its subject.

namespace kestal {

// Removes one leading "Re:" or "Re^n:" (and one blank after it) when `removeRe` is on.
std::string StripReplyPrefix(std::string_view text, bool removeRe);
// Replaces the AREA: line of a raw packed message by "AREA:" + tag.
bool ReplaceAreaLine(std::string& rawMessage, std::string_view newTag);

}  // namespace kestal
