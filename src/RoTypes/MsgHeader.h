#pragma once

#include <cstdint>
#include <string>

#include "RoTypes/FidoAddr.h"

namespace kestal {

inline constexpr int kMsgDateTimeSize = 20;

// What the packet's message header and area line give, framed without reading
// the text.
struct FramedHeader {
  uint16_t OrigNode = 0;
  uint16_t DestNode = 0;
  uint16_t OrigNet = 0;
  uint16_t DestNet = 0;
  uint16_t Attribute = 0;
  uint16_t Cost = 0;
  std::string DateTime;  // the 20 bytes as stored, zero-padded
  std::string ToName;
  std::string FromName;
  std::string Subject;
  std::string Area;      // "NetMail" when the message has no AREA: line
};

// What parsing the text gives.
struct ParsedText {
  TFidoAddr FromAddr;
  bool ToAddrUnknown = true;  // no REPLY or INTL seen: written to all
  TFidoAddr ToAddr{-1, -1, -1, -1, 0};
  std::string Chrs;
  std::string Pid;
  std::string Tid;
  // Lines joined by CR, without a CR after the last one; empty when only the
  // kludge fields were parsed.
  std::string Kludges;  // "@" + name + " " + value, before the first text line
  std::string Body;     // text lines; tearline "-+-", origin " + Origin:"
  std::string Vias;     // later kludges "@..." and "SEEN+BY:" lines
};

// One packed message as read from a packet and parsed: what reports and saved
// copies are made of.
struct TPktMsgHeader : FramedHeader, ParsedText {};

}  // namespace kestal
