#include "texts/catalogue.h"

#include <algorithm>
#include <cstdint>
#include <set>

namespace quarlo::texts {

namespace {

// A pattern of the catalogue with placeholders, to find the composed texts
// made from it: its literal pieces around the placeholders.
struct Pattern {
    std::string english;              // the form that is matched
    std::string singular;             // the catalogue's key
    std::string plural;               // "" for a text without plural forms
    std::vector<std::string> pieces;  // one more than placeholders
    std::vector<int> numbers;         // the placeholders, in order: 1 for {1}
    std::size_t literal = 0;          // the pieces' length, to prefer the most specific
    bool inner = false;               // only for a counted piece of another text
};

struct State {
    std::string code = "en";
    std::optional<Catalogue> catalogue;
    std::vector<Pattern> patterns;
};

State& state() {
    static State s;
    return s;
}

std::uint32_t word(std::string_view b, std::size_t at, bool swapped) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
        const auto byte = static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
        v |= std::uint32_t{byte} << (swapped ? 8 * (3 - i) : 8 * i);
    }
    return v;
}

// The placeholders a pattern uses: {1} to {9}, and Qt's %1 to %9.
std::multiset<std::string> placeholders(std::string_view pattern) {
    std::multiset<std::string> used;
    for (std::size_t i = 0; i + 1 < pattern.size(); ++i) {
        const bool digit = pattern[i + 1] >= '1' && pattern[i + 1] <= '9';
        if (pattern[i] == '{' && digit && i + 2 < pattern.size() && pattern[i + 2] == '}') {
            used.insert(std::string(pattern.substr(i, 3)));
        } else if (pattern[i] == '%' && digit) {
            used.insert(std::string(pattern.substr(i, 2)));
        }
    }
    return used;
}

// The pattern's pieces; nullopt for one that could find the wrong pieces
// or nearly any text: two placeholders side by side, or hardly any words of
// its own besides "Success." or "Failed.".
std::optional<Pattern> patternOf(std::string english, std::string singular, std::string plural) {
    Pattern p{std::move(english), std::move(singular), std::move(plural), {""}, {}, 0};
    const std::string& e = p.english;
    for (std::size_t i = 0; i < e.size(); ++i) {
        if (e[i] == '{' && i + 2 < e.size() && e[i + 2] == '}' && e[i + 1] >= '1' &&
            e[i + 1] <= '9') {
            if (!p.numbers.empty() && p.pieces.back().empty()) {
                return std::nullopt;
            }
            p.numbers.push_back(e[i + 1] - '0');
            p.pieces.emplace_back();
            i += 2;
        } else {
            p.pieces.back() += e[i];
            ++p.literal;
        }
    }
    std::size_t own = p.literal;
    for (const std::string_view word : {"Success. ", "Failed. "}) {
        if (e.rfind(word, 0) == 0) {
            own -= word.size();
        }
    }
    if (p.numbers.empty() || own < 3) {
        return std::nullopt;
    }
    // A short one ("{1} and {2}", "{1} files") only for a piece of another
    // text that begins with a number: never for a whole text.
    p.inner = own < 6;
    return p;
}

// The pieces `line` has where the pattern has placeholders: each as short
// as the next literal piece allows, the last up to the final one.
std::optional<std::vector<std::string>> piecesOf(const Pattern& p, std::string_view line) {
    if (!line.starts_with(p.pieces.front())) {
        return std::nullopt;
    }
    std::vector<std::string> args(9);
    std::vector<bool> seen(9, false);
    std::size_t at = p.pieces.front().size();
    for (std::size_t i = 0; i < p.numbers.size(); ++i) {
        const std::string& next = p.pieces[i + 1];
        std::size_t end = 0;
        if (i + 1 == p.numbers.size()) {
            if (line.size() < at + next.size() + 1 || !line.ends_with(next)) {
                return std::nullopt;
            }
            end = line.size() - next.size();
        } else {
            end = line.find(next, at + 1);
            if (end == std::string_view::npos) {
                return std::nullopt;
            }
        }
        if (end <= at) {
            return std::nullopt;
        }
        const auto n = static_cast<std::size_t>(p.numbers[i] - 1);
        const std::string piece(line.substr(at, end - at));
        if (seen[n] && args[n] != piece) {
            return std::nullopt;
        }
        args[n] = piece;
        seen[n] = true;
        at = end + next.size();
    }
    return args;
}

// The pattern with its {n} filled in from `args`; a placeholder beyond them
// stays as it is.
template <typename Args>
std::string filledIn(std::string_view pattern, const Args& args) {
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '{' && i + 2 < pattern.size() && pattern[i + 2] == '}' &&
            pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
            const auto n = static_cast<std::size_t>(pattern[i + 1] - '1');
            if (n < args.size()) {
                out += *(args.begin() + static_cast<std::ptrdiff_t>(n));
                i += 2;
                continue;
            }
        }
        out += pattern[i];
    }
    return out;
}

std::string formatted(std::string_view pattern, const std::vector<std::string>& args) {
    return filledIn(pattern, args);
}

const std::vector<std::string>* lookUp(const std::string& key) {
    const State& s = state();
    if (!s.catalogue) {
        return nullptr;
    }
    const auto found = s.catalogue->entries.find(key);
    return found == s.catalogue->entries.end() || found->second.empty() ? nullptr : &found->second;
}

// A translation is used only where it keeps the English text's
// placeholders.
std::string checked(std::string_view english, const std::string& translated) {
    return !translated.empty() && placeholders(translated) == placeholders(english)
               ? translated
               : std::string(english);
}

}  // namespace

std::optional<Catalogue> parseMo(std::string_view b, std::string& why) {
    const auto bad = [&why](const char* text) {
        why = text;
        return std::nullopt;
    };
    if (b.size() < 28) {
        return bad("cut short");
    }
    const std::uint32_t magic = word(b, 0, false);
    bool swapped = false;
    if (magic == 0xde120495) {
        swapped = true;
    } else if (magic != 0x950412de) {
        return bad("not a catalogue");
    }
    if (word(b, 4, swapped) >> 16 != 0) {
        return bad("of a newer form");
    }
    const std::uint32_t count = word(b, 8, swapped);
    const std::uint64_t originals = word(b, 12, swapped);
    const std::uint64_t translations = word(b, 16, swapped);
    if (count > b.size() / 16 || originals + 8ULL * count > b.size() ||
        translations + 8ULL * count > b.size()) {
        return bad("its tables lie past its end");
    }
    const auto string = [&](std::uint64_t table,
                            std::uint32_t i) -> std::optional<std::string_view> {
        const std::uint64_t length = word(b, static_cast<std::size_t>(table + 8ULL * i), swapped);
        const std::uint64_t offset =
            word(b, static_cast<std::size_t>(table + 8ULL * i + 4), swapped);
        // msgfmt writes a NUL after each string.
        if (offset + length >= b.size() || b[static_cast<std::size_t>(offset + length)] != '\0') {
            return std::nullopt;
        }
        return b.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
    };
    Catalogue c;
    bool haveRule = false;
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto id = string(originals, i);
        const auto text = string(translations, i);
        if (!id || !text) {
            return bad("a string lies past its end");
        }
        // A plural's msgid is "singular\0plural": it is found by the first.
        const std::size_t nul = id->find('\0');
        const std::string key(id->substr(0, nul));
        if (nul != std::string_view::npos) {
            c.englishPlurals[key] = std::string(id->substr(nul + 1));
        }
        std::vector<std::string> forms;
        std::size_t at = 0;
        while (true) {
            const std::size_t end = text->find('\0', at);
            forms.emplace_back(text->substr(at, end == std::string_view::npos ? end : end - at));
            if (end == std::string_view::npos) {
                break;
            }
            at = end + 1;
        }
        if (key.empty()) {
            auto rule = PluralRule::parse(*text);
            if (text->find("Plural-Forms:") != std::string_view::npos) {
                if (!rule) {
                    return bad("its plural rule cannot be followed");
                }
                c.plural = std::move(*rule);
                haveRule = true;
            }
            continue;
        }
        c.entries[key] = std::move(forms);
    }
    (void)haveRule;
    return c;
}

const std::vector<Language>& languages() {
    static const std::vector<Language> all{
        {"en", "English"},
        {"de", "Deutsch"},
        {"fr",
         "Fran\xC3\xA7"
         "ais"},
        {"es", "Espa\xC3\xB1ol"},
        {"it", "Italiano"},
        {"ru", "\xD0\xA0\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9"},
        {"pl", "Polski"}};
    return all;
}

const std::string& current() {
    return state().code;
}

void use(std::string code, std::optional<Catalogue> catalogue) {
    State& s = state();
    s.code = catalogue ? std::move(code) : "en";
    s.catalogue = std::move(catalogue);
    s.patterns.clear();
    if (!s.catalogue) {
        return;
    }
    for (const auto& [key, forms] : s.catalogue->entries) {
        if (key.find('\x04') != std::string::npos) {
            continue;  // a word with a context is never composed into
        }
        const auto plural = s.catalogue->englishPlurals.find(key);
        const std::string pluralForm =
            plural == s.catalogue->englishPlurals.end() ? std::string() : plural->second;
        for (const std::string& english : {key, pluralForm}) {
            if (english.empty()) {
                continue;
            }
            if (auto p = patternOf(english, key, pluralForm)) {
                s.patterns.push_back(std::move(*p));
            }
        }
    }
    // The most specific first, and among equals always the same one.
    std::sort(s.patterns.begin(), s.patterns.end(), [](const Pattern& a, const Pattern& b) {
        return a.literal != b.literal ? a.literal > b.literal : a.english < b.english;
    });
}

namespace {

// The whole text as one entry of the catalogue or one composed from a
// pattern of it; nullopt for neither.
std::optional<std::string> wholeText(std::string_view english, int depth = 0);

}  // namespace

std::string tr(std::string_view english) {
    if (auto whole = wholeText(english)) {
        return std::move(*whole);
    }
    // Sentences said one after another, each its own entry: the first that
    // is one, then the rest as a text of its own.
    for (std::size_t at = english.find(". "); at != std::string_view::npos;
         at = english.find(". ", at + 1)) {
        if (auto head = wholeText(english.substr(0, at + 1))) {
            return *head + " " + tr(english.substr(at + 2));
        }
    }
    // A line labelled by a name ("Save 1.ess: cannot write … at the place"):
    // the name as it is, what follows said as a text of its own.
    for (std::size_t at = english.find(": "); at != std::string_view::npos;
         at = english.find(": ", at + 1)) {
        if (auto rest = wholeText(english.substr(at + 2)); rest && at > 0) {
            return std::string(english.substr(0, at + 2)) + *rest;
        }
    }
    // "Failed." before a text of its own ("Failed. " and a reason of the
    // catalogue's): each said. The word has a context of its own, so that
    // it is never taken for the first sentence of a longer text above.
    if (english.starts_with("Failed. ")) {
        return trc("word", "Failed.") + " " + tr(english.substr(8));
    }
    // A first sentence of none: as it is, and the rest still looked for.
    if (const std::size_t at = english.find(". "); at != std::string_view::npos) {
        return std::string(english.substr(0, at + 2)) + tr(english.substr(at + 2));
    }
    return std::string(english);
}

namespace {

// A piece that lists counts ("2 saves sent, 1 save brought in"): each said
// as its own; nullopt where one of them is not a count the catalogue has.
std::optional<std::string> countsListed(std::string_view piece, int depth) {
    std::string out;
    while (true) {
        const std::size_t end = piece.find(", ");
        const std::string_view part = piece.substr(0, end);
        if (part.empty() || part.front() < '0' || part.front() > '9') {
            return std::nullopt;
        }
        auto said = wholeText(part, depth);
        if (!said) {
            return std::nullopt;
        }
        out += *said;
        if (end == std::string_view::npos) {
            return out;
        }
        out += ", ";
        piece.remove_prefix(end + 2);
    }
}

// The pieces of a composed text that are counts of their own ("3 saves",
// "3 saves and 1 co-save", a list of them) or words marked as pieces (NW_),
// said in the language too.
void translateCounts(std::vector<std::string>& args, int depth) {
    if (depth >= 3) {
        return;
    }
    for (std::string& arg : args) {
        if (const auto* word = lookUp("word\x04" + arg)) {
            arg = checked(arg, word->front());
            continue;
        }
        if (!arg.empty() && arg.front() >= '0' && arg.front() <= '9') {
            if (auto said = wholeText(arg, depth + 1)) {
                arg = std::move(*said);
            } else if (auto listed = countsListed(arg, depth + 1)) {
                arg = std::move(*listed);
            }
        }
    }
}

std::optional<std::string> wholeText(std::string_view english, int depth) {
    if (const auto* forms = lookUp(std::string(english))) {
        return checked(english, forms->front());
    }
    for (const Pattern& p : state().patterns) {
        if (p.inner && depth == 0) {
            continue;
        }
        auto args = piecesOf(p, english);
        if (!args) {
            continue;
        }
        if (p.plural.empty()) {
            const auto* forms = lookUp(p.singular);
            if (forms == nullptr) {
                return std::nullopt;
            }
            translateCounts(*args, depth);
            return formatted(checked(p.english, forms->front()), *args);
        }
        // The count is {1}: the form of its number, as the English was chosen.
        unsigned long n = 0;
        const std::string& count = (*args)[0];
        if (count.empty() || count.size() > 9 ||
            count.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        n = std::stoul(count);
        if ((n == 1) != (p.english == p.singular)) {
            continue;
        }
        translateCounts(*args, depth);
        return formatted(trn(p.singular, p.plural, n), *args);
    }
    return std::nullopt;
}

}  // namespace

std::string trc(std::string_view context, std::string_view english) {
    std::string key;
    key.reserve(context.size() + 1 + english.size());
    key.append(context).push_back('\x04');
    key.append(english);
    const auto* forms = lookUp(key);
    return forms == nullptr ? std::string(english) : checked(english, forms->front());
}

std::string trn(std::string_view singular, std::string_view plural, unsigned long n) {
    const std::string_view english = n == 1 ? singular : plural;
    const auto* forms = lookUp(std::string(singular));
    if (forms == nullptr) {
        return std::string(english);
    }
    const auto form = state().catalogue->plural.form(n);
    if (!form || *form >= forms->size()) {
        return std::string(english);
    }
    return checked(english, (*forms)[*form]);
}

std::string format(std::string_view pattern, std::initializer_list<std::string_view> args) {
    return filledIn(pattern, args);
}

std::string trEach(std::string_view text, std::string_view separator) {
    std::string out;
    while (true) {
        const std::size_t end = text.find(separator);
        out += tr(text.substr(0, end));
        if (end == std::string_view::npos) {
            return out;
        }
        out += separator;
        text = text.substr(end + separator.size());
    }
}

std::string trLines(std::string_view text) {
    return trEach(text, "\n");
}

std::string trf(std::string_view english, std::initializer_list<std::string_view> args) {
    return format(tr(english), args);
}

}  // namespace quarlo::texts
