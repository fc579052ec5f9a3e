#include "app/backups_window.h"

#include <cstdio>
#include <utility>

#include "app/saves_window.h"
#include "platform/trash.h"
#include "saves/character_saves.h"
#include "texts/catalogue.h"

namespace quarlo::app {

namespace {

// "2026-12-08T10:37:19Z" as a time; zeros where the text is not one.
saves::SystemTime utcTime(const std::string& text) {
    saves::SystemTime t;
    unsigned y = 0;
    unsigned mo = 0;
    unsigned d = 0;
    unsigned h = 0;
    unsigned mi = 0;
    unsigned s = 0;
    if (std::sscanf(text.c_str(), "%4u-%2u-%2uT%2u:%2u:%2u", &y, &mo, &d, &h, &mi, &s) == 6) {
        t = saves::SystemTime{static_cast<std::uint16_t>(y),
                              static_cast<std::uint16_t>(mo),
                              0,
                              static_cast<std::uint16_t>(d),
                              static_cast<std::uint16_t>(h),
                              static_cast<std::uint16_t>(mi),
                              static_cast<std::uint16_t>(s),
                              0};
    }
    return t;
}

// How many of a backup's files are saves.
std::size_t savesIn(const backups::Manifest& m, const games::SaveFormat& format) {
    std::vector<std::string> names;
    for (const backups::ManifestFile& f : m.files) {
        names.push_back(f.name);
    }
    return saves::groupSaves(names, format).size();
}

}  // namespace

BackupRow backupRow(const backups::Backup& b, const platform::SaveFiles* files,
                    const std::function<std::string(std::string_view)>& ansiToUtf8,
                    const games::SaveFormat& format) {
    BackupRow row;
    row.made = utcTime(b.manifest.made);
    row.reason = backups::describe(b.manifest.reason);
    row.saves = std::to_string(savesIn(b.manifest, format));
    row.byHand = !backups::automatic(b.manifest.reason);
    if (files != nullptr) {
        // The newest save's header, as the Saves window reads it.
        if (const auto list = saves::listSaves(*files, b.folder, format);
            list && !list->empty() && list->front().header) {
            const SaveRow newest = rowFor(list->front(), ansiToUtf8);
            row.newest = texts::format(N_("Level {1}, {2}"), {newest.level, newest.location});
        }
    }
    return row;
}

std::string sizeText(std::uint64_t bytes) {
    const char* units[] = {"bytes", "KB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes);
    int unit = 0;
    while (value >= 1000 && unit < 4) {
        value /= 1000;
        ++unit;
    }
    char text[32];
    if (unit == 0) {
        std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
    } else {
        std::snprintf(text, sizeof text, value < 10 ? "%.1f %s" : "%.0f %s", value, units[unit]);
    }
    return text;
}

std::string backupSummary(const backups::Made& made, const std::string& character,
                          const games::SaveFormat& format) {
    if (!made.failure.empty()) {
        return made.failure;
    }
    if (!made.backup) {
        return texts::format(N_("Success. {1} has no saves, so there was nothing to back up."),
                             {character});
    }
    const std::size_t files = made.copied + made.linked;
    const std::string saves = countOf(savesIn(made.backup->manifest, format), "save");
    if (made.linked == 0) {
        return texts::format(N_("Success. {1} of {2} backed up ({3})."),
                             {saves, character, countOf(files, "file")});
    }
    return texts::format(
        N_("Success. {1} of {2} backed up ({3}, {4} unchanged since the last backup)."),
        {saves, character, countOf(files, "file"), std::to_string(made.linked)});
}

std::string restoreSummary(const backups::Restored& r) {
    if (!r.failure.empty()) {
        return r.failure;
    }
    const bool whole = r.skipped.empty();
    const std::string added = countOf(r.added.size(), "file");
    const std::string replaced = std::to_string(r.replaced.size());
    const std::string unchanged = std::to_string(r.unchanged.size());
    std::string summary =
        whole ? texts::format(N_("Success. {1} brought back, {2} replaced, {3} already as they "
                                 "were."),
                              {added, replaced, unchanged})
              : texts::format(N_("Failed. {1} brought back, {2} replaced, {3} already as they "
                                 "were, {4} left as they are."),
                              {added, replaced, unchanged, std::to_string(r.skipped.size())});
    if (!r.replaced.empty() && r.safety) {
        summary += " " + texts::format(N_("The files replaced are in the backup made just "
                                          "before ({1})."),
                                       {r.safety->id});
    }
    std::string lines;
    for (const std::string& name : r.added) {
        lines += "\n" + texts::format(N_("{1}: brought back."), {name});
    }
    for (const std::string& name : r.replaced) {
        lines += "\n" + texts::format(N_("{1}: replaced by the backup's."), {name});
    }
    for (const std::string& why : r.skipped) {
        lines += "\n" + why;
    }
    return lines.empty() ? summary : summary + "\n" + lines;
}

BackupsWindow::BackupsWindow(BackupsSource source, BackupsView& view)
    : source_(std::move(source)), view_(view) {}

void BackupsWindow::onOpen() {
    view_.setTitle(texts::format(N_("Backups of {1}"), {source_.name}));
    load();
}

void BackupsWindow::load() {
    backups_.clear();
    std::vector<BackupRow> rows;
    if (source_.store != nullptr) {
        backups_ = source_.store->list(source_.gameFolder, source_.name);
        for (const backups::Backup& b : backups_) {
            rows.push_back(backupRow(b, source_.files, source_.ansiToUtf8, source_.game->saves));
        }
        view_.setStoreSize(texts::format(N_("Backups take {1} on disk."),
                                         {sizeText(source_.store->sizeOnDisk())}));
    }
    view_.setRows(rows);
}

void BackupsWindow::onRestore() {
    const std::string title = text::kRestore;
    const int row = view_.selectedRow();
    if (source_.store == nullptr) {
        view_.showMessage(title, text::kNoBackupStore);
        return;
    }
    if (row < 0 || static_cast<std::size_t>(row) >= backups_.size()) {
        view_.showMessage(title, backups_.empty() ? text::kNoBackups : text::kChooseBackup);
        return;
    }
    if (source_.characters != nullptr && source_.characters->gameIsRunning()) {
        view_.showMessage(title, text::kSavesInUse);
        return;
    }
    const backups::Backup chosen = backups_[static_cast<std::size_t>(row)];
    if (!view_.confirm(title, texts::format(N_("Put back the saves of the backup of {1}? {2}'s "
                                               "saves as they are now are backed up first; "
                                               "saves that are not in this backup stay."),
                                            {chosen.manifest.made, source_.name}))) {
        return;
    }
    const auto writing = lockOrSay(source_.characters, title, view_);
    if (!writing) {
        return;
    }
    backups::Restored restored;
    view_.runWithProgress(title, [&](const saves::Progress& progress) {
        restored = source_.store->restore(chosen, source_.saveFolder, progress);
    });
    source_.store->prune(source_.gameFolder, source_.name);
    load();
    if (!restored.added.empty() || !restored.replaced.empty()) {
        view_.savesChanged();
    }
    view_.showMessage(title, restoreSummary(restored));
}

void BackupsWindow::onRemove() {
    const std::string title = text::kRemoveBackup;
    const int row = view_.selectedRow();
    if (source_.store == nullptr || source_.trash == nullptr) {
        view_.showMessage(title, text::kNotAvailable);
        return;
    }
    if (row < 0 || static_cast<std::size_t>(row) >= backups_.size()) {
        view_.showMessage(title, text::kChooseBackup);
        return;
    }
    const backups::Backup chosen = backups_[static_cast<std::size_t>(row)];
    if (backups::automatic(chosen.manifest.reason)) {
        view_.showMessage(title, std::string(N_("Failed. Made Automatically.")) + "\n\n" +
                                     text::kAutomaticBackupKept);
        return;
    }
    const std::string trashName = source_.trash->name();
    if (!view_.confirm(title, texts::format(N_("Move the backup of {1} to the {2}? {3}'s saves "
                                               "stay as they are."),
                                            {chosen.manifest.made, trashName, source_.name}))) {
        return;
    }
    const auto writing = lockOrSay(source_.characters, title, view_);
    if (!writing) {
        return;
    }
    const platform::TrashResult r = source_.store->remove(chosen, *source_.trash);
    load();
    view_.showMessage(title,
                      r.outcome == platform::TrashOutcome::done
                          ? texts::format(N_("Success. The backup is in the {1}."), {trashName})
                          : texts::format(N_("Failed. The backup could not be moved to "
                                             "the {1}; it is where it was."),
                                          {trashName}));
}

}  // namespace quarlo::app
