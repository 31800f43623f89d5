#include "Platform/Locale.h"

#include <langinfo.h>

#include <clocale>
#include <string>

namespace kestal::platform {

namespace {

constexpr DateFormat kCLocaleDateFormat{DateOrder::MonthDayYear, '/'};

// Collects the date fields of a strftime format in order ('d', 'm', 'y') and
// the first literal byte after the first field.
class DateFieldScanner {
 public:
  void Scan(std::string_view format) {
    for (size_t i = 0; i < format.size(); ++i) {
      if (format[i] != '%') {
        NoteLiteral(format[i]);
        continue;
      }
      i = SkipFlagsAndWidth(format, i + 1);
      if (i >= format.size()) return;
      Convert(format[i]);
    }
  }

  const std::string& fields() const { return fields_; }
  char separator() const { return separator_; }

 private:
  static size_t SkipFlagsAndWidth(std::string_view format, size_t i) {
    constexpr std::string_view kSkipped = "-_0^#123456789EO";
    while (i < format.size() && kSkipped.find(format[i]) != std::string_view::npos) ++i;
    return i;
  }

  void Convert(char conversion) {
    switch (conversion) {
      case 'd': case 'e': fields_ += 'd'; break;
      case 'm': case 'b': case 'h': case 'B': fields_ += 'm'; break;
      case 'y': case 'Y': case 'G': case 'g': fields_ += 'y'; break;
      case 'D': Scan("%m/%d/%y"); break;
      case 'F': Scan("%Y-%m-%d"); break;
      case '%': NoteLiteral('%'); break;
      default: break;  // weekday names and the like carry no order
    }
  }

  void NoteLiteral(char c) {
    if (fields_.size() == 1 && separator_ == '\0') separator_ = c;
  }

  std::string fields_;
  char separator_ = '\0';
};

bool IsUsableSeparator(char c) {
  unsigned char byte = static_cast<unsigned char>(c);
  bool printable = byte > 0x20 && byte < 0x7F;
  bool alphanumeric = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  return printable && !alphanumeric;
}

}  // namespace

void InitLocale() { std::setlocale(LC_ALL, ""); }

DateFormat ReduceDateFormat(std::string_view format) {
  DateFieldScanner scanner;
  scanner.Scan(format);
  std::string_view order = std::string_view(scanner.fields()).substr(0, 3);

  DateFormat result = kCLocaleDateFormat;
  if (order == "dmy") {
    result.Order = DateOrder::DayMonthYear;
  } else if (order == "mdy") {
    result.Order = DateOrder::MonthDayYear;
  } else if (order == "ymd") {
    result.Order = DateOrder::YearMonthDay;
  } else {
    return kCLocaleDateFormat;
  }
  if (IsUsableSeparator(scanner.separator())) result.Separator = scanner.separator();
  return result;
}

DateFormat SystemShortDateFormat() {
  const char* format = nl_langinfo(D_FMT);
  return ReduceDateFormat(format != nullptr ? format : "");
}

char SystemDecimalSeparator() {
  const lconv* conventions = std::localeconv();
  char point = conventions != nullptr && conventions->decimal_point != nullptr
                   ? conventions->decimal_point[0]
                   : '\0';
  // A multibyte decimal point has no single-byte form; the C one stands in.
  unsigned char byte = static_cast<unsigned char>(point);
  return byte > 0x20 && byte < 0x7F ? point : '.';
}

}  // namespace kestal::platform
