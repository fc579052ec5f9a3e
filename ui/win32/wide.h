#pragma once

#include <string>
#include <string_view>

// The program's text is UTF-8; the window API's is UTF-16.
namespace quarlo::ui::win32 {

std::wstring toWide(std::string_view utf8);
std::string toUtf8(std::wstring_view wide);

}  // namespace quarlo::ui::win32
