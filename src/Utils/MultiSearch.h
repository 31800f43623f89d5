#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Utils/TextSearch.h"

struct hs_database;
struct hs_scratch;

namespace kestal {

// Looks for many literal patterns in one pass over a text. Letter case is
// ignored for a-z and A-Z only, as UpperCaseAscii folds it: a pattern is found
// where UpperCaseAscii(text).find(UpperCaseAscii(pattern)) would find it.
// Patterns are byte strings of any bytes, NUL included, and of any length; a
// pattern's id is its index in the list.
//
// A scan takes time linear in the text whatever the patterns are, so a text
// crafted against them cannot slow it down. Vectorscan checks each place where
// a literal may end by comparing the literal, which on a periodic text costs a
// long periodic literal its length at every place; so it is given pieces of at
// most 32 bytes, taken where a pattern's bytes vary most, and a longer pattern
// is looked for whole, by a linear search of its own, only in a text where its
// piece was found. That search is one more
// pass over the text, so the time per byte grows with the number of long
// patterns whose pieces occur in it, not with their lengths.
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

  // A pattern that the engine does not find whole.
  struct WholeSearch {
    size_t Id;
    // The engine looks for a piece of it first; else it is searched in every text.
    bool PieceFirst;
    CaselessSearch Search;
  };

  size_t patternCount_ = 0;
  std::vector<size_t> emptyPatterns_;
  std::vector<WholeSearch> wholeSearches_;
  // Null when no pattern has a piece: the engine compiles no empty list.
  std::unique_ptr<hs_database, FreeDatabase> database_;
  std::unique_ptr<hs_scratch, FreeScratch> scratch_;
};

}  // namespace kestal
