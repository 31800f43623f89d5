#pragma once

#include <string>
#include <string_view>

namespace kestal {

// A packet described in a few lines of text, as pktgen, the demo and the tests
// write it. One item per line: a keyword, one blank, the value. Lines starting
// with "#" and blank lines are skipped; blanks before the keyword are ignored.
// In values, \\ \r \n \t and \xHH stand for their bytes.
//
//   orig 2:5020/1           the packet's origin (default 2:5020/1)
//   dest 2:5020/100         its destination (default 2:5020/2)
//   password SECRET         its password
//   message                 starts a message; the keys below describe it
//   area RU.TEST            its area (none: netmail)
//   from Ann Author         author name (default Sysop)
//   to All                  addressee name (default All)
//   subject Hello
//   fromaddr 2:5020/1.5     net and node of the message header
//   toaddr 2:5020/2
//   date 10 Dec 26  12:00:00
//   attr 257
//   kludge MSGID: 2:5020/1.5 12345678     a kludge line, without its byte 1
//   line Hello world        a text line (repeatable)
//   tearline GoldED         the tearline ("tearline" alone: "---")
//   origin A BBS (2:5020/1.5)
//   seenby 5020/1 2
//   path 5020/1
//   text AREA:X\rfree text  the whole text as it stands, in place of the lines
//   raw \x02\x00            bytes put into the packet where this line stands
//   noend                   no end word after the last message
//
// Gives false, with a message naming the line, for an unknown keyword, a value
// that does not read, or a message key before any "message".
bool BuildPacketFromDescription(std::string_view description, std::string& packet,
                                std::string& error);

}  // namespace kestal
