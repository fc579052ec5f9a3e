#include "platform/wine/code_page.h"
#include "platform/wine/registry_file.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "platform/wine/utf8.h"

namespace quarlo::platform::wine {

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

iconv_t converter(void* handle) {
    return static_cast<iconv_t>(handle);
}

void* open(const std::string& to, const std::string& from) {
    const iconv_t cd = ::iconv_open(to.c_str(), from.c_str());
    return cd == kNoConverter ? nullptr : cd;
}

enum class Step { done, badInput, failed };

// Runs one iconv call over the rest of `in` (or the final flush when `in` is
// null), appending what it produced to `out`. Stops at the first byte it
// cannot convert and leaves `in` there.
Step convert(iconv_t cd, std::string_view* in, std::string& out) {
    char buffer[256];
    for (;;) {
        char* inPtr = in ? const_cast<char*>(in->data()) : nullptr;
        std::size_t inLeft = in ? in->size() : 0;
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t r = ::iconv(cd, in ? &inPtr : nullptr, &inLeft, &outPtr, &outLeft);
        const int err = errno;
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (in) {
            in->remove_prefix(in->size() - inLeft);
        }
        if (r != static_cast<std::size_t>(-1)) {
            return Step::done;
        }
        if (err == E2BIG) {
            continue;
        }
        return (err == EILSEQ || err == EINVAL) ? Step::badInput : Step::failed;
    }
}

struct LanguagePage {
    const char* language;
    int codePage;
};

// Windows' ANSI code page of each language that does not use 1252, as Wine's
// locale table gives it for the language's main country.
constexpr LanguagePage kLanguagePages[] = {
    {"cs", 1250},
    {"hu", 1250},
    {"pl", 1250},
    {"ro", 1250},
    {"hr", 1250},
    {"sk", 1250},
    {"sl", 1250},
    {"sq", 1250},
    {"bs", 1250},
    {"ru", 1251},
    {"uk", 1251},
    {"bg", 1251},
    {"be", 1251},
    {"sr", 1251},
    {"mk", 1251},
    {"kk", 1251},
    {"ky", 1251},
    {"tt", 1251},
    {"mn", 1251},
    {"ba", 1251},
    {"tg", 1251},
    {"el", 1253},
    {"tr", 1254},
    {"az", 1254},
    {"uz", 1254},
    {"he", 1255},
    {"iw", 1255},
    {"yi", 1255},
    {"ar", 1256},
    {"fa", 1256},
    {"ur", 1256},
    {"et", 1257},
    {"lt", 1257},
    {"lv", 1257},
    {"vi", 1258},
    // Double-byte pages (932, 936, 949, 950) and Thai (874).
    {"ja", 0},
    {"ko", 0},
    {"zh", 0},
    {"th", 0},
};

}  // namespace

std::string ctypeLocaleFromEnvironment() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) {
            return value;
        }
    }
    return {};
}

int ansiCodePageForLocale(std::string_view locale) {
    // language[_territory][.codeset][@modifier]
    const std::size_t at = locale.find('@');
    const std::string_view modifier =
        at == std::string_view::npos ? std::string_view() : locale.substr(at + 1);
    const std::string_view language = locale.substr(0, locale.find_first_of("_.@"));
    if (language == "sr" && modifier == "latin") {
        return 1250;  // glibc's plain sr_RS is Cyrillic; @latin is the Latin script
    }
    for (const LanguagePage& entry : kLanguagePages) {
        if (language == entry.language) {
            return entry.codePage;
        }
    }
    return 1252;
}

std::optional<int> prefixAnsiCodePage(std::string_view systemReg) {
    const auto value = readWineRegistryValue(
        systemReg, "System\\CurrentControlSet\\Control\\Nls\\CodePage", "ACP");
    if (!value || value->empty() || value->size() > 5 ||
        value->find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const int number = std::stoi(*value);
    if (number >= 1250 && number <= 1258) {
        return number;
    }
    // 874, 932, 936, 949, 950: not converted, as for those locales.
    return number == 874 || number == 932 || number == 936 || number == 949 || number == 950
               ? std::optional<int>(0)
               : std::nullopt;
}

CodePage::CodePage(int number)
    : number_(number >= 1250 && number <= 1258 ? number : 0),
      asciiOnly_(number_ == 0),
      toPage_(nullptr),
      fromPage_(nullptr) {
    const std::string name = "CP" + std::to_string(asciiOnly_ ? 1252 : number_);
    fromPage_ = open("UTF-8", name);
    if (!asciiOnly_) {
        toPage_ = open(name, "UTF-8");
    }
    if (!fromPage_ || (!asciiOnly_ && !toPage_)) {
        // Without the converters (a C library without these pages) only the
        // ASCII both sides share is safe to pass.
        asciiOnly_ = true;
        undefined_.fill(true);
        return;
    }
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        ::iconv(converter(fromPage_), nullptr, nullptr, nullptr, nullptr);
        const char c = static_cast<char>(byte);
        std::string_view in(&c, 1);
        std::string out;
        undefined_[static_cast<std::size_t>(byte)] =
            convert(converter(fromPage_), &in, out) != Step::done;
    }
}

CodePage::~CodePage() {
    if (toPage_) {
        ::iconv_close(converter(toPage_));
    }
    if (fromPage_) {
        ::iconv_close(converter(fromPage_));
    }
}

std::optional<std::string> CodePage::encode(std::string_view utf8, bool lossy) const {
    std::string out;
    if (asciiOnly_) {
        for (std::size_t at = 0; at < utf8.size();) {
            const auto c = utf8::next(utf8, at);
            if (!c && !lossy) {
                return std::nullopt;
            }
            if (!c) {
                ++at;
            }
            if (!c || *c >= 0x80) {
                if (!lossy) {
                    return std::nullopt;
                }
                out += '?';
            } else {
                out += static_cast<char>(*c);
            }
        }
        return out;
    }
    const iconv_t cd = converter(toPage_);
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::string_view rest = utf8;
    while (!rest.empty()) {
        const Step step = convert(cd, &rest, out);
        if (step == Step::failed) {
            return std::nullopt;
        }
        if (step == Step::done) {
            break;
        }
        // Pages that combine letters with accents hold back the last one;
        // it goes out before what is put in its place here.
        if (convert(cd, nullptr, out) != Step::done) {
            return std::nullopt;
        }
        std::size_t at = 0;
        const auto c = utf8::next(rest, at);
        if (c && *c >= 0x80 && *c <= 0xFF && undefined_[*c]) {
            out += static_cast<char>(*c);  // a byte the page leaves undefined, read back
        } else if (lossy) {
            out += '?';
            at = c ? at : 1;
        } else {
            return std::nullopt;
        }
        rest.remove_prefix(at);
    }
    if (convert(cd, nullptr, out) != Step::done) {
        return std::nullopt;
    }
    return out;
}

std::optional<std::string> CodePage::fromUtf8(std::string_view utf8) const {
    return encode(utf8, false);
}

std::string CodePage::fromUtf8Lossy(std::string_view utf8) const {
    return encode(utf8, true).value_or(std::string());
}

std::string CodePage::toUtf8(std::string_view bytes) const {
    std::string out;
    if (!fromPage_) {
        for (const char c : bytes) {
            utf8::append(out, static_cast<unsigned char>(c));
        }
        return out;
    }
    const iconv_t cd = converter(fromPage_);
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::string_view rest = bytes;
    while (!rest.empty()) {
        const Step step = convert(cd, &rest, out);
        if (step == Step::done) {
            break;
        }
        // An undefined byte (or a converter failure): the byte as the
        // character of the same number, after what the converter held back.
        convert(cd, nullptr, out);
        utf8::append(out, static_cast<unsigned char>(rest.front()));
        rest.remove_prefix(1);
    }
    convert(cd, nullptr, out);
    return out;
}

}  // namespace quarlo::platform::wine
