#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "RoTypes/ReportTemplates.h"
#include "RoTypes/Version.h"

namespace kestal {

// The values of the [General] section; the initialisers are the defaults of keys
// left out. Directory values end with "/". Relative paths have been made absolute
// against the executable's directory.
struct Settings : ReportTemplates {
  std::string Language = "english.lng";  // file-name part only
  std::string Log = "Kestal.Log";
  int LogLevel = 2;
  std::string PktBackupPath;             // empty: no backups
  std::string ReportPath;                // reports to the node's own addresses
  bool ReportError = false;
  std::string TrfPath;                   // empty: no traffic counting
  std::string PasswordFile;              // non-empty: password checks on
  std::string TrfStatName = "trf.txt";
  std::string StatName = "stat.txt";
  std::vector<std::string> EchoMailPath;  // inbound directories, as written
  std::string ReportOutPath;             // reports to other addresses
  bool NetMail = false;
  bool KeepEmpty = false;
  bool RemoveRe = true;
  bool SafeMode = false;
  std::string Ext = "*.pkt";
  std::string TemplatePath;
  std::string Tagline;
  std::string Tearline = std::string(kProgramVersion);
  std::string Origin;
  std::string KestalName = "Kestal";
  std::string SkipPktFrom;
  std::string SkipPktTo;
  std::string DelPktFrom;
  std::string DelPktTo;
  std::string TrfTemplate = "trf.tpl";
  std::string StatTemplate = "stat.tpl";
  bool CreateEmptyStat = false;
  bool UseSystemDateFormat = false;
  std::string SysopName = "Sysop";
  // Compressed bundles in an echomail directory are unpacked into packets and
  // checked like them. Off by default: configurations written before it behave
  // as before.
  bool UnpackBundles = false;
  // How long a run waits for another run over the same configuration or
  // inbound to end, in seconds.
  int32_t LockWait = 600;
};

}  // namespace kestal
