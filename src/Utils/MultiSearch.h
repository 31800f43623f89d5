#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Utils/TextSearch.h"

struct hs_database;
struct hs_scratch;

namespace kestal {

// Looks for many literal patterns in one pass over a text. Letter case is
// ignored for a-z and A-Z only, as UpperCaseAscii folds it: a pattern is found
// where UpperCaseAscii(text).find(UpperCaseAscii(pattern)) would find it. A
// scan takes time linear in the text whatever the patterns are, so a text
// crafted against them cannot slow it down. Patterns are byte strings of any
// bytes, NUL included, and of any length; a pattern's id is its index in the
// list.
//
// One object is one compiled database with its own scratch memory, made once:
// FoundIn allocates nothing, and one object scans one text at a time.
class MultiSearch {
 public:
  // An empty list and empty patterns are accepted; an empty pattern is in
  // every text. On failure gives nothing, with the engine's reason in `error`.
  static std::optional<MultiSearch> Compile(const std::vector<std::string>& patterns,
                                            std::string& error);

  size_t PatternCount() const { return patternCount_; }

  // found[id] tells whether pattern `id` occurs in the text; `found` is sized
  // to the patterns. False, with the reason in `error`, when the scan failed.
  bool FoundIn(std::string_view text, std::vector<bool>& found, std::string& error);

 private:
  struct FreeDatabase {
    void operator()(hs_database* database) const;
  };
  struct FreeScratch {
    void operator()(hs_scratch* scratch) const;
  };

  MultiSearch() = default;

  size_t patternCount_ = 0;
  std::vector<size_t> emptyPatterns_;
  // The patterns the engine does not take (see Compile), each searched on its
  // own, by id.
  std::vector<std::pair<size_t, CaselessSearch>> ownSearches_;
  // Null when there is no pattern but empty ones: the engine compiles no empty list.
  std::unique_ptr<hs_database, FreeDatabase> database_;
  std::unique_ptr<hs_scratch, FreeScratch> scratch_;
};

}  // namespace kestal
