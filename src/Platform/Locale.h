#pragma once

#include "RoTypes/Date.h"

namespace kestal::platform {

// Takes the locale from the environment (setlocale(LC_ALL, "")); call once at start.
void InitLocale();
// The LC_TIME locale's short date format, reduced to its order and separator.
DateFormat SystemShortDateFormat();
// The LC_NUMERIC locale's decimal point.
char SystemDecimalSeparator();

}  // namespace kestal::platform
