#include "RoSystem/Expiry.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FReport/Reports.h"
#include "RoSystem/Run.h"
#include "Utils/Address.h"
#include "Utils/ConfigLine.h"
#include "Utils/Text.h"

namespace kestal {
namespace {

enum class LineKind { RoHeader, OtherHeader, Entry };

// The [Ro] headers must be recognised exactly as the configuration reader does,
// because the n-th header is paired with the n-th loaded rule ("[Ro] ; old" is one).
LineKind KindOf(std::string_view line) {
  const std::string cut = CleanConfigLine(line);
  if (EqualsIgnoreCaseAscii(cut, "[Ro]")) return LineKind::RoHeader;
  if (cut.size() >= 2 && cut.front() == '[' && cut.back() == ']') return LineKind::OtherHeader;
  return LineKind::Entry;
}

// The line as the rule-end reports quote it: empty lines and comment lines are left
// out, inline comments cut; lines of blanks stay.
void AppendReportLine(std::string& sectionText, std::string_view line) {
  if (line.empty() || line.front() == ';') return;
  sectionText += line.substr(0, line.find(';'));
  sectionText += '\r';
}

// The uplink report needs an address of its own. An empty text (or one that starts
// with a blank, which ParseAddress cuts away) would leave the address of the last
// AddrFrom piece in place, and a packet macro such as %PktFrom% has no packet to be
// filled from at expiry; either would send the report to the wrong node.
bool IsUsableUplinkText(std::string_view text) {
  return !text.empty() && text.front() != ' ' && text.find('%') == std::string_view::npos;
}

// One walk over the lines of the configuration file.
class ExpiryPass {
 public:
  explicit ExpiryPass(Run& run) : run_(run), reports_(run.ForReports()) {}

  void Walk(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
      const LineKind kind = KindOf(line);
      if (kind != LineKind::Entry) CloseSection();
      if (kind == LineKind::RoHeader) OpenRoSection();
      TakeLine(line);
    }
    CloseSection();
  }

  bool AnyExpired() const { return anyExpired_; }
  // The lines that survive, as read, each followed by CR LF.
  const std::string& KeptText() const { return kept_; }

 private:
  void OpenRoSection() {
    // Headers past the last loaded rule belong to sections that the reader never
    // loaded (a section without keys stopped it): they hold no dates and are kept.
    rule_ = nextRule_ < run_.Rules.size() ? &run_.Rules[nextRule_++] : nullptr;
    expired_ = rule_ != nullptr && run_.Day.Today > rule_->DateTo;
    if (expired_ && !anyExpired_) run_.Console.WriteLine("");
    anyExpired_ = anyExpired_ || expired_;
    sectionText_.clear();
  }

  // A section also ends at a header of another name: a [General] section written
  // after an expired rule is not part of that rule and must not be removed with it.
  void CloseSection() {
    if (rule_ != nullptr && expired_) {
      run_.Console.WriteLine(run_.Lang.LangRuleExpired);
      SendReports(*rule_);
    }
    rule_ = nullptr;
    expired_ = false;
  }

  void TakeLine(const std::string& line) {
    if (expired_) {
      AppendReportLine(sectionText_, line);
    } else {
      kept_ += line;
      kept_ += "\r\n";
    }
  }

  void SendReports(const TRo& rule) {
    if (!rule.ReportToMainEnd.empty()) {
      Send(rule.ReportToMainEnd, run_.Config.SysopName, run_.Own.Main(), rule);
    }
    for (std::string_view piece : SplitTokens(rule.AddrFrom)) {
      // Parsed even without a template: an abbreviated address later in the pass is
      // completed from this one.
      if (ParseAddress(piece, address_) && !rule.ReportToRoEnd.empty()) {
        Send(rule.ReportToRoEnd, "Sysop", address_, rule);
      }
    }
    if (!rule.ReportToUplinkEnd.empty() && IsUsableUplinkText(rule.UplinkAddress) &&
        ParseAddress(rule.UplinkAddress, address_)) {
      Send(rule.ReportToUplinkEnd, rule.UplinkName, address_, rule);
    }
  }

  void Send(const std::string& templateName, const std::string& toName,
            const TFidoAddr& destination, const TRo& rule) {
    // Not yet seen beyond the missing N.msg itself.
    (void)SendRuleEndReport(reports_, run_.Carried.FromName, templateName, toName, destination,
                            rule, sectionText_);
  }

  Run& run_;
  const ReportContext reports_;
  size_t nextRule_ = 0;
  const TRo* rule_ = nullptr;  // the rule of the current section; none outside [Ro]
  bool expired_ = false;
  bool anyExpired_ = false;
  std::string sectionText_;  // the current expired section's lines, each followed by CR
  std::string kept_;
  TFidoAddr address_{};  // every address text of the pass is parsed into this one record
};

// The old file is copied to the backup rather than renamed to it, so that a
// configuration stands at ConfigPath at every moment; the new content replaces it
// only once the backup holds the old bytes, and only through a temporary file.
void SaveConfiguration(Run& run, const std::string& oldContent, const std::string& newContent) {
  const std::string backupPath = run.ConfigPath + ".bak";
  const std::string& notSaved = run.Lang.LangConfigNotSaved;
  if (!run.Files.ReplaceFile(backupPath, oldContent)) {
    run.Console.WriteLine(notSaved + " " + backupPath);
    run.Console.WriteLine(notSaved + " " + run.ConfigPath);
    return;
  }
  if (!run.Files.ReplaceFile(run.ConfigPath, newContent)) {
    run.Console.WriteLine(notSaved + " " + run.ConfigPath);
    return;
  }
  run.Console.WriteLine(run.Lang.LangConfigSaved + " " + backupPath);
}

}  // namespace

void ExpireRules(Run& run) {
  if (run.Rules.empty()) return;
  const std::optional<std::string> content = run.Files.ReadFile(run.ConfigPath);
  if (!content) return;
  ExpiryPass pass(run);
  pass.Walk(SplitTextLines(*content));
  if (!pass.AnyExpired()) return;
  SaveConfiguration(run, *content, pass.KeptText());
}

}  // namespace kestal
