#include "app/tidy.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "app/sort_saves.h"
#include "app/transfer_text.h"
#include "platform/game_facts.h"
#include "platform/trash.h"

namespace quarlo::app {

namespace {

// The game's autosave and quicksave, whatever their letter case.
bool gamesOwn(const saves::SaveEntry& save) {
    const std::string name = saves::lowerAscii(save.fileName);
    const std::string stem = name.substr(0, name.rfind('.'));
    return std::any_of(std::begin(game::kGameOwnSaves), std::end(game::kGameOwnSaves),
                       [&](std::string_view own) { return stem == own; });
}

std::string factsOf(const saves::SaveEntry& save,
                    const std::function<std::string(std::string_view)>& ansiToUtf8) {
    const saves::SaveHeader& h = *save.header;
    char when[32];
    std::snprintf(when, sizeof when, "%04u-%02u-%02u %02u:%02u", h.saveTime.year % 10000u,
                  h.saveTime.month % 100u, h.saveTime.day % 100u, h.saveTime.hour % 100u,
                  h.saveTime.minute % 100u);
    const std::string place = ansiToUtf8 ? ansiToUtf8(h.location) : h.location;
    return "Level " + std::to_string(h.playerLevel) + ", " + place + ", " + when;
}

}  // namespace

std::size_t TidyPlan::chosen() const {
    return static_cast<std::size_t>(
        std::count_if(items.begin(), items.end(), [](const TidyItem& i) { return i.chosen; }));
}

TidyPlan planTidy(
    const std::vector<saves::SaveEntry>& saves, const std::vector<std::string>& names,
    std::size_t keep,
    const std::function<std::optional<platform::FileStamp>(const std::string&)>& stampOf,
    const std::function<std::string(std::string_view)>& ansiToUtf8) {
    TidyPlan plan;
    plan.keep = keep;
    const std::optional<saves::SystemTime> character = saves::characterOf(saves);
    // The character's own saves, newest first by the time the game wrote
    // in them (a copied file's date says nothing).
    std::vector<const saves::SaveEntry*> own;
    std::vector<const saves::SaveEntry*> unloadable;
    for (const saves::SaveEntry& save : saves) {
        if (save.link) {
            ++plan.kept;  // never touched
        } else if (!save.header) {
            unloadable.push_back(&save);
        } else if (save.backup || gamesOwn(save) || !character ||
                   saves::millisecondsSince1970(save.header->characterStamp) !=
                       saves::millisecondsSince1970(*character)) {
            ++plan.kept;
        } else {
            own.push_back(&save);
        }
    }
    std::stable_sort(own.begin(), own.end(), [](const auto* a, const auto* b) {
        return saves::millisecondsSince1970(a->header->saveTime) >
               saves::millisecondsSince1970(b->header->saveTime);
    });
    plan.kept += std::min(keep, own.size());
    for (std::size_t i = own.size(); i-- > keep;) {
        const saves::SaveEntry& save = *own[i];
        plan.items.push_back(TidyItem{TidyItem::Kind::old, save.fileName, save.coSaves,
                                      factsOf(save, ansiToUtf8), stampOf(save.fileName), true});
    }
    for (const std::string& stray : saves::strayCoSaves(names)) {
        // Only a regular file: a link is never moved.
        if (const auto stamp = stampOf(stray)) {
            plan.items.push_back(
                TidyItem{TidyItem::Kind::stray, stray, {}, text::kSaveIsGone, stamp, true});
        }
    }
    for (const saves::SaveEntry* save : unloadable) {
        plan.items.push_back(TidyItem{TidyItem::Kind::unloadable, save->fileName, save->coSaves,
                                      saves::describe(save->reason), stampOf(save->fileName),
                                      false});
    }
    return plan;
}

Tidied tidyAway(platform::SaveFiles& files, platform::Trash& trash, const std::string& folder,
                const TidyPlan& plan, const saves::Progress& progress) {
    Tidied done;
    const auto listed = files.listFiles(folder);
    std::vector<std::string> names;
    if (listed) {
        for (const platform::FolderEntry& e : listed->entries) {
            if (e.kind != platform::EntryKind::other) {
                names.push_back(e.name);
            }
        }
    }
    const std::string spelled = listed ? listed->folder : folder;
    const auto pathOf = [&](const std::string& name) { return spelled + files.separator() + name; };
    const std::vector<std::string> strays = saves::strayCoSaves(names);
    std::vector<std::string> going;
    std::vector<std::vector<std::string>> goingStrays;
    std::vector<const TidyItem*> strayItems;
    for (const TidyItem& item : plan.items) {
        if (!item.chosen) {
            continue;
        }
        const auto now = files.stamp(pathOf(item.fileName));
        if (!now) {
            done.left.push_back(item.fileName + ": it is gone since the plan.");
        } else if (!item.stamp || !platform::sameFileVersion(*now, *item.stamp)) {
            done.left.push_back(item.fileName + ": it changed since the plan.");
        } else if (item.kind != TidyItem::Kind::stray) {
            going.push_back(item.fileName);
        } else if (std::find(strays.begin(), strays.end(), item.fileName) == strays.end()) {
            done.left.push_back(item.fileName + ": its save is back.");
        } else {
            goingStrays.push_back({pathOf(item.fileName)});
            strayItems.push_back(&item);
        }
    }
    done.saves = saves::trashSaves(files, trash, folder, going, progress);
    // Stopped: the strays stay as well.
    if (progress && !progress(done.saves.size(), going.size())) {
        for (const TidyItem* item : strayItems) {
            done.left.push_back(item->fileName + ": not begun; stopped.");
        }
        return done;
    }
    const std::vector<platform::TrashResult> trashed = trash.moveEachToTrash(goingStrays);
    for (std::size_t i = 0; i < trashed.size(); ++i) {
        if (trashed[i].outcome == platform::TrashOutcome::done) {
            ++done.straysGone;
        } else {
            done.left.push_back(strayItems[i]->fileName + ": the " + trash.name() +
                                " could not take it.");
        }
    }
    return done;
}

std::string tidyPlanText(const TidyPlan& plan) {
    std::string out = "Keeps the newest " + std::to_string(plan.keep) +
                      " of the character's saves; " + countOf(plan.kept, "save") + " stay" +
                      (plan.kept == 1 ? "s" : "") + " in all.";
    for (const TidyItem& item : plan.items) {
        out += "\n" + std::string(item.chosen ? "[x] " : "[ ] ") + item.fileName;
        if (!item.coSaves.empty()) {
            out += " (and " + countOf(item.coSaves.size(), "co-save") + ")";
        }
        out += ": " + item.facts;
    }
    return out;
}

}  // namespace quarlo::app
