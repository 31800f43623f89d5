#pragma once

#include <string>
#include <string_view>

#include "RoTypes/Password.h"

#include "Platform/Console.h"
#include "Platform/Files.h"

namespace kestal {

// Appends the entries of the password file to `passwords`; a missing or
// unreadable file adds nothing.
void LoadPasswords(const platform::FileSystem& files, const std::string& fileName,
                   PasswordList& passwords);
// The password of the first entry whose address text equals `address`; zeros when
// none. Each entry examined is shown on the console.
PasswordBytes PasswordFor(const PasswordList& passwords, std::string_view address,
                          platform::Console& console);

}  // namespace kestal
