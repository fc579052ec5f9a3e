#include "app/game.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <chrono>
#include <map>
#include <mutex>
#include <string_view>
#include <thread>

#include "app/backups_window.h"
#include "app/saves_window.h"
#include "app/steam_cloud.h"
#include "app/transfer_text.h"
#include "catalogue/create_directory.h"
#include "catalogue/path_log.h"
#include "catalogue/save_list.h"
#include "platform/store_facts.h"
#include "saves/character_saves.h"
#include "texts/catalogue.h"

namespace quarlo::app {

namespace {

// The longest name whose SLocalSavePath value ("Saves\" + name + "\") reads
// back whole with the capacity of the active save read.
constexpr std::size_t kMaxNameLength = kSaveReadCapacity - 1 - 7;

bool isReservedDeviceName(std::string_view component) {
    std::string stem(component.substr(0, component.find('.')));
    // Windows ignores trailing spaces before the extension as well.
    while (!stem.empty() && stem.back() == ' ') {
        stem.pop_back();
    }
    std::transform(stem.begin(), stem.end(), stem.begin(), [](unsigned char c) {
        return c < 0x80 ? static_cast<char>(std::toupper(c)) : static_cast<char>(c);
    });
    static constexpr std::array<std::string_view, 4> kPlain{"CON", "PRN", "AUX", "NUL"};
    if (std::find(kPlain.begin(), kPlain.end(), stem) != kPlain.end()) {
        return true;
    }
    if (stem == "CONIN$" || stem == "CONOUT$") {
        return true;
    }
    if (!stem.starts_with("COM") && !stem.starts_with("LPT")) {
        return false;
    }
    // A digit 1 to 9, or a superscript one, two or three, which Windows
    // takes for the same ports: as typed (UTF-8) or as the code page's byte.
    const std::string_view number = std::string_view(stem).substr(3);
    static constexpr std::array<std::string_view, 6> kSuperscripts{
        "\xC2\xB9", "\xC2\xB2", "\xC2\xB3", "\xB9", "\xB2", "\xB3"};
    return (number.size() == 1 && number[0] >= '1' && number[0] <= '9') ||
           std::find(kSuperscripts.begin(), kSuperscripts.end(), number) != kSuperscripts.end();
}

}  // namespace

int parseSetting(const std::string& text, int low, int high, int fallback) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) {
        return fallback;
    }
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = std::min<long long>(value * 10 + (text[i] - '0'), 1LL << 40);
    }
    if (negative) {
        value = -value;
    }
    return static_cast<int>(std::clamp<long long>(value, low, high));
}

const char* refuseCharacterName(const std::string& name, std::optional<std::size_t> storedLength) {
    if (name.empty()) {
        return text::kTypeName;
    }
    if (name.front() == '[' || name.front() == ';' || name.find(']') != std::string::npos) {
        return text::kInvalidName;
    }
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F ||
            std::string_view("<>:\"/|?*").find(static_cast<char>(c)) != std::string_view::npos) {
            return text::kInvalidName;
        }
    }
    std::string_view rest(name);
    while (true) {
        const auto cut = rest.find('\\');
        const std::string_view component = rest.substr(0, cut);
        if (component.empty() || component == "." || component == ".." ||
            component.front() == ' ' || component.back() == ' ' || component.back() == '.' ||
            isReservedDeviceName(component)) {
            return text::kInvalidName;
        }
        if (cut == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(cut + 1);
    }
    if (!storedLength) {
        // A name the settings files' code page cannot hold would reach the
        // game as other letters than the folder's.
        return text::kInvalidName;
    }
    if (*storedLength > kMaxNameLength) {
        return text::kNameTooLong;
    }
    return nullptr;
}

Game::Game(platform::Platform& platform, CommandView& view) : platform_(platform), view_(view) {}

std::string Game::automaticRoot() const {
    const char sep = platform_.fileSystem->separator();
    // Oblivion reads the Oblivion.ini of its install folder first; where that
    // turns My Games off, the install folder is where it keeps its settings
    // and saves, and a switch anywhere else would go unseen.
    const std::string install = platform_.gameFolders && !game().installSettingsFile.empty()
                                    ? platform_.gameFolders->installFolder()
                                    : std::string();
    if (!install.empty()) {
        const std::string ini = install + sep + std::string(game().installSettingsFile);
        for (const std::string_view key : game().useMyGamesKeys) {
            const std::string value =
                platform_.profile->read("General", key, "1", kSettingReadCapacity, ini);
            if (parseSetting(value, 0, 1, 1) == 0) {
                return install;
            }
        }
    }
    // The folder of the store that installed it: the first of its stores'
    // names that is there.
    const std::string myGames =
        platform_.specialFolders->GetSpecialFolderPath(platform::kCsidlPersonal) + sep +
        std::string(stores::kMyGamesFolder) + sep;
    for (const std::string_view folder : game().myGamesFolders) {
        if (game().myGamesFolders.size() > 1 &&
            platform_.fileSystem->folderExists(myGames + std::string(folder))) {
            return myGames + std::string(folder);
        }
    }
    return myGames + std::string(game().myGamesFolders.front());
}

std::string Game::gameSettingsPath() const {
    return settingsPath(games::mainSettingsFile(game()));
}

std::string Game::settingsPath(std::string_view file) const {
    return root_ + platform_.fileSystem->separator() + std::string(file);
}

std::string Game::programSettingsPath() const {
    return settingsPath(stores::kProgramSettingsFile);
}

std::string Game::ownFile(std::string_view name) {
    backups::Store* backupStore = store();
    const std::string folder =
        backupStore == nullptr ? std::string() : backupStore->stateFolder(root_);
    return folder.empty() ? std::string()
                          : folder + platform_.saveFiles->separator() + std::string(name);
}

std::string Game::savesFolder() const {
    return settingsPath(game().savesFolder);
}

std::string Game::characterFolder(const std::string& entry) const {
    return savesFolder() + platform_.fileSystem->separator() + entry;
}

std::string Game::readGame(const char* section, const char* key, const char* def, int capacity) {
    return platform_.profile->read(section, key, def, capacity, gameSettingsPath());
}

std::string Game::readCharacter(const std::string& character, const char* key, const char* def,
                                int capacity) {
    return platform_.profile->read(character, key, def, capacity, programSettingsPath());
}

bool Game::writeCharacter(const std::string& character, const char* key, const std::string& value) {
    std::string refusal;
    const auto writing = lockForWriting("the character's settings", refusal);
    return writing && platform_.profile->write(character, key, value, programSettingsPath());
}

namespace {

// What a read of a file without the key gives: no value a setting holds.
constexpr std::string_view kAbsent = "\x01";

}  // namespace

std::optional<std::string> Game::readSettingChecked(const games::Setting& setting, const char* def,
                                                    int capacity) const {
    if (setting.files.size() == 1) {
        return platform_.profile->readChecked(setting.section, setting.key, def, capacity,
                                              settingsPath(setting.files.front()));
    }
    std::string value = def;
    for (const std::string_view file : setting.files) {
        const auto read = platform_.profile->readChecked(setting.section, setting.key, kAbsent,
                                                         capacity, settingsPath(file));
        if (!read) {
            return std::nullopt;
        }
        if (*read != kAbsent) {
            value = *read;
        }
    }
    return value;
}

std::string Game::readSetting(const games::Setting& setting, const char* def, int capacity) const {
    if (setting.files.size() == 1) {
        return platform_.profile->read(setting.section, setting.key, def, capacity,
                                       settingsPath(setting.files.front()));
    }
    std::string value = def;
    for (const std::string_view file : setting.files) {
        const std::string read = platform_.profile->read(setting.section, setting.key, kAbsent,
                                                         capacity, settingsPath(file));
        if (read != kAbsent) {
            value = read;
        }
    }
    return value;
}

std::optional<std::string> Game::writeSetting(const games::Setting& setting,
                                              const std::string& value) {
    platform::ProfileFile& profile = *platform_.profile;
    if (setting.files.size() == 1) {
        // One file: what is written is what the game reads.
        return profile.write(setting.section, setting.key, value,
                             settingsPath(setting.files.front()))
                   ? std::nullopt
                   : std::optional<std::string>(text::kCouldNotWrite);
    }
    // Each file the player has that the game reads last, and each that holds
    // the key already; the one that wins first. A file is made only where
    // none of them is there.
    std::vector<std::string_view> targets;
    for (auto file = setting.files.rbegin(); file != setting.files.rend(); ++file) {
        const std::string path = settingsPath(*file);
        if (!profile.exists(path)) {
            continue;
        }
        const bool own = std::find(setting.writeTo.begin(), setting.writeTo.end(), *file) !=
                         setting.writeTo.end();
        const auto held = own ? std::optional<std::string>()
                              : profile.readChecked(setting.section, setting.key, kAbsent,
                                                    kSettingReadCapacity, path);
        if (!own && !held) {
            return texts::format(N_("Failed. {1} could not be read."), {*file});
        }
        if (own || *held != kAbsent) {
            targets.push_back(*file);
        }
    }
    if (targets.empty()) {
        targets.push_back(setting.create);
    }
    for (const std::string_view file : targets) {
        if (!profile.write(setting.section, setting.key, value, settingsPath(file))) {
            return std::string(text::kCouldNotWrite);
        }
    }
    // Read back as the game reads: every file in its order, the last that
    // holds the key winning.
    std::string winner;
    std::string read;
    for (const std::string_view file : setting.files) {
        const auto got =
            profile.readChecked(setting.section, setting.key, kAbsent, 1024, settingsPath(file));
        if (!got) {
            return texts::format(N_("Failed. {1} could not be read back."), {file});
        }
        if (*got != kAbsent) {
            winner = file;
            read = *got;
        }
    }
    if (read != value) {
        return texts::format(
            N_("Failed. {1} gives {2} as \"{3}\", which the game reads over "
               "what Quarlo wrote."),
            {winner.empty() ? std::string(setting.create) : winner, setting.key, read});
    }
    return std::nullopt;
}

std::string Game::activeSave() {
    return catalogue::activeSaveName(readSetting(game().savePath, "ERROR.", kSaveReadCapacity));
}

std::string Game::activeSaveFolder() {
    std::string value = readSetting(game().savePath, "", kSaveReadCapacity);
    const char sep = platform_.fileSystem->separator();
    while (!value.empty() && value.back() == '\\') {
        value.pop_back();
    }
    std::replace(value.begin(), value.end(), '\\', sep);
    return value.empty() ? std::string() : root_ + sep + value;
}

std::string Game::launcherPath() const {
    const std::string installed =
        game().registryKey.empty()
            ? std::string()
            : platform_.registry->RegGetValue(platform::kHkeyLocalMachine,
                                              std::string(game().registryKey),
                                              std::string(stores::kInstalledPathValue));
    // Players start a game with a script extender through its loader.
    const std::string install =
        platform_.gameFolders ? platform_.gameFolders->installFolder() : std::string();
    if (!game().loader.empty() && !install.empty() && platform_.saveFiles &&
        platform_.saveFiles->kindOf(install + platform_.fileSystem->separator() +
                                    std::string(game().loader)) == platform::PathKind::file) {
        return installed + "\\" + std::string(game().loader);
    }
    const std::string_view file =
        game().launcher.empty()
            ? (game().programs.empty() ? std::string_view() : game().programs.front())
            : game().launcher;
    return installed + "\\" + std::string(file);
}

bool Game::gameIsRunning() const {
    return platform_.processes->gameIsRunning();
}

std::vector<std::string> Game::characters() const {
    catalogue::PathLog walk;
    walk.PathLogInit(platform_.fileSystem.get());
    std::vector<std::string> files;
    std::vector<std::int32_t> parents;
    std::vector<std::string> folders;
    walk.LogPath(root_, files, parents, folders);
    return catalogue::characterNames(folders, platform_.fileSystem->separator());
}

const char* Game::load(const std::string& name) {
    if (name.empty()) {
        return text::kChooseCharacter;
    }
    std::string refusal;
    const auto writing = lockForWriting("switch", refusal);
    if (!writing) {
        lastRefusal_ = refusal;
        return lastRefusal_.c_str();
    }
    if (gameIsRunning()) {
        // The game holds its settings in memory and writes them back when
        // its options change, which would undo the switch.
        return text::kGameIsRunning;
    }
    if (name.find('\\') != std::string::npos ||
        refuseCharacterName(name, platform_.profile->storedLength(name)) != nullptr) {
        // A folder on disk may hold a name the game cannot use as one save
        // folder: a backslash the game reads as a level, a character its file
        // system refuses, or a name too long to read back whole.
        return text::kInvalidName;
    }
    if (!platform_.fileSystem->folderExists(characterFolder(name))) {
        // The list also shows folders that are not directly under Saves; the
        // game must never be pointed at a folder that is not there.
        return text::kFolderNotFound;
    }
    backUpLeaving(name);
    if (auto failed = writeSetting(game().savePath, games::savePathFor(game(), name))) {
        lastRefusal_ = std::move(*failed);
        return lastRefusal_ == text::kCouldNotWrite ? text::kCouldNotWrite : lastRefusal_.c_str();
    }
    return text::kCharacterChanged;
}

const char* Game::create(const std::string& name, int difficulty, std::string& folder,
                         bool& switched) {
    switched = false;
    std::string refusal;
    const auto writing = lockForWriting("new", refusal);
    if (!writing) {
        lastRefusal_ = refusal;
        return lastRefusal_.c_str();
    }
    const char* outcome = refuseCharacterName(name, platform_.profile->storedLength(name));
    if (outcome == nullptr && gameIsRunning()) {
        outcome = text::kGameIsRunning;
    }
    if (outcome != nullptr) {
        return outcome;
    }
    // The folder comes first: the game is only pointed at a folder that is
    // there. Levels this command creates are taken away again when it
    // fails, so a refused New leaves the disk as it found it.
    std::vector<std::string> created;
    outcome = text::kNewCharacterSet;
    if (!makeCharacterFolder(name, folder, created)) {
        outcome = text::kCouldNotCreateFolder;
    } else {
        backUpLeaving(name);
        if (auto failed = writeSetting(game().savePath, games::savePathFor(game(), name))) {
            lastRefusal_ = std::move(*failed);
            outcome =
                lastRefusal_ == text::kCouldNotWrite ? text::kCouldNotWrite : lastRefusal_.c_str();
        }
    }
    if (outcome != text::kNewCharacterSet) {
        for (auto level = created.rbegin(); level != created.rend(); ++level) {
            platform_.fileSystem->removeFolder(*level);
        }
        return outcome;
    }
    // The new character's first settings; the switch itself has happened, so
    // a failure here is reported rather than undone.
    // Its section is named as the game's setting names it: "b" for "a\\b".
    switched = true;
    const std::string section = name.substr(name.rfind('\\') + 1);
    const bool renamingWritten = writeCharacter(section, "SScreenShotBaseName", "0");
    const bool difficultyWritten = writeCharacter(
        section, std::string(game().difficulty.setting.key).c_str(), std::to_string(difficulty));
    return renamingWritten && difficultyWritten ? outcome : text::kCouldNotWrite;
}

int Game::difficultyOf(const std::string& character) {
    const games::Difficulty& d = game().difficulty;
    const std::string key(d.setting.key);
    return parseSetting(readCharacter(character, key.c_str(), std::to_string(d.normal).c_str(),
                                      kSettingReadCapacity),
                        d.low, d.high, d.normal);
}

int Game::screenshotNamingOf(const std::string& character) {
    return parseSetting(readCharacter(character, "SScreenShotBaseName", "0", kSettingReadCapacity),
                        0, 2, 0);
}

bool Game::applyCharacterSettings(const std::string& character) {
    std::string refusal;
    const auto writing = lockForWriting("the character's settings", refusal);
    if (!writing) {
        return false;
    }
    const games::Difficulty& d = game().difficulty;
    const std::string normal = std::to_string(d.normal);
    // Read as the file holds them, or not at all: a default taken for the
    // character's own would be written into the game as theirs.
    const auto level = platform_.profile->readChecked(character, d.setting.key, normal,
                                                      kSettingReadCapacity, programSettingsPath());
    const auto shots = platform_.profile->readChecked(character, "SScreenShotBaseName", "0",
                                                      kSettingReadCapacity, programSettingsPath());
    if (!level || !shots) {
        return false;
    }
    const bool difficulty =
        !writeSetting(d.setting, std::to_string(parseSetting(*level, d.low, d.high, d.normal)));
    const bool naming =
        !writeSetting(game().screenshotName,
                      parseSetting(*shots, 0, 2, 0) == 1 ? character : std::string("ScreenShot"));
    return difficulty && naming;
}

bool Game::makeCharacterFolder(const std::string& name, std::string& path,
                               std::vector<std::string>& created) {
    platform::FileSystem& fs = *platform_.fileSystem;
    std::string folderName = name;
    std::replace(folderName.begin(), folderName.end(), '\\', fs.separator());
    path = savesFolder() + fs.separator() + folderName;
    for (const auto& level : catalogue::directoryLevels(path, fs.separator())) {
        if (!fs.folderExists(level)) {
            created.push_back(level);
        }
    }
    catalogue::CreateNewDirectory(fs, path);
    return fs.folderExists(path);
}

CharacterFolder Game::prepareFolder(const std::string& name,
                                    const std::vector<std::string>& characters) {
    if (std::find(characters.begin(), characters.end(), name) != characters.end()) {
        // A listed entry may be a folder deeper down, which is not the
        // character of that name.
        const std::string folder = characterFolder(name);
        if (!platform_.fileSystem->folderExists(folder)) {
            return CharacterFolder{{}, text::kFolderNotFound, false};
        }
        return CharacterFolder{folder, nullptr, false};
    }
    if (const char* refusal = refuseCharacterName(name, platform_.profile->storedLength(name))) {
        return CharacterFolder{{}, refusal, false};
    }
    std::string path;
    std::vector<std::string> created;
    if (!makeCharacterFolder(name, path, created)) {
        for (auto level = created.rbegin(); level != created.rend(); ++level) {
            platform_.fileSystem->removeFolder(*level);
        }
        return CharacterFolder{{}, text::kCouldNotCreateFolder, false};
    }
    return CharacterFolder{path, nullptr, !created.empty()};
}

backups::Store* Game::store() {
    if (store_ && store_->root() != platform_.backupStore) {
        store_.reset();
    }
    if (!store_ && !platform_.backupStore.empty() && platform_.saveFiles && platform_.fileSystem) {
        store_ = std::make_unique<backups::Store>(*platform_.saveFiles, *platform_.fileSystem,
                                                  platform_.backupStore, nullptr, game().saves);
    }
    return store_.get();
}

backups::Made Game::backUp(const std::string& character) {
    backups::Made made;
    backups::Store* backupStore = store();
    if (backupStore == nullptr || character.empty()) {
        made.failure = text::kNoBackupStore;
        return made;
    }
    std::string refusal;
    const auto writing = lockForWriting("back up", refusal);
    if (!writing) {
        made.failure = refusal;
        return made;
    }
    // While the game runs, a save it may be writing is taken once it holds
    // still.
    const bool settle = gameIsRunning();
    view_.runWithProgress(text::kBackUp, [&](const saves::Progress& progress) {
        made = backupStore->backUp(root_, character, characterFolder(character),
                                   backups::Reason::byHand, progress, settle);
    });
    return made;
}

void Game::backUpBefore(backups::Reason reason, const std::string& character,
                        const std::string& folder, const char* title) {
    backups::Store* backupStore = store();
    if (backupStore == nullptr || character.empty() || folder.empty() ||
        !platform_.fileSystem->folderExists(folder)) {
        return;
    }
    backups::Made made;
    view_.runWithProgress(title, [&](const saves::Progress& progress) {
        made = backupStore->backUp(root_, character, folder, reason, progress);
    });
    if (!made.failure.empty()) {
        view_.showNotice(title, made.failure + "\n\n" +
                                    texts::format(N_("The saves of {1} were not backed up; the "
                                                     "command went on."),
                                                  {character}));
        return;
    }
    backupStore->prune(root_, character);
}

void Game::backUpLeaving(const std::string& next) {
    // Only a switch away from a character: loading the active one again
    // leaves nothing behind.
    const std::string leaving = activeSave();
    if (next != leaving) {
        backUpBefore(backups::Reason::leftCharacter, leaving, activeSaveFolder(), text::kBackUp);
    }
}

saves::PluginSetup Game::pluginSetup() {
    const std::string install =
        platform_.gameFolders ? platform_.gameFolders->installFolder() : std::string();
    if (install.empty() || !platform_.saveFiles) {
        return saves::PluginSetup{false,
                                  N_("The game's install folder was not found, so each save "
                                     "shows only how many plugins it needs."),
                                  {},
                                  {}};
    }
    const char sep = platform_.fileSystem->separator();
    // The game's Data folder, as its settings name it below the install folder.
    std::string master = readGame("General", "SLocalMasterPath", "Data\\", kSettingReadCapacity);
    while (!master.empty() && master.back() == '\\') {
        master.pop_back();
    }
    std::replace(master.begin(), master.end(), '\\', sep);
    // Where the game keeps its settings in the install folder, its list of
    // plugins is there too.
    const std::string local = root_ == install ? install : platform_.gameFolders->localDataFolder();
    const std::string club = game().creationClubList.empty()
                                 ? std::string()
                                 : install + sep + std::string(game().creationClubList);
    return saves::readPluginSetup(*platform_.saveFiles,
                                  local.empty() ? local : local + sep + "Plugins.txt",
                                  install + sep + master, platform_.ansiToUtf8, game(), club);
}

namespace {

// How long a command waits for another Quarlo to finish with the game
// folder before it says so.
constexpr int kLockTries = 60;
constexpr auto kLockPause = std::chrono::milliseconds(50);

// The locks this process holds, by their file: every command of this
// process shares the one it took first (a second lock of the same file by
// the same process would wait for itself).
std::mutex& heldLocksMutex() {
    static std::mutex m;
    return m;
}
std::map<std::string, std::weak_ptr<platform::HeldLock>>& heldLocks() {
    static std::map<std::string, std::weak_ptr<platform::HeldLock>> held;
    return held;
}

}  // namespace

std::shared_ptr<platform::HeldLock> Game::lockForWriting(const std::string& what,
                                                         std::string& refusal, bool wait) {
    refusal.clear();
    backups::Store* backupStore = store();
    const std::string state = backupStore ? backupStore->stateFolder(root_) : std::string();
    if (state.empty()) {
        // Without Quarlo's own folder there is no lock to take: tests, and a
        // system without a place for data, work as one writer.
        return std::make_shared<platform::HeldLock>();
    }
    const std::string path = state + platform_.fileSystem->separator() + ".lock";
    std::shared_ptr<platform::HeldLock> lock;
    {
        const std::lock_guard<std::mutex> guard(heldLocksMutex());
        lock = heldLocks()[path].lock();
    }
    if (lock) {
        return lock;
    }
    const std::string note =
        "process " + std::to_string(platform_.saveFiles->processId()) + ", " + what;
    platform::SaveFiles::LockAttempt attempt;
    for (int i = 0; i < kLockTries; ++i) {
        attempt = platform_.saveFiles->lockExclusive(path, note);
        if (attempt.held || !attempt.takenByAnother || !wait) {
            break;
        }
        std::this_thread::sleep_for(kLockPause);
    }
    if (!attempt.held) {
        refusal = attempt.takenByAnother
                      ? (attempt.holder.empty()
                             ? std::string(N_("Failed. Another Quarlo is changing this game "
                                              "folder; try again once it is done."))
                             : texts::format(N_("Failed. Another Quarlo is changing this game "
                                                "folder ({1}); try again once it is done."),
                                             {attempt.holder}))
                      : texts::format(
                            N_("Failed. Quarlo's lock for this game folder ({1}) cannot be made."),
                            {path});
        return nullptr;
    }
    lock = std::shared_ptr<platform::HeldLock>(std::move(attempt.held));
    {
        const std::lock_guard<std::mutex> guard(heldLocksMutex());
        heldLocks()[path] = lock;
    }
    // A command cut off before is finished first, under the same lock.
    if (finishedFor_ != root_) {
        finishedFor_ = root_;
        for (const std::string& said : finishInterrupted()) {
            view_.showNotice(text::kInterrupted, said);
        }
    }
    return lock;
}

void Game::removeSettingsLeftovers() {
    std::vector<std::string_view> settings = game().savePath.files;
    settings.insert(settings.end(), game().difficulty.setting.files.begin(),
                    game().difficulty.setting.files.end());
    settings.push_back(stores::kProgramSettingsFile);
    platform::removeSettingsLeftovers(*platform_.saveFiles, root_, settings);
}

std::vector<std::string> Game::finishInterrupted() {
    std::vector<std::string> said;
    if (!platform_.saveFiles) {
        return said;
    }
    std::string refusal;
    const auto writing = lockForWriting("finishing what was cut off", refusal);
    if (!writing) {
        said.push_back(refusal);
        return said;
    }
    removeSettingsLeftovers();
    if (auto renamed = finishRename()) {
        said.push_back(std::move(*renamed));
    }
    if (auto tidied = finishTidy()) {
        said.push_back(std::move(*tidied));
    }
    if (backups::Store* backupStore = store()) {
        if (auto restored = backupStore->finishRestore(root_)) {
            said.push_back(std::move(*restored));
        }
    }
    return said;
}

bool Game::cloudInUse() const {
    return platform_.gameFolders && platform_.saveFiles &&
           app::cloudInUse(*platform_.saveFiles, platform_.gameFolders->steamRoots(), game());
}

std::vector<std::string> Game::cloudSaves() const {
    if (!platform_.gameFolders || !platform_.saveFiles) {
        return {};
    }
    return app::cloudSaves(*platform_.saveFiles, platform_.gameFolders->steamRoots(), game());
}

void Game::sortLooseSaves(SortView& view, const std::function<void()>& afterMoves) {
    if (gameIsRunning()) {
        view.showSortMessage(text::kSavesInUse);
        return;
    }
    std::string refusal;
    const auto writing = lockForWriting("sort loose saves", refusal);
    if (!writing) {
        view.showSortMessage(refusal);
        return;
    }
    const auto loose = saves::listSaves(*platform_.saveFiles, savesFolder(), game().saves);
    if (!loose || loose->empty()) {
        view.showSortMessage(text::kNoLooseSaves);
        return;
    }
    SortPlan plan = planSort(
        *loose, platform_.ansiToUtf8,
        [this](const std::string& name) -> const char* {
            // One folder directly in Saves: a backslash would make levels.
            if (name.find('\\') != std::string::npos) {
                return text::kInvalidName;
            }
            return refuseCharacterName(name, platform_.profile->storedLength(name));
        },
        [this](const std::string& name) -> std::optional<ExistingFolder> {
            const std::string folder = characterFolder(name);
            if (!platform_.fileSystem->folderExists(folder)) {
                return std::nullopt;
            }
            ExistingFolder there;
            if (const auto listed = platform_.saveFiles->listFiles(folder)) {
                for (const platform::FolderEntry& e : listed->entries) {
                    there.files.push_back(e.name);
                }
            }
            if (const auto saves = saves::listSaves(*platform_.saveFiles, folder, game().saves)) {
                there.character = saves::characterOf(*saves);
            }
            return there;
        });
    if (plan.movable() == 0) {
        view.showSortMessage(std::string(text::kNothingToSort) + "\n\n" +
                             planText(plan, texts::tr));
        return;
    }
    // Only the loose saves the plan moves, of those Steam Cloud keeps.
    std::vector<std::string> moving;
    for (const SortGroup& group : plan.groups) {
        if (group.refusal == nullptr) {
            for (const saves::SaveEntry& save : group.saves) {
                moving.push_back(save.fileName);
            }
        }
    }
    plan.warning = cloudWarning(keptOf(cloudSaves(), std::string(game().savesFolder), moving));
    if (!view.confirmSort(plan)) {
        return;
    }
    std::vector<saves::TransferJob> jobs;
    std::vector<const SortGroup*> jobGroups;
    std::size_t skipped = 0;
    std::string why;
    for (const SortGroup& group : plan.groups) {
        if (group.refusal != nullptr || group.saves.empty()) {
            continue;
        }
        std::string folder;
        std::vector<std::string> created;
        if (!makeCharacterFolder(group.folderName, folder, created)) {
            for (auto level = created.rbegin(); level != created.rend(); ++level) {
                platform_.fileSystem->removeFolder(*level);
            }
            skipped += group.saves.size();
            why += "\n" + texts::format(N_("{1}: {2} not moved; the folder could not be made."),
                                        {group.name, countOf(group.saves.size(), "save")});
            continue;
        }
        saves::TransferJob job{{}, folder};
        for (const saves::SaveEntry& save : group.saves) {
            job.saves.push_back(save.fileName);
        }
        jobs.push_back(std::move(job));
        jobGroups.push_back(&group);
    }
    // The loose saves, as the character "Saves" the game uses when
    // SLocalSavePath names Saves itself, keep a backup before they move.
    if (!jobs.empty()) {
        backUpBefore(backups::Reason::beforeSort, std::string(game().savesFolder), savesFolder(),
                     text::kSortLooseSaves);
    }
    std::vector<saves::TransferResult> results;
    view.runWithProgress(text::kSortLooseSaves, [&](const saves::Progress& progress) {
        results = saves::transferSaves(*platform_.saveFiles, savesFolder(), jobs,
                                       saves::Transfer::move, progress, game().saves);
    });
    std::size_t moved = 0;
    std::size_t coSaves = 0;
    std::size_t characters = 0;
    auto next = results.begin();
    for (std::size_t j = 0; j < jobs.size(); ++j) {
        const std::vector<saves::TransferResult> mine(next, next + jobs[j].saves.size());
        next += static_cast<std::ptrdiff_t>(jobs[j].saves.size());
        const std::size_t arrived = arrivedCount(mine);
        moved += arrived;
        coSaves += arrivedCoSaves(mine);
        characters += arrived > 0 ? 1 : 0;
        skipped += mine.size() - arrived;
        why += transferReasons(
            mine, Verb::move,
            PlaceNames{std::string(game().savesFolder), jobGroups[j]->folderName, {}});
    }
    afterMoves();
    const bool whole = skipped == 0 && std::all_of(results.begin(), results.end(), [](auto& r) {
                           return r.outcome == saves::TransferResult::Outcome::done;
                       });
    // Unreadable saves, those of refused or taken names and those not moved.
    const std::size_t stillThere = loose->size() - moved;
    // Each outcome as a whole sentence, so that each language says it.
    static constexpr const char* kSorted[2][3] = {
        {N_("Success. {1} moved into {2}."),
         N_("Success. {1} moved into {2}; {4} is still in Saves."),
         N_("Success. {1} moved into {2}; {4} are still in Saves.")},
        {N_("Failed. {1} moved into {2}."),
         N_("Failed. {1} moved into {2}; {4} is still in Saves."),
         N_("Failed. {1} moved into {2}; {4} are still in Saves.")},
    };
    static constexpr const char* kSortedSkipping[3] = {
        N_("Failed. {1} moved into {2}; {3} not moved."),
        N_("Failed. {1} moved into {2}; {3} not moved; {4} is still in Saves."),
        N_("Failed. {1} moved into {2}; {3} not moved; {4} are still in Saves."),
    };
    const int still = stillThere == 0 ? 0 : stillThere == 1 ? 1 : 2;
    std::string summary =
        texts::format(skipped > 0 ? kSortedSkipping[still] : kSorted[whole ? 0 : 1][still],
                      {savesAndCoSaves(moved, coSaves), countOf(characters, "character"),
                       std::to_string(skipped), countOf(stillThere, "save")});
    if (moved > 0 && activeSave() == game().savesFolder) {
        summary += "\n\n" + std::string(text::kGameUsesSaves);
    }
    if (!why.empty()) {
        summary += "\n" + why;
    }
    view.showSortMessage(summary);
}

}  // namespace quarlo::app
