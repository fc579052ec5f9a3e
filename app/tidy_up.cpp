// Tidy Up…: the plan, a backup of the character, then the chosen saves to the
// trash. What is about to go is written down before anything goes, so that
// a kill between a save's files (its co-save in the trash, the save still in
// its folder) is finished by the next start of any front end: the rest of
// that save goes where the rest of it is, once checked to be the version the
// backup holds.
#include <algorithm>
#include <charconv>

#include "app/backups_window.h"
#include "app/game.h"
#include "app/saves_window.h"
#include "app/steam_cloud.h"
#include "app/transfer_text.h"
#include "backups/manifest.h"
#include "saves/character_saves.h"
#include "texts/catalogue.h"

namespace quarlo::app {

namespace {

constexpr std::string_view kTidyName = ".tidy";
constexpr std::string_view kTidyHeader = "quarlo-tidy 1";

std::string stampText(const platform::FileStamp& s) {
    return std::to_string(s.device) + " " + std::to_string(s.node) + " " + std::to_string(s.size) +
           " " + std::to_string(s.modifiedNs) + " " + std::to_string(s.changedNs);
}

template <typename Number>
bool number(std::string_view& rest, Number& out) {
    const std::size_t space = rest.find(' ');
    const std::string_view digits = rest.substr(0, space);
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), out);
    if (error != std::errc() || end != digits.data() + digits.size() || digits.empty()) {
        return false;
    }
    rest.remove_prefix(space == std::string_view::npos ? rest.size() : space + 1);
    return true;
}

struct TidyRecord {
    std::string character;
    TidyGroups groups;
};

std::string formatTidy(const TidyRecord& record) {
    std::string text = std::string(kTidyHeader) + "\ncharacter " + record.character + "\n";
    for (const auto& group : record.groups) {
        text += "group\n";
        for (const platform::Trash::Expected& f : group) {
            text += "file " + stampText(f.stamp) + " " + f.name + "\n";
        }
    }
    return text + "end\n";
}

// Read back from disk: every name one plain file name, the character one a
// folder directly in Saves could have, or nothing.
std::optional<TidyRecord> parseTidy(std::string_view text) {
    TidyRecord record;
    bool headed = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) {
            return std::nullopt;  // cut short
        }
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        if (!headed) {
            if (line != kTidyHeader) {
                return std::nullopt;
            }
            headed = true;
        } else if (line == "end") {
            return text.empty() && !record.character.empty() ? std::optional(record) : std::nullopt;
        } else if (line.starts_with("character ")) {
            record.character = std::string(line.substr(10));
        } else if (line == "group") {
            record.groups.emplace_back();
        } else if (line.starts_with("file ") && !record.groups.empty()) {
            line.remove_prefix(5);
            platform::Trash::Expected f;
            if (!number(line, f.stamp.device) || !number(line, f.stamp.node) ||
                !number(line, f.stamp.size) || !number(line, f.stamp.modifiedNs) ||
                !number(line, f.stamp.changedNs) || !backups::plainFileName(line)) {
                return std::nullopt;
            }
            f.name = std::string(line);
            record.groups.back().push_back(std::move(f));
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace

std::string Game::tidyJournal() {
    backups::Store* backupStore = store();
    const std::string state = backupStore ? backupStore->stateFolder(root_) : std::string();
    return state.empty() ? std::string()
                         : state + platform_.fileSystem->separator() + std::string(kTidyName);
}

void Game::tidyUp(const std::string& character, CharacterView& view, std::size_t keep) {
    const std::string title = text::kTidyUp;
    if (!platform_.saveFiles || !platform_.trash || character.empty()) {
        view.showMessage(title, text::kNotAvailable);
        return;
    }
    if (gameIsRunning()) {
        view.showMessage(title, text::kSavesInUse);
        return;
    }
    std::string refusal;
    const auto writing = lockForWriting("tidy up", refusal);
    if (!writing) {
        view.showMessage(title, refusal);
        return;
    }
    platform::SaveFiles& files = *platform_.saveFiles;
    const std::string folder = characterFolder(character);
    // Opened once: a folder swapped for a link to another copy after this
    // point sends nothing of that copy to the trash.
    const auto opened =
        character.find('\\') == std::string::npos ? files.openFolder(folder) : nullptr;
    const auto listing = opened ? opened->entries() : std::nullopt;
    const auto saves =
        listing ? saves::listSaves(files, opened->path(), game().saves) : std::nullopt;
    if (!saves) {
        view.showMessage(title, text::kFolderNotFound);
        return;
    }
    // Links too: a save that is a link still has its co-saves.
    std::vector<std::string> names;
    for (const platform::FolderEntry& e : *listing) {
        if (e.kind != platform::EntryKind::other && e.kind != platform::EntryKind::folder) {
            names.push_back(e.name);
        }
    }
    const auto stampOf = [&](const std::string& name) { return opened->stamp(name); };
    // Steam Cloud keeps only saves lying directly in Saves: a character's
    // folder is beyond its rule, and is never warned about.
    const std::vector<std::string> cloud =
        cloudReaches(character) ? cloudSaves() : std::vector<std::string>{};
    const auto replan = [&](std::size_t keep) {
        TidyPlan plan = planTidy(*saves, names, keep, stampOf, platform_.ansiToUtf8, game().saves);
        std::vector<std::string> going;
        for (const TidyItem& item : plan.items) {
            going.push_back(item.fileName);
            going.insert(going.end(), item.coSaves.begin(), item.coSaves.end());
        }
        plan.warning = cloudWarning(keptOf(cloud, character, going));
        return plan;
    };
    TidyPlan plan = replan(keep);
    if (plan.items.empty()) {
        view.showMessage(
            title, std::string(text::kNothingToTidy) + "\n\n" +
                       texts::format(N_("{1}: none older than the newest {2} of the "
                                        "character, and no co-save without its "
                                        "save."),
                                     {countOf(saves->size(), "save"), std::to_string(plan.keep)}));
        return;
    }
    if (!view.confirmTidy(plan, replan)) {
        return;
    }
    if (plan.chosen() == 0) {
        view.showMessage(title, std::string(text::kNothingToTidy) + "\n\n" +
                                    texts::format(N_("No file was ticked; nothing was sent to "
                                                     "the {1}."),
                                                  {platform_.trash->name()}));
        return;
    }
    // Nothing goes to the trash that is not in a backup first.
    backups::Store* backupStore = store();
    if (backupStore == nullptr) {
        view.showMessage(title, std::string(text::kNoBackupStore) + " " +
                                    texts::format(N_("Nothing was sent to the {1}."),
                                                  {platform_.trash->name()}));
        return;
    }
    backups::Made made;
    view.runWithProgress(title, [&](const saves::Progress& progress) {
        made = backupStore->backUp(root_, character, opened->path(), backups::Reason::beforeTidy,
                                   progress);
    });
    if (!made.failure.empty() || !made.backup) {
        view.showMessage(
            title,
            (made.failure.empty() ? std::string(N_("Failed. Nothing was backed up."))
                                  : made.failure) +
                " " + texts::format(N_("Nothing was sent to the {1}."), {platform_.trash->name()}));
        return;
    }
    backupStore->prune(root_, character);
    BackedUp backedUp;
    for (const backups::ManifestFile& f : made.backup->manifest.files) {
        backedUp[f.name] = f.source;
    }
    const std::string journal = tidyJournal();
    // Written whole beside its place, then given its name.
    const auto writeDown = [&](const TidyGroups& groups) {
        if (journal.empty()) {
            return true;
        }
        const std::string next = journal + ".next";
        files.remove(next);
        if (!files.writeNew(next, formatTidy({character, groups}))) {
            return false;
        }
        const bool placed = files.kindOf(journal) == platform::PathKind::missing
                                ? files.renameNew(next, journal) == platform::FileOutcome::done
                                : files.replace(next, journal);
        if (!placed) {
            files.remove(next);
        }
        return placed;
    };
    Tidied done;
    view.runWithProgress(title, [&](const saves::Progress& progress) {
        done =
            tidyAway(*platform_.trash, *opened, plan, backedUp, writeDown, progress, game().saves);
    });
    if (!journal.empty()) {
        files.remove(journal);
    }
    const std::vector<saves::TransferResult>& results = done.saves;
    const std::vector<std::string>& left = done.left;
    view.savesChanged();
    const std::size_t gone = arrivedCount(results);
    const std::size_t coSaves = arrivedCoSaves(results) + done.straysGone;
    const bool whole = left.empty() && gone == results.size();
    const std::string kept = std::to_string(plan.kept);
    const std::string went = savesAndCoSaves(gone, coSaves);
    std::string summary = texts::format(
        whole ? texts::englishN("Success. {2} went to the {3}; {1} save stays, and a backup of "
                                "{4} holds them all.",
                                "Success. {2} went to the {3}; {1} saves stay, and a backup "
                                "of {4} holds them all.",
                                plan.kept)
              : texts::englishN("Failed. {2} went to the {3}; {1} save stays, and a backup of "
                                "{4} holds them all.",
                                "Failed. {2} went to the {3}; {1} saves stay, and a backup of "
                                "{4} holds them all.",
                                plan.kept),
        {kept, went, platform_.trash->name(), character});
    std::string why =
        transferReasons(results, Verb::trash, PlaceNames{character, {}, platform_.trash->name()});
    for (const std::string& line : left) {
        why += "\n" + line;
    }
    if (!why.empty()) {
        summary += "\n" + why;
    }
    view.showMessage(title, summary);
}

std::optional<std::string> Game::finishTidy() {
    const std::string journal = tidyJournal();
    if (journal.empty() || !platform_.trash) {
        return std::nullopt;
    }
    platform::SaveFiles& files = *platform_.saveFiles;
    files.remove(journal + ".next");  // a record not yet written whole is no record
    if (files.kindOf(journal) == platform::PathKind::missing) {
        return std::nullopt;
    }
    const auto chunk = files.read(journal, 0, 16u << 20);
    const auto record = chunk ? parseTidy(chunk->bytes) : std::nullopt;
    const char sep = platform_.fileSystem->separator();
    if (!record || record->character.find(sep) != std::string::npos ||
        record->character.find('\\') != std::string::npos ||
        (record->character != game().savesFolder &&
         refuseCharacterName(record->character,
                             platform_.profile->storedLength(record->character)) != nullptr)) {
        const std::string damaged = journal + ".damaged";
        files.remove(damaged);
        files.renameNew(journal, damaged);
        return texts::format(N_("Failed. A Tidy Up cut off before it was done left a record "
                                "that cannot be read; it is kept as {1}."),
                             {damaged}) +
               " " +
               texts::format(N_("Look in the {1} for saves without their co-saves."),
                             {platform_.trash->name()});
    }
    const std::string& character = record->character;
    const auto opened = files.openFolder(
        character == game().savesFolder ? savesFolder() : characterFolder(character));
    if (!opened) {
        return texts::format(N_("Failed. A Tidy Up of {1} was cut off before it was done, and "
                                "its folder cannot be opened now; Quarlo tries again the next "
                                "time it starts."),
                             {character});
    }
    // A save whose files are partly gone is split: the rest of it follows,
    // each file checked to be the version the backup holds.
    TidyGroups rest;
    std::vector<std::string> stuck;
    for (const auto& group : record->groups) {
        TidyGroups::value_type there;
        std::size_t changed = 0;
        for (const platform::Trash::Expected& f : group) {
            const auto now = opened->stamp(f.name);
            if (now && *now == f.stamp) {
                there.push_back(f);
            } else if (now) {
                ++changed;
            }
        }
        if (!there.empty() && there.size() + changed < group.size()) {
            if (changed == 0) {
                rest.push_back(std::move(there));
            } else {
                stuck.push_back(group.back().name);
            }
        }
    }
    std::size_t finished = 0;
    const auto went = rest.empty() ? std::vector<platform::TrashResult>{}
                                   : platform_.trash->moveEachFromFolder(*opened, rest);
    for (std::size_t i = 0; i < went.size(); ++i) {
        if (went[i].outcome == platform::TrashOutcome::done) {
            ++finished;
        } else {
            stuck.push_back(rest[i].back().name);
        }
    }
    files.remove(journal);
    if (stuck.empty()) {
        if (finished == 0) {
            return texts::format(N_("Success. A Tidy Up of {1} was cut off before it was done; "
                                    "every save is whole, in the {2} or in {1}."),
                                 {character, platform_.trash->name()});
        }
        return texts::format(
            texts::englishN("Success. A Tidy Up of {2} was cut off before it was done; the "
                            "rest of {1} save it had begun to move went to the {3}, where the "
                            "rest of each was.",
                            "Success. A Tidy Up of {2} was cut off before it was done; the "
                            "rest of {1} saves it had begun to move went to the {3}, where the "
                            "rest of each was.",
                            finished),
            {std::to_string(finished), character, platform_.trash->name()});
    }
    std::string names;
    for (const std::string& name : stuck) {
        names += (names.empty() ? "" : ", ") + name;
    }
    return texts::format(N_("Failed. A Tidy Up of {1} was cut off before it was done, and some "
                            "of its saves are partly in the {2} and partly in {1}: {3}."),
                         {character, platform_.trash->name(), names}) +
           " " + texts::format(N_("A backup of {1} holds them whole."), {character});
}

}  // namespace quarlo::app
