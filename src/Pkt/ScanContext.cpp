#include "Pkt/ScanContext.h"

namespace kestal {

void ReportFailure(const ScanContext& context, std::string_view action, const std::string& failure) {
  ++context.Counters.ActionsFailed;
  context.Log.Write(context.Lang.LangError + " " + std::string(action) + ": " + failure, true, 1);
}

}  // namespace kestal
