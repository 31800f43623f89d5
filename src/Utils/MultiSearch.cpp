#include "Utils/MultiSearch.h"

#include <hs.h>

#include <algorithm>
#include <climits>

#include "Utils/Text.h"

namespace kestal {
namespace {

// The engine confirms a candidate by comparing the whole literal, so a text made
// to agree with a long literal at nearly every place costs it the literal's
// length per byte. Literals this short keep it linear in the text.
constexpr size_t kLongestPiece = 32;

// The part of a pattern given to the engine: the whole of a short one, else the
// first of its windows of kLongestPiece bytes with the most distinct bytes
// (letters folded), cut back to end at the last byte new to it. A periodic
// pattern's piece then takes in, and ends at, a byte that breaks its period:
// a text made to agree with the pattern at every place seldom holds the piece,
// and the engine, which keys on a literal's last bytes, seldom stops to check.
// No piece starts with a NUL byte: Vectorscan 5.4 takes such a literal for an
// empty one and refuses it. Empty when every window does.
std::string_view EnginePiece(std::string_view pattern) {
  if (pattern.size() <= kLongestPiece && pattern.front() != '\0') return pattern;
  const std::string upper = UpperCaseAscii(pattern);
  const size_t width = std::min(pattern.size(), kLongestPiece);
  size_t counts[256] = {};
  size_t distinct = 0;
  size_t best = std::string_view::npos;
  size_t bestDistinct = 0;
  for (size_t end = 0; end < upper.size(); ++end) {
    if (counts[static_cast<unsigned char>(upper[end])]++ == 0) ++distinct;
    if (end >= width && --counts[static_cast<unsigned char>(upper[end - width])] == 0) --distinct;
    if (end + 1 < width) continue;
    const size_t start = end + 1 - width;
    if (upper[start] != '\0' && distinct > bestDistinct) {
      best = start;
      bestDistinct = distinct;
    }
  }
  if (best == std::string_view::npos) return {};
  const std::string_view window = std::string_view(upper).substr(best, width);
  size_t length = width;
  while (length > 1 && window.substr(0, length - 1).find(window[length - 1]) != window.npos) {
    --length;
  }
  return pattern.substr(best, length);
}

std::string EngineErrorText(hs_error_t code) {
  switch (code) {
    case HS_INVALID: return "invalid parameter";
    case HS_NOMEM: return "out of memory";
    case HS_SCRATCH_IN_USE: return "scratch memory already in use";
    case HS_ARCH_ERROR: return "processor not supported";
    case HS_BAD_ALIGN: return "misaligned memory";
    case HS_BAD_ALLOC: return "allocator returned misaligned memory";
    default: return "error " + std::to_string(code);
  }
}

// Marks a pattern found; each is reported at most once per scan.
int OnMatch(unsigned int id, unsigned long long /*from*/, unsigned long long /*to*/,
            unsigned int /*flags*/, void* context) {
  (*static_cast<std::vector<bool>*>(context))[id] = true;
  return 0;
}

}  // namespace

void MultiSearch::FreeDatabase::operator()(hs_database* database) const {
  hs_free_database(database);
}

void MultiSearch::FreeScratch::operator()(hs_scratch* scratch) const { hs_free_scratch(scratch); }

std::optional<MultiSearch> MultiSearch::Compile(const std::vector<std::string>& patterns,
                                                std::string& error) {
  if (patterns.size() > UINT_MAX) {
    error = "too many patterns: " + std::to_string(patterns.size());
    return std::nullopt;
  }
  MultiSearch search;
  search.patternCount_ = patterns.size();
  std::vector<const char*> pieces;
  std::vector<size_t> lengths;
  std::vector<unsigned> ids;
  for (size_t id = 0; id < patterns.size(); ++id) {
    const std::string& pattern = patterns[id];
    if (pattern.empty()) {
      search.emptyPatterns_.push_back(id);
      continue;
    }
    const std::string_view piece = EnginePiece(pattern);
    if (!piece.empty()) {
      pieces.push_back(piece.data());
      lengths.push_back(piece.size());
      ids.push_back(static_cast<unsigned>(id));
    }
    if (piece.size() < pattern.size()) {
      search.wholeSearches_.push_back(
          WholeSearch{id, !piece.empty(), CaselessSearch(UpperCaseAscii(pattern))});
    }
  }
  if (ids.empty()) return search;

  // Without HS_FLAG_UTF8 caseless matching folds the ASCII letters alone.
  const std::vector<unsigned> flags(ids.size(), HS_FLAG_CASELESS | HS_FLAG_SINGLEMATCH);
  hs_database_t* database = nullptr;
  hs_compile_error_t* compileError = nullptr;
  if (hs_compile_lit_multi(pieces.data(), flags.data(), ids.data(), lengths.data(),
                           static_cast<unsigned>(ids.size()), HS_MODE_BLOCK, nullptr, &database,
                           &compileError) != HS_SUCCESS) {
    error = compileError != nullptr && compileError->message != nullptr
                ? compileError->message
                : "the patterns do not compile";
    if (compileError != nullptr && compileError->expression >= 0 &&
        static_cast<size_t>(compileError->expression) < ids.size()) {
      error += " (pattern " + std::to_string(ids[compileError->expression]) + ")";
    }
    hs_free_compile_error(compileError);
    return std::nullopt;
  }
  search.database_.reset(database);

  hs_scratch_t* scratch = nullptr;
  if (const hs_error_t code = hs_alloc_scratch(database, &scratch); code != HS_SUCCESS) {
    error = "cannot allocate scratch memory: " + EngineErrorText(code);
    return std::nullopt;
  }
  search.scratch_.reset(scratch);
  return search;
}

bool MultiSearch::FoundIn(std::string_view text, std::vector<bool>& found, std::string& error) {
  found.assign(patternCount_, false);
  for (const size_t id : emptyPatterns_) found[id] = true;
  // No piece fits in an empty text (and the engine wants a buffer).
  if (database_ && !text.empty()) {
    if (text.size() > UINT_MAX) {
      error = "a text of " + std::to_string(text.size()) + " bytes is too long to scan";
      return false;
    }
    const hs_error_t code = hs_scan(database_.get(), text.data(),
                                    static_cast<unsigned>(text.size()), 0, scratch_.get(),
                                    OnMatch, &found);
    if (code != HS_SUCCESS) {
      error = "scan failed: " + EngineErrorText(code);
      return false;
    }
  }
  for (const WholeSearch& whole : wholeSearches_) {
    if (!whole.PieceFirst || found[whole.Id]) found[whole.Id] = whole.Search.FoundIn(text);
  }
  return true;
}

}  // namespace kestal
