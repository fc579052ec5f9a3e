#include "ui/win32/wide.h"

#include "texts/catalogue.h"

#include "platform/win32/win32_api.h"

namespace quarlo::ui::win32 {

std::wstring toWide(std::string_view utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int length = static_cast<int>(utf8.size());
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) {
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, out.data(), n);
    }
    return out;
}

std::string toUtf8(std::wstring_view wide) {
    if (wide.empty()) {
        return {};
    }
    const int length = static_cast<int>(wide.size());
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) {
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, out.data(), n, nullptr, nullptr);
    }
    return out;
}

std::wstring trw(std::string_view english) {
    return toWide(texts::tr(english));
}

std::wstring eachLineW(std::string_view text) {
    return toWide(texts::trLines(text));
}

}  // namespace quarlo::ui::win32
