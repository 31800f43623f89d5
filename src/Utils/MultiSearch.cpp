#include "Utils/MultiSearch.h"

#include <hs.h>

#include <climits>

#include "Utils/Text.h"

namespace kestal {
namespace {

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

// The engine refuses literals longer than this.
constexpr size_t kLongestLiteral = 16000;

// Vectorscan 5.4 takes a literal that starts with a NUL byte for an empty one and
// refuses it. The few patterns it does not take are searched on their own; that
// is linear in the text too.
bool EngineTakes(std::string_view pattern) {
  return pattern.front() != '\0' && pattern.size() <= kLongestLiteral;
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
  std::vector<const char*> bytes;
  std::vector<size_t> lengths;
  std::vector<unsigned> ids;
  for (size_t id = 0; id < patterns.size(); ++id) {
    if (patterns[id].empty()) {
      search.emptyPatterns_.push_back(id);
      continue;
    }
    if (!EngineTakes(patterns[id])) {
      search.ownSearches_.emplace_back(id, CaselessSearch(UpperCaseAscii(patterns[id])));
      continue;
    }
    bytes.push_back(patterns[id].data());
    lengths.push_back(patterns[id].size());
    ids.push_back(static_cast<unsigned>(id));
  }
  if (ids.empty()) return search;

  // Without HS_FLAG_UTF8 caseless matching folds the ASCII letters alone.
  const std::vector<unsigned> flags(ids.size(), HS_FLAG_CASELESS | HS_FLAG_SINGLEMATCH);
  hs_database_t* database = nullptr;
  hs_compile_error_t* compileError = nullptr;
  if (hs_compile_lit_multi(bytes.data(), flags.data(), ids.data(), lengths.data(),
                           static_cast<unsigned>(ids.size()), HS_MODE_BLOCK, nullptr, &database,
                           &compileError) != HS_SUCCESS) {
    error = compileError != nullptr && compileError->message != nullptr
                ? compileError->message
                : "the patterns do not compile";
    if (compileError != nullptr && compileError->expression >= 0) {
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
  for (const auto& [id, search] : ownSearches_) found[id] = search.FoundIn(text);
  // No non-empty pattern fits in an empty text (and the engine wants a buffer).
  if (!database_ || text.empty()) return true;
  if (text.size() > UINT_MAX) {
    error = "a text of " + std::to_string(text.size()) + " bytes is too long to scan";
    return false;
  }
  const hs_error_t code = hs_scan(database_.get(), text.data(), static_cast<unsigned>(text.size()),
                                  0, scratch_.get(), OnMatch, &found);
  if (code != HS_SUCCESS) {
    error = "scan failed: " + EngineErrorText(code);
    return false;
  }
  return true;
}

}  // namespace kestal
