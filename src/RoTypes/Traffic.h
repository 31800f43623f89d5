#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestal {

// Caught messages of one area: a record of a daily traffic file.
struct TTrf {
  std::string EchoName;   // at most 40 characters
  std::string FirstDate;  // "dd.mm.yyyy"
  std::string LastDate;   // "dd.mm.yyyy"
  uint32_t Msgs = 0;
  uint32_t Size = 0;
};

// One caught message: a record of "statecho.trf".
struct TStat {
  std::string EchoName;     // at most 40
  std::string Date;         // at most 10
  std::string Time;         // at most 8
  std::string MsgDateTime;  // at most 19
  std::string NameFrom;     // at most 25
  std::string NameTo;       // at most 25
  std::string Subj;         // at most 68
  uint32_t Size = 0;
  int32_t Reserved = 0;
  std::string Address;      // at most 19
};

using TrafficList = std::vector<TTrf>;

}  // namespace kestal
