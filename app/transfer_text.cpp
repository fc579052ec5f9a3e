#include "app/transfer_text.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "texts/catalogue.h"

namespace quarlo::app {

namespace {

using Outcome = saves::TransferResult::Outcome;

const char* participle(Verb verb) {
    switch (verb) {
        case Verb::move:
            return "moved";
        case Verb::copy:
            return "copied";
        case Verb::trash:
            return "deleted";
    }
    return "moved";
}

std::string where(saves::Place place, const PlaceNames& names) {
    switch (place) {
        case saves::Place::source:
            return "in " + names.from;
        case saves::Place::destination:
            return "in " + names.to;
        case saves::Place::both:
            return "in both " + names.from + " and " + names.to;
        case saves::Place::trash:
            return "in the " + names.trash;
    }
    return {};
}

bool arrived(const saves::TransferResult& r) {
    return r.outcome == Outcome::done || r.outcome == Outcome::leftBehind;
}

// The reason for one save, or "" when it went.
std::string reasonFor(const saves::TransferResult& r, Verb verb, const PlaceNames& names) {
    const std::string not_ = r.fileName + ": not " + participle(verb) + "; ";
    switch (r.outcome) {
        case Outcome::done:
        case Outcome::notStarted:
            return {};
        case Outcome::nameTaken:
            return not_ + names.to + " has " +
                   (r.detail == r.fileName ? std::string("a file of that name") : r.detail) +
                   " already.";
        case Outcome::failed:
            if (verb == Verb::trash) {
                return not_ + "it could not be moved to the " + names.trash + " and is " +
                       where(saves::Place::source, names) + ".";
            }
            return not_ + "it could not be " + participle(verb) + " and is whole " +
                   where(saves::Place::source, names) + ".";
        case Outcome::unavailable:
            return not_ + "the " + names.trash + " cannot take files from this drive.";
        case Outcome::readOnly:
            return not_ + "files cannot be removed from " + names.from +
                   " (is its drive read-only?), so nothing was copied.";
        case Outcome::gone:
            if (r.detail == "destination") {
                return not_ + "it is no longer in " + names.from + " but in " + names.to +
                       " already.";
            }
            return not_ + "it is no longer in " + names.from + ".";
        case Outcome::notAFile:
            return not_ + r.detail + " is a link or a special file, not a file of its own.";
        case Outcome::sameName:
            return not_ + r.detail +
                   " has the same name to the game, so their co-saves cannot be told apart; "
                   "rename one of them first.";
        case Outcome::changed:
            return not_ + r.detail + " changed while it was being " + participle(verb) +
                   " (is the game saving?); the save is whole " +
                   where(saves::Place::source, names) + ".";
        case Outcome::leftBehind:
        case Outcome::split: {
            std::string line = r.outcome == Outcome::leftBehind
                                   ? r.fileName + ": " + participle(verb) + " to " + names.to +
                                         ", but could not be removed whole from " + names.from +
                                         ": "
                                   : r.fileName + ": not " + participle(verb) +
                                         " whole, and could not be put back: ";
            for (std::size_t i = 0; i < r.places.size(); ++i) {
                line += (i == 0 ? "" : ", ") + r.places[i].file + " is " +
                        where(r.places[i].place, names);
            }
            return line + ".";
        }
    }
    return {};
}

}  // namespace

std::string countOf(std::size_t n, const char* singular) {
    // The words counted, each with its plural, so that the catalogues hold
    // them and a summary says its counts in each language's forms.
    static constexpr std::pair<std::string_view, std::string_view> kCounted[] = {
        {NN_("{1} save", "{1} saves")},
        {NN_("{1} co-save", "{1} co-saves")},
        {NN_("{1} file", "{1} files")},
        {NN_("{1} character", "{1} characters")},
    };
    const std::string one = std::string("{1} ") + singular;
    for (const auto& [single, plural] : kCounted) {
        if (single == one) {
            return texts::format(n == 1 ? single : plural, {std::to_string(n)});
        }
    }
    return std::to_string(n) + " " + singular + (n == 1 ? "" : "s");
}

std::string savesAndCoSaves(std::size_t saves, std::size_t coSaves) {
    return coSaves == 0 ? countOf(saves, "save")
                        : texts::format(N_("{1} and {2}"),
                                        {countOf(saves, "save"), countOf(coSaves, "co-save")});
}

std::size_t arrivedCount(const std::vector<saves::TransferResult>& results) {
    return static_cast<std::size_t>(std::count_if(results.begin(), results.end(), arrived));
}

std::size_t arrivedCoSaves(const std::vector<saves::TransferResult>& results) {
    std::size_t n = 0;
    for (const saves::TransferResult& r : results) {
        n += arrived(r) ? r.coSaves : 0;
    }
    return n;
}

std::string transferReasons(const std::vector<saves::TransferResult>& results, Verb verb,
                            const PlaceNames& places) {
    std::string why;
    std::size_t notStarted = 0;
    for (const saves::TransferResult& r : results) {
        notStarted += r.outcome == Outcome::notStarted ? 1 : 0;
        if (const std::string line = reasonFor(r, verb, places); !line.empty()) {
            why += "\n" + line;
        }
        for (const std::string& aside : r.setAside) {
            why += "\n" + r.fileName + ": " + aside + " in " + places.from +
                   " is this save's own file, set aside to be removed and not given its name "
                   "back; rename it without \"" +
                   aside.substr(aside.rfind('.', aside.rfind('.') - 1)) + "\".";
        }
        for (const std::string& kept : r.keptBeside) {
            why += "\n" + r.fileName + ": " + participle(verb) +
                   ", but another program wrote a "
                   "file of one of its names in " +
                   places.to +
                   " in the same moment; what it "
                   "wrote is kept there as " +
                   kept + ".";
        }
        for (const std::string& part : r.unfinished) {
            why += "\n" + r.fileName + ": an unfinished copy, " + part + ", is left in " +
                   places.to +
                   "; it is no save to the game, and the next move or copy there "
                   "removes it.";
        }
    }
    if (notStarted > 0) {
        const std::string_view stopped =
            verb == Verb::move
                ? texts::englishN("Stopped: {1} save not moved; it is in {2}.",
                                  "Stopped: {1} saves not moved; they are in {2}.", notStarted)
            : verb == Verb::copy
                ? texts::englishN("Stopped: {1} save not copied; it is in {2}.",
                                  "Stopped: {1} saves not copied; they are in {2}.", notStarted)
                : texts::englishN("Stopped: {1} save not deleted; it is in {2}.",
                                  "Stopped: {1} saves not deleted; they are in {2}.", notStarted);
        why += "\n" + texts::format(stopped, {std::to_string(notStarted), places.from});
    }
    return why;
}

std::string transferSummary(const std::vector<saves::TransferResult>& results, Verb verb,
                            const PlaceNames& places) {
    const std::size_t done = arrivedCount(results);
    const bool whole = std::all_of(results.begin(), results.end(), [](const auto& r) {
        return r.outcome == Outcome::done && r.keptBeside.empty();
    });
    // A save whose undo left it whole in both folders is neither moved nor
    // not moved: it is counted as what it is.
    const auto inBoth = static_cast<std::size_t>(
        std::count_if(results.begin(), results.end(), [](const saves::TransferResult& r) {
            return r.outcome == Outcome::split &&
                   std::all_of(r.places.begin(), r.places.end(),
                               [](const auto& p) { return p.place == saves::Place::both; });
        }));
    const bool notAll = done + inBoth < results.size();
    // Each verb's headline as a whole, so that each language says it: all
    // went, some did not, some are in both folders, or both of those.
    static constexpr const char* kHeadlines[3][5] = {
        {N_("Success. {1} moved to {2}."), N_("Failed. {1} moved to {2}."),
         N_("Failed. {1} moved to {2}; {3} not moved."),
         N_("Failed. {1} moved to {2}; {3} in both {4} and {5}."),
         N_("Failed. {1} moved to {2}; {3} in both {4} and {5}; {6} not moved.")},
        {N_("Success. {1} copied to {2}."), N_("Failed. {1} copied to {2}."),
         N_("Failed. {1} copied to {2}; {3} not copied."),
         N_("Failed. {1} copied to {2}; {3} in both {4} and {5}."),
         N_("Failed. {1} copied to {2}; {3} in both {4} and {5}; {6} not copied.")},
        {N_("Success. {1} moved to the {2}."), N_("Failed. {1} moved to the {2}."),
         N_("Failed. {1} moved to the {2}; {3} not deleted."),
         N_("Failed. {1} moved to the {2}; {3} in both {4} and {5}."),
         N_("Failed. {1} moved to the {2}; {3} in both {4} and {5}; {6} not deleted.")},
    };
    const auto& headlines = kHeadlines[verb == Verb::move ? 0 : verb == Verb::copy ? 1 : 2];
    const std::string what = savesAndCoSaves(done, arrivedCoSaves(results));
    const std::string to = verb == Verb::trash ? places.trash : places.to;
    const std::string notDone = std::to_string(results.size() - done - inBoth);
    const std::string both = countOf(inBoth, "save");
    std::string summary;
    if (whole && done > 0) {
        summary = texts::format(headlines[0], {what, to});
    } else if (inBoth == 0) {
        summary = notAll ? texts::format(headlines[2], {what, to, notDone})
                         : texts::format(headlines[1], {what, to});
    } else {
        summary =
            notAll ? texts::format(headlines[4], {what, to, both, places.from, places.to, notDone})
                   : texts::format(headlines[3], {what, to, both, places.from, places.to});
    }
    if (const std::string why = transferReasons(results, verb, places); !why.empty()) {
        summary += "\n" + why;
    }
    return summary;
}

}  // namespace quarlo::app
