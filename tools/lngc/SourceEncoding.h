#pragma once

#include <optional>
#include <string>
#include <string_view>

// A language source may be written in UTF-8 and still build a file in the code page
// of the messages: its first line is then the directive
//
//   #encoding utf-8 -> cp866
//
// and lngc converts the source before reading it. The program itself never converts:
// it shows the bytes of the .lng file as they are.

namespace lngc {

// The source as lngc reads it: unchanged without a directive, converted with one.
// Nothing, with a message naming the line, when the directive is unknown or a
// character is not valid UTF-8 or has no byte in the target code page.
std::optional<std::string> ApplySourceEncoding(std::string_view source, std::string& error);

}  // namespace lngc
