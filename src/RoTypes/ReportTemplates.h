#pragma once

#include <array>
#include <string>
#include <string_view>

namespace kestal {

// The report templates: file names, empty for none. [General] sets them for all
// rules, and each [Ro] section may set its own.
struct ReportTemplates {
  std::string ReportToMain;
  std::string ReportToRo;
  std::string ReportToUplink;
  std::string ReportToMainEnd;
  std::string ReportToRoEnd;
  std::string ReportToUplinkEnd;
  std::string ReportToPktFrom;
  std::string ReportToPktTo;
};

// Each template's configuration key and member, in the order they are read: that
// order decides which missing template a section reports first.
struct ReportTemplateKey {
  std::string_view Key;
  std::string ReportTemplates::*Member;
};

inline constexpr std::array<ReportTemplateKey, 8> kReportTemplateKeys = {{
    {"ReportToMain", &ReportTemplates::ReportToMain},
    {"ReportToRo", &ReportTemplates::ReportToRo},
    {"ReportToUplink", &ReportTemplates::ReportToUplink},
    {"ReportToMainEnd", &ReportTemplates::ReportToMainEnd},
    {"ReportToRoEnd", &ReportTemplates::ReportToRoEnd},
    {"ReportToUplinkEnd", &ReportTemplates::ReportToUplinkEnd},
    {"ReportToPktFrom", &ReportTemplates::ReportToPktFrom},
    {"ReportToPktTo", &ReportTemplates::ReportToPktTo},
}};

}  // namespace kestal
