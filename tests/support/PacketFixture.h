#pragma once

// Shared by the packet tests: a run whose current directory is a scratch inbound,
// with the packet texts of the English language file, and packet builders.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "Pkt/Packet.h"
#include "ToolsLib/PacketWriter.h"
#include "ReportFixture.h"
#include "RoTypes/Rule.h"

namespace kestal::test {

class PacketFixture : public ReportFixture {
 protected:
  PacketFixture() : previousDir_(std::filesystem::current_path()) {
    std::filesystem::create_directories(dir_ / "in");
    std::filesystem::current_path(dir_ / "in");
    run_.Day.Today = kReportNow.Date;
    LangFile& lang = run_.Lang;
    lang.LangError = "ERROR:";
    lang.LangRenamedTo = "renamed to";
    lang.LangPacketDeleted = "Packet deleted:";
    lang.LangPacket = "Packet";
    lang.LangFrom = "from";
    lang.LangTo = "to";
    lang.LangMsgsInPacket = "Messages in packet:";
    lang.LangSizeMismatch = "size mismatch";
    lang.LangKilled = "Messages removed:";
    lang.LangFlagCreated = "Flag created";
    initialConfig_ = run_.Config;
  }
  ~PacketFixture() override { std::filesystem::current_path(previousDir_); }

  std::string InPath(const std::string& name) const { return dir_ / ("in/" + name); }
  // Written a while ago: a packet cut short that was modified just now is taken
  // to be still arriving, which only the tests of that case want.
  void Put(const std::string& name, const std::string& bytes) const {
    WriteBytes(InPath(name), bytes);
    std::filesystem::last_write_time(
        InPath(name), std::filesystem::file_time_type::clock::now() - std::chrono::minutes(2));
  }
  std::string Get(const std::string& name) const { return ReadBytes(InPath(name)); }
  std::vector<std::string> Inbound() const { return ListNames(dir_ / "in"); }
  // For tables of cases: an empty inbound and a fresh run state.
  void Reset() {
    for (const std::string& name : Inbound()) std::filesystem::remove(InPath(name));
    run_.Config = initialConfig_;
    run_.Passwords.clear();
    run_.Rules.clear();
    run_.Counters = RunCounters{};
    console_.output.clear();
  }
  void Scan(const std::string& name) {
    run_.PrepareRules();
    ScanPacket(run_.ForScan(), dir_ / "in", name,
               static_cast<int64_t>(std::filesystem::file_size(InPath(name))));
  }

  // A rule in force today that removes every message of the areas.
  TRo Rule(const std::string& area) const {
    TRo rule;
    rule.Area = area;
    rule.DateFrom = run_.Day.Today;
    rule.DateTo = run_.Day.Today;
    return rule;
  }

  static MessageDraft Echo(const std::string& area, const std::string& fromName,
                          const std::string& line = "Hello") {
    MessageDraft message;
    message.Area = area;
    message.FromName = fromName;
    message.Subject = "Subject of " + fromName;
    message.Kludges = {"MSGID: 2:5020/1.5 0badcafe"};
    message.Lines = {line};
    message.Tearline = "GoldED";
    message.Origin = "A node (2:5020/1.5)";
    message.SeenBy = {"5020/1 2"};
    message.Path = {"5020/1"};
    return message;
  }

  static MessageDraft Netmail(const std::string& toName) {
    MessageDraft message;
    message.ToName = toName;
    message.Subject = "Netmail";
    message.Kludges = {"INTL 2:5020/2 2:5020/1"};
    message.Lines = {"Private words"};
    return message;
  }

  static std::string Packet(const std::vector<MessageDraft>& messages) {
    return PacketBytes(PacketHeaderDraft{}, messages);
  }

  // The bytes of a packet with only the given messages, under the same header.
  static std::string PacketOf(const std::vector<std::string>& messageBytes) {
    std::string bytes = PacketHeaderBytes(PacketHeaderDraft{});
    for (const std::string& message : messageBytes) bytes += message;
    return bytes + std::string(2, '\0');
  }

  bool ConsoleHas(const std::string& text) const {
    return console_.output.find(text) != std::string::npos;
  }

 private:
  std::filesystem::path previousDir_;
  Settings initialConfig_;
};

}  // namespace kestal::test
