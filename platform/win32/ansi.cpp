#include "platform/win32/ansi.h"

#include "platform/win32/win32_api.h"

namespace quarlo::platform::win32 {

namespace {

std::optional<std::wstring> widen(UINT codePage, DWORD flags, std::string_view text) {
    if (text.empty()) {
        return std::wstring();
    }
    const int length = static_cast<int>(text.size());
    const int wide = MultiByteToWideChar(codePage, flags, text.data(), length, nullptr, 0);
    if (wide <= 0) {
        return std::nullopt;
    }
    std::wstring out(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), length, out.data(), wide);
    return out;
}

std::optional<std::string> narrow(UINT codePage, const std::wstring& wide) {
    if (wide.empty()) {
        return std::string();
    }
    const int length = static_cast<int>(wide.size());
    // UTF-8 and a few other code pages refuse both the flag and the
    // default-character report; they represent every character anyway.
    const bool exact = codePage == CP_UTF8 || codePage == 54936 || codePage == 65000;
    const DWORD flags = exact ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultOut = exact ? nullptr : &usedDefault;
    const int bytes = WideCharToMultiByte(codePage, flags, wide.data(), length, nullptr, 0, nullptr,
                                          usedDefaultOut);
    if (bytes <= 0 || usedDefault) {
        return std::nullopt;
    }
    std::string out(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), length, out.data(), bytes, nullptr, nullptr);
    return out;
}

}  // namespace

std::optional<std::string> toAnsi(std::string_view utf8) {
    const UINT acp = GetACP();
    auto wide = widen(CP_UTF8, MB_ERR_INVALID_CHARS, utf8);
    if (!wide) {
        return std::nullopt;
    }
    if (acp == CP_UTF8) {
        return std::string(utf8);
    }
    return narrow(acp, *wide);
}

std::string fromAnsi(std::string_view ansi) {
    return fromCodePage(GetACP(), ansi);
}

std::string fromCodePage(unsigned codePage, std::string_view ansi) {
    if (codePage == CP_UTF8) {
        return std::string(ansi);
    }
    auto wide = widen(codePage, 0, ansi);
    if (!wide) {
        return {};
    }
    return narrow(CP_UTF8, *wide).value_or(std::string());
}

std::string firstCharacters(std::string_view utf8, std::size_t count) {
    std::size_t seen = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80) {
            if (seen == count) {
                return std::string(utf8.substr(0, i));
            }
            ++seen;
        }
    }
    return std::string(utf8);
}

}  // namespace quarlo::platform::win32
