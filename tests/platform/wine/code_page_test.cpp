#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/wine/code_page.h"
#include "tests/platform/wine/linux_env.h"

namespace quarlo::platform::wine {
namespace {

TEST(AnsiCodePage, FollowsTheLanguageOfTheLocale) {
    struct Case {
        const char* locale;
        int codePage;
    };
    const Case cases[] = {
        {"", 1252},
        {"C", 1252},
        {"POSIX", 1252},
        {"C.UTF-8", 1252},
        {"en_US.UTF-8", 1252},
        {"de_DE.UTF-8@euro", 1252},
        {"fr_FR", 1252},
        {"cs_CZ.UTF-8", 1250},
        {"pl_PL.UTF-8", 1250},
        {"hu_HU", 1250},
        {"ru_RU.UTF-8", 1251},
        {"uk_UA.UTF-8", 1251},
        {"sr_RS", 1251},
        {"sr_RS@latin", 1250},
        {"el_GR.UTF-8", 1253},
        {"tr_TR.UTF-8", 1254},
        {"he_IL.UTF-8", 1255},
        {"ar_EG.UTF-8", 1256},
        {"fa_IR", 1256},
        {"lt_LT.UTF-8", 1257},
        {"vi_VN", 1258},
        // Pages of several bytes a character, and Thai: not converted.
        {"ja_JP.UTF-8", 0},
        {"zh_CN.UTF-8", 0},
        {"ko_KR.UTF-8", 0},
        {"th_TH.UTF-8", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ansiCodePageForLocale(c.locale), c.codePage) << c.locale;
    }
}

TEST(AnsiCodePage, LocaleComesFromLcAllThenLcCtypeThenLang) {
    using V = std::optional<std::string>;
    struct Case {
        V all, ctype, lang;
        const char* expected;
    };
    const Case cases[] = {
        {"ru_RU.UTF-8", "de_DE.UTF-8", "pl_PL.UTF-8", "ru_RU.UTF-8"},
        {std::nullopt, "de_DE.UTF-8", "pl_PL.UTF-8", "de_DE.UTF-8"},
        {"", "", "pl_PL.UTF-8", "pl_PL.UTF-8"},  // set but empty counts as unset
        {std::nullopt, std::nullopt, std::nullopt, ""},
    };
    for (const Case& c : cases) {
        test::EnvVar all("LC_ALL", c.all);
        test::EnvVar ctype("LC_CTYPE", c.ctype);
        test::EnvVar lang("LANG", c.lang);
        EXPECT_EQ(ctypeLocaleFromEnvironment(), c.expected);
    }
}

TEST(CodePage, ConvertsNamesBothWays) {
    struct Case {
        int codePage;
        std::string utf8;
        std::optional<std::string> bytes;  // nullopt: the page cannot hold it
    };
    const Case cases[] = {
        {1252, "Bob", "Bob"},
        {1252, "Jürgen", "J\xFCrgen"},
        {1252, "€ Œuvre", "\x80 \x8Cuvre"},
        {1250, "Łukasz Čapek",
         "\xA3ukasz \xC8"
         "apek"},
        {1251, "Юрий", "\xDE\xF0\xE8\xE9"},
        {1253, "Ελένη", "\xC5\xEB\xDD\xED\xE7"},
        {1254, "Şükrü", "\xDE\xFCkr\xFC"},
        {1255, "דוד", "\xE3\xE5\xE3"},
        {1256, "علي", "\xDA\xE1\xED"},
        {1257, "Jānis", "J\xE2nis"},
        {1252, "Юрий", std::nullopt},
        {1251, "Jürgen", std::nullopt},
        {1252, "\xFC", std::nullopt},  // not UTF-8
        {0, "Bob", "Bob"},
        {0, "Jürgen", std::nullopt},
    };
    for (const Case& c : cases) {
        CodePage page(c.codePage);
        EXPECT_EQ(page.fromUtf8(c.utf8), c.bytes) << c.codePage << " " << c.utf8;
        if (c.bytes) {
            EXPECT_EQ(page.toUtf8(*c.bytes), c.utf8) << c.codePage << " " << c.utf8;
        }
    }
}

TEST(CodePage, LossyFormMarksWhatThePageHasNot) {
    CodePage page(1252);
    EXPECT_EQ(page.fromUtf8Lossy("Юрий Jürgen"), "???? J\xFCrgen");
    EXPECT_EQ(CodePage(0).fromUtf8Lossy("Jürgen"), "J?rgen");
}

// Whatever bytes a file holds, reading them and writing them back gives the
// same bytes, the ones a page leaves undefined included.
TEST(CodePage, EveryByteComesBackUnchanged) {
    for (int number : {0, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258}) {
        CodePage page(number);
        for (int b = 1; b < 256; ++b) {
            const std::string byte(1, static_cast<char>(b));
            const std::string text = page.toUtf8(byte);
            if (number == 0) {
                continue;  // reads as 1252 but writes only ASCII
            }
            EXPECT_EQ(page.fromUtf8(text), byte) << number << " byte " << b;
        }
    }
    EXPECT_EQ(CodePage(1252).toUtf8("\x81\x8D"), "\xC2\x81\xC2\x8D");
    EXPECT_EQ(CodePage(0).toUtf8("J\xFCrgen"), "Jürgen");
}

// The page the prefix's programs last ran in, as Wine records it; what is
// not a plain number of a known page says nothing.
TEST(CodePage, APrefixSaysThePageItsProgramsRanIn) {
    const auto reg = [](const std::string& acp) {
        return "WINE REGISTRY Version 2\n\n"
               "[System\\\\CurrentControlSet\\\\Control\\\\Nls\\\\CodePage] 1700000000\n"
               "\"ACP\"=" +
               acp + "\n\"OEMCP\"=\"866\"\n";
    };
    const std::pair<std::string, std::optional<int>> cases[] = {
        {reg("\"1251\""), 1251},
        {reg("\"1250\""), 1250},
        {reg("\"932\""), 0},
        {reg("\"65001\""), std::nullopt},
        {reg("\"12x1\""), std::nullopt},
        {reg("dword:000004e3"), 1251},
        {reg("\"99999999\""), std::nullopt},
        {"WINE REGISTRY Version 2\n", std::nullopt},
    };
    for (const auto& [content, page] : cases) {
        EXPECT_EQ(prefixAnsiCodePage(content), page) << content;
    }
}

}  // namespace
}  // namespace quarlo::platform::wine
