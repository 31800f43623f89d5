#pragma once

#include <string>

namespace kestal {

struct Run;

// The echo statistics report (-S) over the period text.
void BuildEchoStatistics(Run& run, const std::string& period);
// The name statistics report (-E) over the period text.
void BuildNameStatistics(Run& run, const std::string& period);

}  // namespace kestal
