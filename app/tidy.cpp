#include "app/tidy.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "app/sort_saves.h"
#include "app/transfer_text.h"
#include "platform/trash.h"
#include "texts/catalogue.h"

namespace quarlo::app {

namespace {

// The game's autosave and quicksave (the later games': Autosave3_…,
// Quicksave0_…), whatever their letter case.
bool gamesOwn(const saves::SaveEntry& save, const games::SaveFormat& format) {
    const std::string name = saves::lowerAscii(save.fileName);
    const std::string stem = name.substr(0, name.rfind('.'));
    return std::any_of(format.ownSaves.begin(), format.ownSaves.end(), [&](std::string_view own) {
        const std::string lower = saves::lowerAscii(own);
        return format.ownByPrefix ? stem.starts_with(lower) : stem == lower;
    });
}

std::string factsOf(const saves::SaveEntry& save,
                    const std::function<std::string(std::string_view)>& ansiToUtf8) {
    const saves::SaveHeader& h = *save.header;
    const saves::SystemTime t = save.savedTime();
    char when[32];
    std::snprintf(when, sizeof when, "%04u-%02u-%02u %02u:%02u", t.year % 10000u, t.month % 100u,
                  t.day % 100u, t.hour % 100u, t.minute % 100u);
    const std::string place = ansiToUtf8 && !h.locationUtf8 ? ansiToUtf8(h.location) : h.location;
    return texts::format(N_("Level {1}, {2}, {3}"), {std::to_string(h.playerLevel), place, when});
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
    const std::function<std::string(std::string_view)>& ansiToUtf8,
    const games::SaveFormat& format) {
    TidyPlan plan;
    plan.keep = keep;
    const std::optional<std::uint64_t> character = saves::characterOf(saves);
    // The character's own saves, newest first by the time the game wrote
    // in them (a copied file's date says nothing).
    std::vector<const saves::SaveEntry*> own;
    std::vector<const saves::SaveEntry*> unloadable;
    for (const saves::SaveEntry& save : saves) {
        if (save.link) {
            ++plan.kept;  // never touched
        } else if (!save.header) {
            unloadable.push_back(&save);
        } else if (save.backup || gamesOwn(save, format) || !character ||
                   save.header->characterKey != *character) {
            ++plan.kept;
        } else {
            own.push_back(&save);
        }
    }
    std::stable_sort(own.begin(), own.end(),
                     [](const auto* a, const auto* b) { return a->sortTime() > b->sortTime(); });
    plan.kept += std::min(keep, own.size());
    for (std::size_t i = own.size(); i-- > keep;) {
        const saves::SaveEntry& save = *own[i];
        plan.items.push_back(TidyItem{TidyItem::Kind::old, save.fileName, save.coSaves,
                                      factsOf(save, ansiToUtf8), stampOf(save.fileName), true});
    }
    for (const std::string& stray : saves::strayCoSaves(names, format)) {
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

Tidied tidyAway(platform::Trash& trash, const platform::OpenFolder& folder, const TidyPlan& plan,
                const BackedUp& backedUp,
                const std::function<bool(const TidyGroups&)>& beforeMoving,
                const saves::Progress& progress, const games::SaveFormat& format) {
    Tidied done;
    const auto listed = folder.entries();
    std::vector<std::string> names;
    std::map<std::string, platform::EntryKind> kinds;
    if (listed) {
        for (const platform::FolderEntry& e : *listed) {
            if (e.kind != platform::EntryKind::other && e.kind != platform::EntryKind::folder) {
                names.push_back(e.name);
                kinds[e.name] = e.kind;
            }
        }
    }
    // The co-saves each save has now, whatever the plan saw.
    std::map<std::string, std::vector<std::string>> coSavesNow;
    for (saves::SaveFamily& family : saves::groupSaves(names, format)) {
        coSavesNow[family.save] = std::move(family.coSaves);
    }
    const std::vector<std::string> strays = saves::strayCoSaves(names, format);
    struct Going {
        const TidyItem* item;
        std::vector<platform::Trash::Expected> files;
    };
    std::vector<Going> saves;
    std::vector<Going> strayGroups;
    for (const TidyItem& item : plan.items) {
        if (!item.chosen) {
            continue;
        }
        const auto now = listed ? folder.stamp(item.fileName) : std::nullopt;
        if (!listed) {
            done.left.push_back(
                texts::format(N_("{1}: its folder cannot be read."), {item.fileName}));
            continue;
        }
        if (!now) {
            done.left.push_back(
                texts::format(N_("{1}: it is gone since the plan."), {item.fileName}));
            continue;
        }
        if (!item.stamp || !platform::sameFileVersion(*now, *item.stamp)) {
            done.left.push_back(
                texts::format(N_("{1}: it changed since the plan."), {item.fileName}));
            continue;
        }
        const bool stray = item.kind == TidyItem::Kind::stray;
        if (stray && std::find(strays.begin(), strays.end(), item.fileName) == strays.end()) {
            done.left.push_back(texts::format(N_("{1}: its save is back."), {item.fileName}));
            continue;
        }
        std::vector<std::string> group =
            stray ? std::vector<std::string>{} : coSavesNow[item.fileName];
        group.push_back(item.fileName);
        Going going{&item, {}};
        std::string why;
        std::string which;
        for (const std::string& file : group) {
            const auto kept = backedUp.find(file);
            const auto version = folder.stamp(file);
            if (kinds[file] != platform::EntryKind::file || !version) {
                why = N_("{1}: {2} is a link or no longer a file of its own; it stays.");
            } else if (kept == backedUp.end()) {
                why =
                    N_("{1}: {2} appeared since the backup was made, which does not hold it; it "
                       "stays.");
            } else if (*version != kept->second) {
                why = N_("{1}: {2} changed since the backup was made; it stays.");
            }
            which = file;
            if (!why.empty()) {
                break;
            }
            going.files.push_back({file, *version});
        }
        if (!why.empty()) {
            done.left.push_back(texts::format(why, {item.fileName, which}));
            continue;
        }
        (stray ? strayGroups : saves).push_back(std::move(going));
    }
    TidyGroups all;
    for (const auto* list : {&saves, &strayGroups}) {
        for (const Going& g : *list) {
            all.push_back(g.files);
        }
    }
    if (!all.empty() && beforeMoving && !beforeMoving(all)) {
        for (const TidyGroups::value_type& g : all) {
            done.left.push_back(
                texts::format(N_("{1}: Quarlo's record of what goes could not be written; "
                                 "nothing was sent to the {2}."),
                              {g.back().name, trash.name()}));
        }
        return done;
    }
    // What went is what the folder no longer holds.
    const auto placesOf = [&](const Going& g) {
        std::vector<saves::FilePlace> places;
        std::size_t gone = 0;
        for (const platform::Trash::Expected& f : g.files) {
            const bool there = folder.stamp(f.name).has_value() ||
                               std::any_of(names.begin(), names.end(), [&](const std::string& n) {
                                   return n == f.name && kinds[n] != platform::EntryKind::file;
                               });
            gone += there ? 0 : 1;
            places.push_back({f.name, there ? saves::Place::source : saves::Place::trash});
        }
        return std::make_pair(gone, places);
    };
    constexpr std::size_t kBatch = 256;
    bool stopped = progress && !progress(0, saves.size());
    for (std::size_t first = 0; first < saves.size(); first += kBatch) {
        const std::size_t last = std::min(saves.size(), first + kBatch);
        if (stopped) {
            for (std::size_t i = first; i < saves.size(); ++i) {
                done.saves.push_back(saves::TransferResult{
                    saves[i].item->fileName, saves::TransferResult::Outcome::notStarted, {}});
            }
            break;
        }
        TidyGroups batch;
        for (std::size_t i = first; i < last; ++i) {
            batch.push_back(saves[i].files);
        }
        const std::vector<platform::TrashResult> trashed = trash.moveEachFromFolder(folder, batch);
        for (std::size_t i = first; i < last; ++i) {
            const platform::TrashResult& r = trashed[i - first];
            saves::TransferResult out{
                saves[i].item->fileName, saves::TransferResult::Outcome::failed, {}};
            out.coSaves = saves[i].files.size() - 1;
            const auto [gone, places] = placesOf(saves[i]);
            using Outcome = saves::TransferResult::Outcome;
            if (gone == places.size()) {
                out.outcome = Outcome::done;
            } else if (gone > 0) {
                out.outcome = Outcome::split;
                out.places = places;
            } else if (r.outcome == platform::TrashOutcome::changed) {
                out.outcome = Outcome::changed;
                out.detail = out.fileName;
            } else {
                out.outcome = r.outcome == platform::TrashOutcome::unavailable
                                  ? Outcome::unavailable
                                  : Outcome::failed;
            }
            done.saves.push_back(std::move(out));
        }
        stopped = progress && !progress(done.saves.size(), saves.size());
    }
    // Stopped: the strays stay as well.
    if (stopped) {
        for (const Going& g : strayGroups) {
            done.left.push_back(texts::format(N_("{1}: not begun; stopped."), {g.item->fileName}));
        }
        return done;
    }
    TidyGroups strayBatch;
    for (const Going& g : strayGroups) {
        strayBatch.push_back(g.files);
    }
    const std::vector<platform::TrashResult> trashed =
        strayBatch.empty() ? std::vector<platform::TrashResult>{}
                           : trash.moveEachFromFolder(folder, strayBatch);
    for (std::size_t i = 0; i < strayGroups.size(); ++i) {
        if (placesOf(strayGroups[i]).first == 1) {
            ++done.straysGone;
        } else {
            done.left.push_back(texts::format(
                trashed[i].outcome == platform::TrashOutcome::changed
                    ? N_("{1}: the {2} did not take it: it changed right before it went.")
                    : N_("{1}: the {2} could not take it."),
                {strayGroups[i].item->fileName, trash.name()}));
        }
    }
    return done;
}

std::string tidyIntro(const TidyPlan& plan) {
    return texts::format(N_("{1} of {2} go to the trash, each with its co-saves, after a backup "
                            "of the character; {3} stay as they are."),
                         {std::to_string(plan.chosen()), std::to_string(plan.items.size()),
                          countOf(plan.kept, "save")});
}

std::string tidyItemFile(const TidyItem& item) {
    return item.coSaves.empty()
               ? item.fileName
               : texts::format(N_("{1} (and {2})"),
                               {item.fileName, countOf(item.coSaves.size(), "co-save")});
}

std::string tidyPlanText(const TidyPlan& plan,
                         const std::function<std::string(std::string_view)>& say) {
    const auto said = [&say](const std::string& text) { return say ? say(text) : text; };
    std::string out = said(texts::format(
        texts::englishN("Keeps the newest {2} of the character's saves; {1} save stays in all.",
                        "Keeps the newest {2} of the character's saves; {1} saves stay in all.",
                        plan.kept),
        {std::to_string(plan.kept), std::to_string(plan.keep)}));
    for (const TidyItem& item : plan.items) {
        out += "\n" + std::string(item.chosen ? "[x] " : "[ ] ") + said(tidyItemFile(item)) + ": " +
               said(item.facts);
    }
    return out;
}

}  // namespace quarlo::app
