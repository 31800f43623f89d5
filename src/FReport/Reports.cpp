// Placeholder until this module is written.
#include "FReport/Reports.h"

namespace kestal {
void SendMessageReport(Run&, const std::string&, const std::string&, const TFidoAddr&, const TPktMsgHeader&) {}
void SendRuleEndReport(Run&, const std::string&, const std::string&, const TFidoAddr&, const TRo&, const std::string&) {}
void SaveMessageToFile(Run&, const std::string&, const std::string&, const TPktMsgHeader&) {}
void SendErrorReport(Run&, const std::string&) {}
}  // namespace kestal
