#include "app/saves_window.h"

#include <algorithm>
#include <utility>

#include "platform/save_files.h"
#include "platform/trash.h"

#include "app/steam_cloud.h"
#include "saves/save_header.h"
#include "texts/catalogue.h"

namespace quarlo::app {

namespace {

// Every byte as the character of the same number: always valid UTF-8, and
// right for the ASCII that nearly every name is.
std::string latin1ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

// Co-saves are small (tens of kilobytes); one far larger is not read with
// the list.
constexpr std::size_t kLargestCoSave = 4u << 20;
constexpr std::uint32_t kScreenshotWidth = 256;

std::string asUtf8(const std::function<std::string(std::string_view)>& ansiToUtf8,
                   std::string_view bytes) {
    return ansiToUtf8 ? ansiToUtf8(bytes) : latin1ToUtf8(bytes);
}

}  // namespace

std::string coSaveLine(const std::string& fileName, const saves::CoSaveFacts& facts,
                       const std::function<std::string(std::string_view)>& ansiToUtf8) {
    if (facts.problem == saves::CoSaveProblem::cutShort) {
        return texts::format(N_("{1}: cut short; the game may not load what it held."), {fileName});
    }
    if (facts.problem == saves::CoSaveProblem::notACoSave) {
        return texts::format(N_("{1}: not a co-save; the game's extenders cannot read it."),
                             {fileName});
    }
    switch (facts.kind) {
        case saves::CoSaveKind::scriptExtender: {
            const std::size_t n = facts.pluginsWithData;
            if (n == 0) {
                return texts::format(
                    N_("{1}: script extender {2}, game {3}, no extender plugin stored data."),
                    {fileName, facts.extenderVersion, facts.gameVersion});
            }
            return texts::format(
                N_("{1}: script extender {2}, game {3}, {4} stored data."),
                {fileName, facts.extenderVersion, facts.gameVersion,
                 texts::format(texts::englishN("{1} extender plugin", "{1} extender plugins", n),
                               {std::to_string(n)})});
        }
        case saves::CoSaveKind::pluggy: {
            const std::size_t n = facts.plugins.size();
            const std::string count =
                texts::format(texts::englishN("{1} plugin", "{1} plugins", n), {std::to_string(n)});
            std::string names;
            for (std::size_t i = 0; i < n; ++i) {
                names += (i == 0 ? "" : ", ") + asUtf8(ansiToUtf8, facts.plugins[i]);
            }
            return n == 0 ? texts::format(N_("{1}: Pluggy, {2}."), {fileName, count})
                          : texts::format(N_("{1}: Pluggy, {2}: {3}."), {fileName, count, names});
        }
        case saves::CoSaveKind::unknown:
            break;
    }
    return texts::format(N_("{1}: another program's file."), {fileName});
}

std::string formatPlayTime(std::uint32_t milliseconds) {
    const std::uint32_t minutes = milliseconds / 60'000;
    const std::uint32_t m = minutes % 60;
    return std::to_string(minutes / 60) + (m < 10 ? ":0" : ":") + std::to_string(m);
}

SaveRow rowFor(const saves::SaveEntry& entry,
               const std::function<std::string(std::string_view)>& ansiToUtf8,
               const std::optional<std::uint64_t>& character, const saves::PluginSetup& setup) {
    SaveRow row;
    row.file = entry.fileName;
    std::vector<std::string> notes;
    if (!entry.header) {
        notes.emplace_back(saves::describe(entry.reason));
    }
    if (entry.backup) {
        notes.emplace_back(text::kGamesBackup);
    }
    if (entry.header && character && entry.header->characterKey != *character) {
        notes.emplace_back(text::kAnotherCharacters);
    }
    if (entry.link) {
        notes.emplace_back(text::kLink);
    }
    for (std::size_t i = 0; i < notes.size(); ++i) {
        row.note += (i == 0 ? "" : "; ") + notes[i];
    }
    if (!entry.header) {
        return row;
    }
    const saves::SaveHeader& h = *entry.header;
    const auto text = [&](const std::string& bytes, bool utf8) {
        return utf8 ? bytes : ansiToUtf8 ? ansiToUtf8(bytes) : latin1ToUtf8(bytes);
    };
    row.player = text(h.playerName, h.textUtf8);
    row.level = std::to_string(h.playerLevel);
    row.location = text(h.location, h.locationUtf8);
    row.played = formatPlayTime(h.playTimeMs);
    row.saved = entry.savedTime();
    std::size_t missing = 0;
    for (const auto* list : {&h.plugins, &h.lightPlugins}) {
        for (const std::string& plugin : *list) {
            const saves::PluginState state = saves::stateOf(setup, text(plugin, h.textUtf8));
            missing +=
                state == saves::PluginState::inactive || state == saves::PluginState::notInstalled;
        }
    }
    const std::string plugins = std::to_string(h.plugins.size() + h.lightPlugins.size());
    row.plugins = missing == 0
                      ? plugins
                      : texts::format(N_("{1}, {2} missing"), {plugins, std::to_string(missing)});
    return row;
}

SavesWindow::SavesWindow(SavesSource source, SavesView& view)
    : source_(std::move(source)), view_(view) {}

void SavesWindow::onOpen() {
    view_.setTitle(texts::format(N_("Saves of {1}"), {source_.name}));
    load({});
}

void SavesWindow::onRefresh() {
    const std::string keep =
        selected_ >= 0 ? saves_[static_cast<std::size_t>(selected_)].fileName : std::string();
    load(keep);
}

ListedSaves listSavesOf(const SavesSource& source) {
    ListedSaves l;
    if (source.files != nullptr) {
        // A folder that cannot be listed shows an empty table; it may be
        // there again on the next F5.
        if (auto list = saves::listSaves(*source.files, source.folder, source.game->saves)) {
            l.saves = std::move(*list);
        }
    }
    l.plugins = source.plugins ? source.plugins() : saves::PluginSetup{};
    l.cloud = source.cloud ? source.cloud() : std::vector<std::string>{};
    l.note = l.plugins.known ? std::string() : l.plugins.why;
    if (!cloudReaches(source.name, *source.game) && source.cloudInUse && source.cloudInUse()) {
        l.note += (l.note.empty() ? "" : "\n") + std::string(text::kNotInCloud);
    }
    if (std::any_of(l.saves.begin(), l.saves.end(),
                    [](const saves::SaveEntry& e) { return e.header && !e.header->timed; })) {
        l.note += (l.note.empty() ? "" : "\n") + std::string(text::kNoSaveTime);
    }
    l.rows.reserve(l.saves.size());
    l.coSaves.assign(l.saves.size(), {});
    const std::optional<std::uint64_t> character = saves::characterOf(l.saves);
    const char sep = source.files != nullptr ? source.files->separator() : '/';
    for (std::size_t i = 0; i < l.saves.size(); ++i) {
        SaveRow row = rowFor(l.saves[i], source.ansiToUtf8, character, l.plugins);
        std::vector<std::string> notes;
        if (!row.note.empty()) {
            notes.push_back(row.note);
        }
        bool cut = false;
        bool foreign = false;
        for (const std::string& name : l.saves[i].coSaves) {
            const std::string path = source.folder + sep + name;
            const auto chunk = source.files->read(path, 0, kLargestCoSave + 1);
            if (!chunk || chunk->bytes.size() > kLargestCoSave) {
                continue;
            }
            saves::CoSaveFacts facts = saves::readCoSave(name, chunk->bytes);
            cut = cut || facts.problem == saves::CoSaveProblem::cutShort;
            foreign = foreign || facts.problem == saves::CoSaveProblem::notACoSave;
            l.coSaves[i].emplace_back(name, std::move(facts));
        }
        if (cut) {
            notes.emplace_back(text::kCoSaveCutShort);
        }
        if (foreign) {
            notes.emplace_back(text::kNotACoSave);
        }
        if (keptInCloud(l.cloud, source.name, l.saves[i].fileName)) {
            notes.emplace_back(text::kKeptInCloud);
        }
        row.note.clear();
        for (std::size_t n = 0; n < notes.size(); ++n) {
            row.note += (n == 0 ? "" : "; ") + notes[n];
        }
        l.rows.push_back(std::move(row));
    }
    return l;
}

std::vector<PluginLine> pluginLines(const saves::SaveEntry& entry, const SavesSource& source,
                                    const saves::PluginSetup& setup) {
    std::vector<PluginLine> plugins;
    if (!entry.header) {
        return plugins;
    }
    for (const auto* list : {&entry.header->plugins, &entry.header->lightPlugins}) {
        for (const std::string& plugin : *list) {
            const std::string name = entry.header->textUtf8 ? plugin
                                     : source.ansiToUtf8    ? source.ansiToUtf8(plugin)
                                                            : latin1ToUtf8(plugin);
            plugins.push_back(PluginLine{name, saves::describe(saves::stateOf(setup, name))});
        }
    }
    return plugins;
}

void SavesWindow::load(const std::string& keepSelected) {
    ListedSaves listed = listSavesOf(source_);
    saves_ = std::move(listed.saves);
    plugins_ = std::move(listed.plugins);
    cloud_ = std::move(listed.cloud);
    coSaves_ = std::move(listed.coSaves);
    view_.setPluginNote(listed.note);
    // The newest readable save: the readable ones come first.
    int select = saves_.empty() ? -1 : 0;
    notes_.assign(saves_.size(), {});
    for (std::size_t i = 0; i < saves_.size(); ++i) {
        notes_[i] = listed.rows[i].note;
        if (!keepSelected.empty() && saves_[i].fileName == keepSelected) {
            select = static_cast<int>(i);
        }
    }
    selected_ = -1;
    view_.setRows(listed.rows);
    view_.selectRow(select);
    onSelect(select);
}

void SavesWindow::onSelect(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= saves_.size() || source_.files == nullptr) {
        selected_ = -1;
        view_.clearScreenshot();
        view_.showPlugins({});
        view_.showDetails({});
        return;
    }
    selected_ = row;
    const saves::SaveEntry& entry = saves_[static_cast<std::size_t>(row)];
    std::vector<std::string> details;
    if (!notes_[static_cast<std::size_t>(row)].empty()) {
        // The notes are said one by one: they are joined by "; ".
        details.push_back(texts::format(
            N_("Note: {1}"), {texts::trEach(notes_[static_cast<std::size_t>(row)], "; ")}));
    }
    if (entry.header) {
        // What the later games keep beyond Oblivion's fields.
        const saves::SaveHeader& h = *entry.header;
        // A fact a line, each said whole in the player's language.
        const auto text = [&](const std::string& bytes) {
            return h.textUtf8 ? bytes : asUtf8(source_.ansiToUtf8, bytes);
        };
        if (!h.race.empty()) {
            const std::string race =
                h.race.ends_with("Race") ? h.race.substr(0, h.race.size() - 4) : h.race;
            details.push_back(texts::format(N_("Race {1}."), {text(race)}));
        }
        if (!h.title.empty()) {
            details.push_back(texts::format(N_("Karma title {1}."), {text(h.title)}));
        }
        if (!h.gameVersion.empty()) {
            details.push_back(texts::format(N_("Saved by the game {1}."), {text(h.gameVersion)}));
        }
        if (!h.timed) {
            details.push_back(N_("Saved: the file's time."));
        }
    }
    for (const auto& [name, facts] : coSaves_[static_cast<std::size_t>(row)]) {
        details.push_back(coSaveLine(name, facts, source_.ansiToUtf8));
    }
    view_.showDetails(details);
    view_.showPlugins(pluginLines(entry, source_, plugins_));
    if (!entry.header || entry.header->screenshotWidth == 0 ||
        entry.header->screenshotHeight == 0) {
        view_.clearScreenshot();
        return;
    }
    // Read now, not with the list: a screenshot is most of a header's bytes.
    const saves::ScreenshotResult shot =
        saves::readScreenshot(*source_.files, entry.path, source_.game->saves.layout);
    if (!shot.screenshot) {
        view_.clearScreenshot();
        return;
    }
    // As wide as Oblivion's own shots, which the window's side is made for.
    const saves::Screenshot fitted = saves::fitWidth(*shot.screenshot, kScreenshotWidth);
    view_.showScreenshot(fitted.width, fitted.height, fitted.rgb);
}

std::vector<saves::SaveEntry> SavesWindow::selectedSaves() const {
    std::vector<saves::SaveEntry> chosen;
    for (const int row : view_.selectedRows()) {
        if (row >= 0 && static_cast<std::size_t>(row) < saves_.size()) {
            chosen.push_back(saves_[static_cast<std::size_t>(row)]);
        }
    }
    return chosen;
}

std::string SavesWindow::cloudWarningFor(const std::vector<saves::SaveEntry>& chosen) const {
    // Read again: the player may have turned Steam Cloud off meanwhile.
    std::vector<std::string> names;
    for (const saves::SaveEntry& save : chosen) {
        names.push_back(save.fileName);
    }
    return cloudWarning(keptOf(source_.cloud ? source_.cloud() : cloud_, source_.name, names));
}

bool SavesWindow::goesOnDespiteCloud(const std::string& title,
                                     const std::vector<saves::SaveEntry>& chosen) {
    const std::string cloud = cloudWarningFor(chosen);
    return cloud.empty() || view_.confirm(title, cloud + "\n\n" + N_("Go on anyway?"));
}

void SavesWindow::onMoveTo() {
    transfer(true);
}

void SavesWindow::onCopyTo() {
    transfer(false);
}

void SavesWindow::transfer(bool move) {
    const std::string title = move ? text::kMoveTo : text::kCopyTo;
    const std::vector<saves::SaveEntry> chosen = selectedSaves();
    if (source_.characters == nullptr || source_.files == nullptr) {
        view_.showMessage(title, text::kNotAvailable);
        return;
    }
    if (chosen.empty()) {
        view_.showMessage(title, text::kChooseSave);
        return;
    }
    // A copy only reads what the game may be writing; a move takes it away.
    if (move && source_.characters->gameIsRunning()) {
        view_.showMessage(title, text::kSavesInUse);
        return;
    }
    std::vector<std::string> others;
    for (const std::string& name : source_.characters->names()) {
        if (name != source_.name) {
            others.push_back(name);
        }
    }
    const std::string prompt =
        texts::format(move ? N_("Move {1} to this character, or type a new one:")
                           : N_("Copy {1} to this character, or type a new one:"),
                      {countOf(chosen.size(), "save")});
    const std::optional<std::string> to = view_.askDestination(title, prompt, others);
    if (!to || (move && !goesOnDespiteCloud(title, chosen))) {
        return;
    }
    if (*to == source_.name) {
        view_.showMessage(title, text::kSameCharacter);
        return;
    }
    const auto writing = lockOrSay(source_.characters, title, view_);
    if (!writing) {
        return;
    }
    const CharacterFolder target = source_.characters->prepareFolder(*to);
    if (target.refusal != nullptr) {
        view_.showMessage(title, target.refusal);
        return;
    }
    saves::TransferJob job{{}, target.folder};
    for (const saves::SaveEntry& save : chosen) {
        job.saves.push_back(save.fileName);
    }
    std::vector<saves::TransferResult> results;
    view_.runWithProgress(title, [&](const saves::Progress& progress) {
        results = saves::transferSaves(*source_.files, source_.folder, {job},
                                       move ? saves::Transfer::move : saves::Transfer::copy,
                                       progress, source_.game->saves);
    });
    onRefresh();
    view_.savesChanged(target.created);
    view_.showMessage(title, transferSummary(results, move ? Verb::move : Verb::copy,
                                             PlaceNames{source_.name, *to, {}}));
}

void SavesWindow::onDelete() {
    const std::string title = text::kDelete;
    const std::vector<saves::SaveEntry> chosen = selectedSaves();
    if (source_.trash == nullptr || source_.files == nullptr) {
        view_.showMessage(title, text::kNotAvailable);
        return;
    }
    if (chosen.empty()) {
        view_.showMessage(title, text::kChooseSave);
        return;
    }
    if (source_.characters != nullptr && source_.characters->gameIsRunning()) {
        view_.showMessage(title, text::kSavesInUse);
        return;
    }
    std::size_t coSaves = 0;
    for (const saves::SaveEntry& save : chosen) {
        coSaves += save.coSaves.size();
    }
    // Co-saves are counted even when there are none: a player wants to know
    // that nothing of the save stays behind.
    const std::string trashName = source_.trash->name();
    const std::string question = coSaves == 0
                                     ? texts::format(N_("Move {1} (no co-saves) to the {2}?"),
                                                     {countOf(chosen.size(), "save"), trashName})
                                     : texts::format(N_("Move {1} and {2} to the {3}?"),
                                                     {countOf(chosen.size(), "save"),
                                                      countOf(coSaves, "co-save"), trashName});
    const std::string cloud = cloudWarningFor(chosen);
    if (!view_.confirm(title, (cloud.empty() ? std::string() : cloud + "\n\n") + question)) {
        return;
    }
    std::vector<std::string> names;
    for (const saves::SaveEntry& save : chosen) {
        names.push_back(save.fileName);
    }
    const auto writing = lockOrSay(source_.characters, title, view_);
    if (!writing) {
        return;
    }
    std::vector<saves::TransferResult> results;
    view_.runWithProgress(title, [&](const saves::Progress& progress) {
        results = saves::trashSaves(*source_.files, *source_.trash, source_.folder, names, progress,
                                    source_.game->saves);
    });
    onRefresh();
    if (arrivedCount(results) > 0) {
        view_.savesChanged(false);
    }
    const bool noTrash = std::all_of(results.begin(), results.end(), [](const auto& r) {
        return r.outcome == saves::TransferResult::Outcome::unavailable;
    });
    if (noTrash) {
        view_.showMessage(
            title,
            texts::format(N_("Failed. The {1} cannot take files from this drive."), {trashName}) +
                " " + N_("Nothing was deleted."));
        return;
    }
    view_.showMessage(
        title, transferSummary(results, Verb::trash, PlaceNames{source_.name, {}, trashName}));
}

}  // namespace quarlo::app
