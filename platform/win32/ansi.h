#pragma once

#include <optional>
#include <string>
#include <string_view>

// The program's strings are UTF-8; the *A functions of the Windows API take
// and return text in the ANSI code page. Every call crosses this boundary here.
namespace quarlo::platform::win32 {

// UTF-8 as ANSI code page text. nullopt when the text is not valid UTF-8 or
// holds a character the code page cannot represent: a lossy or best-fit
// replacement ('?' or a look-alike) could name another file or key.
std::optional<std::string> toAnsi(std::string_view utf8);

// ANSI code page text as UTF-8. Every byte sequence the system hands out
// converts.
std::string fromAnsi(std::string_view ansi);

// Text in code page `codePage` as UTF-8, as fromAnsi does for the ANSI one.
std::string fromCodePage(unsigned codePage, std::string_view text);

// UTF-8 cut to at most `count` characters (code points), never inside one.
std::string firstCharacters(std::string_view utf8, std::size_t count);

}  // namespace quarlo::platform::win32
