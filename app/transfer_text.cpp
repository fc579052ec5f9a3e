#include "app/transfer_text.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "texts/catalogue.h"

namespace quarlo::app {

namespace {

using Outcome = saves::TransferResult::Outcome;

// One save's reasons, each verb's own, so that each language says them
// whole: {1} is always the save file.
struct Reasons {
    const char* nameTakenAlike;  // {2} the destination
    const char* nameTaken;       // {2} the destination, {3} the file there
    const char* failed;          // {2} where it is
    const char* readOnly;        // {2} the folder
    const char* goneThere;       // {2} where it was, {3} where it is
    const char* gone;            // {2} where it was
    const char* notAFile;        // {2} the file
    const char* sameName;        // {2} the other save
    const char* changed;         // {2} the file, {3} where the save is
    const char* leftBehind;      // {2} the destination, {3} where it was
    const char* split;
    const char* keptBeside;  // {2} the destination, {3} the name kept
};

const Reasons& reasonsOf(Verb verb) {
    static constexpr Reasons kMove{
        N_("{1}: not moved; {2} has a file of that name already."),
        N_("{1}: not moved; {2} has {3} already."),
        N_("{1}: not moved; it could not be moved and is whole in {2}."),
        N_("{1}: not moved; files cannot be removed from {2} (is its drive read-only?), so "
           "nothing was copied."),
        N_("{1}: not moved; it is no longer in {2} but in {3} already."),
        N_("{1}: not moved; it is no longer in {2}."),
        N_("{1}: not moved; {2} is a link or a special file, not a file of its own."),
        N_("{1}: not moved; {2} has the same name to the game, so their co-saves cannot be "
           "told apart; rename one of them first."),
        N_("{1}: not moved; {2} changed while it was being moved (is the game saving?); the "
           "save is whole in {3}."),
        N_("{1}: moved to {2}, but could not be removed whole from {3}."),
        N_("{1}: not moved whole, and could not be put back."),
        N_("{1}: moved, but another program wrote a file of one of its names in {2} in the "
           "same moment; what it wrote is kept there as {3}."),
    };
    static constexpr Reasons kCopy{
        N_("{1}: not copied; {2} has a file of that name already."),
        N_("{1}: not copied; {2} has {3} already."),
        N_("{1}: not copied; it could not be copied and is whole in {2}."),
        N_("{1}: not copied; files cannot be removed from {2} (is its drive read-only?), so "
           "nothing was copied."),
        N_("{1}: not copied; it is no longer in {2} but in {3} already."),
        N_("{1}: not copied; it is no longer in {2}."),
        N_("{1}: not copied; {2} is a link or a special file, not a file of its own."),
        N_("{1}: not copied; {2} has the same name to the game, so their co-saves cannot be "
           "told apart; rename one of them first."),
        N_("{1}: not copied; {2} changed while it was being copied (is the game saving?); the "
           "save is whole in {3}."),
        N_("{1}: copied to {2}, but could not be removed whole from {3}."),
        N_("{1}: not copied whole, and could not be put back."),
        N_("{1}: copied, but another program wrote a file of one of its names in {2} in the "
           "same moment; what it wrote is kept there as {3}."),
    };
    // A save goes to the trash from its own folder: no destination to name.
    static constexpr Reasons kTrash{
        N_("{1}: not deleted; the {2} has a file of that name already."),
        N_("{1}: not deleted; the {2} has {3} already."),
        N_("{1}: not deleted; it could not be moved to the {3} and is in {2}."),
        N_("{1}: not deleted; files cannot be removed from {2} (is its drive read-only?)."),
        N_("{1}: not deleted; it is no longer in {2}."),
        N_("{1}: not deleted; it is no longer in {2}."),
        N_("{1}: not deleted; {2} is a link or a special file, not a file of its own."),
        N_("{1}: not deleted; {2} has the same name to the game, so their co-saves cannot be "
           "told apart; rename one of them first."),
        N_("{1}: not deleted; {2} changed while it was being deleted (is the game saving?); "
           "the save is whole in {3}."),
        N_("{1}: moved to the {2}, but could not be removed whole from {3}."),
        N_("{1}: not deleted whole, and could not be put back."),
        N_("{1}: deleted, but another program wrote a file of one of its names in the {2} in "
           "the same moment; what it wrote is kept there as {3}."),
    };
    return verb == Verb::move ? kMove : verb == Verb::copy ? kCopy : kTrash;
}

// Where one file of a save is, a line of its own after the save's reason.
std::string placeLine(const std::string& save, const saves::FilePlace& file,
                      const PlaceNames& names) {
    switch (file.place) {
        case saves::Place::source:
            return texts::format(N_("{1}: {2} is in {3}."), {save, file.file, names.from});
        case saves::Place::destination:
            return texts::format(N_("{1}: {2} is in {3}."), {save, file.file, names.to});
        case saves::Place::both:
            return texts::format(N_("{1}: {2} is in both {3} and {4}."),
                                 {save, file.file, names.from, names.to});
        case saves::Place::trash:
            return texts::format(N_("{1}: {2} is in the {3}."), {save, file.file, names.trash});
    }
    return {};
}

bool arrived(const saves::TransferResult& r) {
    return r.outcome == Outcome::done || r.outcome == Outcome::leftBehind;
}

// The reason for one save, or "" when it went; a save split between
// places has a line for each of its files after it.
std::string reasonFor(const saves::TransferResult& r, Verb verb, const PlaceNames& names) {
    const Reasons& says = reasonsOf(verb);
    // The trash is where a save is sent to when it is deleted.
    const std::string& to = verb == Verb::trash ? names.trash : names.to;
    const std::string& save = r.fileName;
    switch (r.outcome) {
        case Outcome::done:
        case Outcome::notStarted:
            return {};
        case Outcome::nameTaken:
            return r.detail == r.fileName ? texts::format(says.nameTakenAlike, {save, to})
                                          : texts::format(says.nameTaken, {save, to, r.detail});
        case Outcome::failed:
            return texts::format(says.failed, {save, names.from, names.trash});
        case Outcome::unavailable:
            return texts::format(N_("{1}: not deleted; the {2} cannot take files from this drive."),
                                 {save, names.trash});
        case Outcome::readOnly:
            return texts::format(says.readOnly, {save, names.from});
        case Outcome::gone:
            return r.detail == "destination" ? texts::format(says.goneThere, {save, names.from, to})
                                             : texts::format(says.gone, {save, names.from});
        case Outcome::notAFile:
            return texts::format(says.notAFile, {save, r.detail});
        case Outcome::sameName:
            return texts::format(says.sameName, {save, r.detail});
        case Outcome::changed:
            return texts::format(says.changed, {save, r.detail, names.from});
        case Outcome::leftBehind:
        case Outcome::split: {
            std::string lines = r.outcome == Outcome::leftBehind
                                    ? texts::format(says.leftBehind, {save, to, names.from})
                                    : texts::format(says.split, {save});
            for (const saves::FilePlace& file : r.places) {
                lines += "\n" + placeLine(r.fileName, file, names);
            }
            return lines;
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
            why += "\n" + texts::format(N_("{1}: {2} in {3} is this save's own file, set aside "
                                           "to be removed and not given its name back; rename "
                                           "it without \"{4}\"."),
                                        {r.fileName, aside, places.from,
                                         aside.substr(aside.rfind('.', aside.rfind('.') - 1))});
        }
        for (const std::string& kept : r.keptBeside) {
            why += "\n" + texts::format(
                              reasonsOf(verb).keptBeside,
                              {r.fileName, verb == Verb::trash ? places.trash : places.to, kept});
        }
        for (const std::string& part : r.unfinished) {
            why += "\n" + texts::format(N_("{1}: an unfinished copy, {2}, is left in {3}; it is "
                                           "no save to the game, and the next move or copy "
                                           "there removes it."),
                                        {r.fileName, part, places.to});
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
