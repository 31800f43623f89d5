#pragma once

#include <string>
#include <string_view>

#include "RoTypes/Traffic.h"

namespace kestal {

// The 71-byte record of a daily traffic file. Texts longer than their field are cut.
std::string EncodeTrafficRecord(const TTrf& entry);
// REQUIRES: record.size() >= trf::daily::kRecordSize.
TTrf DecodeTrafficRecord(std::string_view record);

// The 250-byte record of "statecho.trf". Texts longer than their field are cut.
std::string EncodeNameRecord(const TStat& stat);
// REQUIRES: record.size() >= trf::name::kRecordSize.
TStat DecodeNameRecord(std::string_view record);

}  // namespace kestal
