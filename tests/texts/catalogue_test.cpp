// The catalogue reader on .mo files msgfmt makes, the plural rules of each
// language, catalogues that lie, and every catalogue Quarlo installs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "texts/catalogue.h"

namespace quarlo::texts {
namespace {

std::string bytesOf(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct English {
    ~English() { use("en", std::nullopt); }
};

TEST(Catalogue, ContextsPluralsAndPlaceholdersFromMsgfmt) {
    std::string why;
    auto c = parseMo(bytesOf(QUARLO_TEST_MO), why);
    ASSERT_TRUE(c) << why;
    English back;
    use("xx", std::move(c));
    EXPECT_EQ(tr("Load"), "Загрузить");
    EXPECT_EQ(trc("menu", "Load"), "Загрузка");
    EXPECT_EQ(tr("Untranslated"), "Untranslated");
    EXPECT_EQ(tr("Not in it"), "Not in it");
    struct Count {
        unsigned long n;
        const char* shown;
    };
    for (const Count& c :
         {Count{1, "1 сохранение"}, Count{2, "2 сохранения"}, Count{5, "5 сохранений"},
          Count{11, "11 сохранений"}, Count{21, "21 сохранение"}, Count{22, "22 сохранения"},
          Count{111, "111 сохранений"}, Count{0, "0 сохранений"}}) {
        EXPECT_EQ(format(trn("{1} save", "{1} saves", c.n), {std::to_string(c.n)}), c.shown) << c.n;
    }
    EXPECT_EQ(trf("{1} of {2}", {"a", "b"}), "b: a");
    // A translation that drops or adds a placeholder is not used.
    EXPECT_EQ(trf("{1} moved", {"3"}), "3 moved");
    EXPECT_EQ(tr("%1 of %2 done."), "%1 of %2 done.");
    // Texts composed in English from a pattern: found by it and said with
    // the same pieces, a count in its own form; nothing else is taken for one.
    const std::pair<const char*, const char*> composed[] = {
        {"Success. Ann is now Anna.", "Успешно. Anna вместо Ann."},
        {"Success. 5 saves of Bob backed up.", "Успешно. 5 сохранений Bob."},
        {"Success. 21 saves of Bob backed up.", "Успешно. 21 сохранение Bob."},
        {"Success. 1 save of Bob backed up.", "Успешно. 1 сохранение Bob."},
        {"Success. 1 saves of Bob backed up.", "Success. 1 saves of Bob backed up."},
        {"Success. x saves of Bob backed up.", "Success. x saves of Bob backed up."},
        {"Success. Ann is now .", "Success. Ann is now ."},
        {"Failed. The disk is full.", "Ошибка. The disk is full."},
        {"Success. Ann is now Anna. Load", "Успешно. Anna вместо Ann. Загрузить"},
        {"Failed. The disk is full. Success. Ann is now Anna.",
         "Ошибка. The disk is full. Успешно. Anna вместо Ann."},
        // Counted pieces in their own forms; "{1} and {2}" only inside a text.
        {"Success. 5 saves and 2 files went away.", "Успешно. 5 сохранений и 2 файла ушли."},
        {"Success. Ann and Bob went away.", "Успешно. Ann and Bob ушли."},
        {"Ann and Bob", "Ann and Bob"},
        {"Success. trash went away.", "Успешно. корзина ушли."},
        // A list of counts, each in its own form; one that is no count leaves it.
        {"Success. 5 saves, 2 files went away.", "Успешно. 5 сохранений, 2 файла ушли."},
        {"Success. 5 saves, Ann went away.", "Успешно. 5 saves, Ann ушли."},
        // A line labelled by a name: the name as it is, the rest said.
        {"Save 1.ess: Load", "Save 1.ess: Загрузить"},
        {"A: B: Load", "A: B: Загрузить"},
        {": Load", ": Load"},
        // "Failed." said before a text of the catalogue, or one of none.
        {"Failed. Load", "Ошибка. Загрузить"},
        {"Failed. Ann is now Anna.", "Ошибка. Ann is now Anna."},
    };
    for (const auto& [english, shown] : composed) {
        EXPECT_EQ(tr(english), shown) << english;
    }
    EXPECT_EQ(trEach("Load; Not in it; Load", "; "), "Загрузить; Not in it; Загрузить");
    use("en", std::nullopt);
    EXPECT_EQ(tr("Success. Ann is now Anna."), "Success. Ann is now Anna.");
    EXPECT_EQ(tr("Load"), "Load");
    EXPECT_EQ(trn("{1} save", "{1} saves", 2), "{1} saves");
}

TEST(Catalogue, EachLanguagesPluralRule) {
    struct Case {
        const char* rule;
        std::vector<unsigned long> forms;  // for n = 0, 1, 2, 5, 12, 21, 22, 25, 101, 112
    };
    const unsigned long ns[] = {0, 1, 2, 5, 12, 21, 22, 25, 101, 112};
    const Case cases[] = {
        {"nplurals=2; plural=(n != 1);", {1, 0, 1, 1, 1, 1, 1, 1, 1, 1}},
        {"nplurals=2; plural=(n > 1);", {0, 0, 1, 1, 1, 1, 1, 1, 1, 1}},
        {"nplurals=3; plural=(n%10==1 && n%100!=11 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || "
         "n%100>=20) ? 1 : 2);",
         {2, 0, 1, 2, 2, 0, 1, 2, 0, 2}},
        {"nplurals=3; plural=(n==1 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2);",
         {2, 0, 1, 2, 2, 2, 1, 2, 2, 2}},
    };
    for (const Case& c : cases) {
        const auto rule = PluralRule::parse(c.rule);
        ASSERT_TRUE(rule) << c.rule;
        for (std::size_t i = 0; i < std::size(ns); ++i) {
            EXPECT_EQ(rule->form(ns[i]), c.forms[i]) << c.rule << " n=" << ns[i];
        }
    }
    // Rules that give no form: the English text is used.
    EXPECT_FALSE(PluralRule::parse("nplurals=2; plural=n/0;")->form(3));
    EXPECT_FALSE(PluralRule::parse("nplurals=2; plural=n%(n-n);")->form(3));
    EXPECT_FALSE(PluralRule::parse("nplurals=2; plural=7;")->form(1));  // past its forms
    EXPECT_FALSE(PluralRule::parse("nplurals=2; plural=(n;"));
    EXPECT_FALSE(PluralRule::parse("nplurals=0; plural=0;"));
    EXPECT_FALSE(PluralRule::parse(std::string("nplurals=2; plural=") + std::string(600, '(') +
                                   "n" + std::string(600, ')') + ";"));
    EXPECT_FALSE(PluralRule::parse("plural=n;"));
}

// Cut anywhere, an offset or length made to lie, a rule it cannot follow:
// refused with a reason, or read within its bytes, never more.
TEST(Catalogue, CatalogueThatLiesIsRefused) {
    const std::string good = bytesOf(QUARLO_TEST_MO);
    std::string why;
    for (std::size_t n = 0; n < good.size(); ++n) {
        const auto cut = parseMo(good.substr(0, n), why);
        if (cut) {
            // Only a cut inside the last string's padding can still read.
            EXPECT_GE(n, good.size() - 8) << n;
        }
    }
    const auto patched = [&](std::size_t at, std::uint32_t value) {
        std::string b = good;
        for (int i = 0; i < 4; ++i) {
            b[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
        }
        return b;
    };
    for (const auto& [what, bytes] : std::vector<std::pair<const char*, std::string>>{
             {"a count past the end", patched(8, 0x7FFFFFFF)},
             {"a table past the end", patched(12, 0xFFFFFFF0)},
             {"a length past the end", patched(28 + 0, 0xFFFFFF)},
             {"an offset past the end", patched(28 + 4, 0xFFFFFFF0)},
             {"not a catalogue", std::string("\x00\x01\x02\x03", 4) + good.substr(4)},
         }) {
        EXPECT_FALSE(parseMo(bytes, why)) << what;
        EXPECT_FALSE(why.empty()) << what;
    }
}

// Every catalogue Quarlo installs reads, is complete, and keeps each
// English text's placeholders and its single access key.
TEST(Catalogue, EveryInstalledCatalogueIsCompleteAndKeepsPlaceholders) {
    // Every entry of the template, a long one (msgid "" and its lines) too;
    // the header's msgid "" is followed by its msgstr.
    std::size_t ids = 0;
    {
        std::ifstream pot(QUARLO_POT);
        std::string line;
        bool emptyId = false;
        while (std::getline(pot, line)) {
            if (emptyId && line.rfind('"', 0) == 0) {
                ++ids;
            }
            emptyId = line == "msgid \"\"";
            if (line.rfind("msgid \"", 0) == 0 && !emptyId) {
                ++ids;
            }
        }
    }
    ASSERT_GT(ids, 100u);
    for (const Language& l : languages()) {
        if (std::string(l.code) == "en") {
            continue;
        }
        SCOPED_TRACE(l.code);
        std::string why;
        const auto c = parseMo(
            bytesOf(std::filesystem::path(QUARLO_LOCALE_DIR) / l.code / "LC_MESSAGES/quarlo.mo"),
            why);
        ASSERT_TRUE(c) << why;
        EXPECT_GE(c->entries.size(), ids);
        for (const auto& [id, forms] : c->entries) {
            const std::string english =
                id.substr(id.find('\x04') == std::string::npos ? 0 : id.find('\x04') + 1);
            for (const std::string& form : forms) {
                EXPECT_FALSE(form.empty()) << english;
                EXPECT_EQ(std::count(form.begin(), form.end(), '&') -
                              static_cast<long>(2 * (form.find("&nbsp;") != std::string::npos)),
                          std::count(english.begin(), english.end(), '&') -
                              static_cast<long>(2 * (english.find("&nbsp;") != std::string::npos)))
                    << english << " -> " << form;
            }
            English back;
            Catalogue one;
            one.entries[id] = forms;
            use(l.code, std::move(one));
            EXPECT_NE(tr(english), "") << english;
        }
    }
}

}  // namespace
}  // namespace quarlo::texts
