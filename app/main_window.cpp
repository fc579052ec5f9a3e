#include "app/main_window.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include "app/carry.h"
#include "app/code_page.h"
#include "app/steam_cloud.h"
#include "catalogue/create_directory.h"
#include "catalogue/save_list.h"

namespace quarlo::app {

namespace {

constexpr int kCheckMax = 2;

}  // namespace

MainHandlers handlersFor(Main& main) {
    MainHandlers handlers{
        [&main] { main.onSliderChanged(); },
        [&main] { main.onCheckClicked(); },
        [&main] { main.onLoadClicked(); },
        [&main] { main.onNewClicked(); },
        [&main] { main.onToggleClicked(); },
        [&main] { main.onRunClicked(); },
        [&main](const std::string& entry) { main.onOpenFolder(entry); },
        [&main](const std::string& entry) { return main.savesOf(entry); },
        [&main](SortView& view) { main.onSortLooseSaves(view); },
        [&main] { main.RefreshSaveList(); },
    };
    handlers.backUp = [&main](const std::string& entry, BackupView& view) {
        main.onBackUp(entry, view);
    };
    handlers.backupsOf = [&main](const std::string& entry) { return main.backupsOf(entry); };
    handlers.rename = [&main](const std::string& entry, CharacterView& view) {
        main.onRename(entry, view);
    };
    handlers.tidyUp = [&main](const std::string& entry, CharacterView& view) {
        main.onTidyUp(entry, view);
    };
    handlers.carry = [&main](const std::string& entry, CharacterView& view) {
        main.onCarry(entry, view);
    };
    handlers.gameChosen = [&main](std::size_t entry) { main.onGameChosen(entry); };
    return handlers;
}

const games::Game& windowGame(const std::vector<platform::FoundGame>& found,
                              std::string_view remembered) {
    const auto here = [&](const games::Game& g) {
        return std::any_of(found.begin(), found.end(),
                           [&](const platform::FoundGame& f) { return f.game == &g; });
    };
    if (const games::Game* last = games::byKey(remembered);
        last != nullptr && last->switchable && (found.empty() || here(*last))) {
        return *last;
    }
    if (found.empty() || here(games::oblivion())) {
        return games::oblivion();
    }
    for (const platform::FoundGame& f : found) {
        if (f.supported) {
            return *f.game;
        }
    }
    return games::oblivion();
}

std::string windowTitle(const games::Game& game, const std::vector<platform::FoundGame>& found) {
    const bool onlyOblivion =
        game.id == games::GameId::oblivion &&
        std::all_of(found.begin(), found.end(),
                    [](const platform::FoundGame& f) { return f.game == &games::oblivion(); });
    return onlyOblivion ? "Quarlo" : "Quarlo - " + std::string(game.name);
}

Main::Main(platform::Platform& platform, MainControls& controls)
    : platform_(platform), controls_(controls), view_(controls), game_(platform, view_) {}

std::string Main::readGame(const char* section, const char* key, const char* def, int capacity) {
    readBufferLength_ = capacity;
    return game_.readGame(section, key, def, readBufferLength_);
}

std::string Main::readCharacter(const char* key, const char* def, int capacity) {
    readBufferLength_ = capacity;
    return game_.readCharacter(activeSaveName_, key, def, readBufferLength_);
}

bool Main::writeCharacter(const char* key, const std::string& value) {
    return game_.writeCharacter(activeSaveName_, key, value);
}

void Main::setOutcome(const char* op, const char* outcome) {
    controls_.setLabel(ValueLabel::Op, op);
    controls_.setLabel(ValueLabel::Outcome, outcome);
}

Main::Holding::Holding(Main& main, const char* op) : main_(main) {
    if (main_.holding_++ == 0) {
        main_.held_ = main_.game_.lockForWriting(op, main_.refused_);
    }
}

Main::Holding::~Holding() {
    if (--main_.holding_ == 0) {
        main_.held_.reset();
        main_.refused_.clear();
    }
}

void Main::setGames(std::vector<platform::FoundGame> found,
                    std::function<platform::Platform(const games::Game&)> make,
                    std::function<bool(std::string_view)> remember) {
    found_ = std::move(found);
    makePlatform_ = std::move(make);
    rememberGame_ = std::move(remember);
}

void Main::showGames() {
    std::vector<GameEntry> entries;
    for (const platform::FoundGame& f : found_) {
        entries.push_back(GameEntry{f.supported
                                        ? std::string(f.game->name)
                                        : texts::format(N_("{1} (not supported)"), {f.game->name}),
                                    f.game == platform_.game, f.supported});
    }
    controls_.setGames(entries.size() > 1 ? entries : std::vector<GameEntry>{});
    controls_.setTitle(windowTitle(*platform_.game, found_));
}

void Main::onGameChosen(std::size_t entry) {
    if (entry >= found_.size() || found_[entry].game == platform_.game || !makePlatform_) {
        return;
    }
    const platform::FoundGame& f = found_[entry];
    if (!f.supported) {
        controls_.showNotice(std::string(f.game->name), "Failed. " + f.why);
        return;
    }
    // The game's own platform: its prefix under Wine, its programs, its
    // install folder. What the window showed was the other game's.
    platform_ = makePlatform_(*f.game);
    if (rememberGame_) {
        rememberGame_(f.game->key);
    }
    game_.forgetGameFolder();
    startUp();
}

void Main::startUp() {
    directoryMode_ = false;
    showGames();
    controls_.setLabel(ValueLabel::Mode, text::kAutomaticMode);
    game_.setRoot(game_.automaticRoot());
    // Whatever a command cut off before left is finished first (the lock's
    // first taking does it); another Quarlo at work leaves this one reading.
    const Holding holding(*this, "start");
    if (!holding.ok()) {
        controls_.showNotice("Quarlo", refused_);
    }
    readNamesInItsCodePage();
    pathLog_.PathLogInit(platform_.fileSystem.get());
    RefreshSaveList();
    // The slider spans the game's own scale.
    const games::Difficulty& difficulty = game_.game().difficulty;
    controls_.setSliderRange(difficulty.low, difficulty.high);
    readBufferLength_ = kSettingReadCapacity;
    setSlider(parseSetting(
        game_.readSetting(difficulty.setting, std::to_string(difficulty.normal).c_str(),
                          readBufferLength_),
        difficulty.low, difficulty.high, difficulty.normal));
    LoadCharacterSettings();
    activeSaveLabel();
    // When start-up leaves the slider where it was, no change notification
    // ran; the label must still show the value rather than its placeholder.
    controls_.setLabel(ValueLabel::Diff, std::to_string(controls_.sliderValue()));
    launcherPath_ = game_.launcherPath();
}

void Main::setSlider(int value) {
    if (value == controls_.sliderValue()) {
        return;
    }
    controls_.setSliderValue(value);
    onSliderChanged();
}

void Main::setCheck(int value) {
    if (value == controls_.checkValue()) {
        return;
    }
    controls_.setCheckValue(value);
    onCheckClicked();
}

bool Main::activeSaveLabel() {
    activeSaveName_ = game_.activeSave();
    controls_.setLabel(ValueLabel::Active, activeSaveName_);
    const Holding holding(*this, "the screenshot name");
    if (!holding.ok()) {
        return false;
    }
    const std::string baseName = controls_.checkValue() == 1 ? activeSaveName_ : "ScreenShot";
    return !game_.writeSetting(game_.game().screenshotName, baseName);
}

void Main::RefreshSaveList() {
    activeSaveLabel();
    controls_.clearList();
    controls_.hideList();
    pathLog_.LogPath(game_.root(), fileNames_, parentIndexes_, folderPaths_);
    characterNames_ = catalogue::characterNames(folderPaths_, platform_.fileSystem->separator());
    for (const auto& name : characterNames_) {
        controls_.appendToList(name);
    }
    controls_.showList();
}

void Main::LoadCharacterSettings() {
    const games::Difficulty& difficulty = game_.game().difficulty;
    setSlider(
        parseSetting(readCharacter(std::string(difficulty.setting.key).c_str(),
                                   std::to_string(difficulty.normal).c_str(), kSettingReadCapacity),
                     difficulty.low, difficulty.high, difficulty.normal));
    setCheck(parseSetting(readCharacter("SScreenShotBaseName", "0", kSettingReadCapacity), 0,
                          kCheckMax, 0));
}

void Main::onSliderChanged() {
    const std::string value = std::to_string(controls_.sliderValue());
    controls_.setLabel(ValueLabel::Diff, value);
    const Holding holding(*this, text::kOpDifficulty);
    if (!holding.ok()) {
        controls_.setLabel(ValueLabel::Op, text::kOpDifficulty);
        controls_.setLabel(ValueLabel::Outcome, refused_);
        return;
    }
    const games::Setting& setting = game_.game().difficulty.setting;
    const auto gameFailed = game_.writeSetting(setting, value);
    const bool characterWritten = writeCharacter(std::string(setting.key).c_str(), value);
    // A file the game reads over the one written is said as it is.
    failure_ = gameFailed.value_or(characterWritten ? std::string() : text::kCouldNotWrite);
    setOutcome(text::kOpDifficulty, failure_.empty()                   ? text::kSuccess
                                    : failure_ == text::kCouldNotWrite ? text::kCouldNotWrite
                                                                       : failure_.c_str());
}

void Main::onCheckClicked() {
    const Holding holding(*this, text::kOpRenameScreenshots);
    if (!holding.ok()) {
        controls_.setLabel(ValueLabel::Op, text::kOpRenameScreenshots);
        controls_.setLabel(ValueLabel::Outcome, refused_);
        return;
    }
    const bool characterWritten =
        writeCharacter("SScreenShotBaseName", std::to_string(controls_.checkValue()));
    // Both writes run whatever the first gave; only a failure is reported,
    // as a successful toggle leaves the status lines alone.
    if (!activeSaveLabel() || !characterWritten) {
        setOutcome(text::kOpRenameScreenshots, text::kCouldNotWrite);
    }
}

bool Main::onOpenFolder(const std::string& entry) {
    return !entry.empty() && platform_.processes->openFolder(game_.characterFolder(entry));
}

SavesSource Main::savesOf(const std::string& entry) {
    SavesSource source{
        entry, game_.characterFolder(entry), platform_.saveFiles.get(), platform_.ansiToUtf8,
        this,  platform_.trash.get()};
    source.plugins = [this] { return game_.pluginSetup(); };
    source.cloud = [this] { return game_.cloudSaves(); };
    source.cloudInUse = [this] { return game_.cloudInUse(); };
    source.game = &game_.game();
    return source;
}

BackupsSource Main::backupsOf(const std::string& entry) {
    return BackupsSource{entry,
                         game_.root(),
                         game_.characterFolder(entry),
                         game_.store(),
                         platform_.saveFiles.get(),
                         platform_.trash.get(),
                         this,
                         platform_.ansiToUtf8,
                         &game_.game()};
}

void Main::onBackUp(const std::string& entry, BackupView& view) {
    // The backup's progress shows in the view that asked for it.
    ViewOf<BackupView> shown(view);
    Game game(platform_, shown);
    game.setRoot(game_.root());
    const backups::Made made = game.backUp(entry);
    view.showMessage(text::kBackUp, made.failure == text::kNoBackupStore
                                        ? std::string(text::kNoBackupStore)
                                        : backupSummary(made, entry, game_.game().saves));
}

void Main::onRename(const std::string& entry, CharacterView& view) {
    const char* title = text::kRename;
    if (gameIsRunning()) {
        view.showMessage(title, text::kGameIsRunning);
        return;
    }
    const auto to = view.askName(title, texts::format(N_("New name for {1}:"), {entry}), entry);
    if (!to || *to == entry) {
        return;
    }
    const Holding holding(*this, "rename");
    if (!holding.ok()) {
        view.showMessage(title, refused_);
        return;
    }
    const std::string outcome = game_.rename(entry, *to);
    RefreshSaveList();
    LoadCharacterSettings();
    view.savesChanged();
    view.showMessage(title, outcome);
}

void Main::onTidyUp(const std::string& entry, CharacterView& view) {
    // The backup's progress shows in the view that asked for it.
    ViewOf<CharacterView> shown(view);
    Game game(platform_, shown);
    game.setRoot(game_.root());
    game.tidyUp(entry, view);
}

void Main::onCarry(const std::string& entry, CharacterView& view) {
    (void)entry;  // every character is carried: the place holds them together
    ViewOf<CharacterView> shown(view);
    Game game(platform_, shown);
    game.setRoot(game_.root());
    if (!carryPlace(game)) {
        const auto place = view.askName(text::kCarry, text::kCarryPlacePrompt, "");
        if (!place || place->empty()) {
            return;
        }
        const std::string outcome = setCarryPlace(game, *place, "");
        if (outcome.rfind("Success.", 0) != 0) {
            view.showMessage(text::kCarry, outcome);
            return;
        }
    }
    const Holding holding(*this, "carry");
    if (!holding.ok()) {
        view.showMessage(text::kCarry, refused_);
        return;
    }
    const auto joined = [](const carry::Report& r) {
        std::string out;
        for (const std::string& line : r.lines) {
            out += (out.empty() ? "" : "\n") + line;
        }
        return out;
    };
    carry::Report preview;
    view.runWithProgress(text::kCarry, [&](const saves::Progress&) {
        preview = carryNow(game, platform_, {}, true);
    });
    std::string state =
        texts::tr(text::kCarryPlace) + " " + carryPlace(game)->place + "\n\n" + joined(preview);
    if (!game.game().cloud.folder.empty() && !game.game().cloud.recursive) {
        state += "\n\n" + std::string(text::kCarryCloud);
    }
    if (preview.lines.empty() || preview.lines.front().rfind("Failed. The carry place", 0) == 0 ||
        !view.confirm(text::kCarry, state + "\n\n" + text::kCarryNow)) {
        if (!preview.lines.empty() &&
            preview.lines.front().rfind("Failed. The carry place", 0) == 0) {
            view.showMessage(text::kCarry, state);
        }
        return;
    }
    carry::Report done;
    view.runWithProgress(text::kCarry, [&](const saves::Progress& progress) {
        done = carryNow(game, platform_, {}, false, progress);
    });
    view.savesChanged();
    RefreshSaveList();
    view.showMessage(text::kCarry, joined(done));
}

void Main::onSortLooseSaves(SortView& view) {
    const Holding holding(*this, "sort loose saves");
    if (!holding.ok()) {
        view.showSortMessage(refused_);
        return;
    }
    game_.sortLooseSaves(view, [&] {
        RefreshSaveList();
        view.savesChanged();
    });
}

void Main::onLoadClicked() {
    controls_.setLabel(ValueLabel::Op, text::kOpLoad);
    const Holding holding(*this, text::kOpLoad);
    if (!holding.ok()) {
        controls_.setLabel(ValueLabel::Outcome, refused_);
        return;
    }
    controls_.setLabel(ValueLabel::Outcome, game_.load(controls_.selectedListText()));
    RefreshSaveList();
    LoadCharacterSettings();
}

void Main::onNewClicked() {
    controls_.setLabel(ValueLabel::Op, text::kOpNew);
    const Holding holding(*this, text::kOpNew);
    if (!holding.ok()) {
        controls_.setLabel(ValueLabel::Outcome, refused_);
        return;
    }
    bool switched = false;
    controls_.setLabel(ValueLabel::Outcome,
                       game_.create(controls_.newNameText(), controls_.sliderValue(),
                                    newCharacterPath_, switched));
    RefreshSaveList();
    // A refused New changes no setting: the active character keeps its own,
    // and the check box its value.
    if (switched) {
        LoadCharacterSettings();
    }
}

void Main::onToggleClicked() {
    if (!directoryMode_) {
        directoryMode_ = true;
        game_.setRoot(platform_.processes->executableFolder());
        controls_.setLabel(ValueLabel::Mode, text::kRootDirMode);
    } else {
        directoryMode_ = false;
        game_.setRoot(game_.automaticRoot());
        controls_.setLabel(ValueLabel::Mode, text::kAutomaticMode);
    }
    // Another game folder: what a command cut off there left is finished
    // first, as at a start.
    const Holding holding(*this, "the directory mode");
    readNamesInItsCodePage();
    RefreshSaveList();
}

void Main::readNamesInItsCodePage() {
    if (const std::string note = useCodePage(game_, platform_); !note.empty()) {
        controls_.showNotice("Quarlo", note);
    }
}

void Main::onRunClicked() {
    if (!platform_.processes->startLauncher(launcherPath_)) {
        setOutcome(text::kOpRun, text::kLauncherNotFound);
    }
}

}  // namespace quarlo::app
