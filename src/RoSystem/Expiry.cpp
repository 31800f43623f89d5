#include "RoSystem/Expiry.h"

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FReport/Reports.h"
#include "Pkt/ScanContext.h"
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

  void Walk(const TextLines& text) {
    for (const TextLine& line : text.Lines) {
      const LineKind kind = KindOf(line.Text);
      if (kind != LineKind::Entry) CloseSection();
      if (kind == LineKind::RoHeader) OpenRoSection();
      TakeLine(line);
    }
    CloseSection();
    kept_ += text.Tail;
  }

  bool AnyExpired() const { return !expired_.empty(); }
  // Every byte of the file but the expired sections.
  const std::string& KeptText() const { return kept_; }

  // Told only once the configuration no longer holds the rules.
  void SendReports() {
    for (const ExpiredRule& rule : expired_) SendReports(*rule.Rule, rule.SectionText);
  }

 private:
  void OpenRoSection() {
    // Headers past the last loaded rule belong to sections that the reader never
    // loaded (a section without keys stopped it): they hold no dates and are kept.
    rule_ = nextRule_ < run_.Rules.size() ? &run_.Rules[nextRule_++] : nullptr;
    inExpired_ = rule_ != nullptr && run_.Day.Today > rule_->DateTo;
    if (inExpired_ && expired_.empty()) run_.Console.WriteLine("");
    sectionText_.clear();
  }

  // A section also ends at a header of another name: a [General] section written
  // after an expired rule is not part of that rule and must not be removed with it.
  void CloseSection() {
    if (rule_ != nullptr && inExpired_) {
      run_.Console.WriteLine(run_.Lang.LangRuleExpired);
      expired_.push_back({rule_, sectionText_});
    }
    rule_ = nullptr;
    inExpired_ = false;
  }

  void TakeLine(const TextLine& line) {
    if (inExpired_) {
      AppendReportLine(sectionText_, line.Text);
    } else {
      kept_ += line.Text;
      kept_ += line.End;
    }
  }

  void SendReports(const TRo& rule, const std::string& sectionText) {
    if (!rule.ReportToMainEnd.empty()) {
      Send(rule.ReportToMainEnd, run_.Config.SysopName, run_.Own.Main(), rule, sectionText);
    }
    for (std::string_view piece : SplitTokens(rule.AddrFrom)) {
      // Parsed even without a template: an abbreviated address later in the pass is
      // completed from this one.
      if (ParseAddress(piece, address_) && !rule.ReportToRoEnd.empty()) {
        Send(rule.ReportToRoEnd, "Sysop", address_, rule, sectionText);
      }
    }
    if (!rule.ReportToUplinkEnd.empty() && IsUsableUplinkText(rule.UplinkAddress) &&
        ParseAddress(rule.UplinkAddress, address_)) {
      Send(rule.ReportToUplinkEnd, rule.UplinkName, address_, rule, sectionText);
    }
  }

  void Send(const std::string& templateName, const std::string& toName,
            const TFidoAddr& destination, const TRo& rule, const std::string& sectionText) {
    const ActionResult sent = SendRuleEndReport(reports_, run_.Carried.FromName, templateName,
                                                toName, destination, rule, sectionText);
    if (!sent) ReportFailure(run_.ForScan(), "report not written", sent.Failure());
  }

  struct ExpiredRule {
    const TRo* Rule;
    std::string SectionText;  // its lines, each followed by CR
  };

  Run& run_;
  const ReportContext reports_;
  size_t nextRule_ = 0;
  const TRo* rule_ = nullptr;  // the rule of the current section; none outside [Ro]
  bool inExpired_ = false;     // the current section is an expired rule's
  std::string sectionText_;    // the current expired section's lines, each followed by CR
  std::vector<ExpiredRule> expired_;
  std::string kept_;
  TFidoAddr address_{};  // every address text of the pass is parsed into this one record
};

// The old file is copied to the backup rather than renamed to it, so that a
// configuration stands at ConfigPath at every moment; the new content replaces it
// only once the backup holds the old bytes, and only through a temporary file.
bool SaveConfiguration(Run& run, const std::string& oldContent, const std::string& newContent) {
  const std::string backupPath = run.ConfigPath + ".bak";
  const std::string& notSaved = run.Lang.LangConfigNotSaved;
  if (const platform::FileStatus backedUp = run.Files.ReplaceFile(backupPath, oldContent);
      !backedUp) {
    run.Console.WriteLine(notSaved + " " + backupPath);
    run.Console.WriteLine(notSaved + " " + run.ConfigPath);
    ReportFailure(run.ForScan(), "rules not expired", backupPath + ": " + backedUp.Reason());
    return false;
  }
  if (const platform::FileStatus saved = run.Files.ReplaceFile(run.ConfigPath, newContent);
      !saved) {
    run.Console.WriteLine(notSaved + " " + run.ConfigPath);
    ReportFailure(run.ForScan(), "rules not expired", run.ConfigPath + ": " + saved.Reason());
    return false;
  }
  run.Console.WriteLine(run.Lang.LangConfigSaved + " " + backupPath);
  return true;
}

}  // namespace

void ExpireRules(Run& run) {
  if (run.Rules.empty()) return;
  const std::optional<std::string> content = run.Files.ReadFile(run.ConfigPath);
  if (!content) {
    ReportFailure(run.ForScan(), "rules not expired", run.ConfigPath + ": " + std::strerror(errno));
    return;
  }
  // The rules are paired with the sections by their order: in a file that changed
  // since it was read (an editor, another run) they would meet the wrong ones.
  if (*content != run.ConfigText) {
    run.Log.Write("Rules not expired: " + run.ConfigPath + " changed since it was read", true, 1);
    return;
  }
  ExpiryPass pass(run);
  pass.Walk(SplitTextLinesWithEnds(*content));
  if (!pass.AnyExpired()) return;
  if (SaveConfiguration(run, *content, pass.KeptText())) pass.SendReports();
}

}  // namespace kestal
