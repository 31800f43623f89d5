// searchbench: prints how long CaselessSearch and MultiSearch take to look for
// rule masks in a message body: long periodic masks in a body crafted against
// them, and many ordinary masks in an ordinary body. It asserts nothing.

#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Utils/MultiSearch.h"
#include "Utils/TextSearch.h"

namespace {

using kestal::CaselessSearch;
using kestal::MultiSearch;

// The best of five rounds, in milliseconds per call; a round calls `scan` for at
// least 50 ms, so that the clock's grain does not show.
double MillisecondsPerCall(const std::function<void()>& scan) {
  using Clock = std::chrono::steady_clock;
  double best = 0;
  for (int round = 0; round < 5; ++round) {
    const Clock::time_point start = Clock::now();
    long calls = 0;
    std::chrono::duration<double, std::milli> spent{};
    do {
      scan();
      ++calls;
      spent = Clock::now() - start;
    } while (spent.count() < 50);
    const double perCall = spent.count() / calls;
    if (round == 0 || perCall < best) best = perCall;
  }
  return best;
}

std::optional<MultiSearch> Compile(const std::vector<std::string>& masks) {
  std::string error;
  std::optional<MultiSearch> search = MultiSearch::Compile(masks, error);
  if (!search) std::fprintf(stderr, "searchbench: %s\n", error.c_str());
  return search;
}

// How many masks were found, or nothing when the scan failed.
std::optional<size_t> Scan(MultiSearch& search, const std::string& body) {
  std::vector<bool> found;
  std::string error;
  if (!search.FoundIn(body, found, error)) {
    std::fprintf(stderr, "searchbench: %s\n", error.c_str());
    return std::nullopt;
  }
  size_t count = 0;
  for (const bool one : found) count += one;
  return count;
}

// Both ways of looking for the masks in the body: one search per mask, and one
// scan for all. False when a scan failed.
bool PrintTimes(const char* label, const std::vector<std::string>& masks, const std::string& body) {
  std::optional<MultiSearch> multi = Compile(masks);
  if (!multi) return false;
  const std::vector<CaselessSearch> singles(masks.begin(), masks.end());
  size_t foundOneByOne = 0;
  const double oneByOne = MillisecondsPerCall([&] {
    foundOneByOne = 0;
    for (const CaselessSearch& single : singles) foundOneByOne += single.FoundIn(body);
  });
  std::optional<size_t> foundInOneScan;
  const double oneScan = MillisecondsPerCall([&] { foundInOneScan = Scan(*multi, body); });
  if (!foundInOneScan) return false;
  std::printf("%-34s %8zu KB %10.3f %10.3f %6zu %6zu\n", label, body.size() / 1000, oneByOne,
              oneScan, foundOneByOne, *foundInOneScan);
  return true;
}

// A mask of one letter but for a "B", against a body of that letter alone:
// every place agrees with it on everything before the "B".
std::string PeriodicMask(size_t length, size_t at) {
  return std::string(at, 'A') + "B" + std::string(length - at - 1, 'A');
}

// Masks of four words each, as bench/run.sh writes its BodyMask rules, and a
// body of the same words in lower case, where some of the masks stand.
bool OrdinaryMasks() {
  const std::vector<std::string> words = {
      "THE", "NODE", "PACKET", "ECHO", "MAIL", "AREA", "READ", "ONLY", "SYSOP", "POINT",
      "HUB", "MODEM", "NIGHT", "CALL", "FILE", "REQUEST", "NODELIST", "ZONE", "NET", "TODAY"};
  std::vector<std::string> masks;
  for (size_t i = 1; i <= 200; ++i) {
    masks.push_back(words[i % 20] + " " + words[i * 3 % 20] + " " + words[i * 7 % 20] + " " +
                    words[i * 11 % 20]);
  }
  std::string body;
  for (size_t i = 0; body.size() < 100000; ++i) {
    body += (i % 12 == 0 ? "\r" : " ") + words[i * i % 20];
  }
  for (size_t i = 0; i < masks.size(); i += 40) body += " " + masks[i];
  for (char& c : body) {
    if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
  }
  return PrintTimes("200 masks of four words", masks, body);
}

}  // namespace

int main() {
  std::printf("Milliseconds per body: one CaselessSearch per mask, one MultiSearch scan for all;\n"
              "then how many masks each found. Periodic masks are one letter but for a B at the\n"
              "byte given, in a body of that letter alone unless said (crafted: never found).\n\n");
  std::printf("%-34s %11s %10s %10s %6s %6s\n", "masks", "body", "one by one", "one scan",
              "found", "found");
  const std::string body(100000, 'a');
  const std::string longBody(1000000, 'a');
  // Every 200 bytes a "b" after 199 bytes "a": the mask's first 200 bytes but one.
  std::string nearMisses;
  while (nearMisses.size() < 100000) nearMisses += std::string(199, 'a') + "b";
  std::vector<std::string> manyPeriodic;
  for (size_t at = 0; at < 200; ++at) manyPeriodic.push_back(PeriodicMask(400, at));
  const bool ok = PrintTimes("400 bytes, B at 200", {PeriodicMask(400, 200)}, body) &&
                  PrintTimes("400 bytes, B at 200", {PeriodicMask(400, 200)}, longBody) &&
                  PrintTimes("400 bytes, B at 200; near misses", {PeriodicMask(400, 200)},
                             nearMisses) &&
                  PrintTimes("4000 bytes, B at 2000", {PeriodicMask(4000, 2000)}, body) &&
                  PrintTimes("400 bytes, B at 16", {PeriodicMask(400, 16)}, body) &&
                  PrintTimes("200 of 400 bytes, B at 0..199", manyPeriodic, body) &&
                  OrdinaryMasks();
  return ok ? 0 : 1;
}
