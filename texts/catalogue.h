#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "texts/plural.h"

// Marks an English text for xgettext where it is defined; it is translated
// where it is shown, with tr().
#define N_(text) text
// The same for a text's two English forms, singular and plural: {1} counts.
#define NN_(singular, plural) singular, plural
// A word that a composed text takes as one of its pieces (the trash's name):
// said in the language too, wherever it stands in such a text. Its context
// is always "word".
#define NW_(context, word) word

namespace quarlo::texts {

// A gettext catalogue (.mo), as msgfmt writes it.
struct Catalogue {
    // msgid (with its context, "ctxt\x04msgid") -> its forms
    std::unordered_map<std::string, std::vector<std::string>> entries;
    // A plural's English singular -> its English plural.
    std::unordered_map<std::string, std::string> englishPlurals;
    PluralRule plural;
};

// Reads a .mo file's bytes; nullopt, with why, for anything not exactly of
// the documented form (cut, offsets past its end, a rule it cannot follow).
std::optional<Catalogue> parseMo(std::string_view bytes, std::string& why);

// The languages Quarlo speaks, English first: their codes and own names.
struct Language {
    const char* code;
    const char* name;
};
const std::vector<Language>& languages();

// The language in use: "en" until use() loads another.
const std::string& current();
// Uses a catalogue (nullopt: English). Not thread-safe: called at start-up,
// and when the player chooses another, before any text is shown again.
void use(std::string code, std::optional<Catalogue> catalogue);

// The text in the language in use; the English where it has none. A text
// the program composed from a pattern of the catalogue ("Success. {1} is now
// {2}.", format() filled in) is found by that pattern and said in its
// translation, with the same pieces; a plural's by its count, {1}.
std::string tr(std::string_view english);
// Each line of a text of several (a summary and its lines) as tr says it.
std::string trLines(std::string_view text);
// Each part of a text of parts joined by `separator` ("Cut short.; A link").
std::string trEach(std::string_view text, std::string_view separator);
// With a context, for one English word that is two in another language.
std::string trc(std::string_view context, std::string_view english);
// The form for n; English's rule where the catalogue has none.
std::string trn(std::string_view singular, std::string_view plural, unsigned long n);

// "{1} of {2}" with its arguments; a translation whose placeholders are not
// the English text's own is not used (never a wrong number shown).
std::string format(std::string_view pattern, std::initializer_list<std::string_view> args);
std::string trf(std::string_view english, std::initializer_list<std::string_view> args);

// The English form for n, for a text composed in English and said in the
// player's language where it is shown (see tr).
inline std::string_view englishN(std::string_view singular, std::string_view plural,
                                 unsigned long n) {
    return n == 1 ? singular : plural;
}

}  // namespace quarlo::texts
