#pragma once

// Shared by the report tests: a run with a fixed clock and scratch netmail and
// template directories, and a reader of stored netmail messages (N.msg).

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "FReport/MsgFormat.h"
#include "Platform/Clock.h"
#include "Platform/Console.h"
#include "Platform/FaultySystemCalls.h"
#include "FReport/Macros.h"
#include "RoTypes/MsgHeader.h"
#include "RoSystem/Run.h"
#include "TestSupport.h"
#include "Utils/LittleEndian.h"

namespace kestal::test {

// 10 Dec 2026 12:00:04.250
inline constexpr TDateTime kReportNow{{2026, 12, 10}, 12, 0, 4, 250};

// Own addresses 2:5020/100 (main) and 1:1/1; reports to them go to net/, others
// to out/; templates in tpl/.
class ReportFixture : public ::testing::Test {
 protected:
  ReportFixture() : clock_(kReportNow), run_(clock_, console_, platform::FileSystem(calls_)) {
    for (const char* sub : {"net", "out", "tpl"}) std::filesystem::create_directories(dir_ / sub);
    run_.Config.ReportPath = dir_ / "net/";
    run_.Config.ReportOutPath = dir_ / "out/";
    run_.Config.TemplatePath = dir_ / "tpl/";
    run_.Own.Slots[0] = {2, 5020, 100, 0, 0};
    run_.Own.Slots[1] = {1, 1, 1, 0, 0};
    run_.Own.AkaCount = 1;
    run_.Carried.FromName = "Kestal";
  }

  std::string NetPath(const std::string& name) const { return dir_ / ("net/" + name); }
  std::string OutPath(const std::string& name) const { return dir_ / ("out/" + name); }
  void WriteTemplate(const std::string& name, const std::string& bytes) const {
    WriteBytes(dir_ / ("tpl/" + name), bytes);
  }

  ScratchDir dir_;
  platform::FixedClock clock_;
  platform::CapturingConsole console_;
  // Lets every call through until a test asks one to fail.
  platform::FaultySystemCalls calls_;
  kestal::Run run_;
  // The rule the message reports are about.
  ReportingRule rule_{"Kestal", 0, "", {}};
};

// An echomail message from 2:5020/1.5 to All in RU.TEST, its date field as a
// packet stores it (20 bytes, the last zero); no text.
inline TPktMsgHeader SampleEchoMessage() {
  TPktMsgHeader message;
  message.FromName = "Ivan Petrov";
  message.FromAddr = {2, 5020, 1, 5, 0};
  message.ToName = "All";
  message.Subject = "Hello";
  message.Area = "RU.TEST";
  message.DateTime = std::string("09 Dec 26  21:15:07\0", 20);
  return message;
}

struct StoredMessage {
  std::string FromName, ToName, Subject, DateTime;
  uint16_t OrigZone = 0, OrigNet = 0, OrigNode = 0, OrigPoint = 0;
  uint16_t DestZone = 0, DestNet = 0, DestNode = 0, DestPoint = 0;
  uint16_t Attribute = 0;
  std::string Text;  // everything after the header, the closing zero included
};

// The field's bytes up to its first zero byte.
inline std::string FieldText(const std::string& bytes, int offset, int size) {
  std::string field = bytes.substr(static_cast<size_t>(offset), static_cast<size_t>(size));
  return field.substr(0, field.find('\0'));
}

// REQUIRES: bytes.size() >= msgformat::kHeaderSize
inline StoredMessage ParseStoredMessage(const std::string& bytes) {
  using namespace msgformat;
  auto word = [&bytes](int offset) { return DecodeFixed16(bytes, static_cast<size_t>(offset)); };
  StoredMessage msg;
  msg.FromName = FieldText(bytes, kFromNameOffset, kFromNameSize);
  msg.ToName = FieldText(bytes, kToNameOffset, kToNameSize);
  msg.Subject = FieldText(bytes, kSubjectOffset, kSubjectSize);
  msg.DateTime = FieldText(bytes, kDateTimeOffset, kDateTimeSize);
  msg.OrigZone = word(kOrigZoneOffset);
  msg.OrigNet = word(kOrigNetOffset);
  msg.OrigNode = word(kOrigNodeOffset);
  msg.OrigPoint = word(kOrigPointOffset);
  msg.DestZone = word(kDestZoneOffset);
  msg.DestNet = word(kDestNetOffset);
  msg.DestNode = word(kDestNodeOffset);
  msg.DestPoint = word(kDestPointOffset);
  msg.Attribute = word(kAttributeOffset);
  msg.Text = bytes.substr(kHeaderSize);
  return msg;
}

}  // namespace kestal::test
