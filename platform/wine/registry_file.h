#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quarlo::platform::wine {

// The text RegGetValue gives for one value in the content of a registry file
// that Wine keeps in a prefix (system.reg for HKEY_LOCAL_MACHINE, user.reg for
// HKEY_CURRENT_USER). `key` is the path below the file's root, components
// separated by backslashes (a trailing one is ignored); key and value names
// match without regard to case, and "" names a key's default value ("@").
//
// Strings ("..." and str(2):"...") as UTF-8; a string that would not fit the
// 255 bytes of the game's query buffer with its terminating NUL gives "".
// dword:xxxxxxxx as signed decimal. Other forms (str(7): lists, hex: data)
// give "". nullopt when the key or the value is not in the file.
std::optional<std::string> readWineRegistryValue(std::string_view regFile, std::string_view key,
                                                 std::string_view valueName);

}  // namespace quarlo::platform::wine
