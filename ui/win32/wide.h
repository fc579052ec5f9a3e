#pragma once

#include <string>
#include <string_view>

// The program's text is UTF-8; the window API's is UTF-16.
namespace quarlo::ui::win32 {

std::wstring toWide(std::string_view utf8);
std::string toUtf8(std::wstring_view wide);
// A text of Quarlo's own in the language in use; each line of one (notes
// joined by line breaks).
std::wstring trw(std::string_view english);
std::wstring eachLineW(std::string_view text);

}  // namespace quarlo::ui::win32
