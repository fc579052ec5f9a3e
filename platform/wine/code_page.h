#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace quarlo::platform::wine {

// The Windows ANSI code page in which a program under Wine reads and writes
// its "A" profile files. Wine takes it from the locale of LC_CTYPE, so the
// first of LC_ALL, LC_CTYPE and LANG that is set decides.
std::string ctypeLocaleFromEnvironment();

// The code page for a POSIX locale name such as "de_DE.UTF-8" or
// "sr_RS@latin": one of 1250..1258, 1252 for every language that uses none of
// the others, the C locale included. 0 for a language whose Windows code page
// takes several bytes per character or is Thai (ja, ko, zh, th): those are
// not converted, see CodePage.
int ansiCodePageForLocale(std::string_view locale);

// The ANSI code page a prefix's programs last ran with, as Wine records it in
// the prefix's system.reg (Nls\CodePage, "ACP"), from the content of that
// file: 1250..1258 as they are, 0 for a page of several bytes a character
// (as ansiCodePageForLocale); nullopt where the file does not say.
std::optional<int> prefixAnsiCodePage(std::string_view systemReg);

// Converts between the program's UTF-8 text and one single-byte Windows code
// page with glibc's iconv. Every byte of the code page reads as some
// character: the few bytes the page leaves undefined read as U+0080..U+009F
// and U+00A0..U+00FF as Windows does, and are written back as the same byte,
// so text read from a file is always written back unchanged.
class CodePage {
  public:
    // 1250..1258; 0 (or anything else) reads as 1252 and writes only ASCII, so
    // that nothing is stored that a game reading another code page would
    // take for different letters.
    explicit CodePage(int number);
    ~CodePage();
    CodePage(const CodePage&) = delete;
    CodePage& operator=(const CodePage&) = delete;

    int number() const { return number_; }
    // False where the C library could not convert the page, so only ASCII
    // passes (see the constructor).
    bool converts() const { return !asciiOnly_; }

    // The text in this code page; nullopt when the text is not UTF-8 or holds
    // a character the code page has not got.
    std::optional<std::string> fromUtf8(std::string_view utf8) const;

    // As fromUtf8, with '?' for each character the code page has not got, as
    // Windows converts text for an "A" call.
    std::string fromUtf8Lossy(std::string_view utf8) const;

    // The bytes as UTF-8.
    std::string toUtf8(std::string_view bytes) const;

  private:
    std::optional<std::string> encode(std::string_view utf8, bool lossy) const;

    int number_;
    bool asciiOnly_;
    void* toPage_;                       // iconv_t, UTF-8 to the code page
    void* fromPage_;                     // iconv_t, the code page to UTF-8
    std::array<bool, 256> undefined_{};  // bytes the code page leaves without a character
};

}  // namespace quarlo::platform::wine
