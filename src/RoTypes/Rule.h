#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "RoTypes/Date.h"
#include "RoTypes/ReportTemplates.h"

namespace kestal {

// One read-only rule: one [Ro] section of the configuration. The initialisers are
// the defaults of keys left out, where the default is not taken from [General].
struct TRo : ReportTemplates {
  std::string Area;
  std::string PktFrom = "*";
  std::string PktTo = "*";
  std::string Name = "*";
  std::string Addr = "*";
  std::string NameFrom = "*";
  std::string AddrFrom = "*";
  std::string NameTo = "*";
  std::string AddrTo = "*";
  std::string Subj = "*";
  std::string Chrs = "*";
  std::string PID = "*";
  std::string TID = "*";
  std::string DateFromText;
  TDate DateFrom;
  std::string DateToText;
  TDate DateTo;
  std::string UplinkAddress;
  std::string UplinkName = "SysOp";
  std::string KestalName;
  bool ReportOnly = false;
  std::string Move;
  std::string Copy;
  int32_t MsgSize = 0;
  bool KillAddrToAll = false;
  std::string Flag;
  std::string BodyMask;
  std::string KludgeMask;
  std::string ViaMask;
  std::string SaveToFile;
  std::string SaveTemplate = "save.tpl";
};

using RuleList = std::vector<TRo>;

}  // namespace kestal
