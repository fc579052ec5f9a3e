// Rename…: the character's folder, its section of quarlo.ini, the game's
// setting and its backups, as one change that a kill at any moment never
// leaves half made. Its intent is written first, in Quarlo's own folder for
// the game folder; each step then looks at the disk to see whether it is
// done, so that the next start of any front end can finish it (or, where it
// failed, put it back) by running the same steps again.
#include <algorithm>
#include <string_view>

#include "app/game.h"
#include "backups/digest.h"
#include "platform/store_facts.h"
#include "texts/catalogue.h"

namespace quarlo::app {

struct Game::RenameJob {
    std::string from;
    std::string to;
    std::string journal;       // its record's path; "" without a store
    std::string program;       // quarlo.ini's checksum before the rename
    bool gameNamesIt = false;  // SLocalSavePath names the folder
    std::string oldPath;
    bool shotsNamed = false;  // and SScreenShotBaseName its name
    std::string oldShots;
    bool backupsBegun = false;  // an earlier character's backups are set aside (or none)
    std::string earlier;        // where they are
    bool back = false;          // being put back, after a step failed
    // Known in this run only: the backups' step failed before it moved any.
    bool noneMoved = false;
};

namespace {

constexpr std::string_view kJournalName = ".rename";
constexpr std::string_view kJournalHeader = "quarlo-rename 1";
// The name a folder takes between two names that differ only in case.
constexpr std::string_view kTransit = ".quarlo-rename";

// A field's bytes with "%", line breaks and control characters as "%XX".
std::string escaped(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : text) {
        if (c < 0x20 || c == 0x7F || c == '%') {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::optional<std::string> unescaped(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) {
            return std::nullopt;
        }
        const auto digit = [](char c) -> int {
            return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        };
        const int hi = digit(text[i + 1]);
        const int lo = digit(text[i + 2]);
        if (hi < 0 || lo < 0) {
            return std::nullopt;
        }
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return out;
}

std::string checksumOf(const std::string& bytes) {
    backups::Digest digest;
    digest.add(bytes);
    return backups::hexDigest(digest.value());
}

}  // namespace

bool Game::writeJournal(const RenameJob& job) {
    if (job.journal.empty()) {
        return true;
    }
    std::string text = std::string(kJournalHeader) + "\n";
    const auto field = [&](std::string_view key, std::string_view value) {
        text += std::string(key) + "=" + escaped(value) + "\n";
    };
    field("from", job.from);
    field("to", job.to);
    field("program", job.program);
    field("game", job.gameNamesIt ? "1" : "0");
    field("oldPath", job.oldPath);
    field("shots", job.shotsNamed ? "1" : "0");
    field("oldShots", job.oldShots);
    field("backups", job.backupsBegun ? "1" : "0");
    field("earlier", job.earlier);
    field("back", job.back ? "1" : "0");
    text += "end\n";
    platform::SaveFiles& files = *platform_.saveFiles;
    // Whole or not at all: written beside it, then put in its place.
    const std::string next = job.journal + "." + std::to_string(files.processId()) + ".next";
    files.remove(next);
    if (!files.writeNew(next, text)) {
        return false;
    }
    if (files.kindOf(job.journal) == platform::PathKind::missing
            ? files.renameNew(next, job.journal) != platform::FileOutcome::done
            : !files.replace(next, job.journal)) {
        files.remove(next);
        return false;
    }
    return true;
}

std::optional<std::string> Game::renameStep(int step, RenameJob& job, bool forward) {
    platform::SaveFiles& files = *platform_.saveFiles;
    const std::string& a = forward ? job.from : job.to;
    const std::string& b = forward ? job.to : job.from;
    switch (step) {
        case 0: {
            // The folder. Names are looked for as spelled: where the file
            // system does not tell cases apart, both spellings "exist".
            const auto entries = files.entriesOf(savesFolder());
            if (!entries) {
                return texts::format(N_("Failed. The folder {1} cannot be read."),
                                     {game().savesFolder});
            }
            const auto there = [&](const std::string& name) {
                return std::any_of(entries->begin(), entries->end(), [&](const auto& e) {
                    return e.name == name && e.kind == platform::EntryKind::folder;
                });
            };
            std::string transit;
            for (const std::string& name : {job.from, job.to}) {
                if (there(name + std::string(kTransit))) {
                    transit = name + std::string(kTransit);
                }
            }
            if (transit.empty() && there(b) && !there(a)) {
                return std::nullopt;
            }
            const std::string target = characterFolder(b);
            if (!transit.empty()) {
                if (files.renameNew(characterFolder(transit), target) ==
                    platform::FileOutcome::done) {
                    files.syncFolder(savesFolder());
                    return std::nullopt;
                }
                return texts::format(
                    N_("Failed. The folder {1} could not be renamed; it is now {2}."),
                    {job.from, transit});
            }
            if (!there(a)) {
                return texts::format(N_("Failed. The folder {1} is gone."), {a});
            }
            std::string between;
            if (files.foldedName(a) == files.foldedName(b)) {
                // Windows and Wine would take the new name for the folder
                // itself and keep its case: by way of a name of its own.
                between = characterFolder(a + std::string(kTransit));
                if (files.renameNew(characterFolder(a), between) != platform::FileOutcome::done) {
                    between.clear();
                }
            }
            const std::string source = between.empty() ? characterFolder(a) : between;
            const platform::FileOutcome moved =
                between.empty() && files.foldedName(a) == files.foldedName(b)
                    ? platform::FileOutcome::failed
                    : files.renameNew(source, target);
            if (moved == platform::FileOutcome::done) {
                files.syncFolder(savesFolder());
                return std::nullopt;
            }
            if (!between.empty() &&
                files.renameNew(between, characterFolder(a)) != platform::FileOutcome::done) {
                return texts::format(
                    N_("Failed. The folder {1} could not be renamed, nor given its name back: it "
                       "is now {2}."),
                    {a, a + std::string(kTransit)});
            }
            return moved == platform::FileOutcome::exists
                       ? std::string(text::kNameTaken)
                       : texts::format(
                             N_("Failed. The folder {1} could not be renamed (is a file in it "
                                "open?)."),
                             {a});
        }
        case 1: {
            // The character's section of quarlo.ini: whether the swap is
            // made is whether the file still holds the bytes it held.
            const std::string settings = programSettingsPath();
            const auto bytes = platform_.profile->fileBytes(settings);
            if (!bytes) {
                return texts::format(N_("Failed. {1} could not be read."),
                                     {stores::kProgramSettingsFile});
            }
            const bool done = checksumOf(*bytes) != job.program;
            if (done != forward && !platform_.profile->renameSection(a, b, settings)) {
                return texts::format(N_("Failed. {1} could not be written."),
                                     {stores::kProgramSettingsFile});
            }
            return std::nullopt;
        }
        case 2: {
            // The game's setting, in each file it reads, only from the value
            // it had to the new one and back: a value the player set since
            // is theirs.
            const auto follow = [&](const games::Setting& setting, const std::string& was,
                                    const std::string& next, const char* def,
                                    int capacity) -> std::optional<std::string> {
                for (const std::string_view file : setting.files) {
                    const std::string path = settingsPath(file);
                    // A file without the key is left alone, whatever the name.
                    const auto now = platform_.profile->readChecked(
                        setting.section, setting.key, setting.files.size() == 1 ? def : "\x01",
                        capacity, path);
                    if (!now) {
                        return texts::format(N_("Failed. {1} could not be read."), {file});
                    }
                    if (*now == was &&
                        !platform_.profile->write(setting.section, setting.key, next, path)) {
                        return texts::format(N_("Failed. {1} could not be written."), {file});
                    }
                }
                return std::nullopt;
            };
            if (job.gameNamesIt) {
                const std::string was = forward ? job.oldPath : games::savePathFor(game(), job.to);
                const std::string next = forward ? games::savePathFor(game(), job.to) : job.oldPath;
                if (auto failed = follow(game().savePath, was, next, "", kSaveReadCapacity)) {
                    return failed;
                }
            }
            if (job.shotsNamed) {
                const std::string& was = forward ? job.oldShots : job.to;
                const std::string& next = forward ? job.to : job.oldShots;
                if (auto failed = follow(game().screenshotName, was, next, "ScreenShot",
                                         kSettingReadCapacity)) {
                    return failed;
                }
            }
            return std::nullopt;
        }
        default: {
            backups::Store* backupStore = store();
            if (backupStore == nullptr) {
                return std::nullopt;
            }
            if (!forward) {
                if (!job.backupsBegun) {
                    return std::nullopt;  // nothing moved, nothing set aside
                }
                if (const auto moved = job.noneMoved
                                           ? backups::Store::Renamed{}
                                           : backupStore->renameCharacter(root_, job.to, job.from);
                    !moved.failure.empty()) {
                    return moved.failure;
                }
                if (!job.earlier.empty() &&
                    !backupStore->bringBackEarlier(root_, job.to, job.earlier)) {
                    return texts::format(N_("Failed. The backups of an earlier character named {1} "
                                            "are still set aside in {2}."),
                                         {job.to, job.earlier});
                }
                return std::nullopt;
            }
            if (!job.backupsBegun) {
                // Where an earlier character's backups go is written down
                // before they go, so that nothing is ever set aside unsaid.
                job.earlier = backupStore->earlierPlace(root_, job.to);
                job.backupsBegun = true;
                if (!writeJournal(job)) {
                    job.backupsBegun = false;
                    job.earlier.clear();
                    return N_("Failed. Quarlo's record of the rename could not be written.");
                }
                std::string failure;
                if (!backupStore->setAsideEarlier(root_, job.to, job.earlier, failure) &&
                    !failure.empty()) {
                    return failure;
                }
            }
            const auto moved = backupStore->renameCharacter(root_, job.from, job.to);
            if (!moved.failure.empty()) {
                job.noneMoved = moved.stranded == 0;
                return moved.failure;
            }
            return std::nullopt;
        }
    }
}

std::string Game::runRename(RenameJob& job) {
    constexpr int kSteps = 4;
    const std::string settingsDone =
        game().savePath.files.size() == 1
            ? std::string(games::mainSettingsFile(game())) + "'s setting"
            : "the game's settings";
    const std::string kDone[kSteps] = {"the folder", "quarlo.ini's settings", settingsDone,
                                       "the backups"};
    std::optional<std::string> failure;
    if (!job.back) {
        for (int step = 0; step < kSteps && !failure; ++step) {
            failure = renameStep(step, job, true);
        }
        if (!failure) {
            platform_.saveFiles->remove(job.journal);
            return {};
        }
        job.back = true;
        writeJournal(job);
    }
    // Every step is taken back, in reverse: one that was not made is left
    // as it is by its own look at the disk.
    std::string stranded;
    for (int step = kSteps - 1; step >= 0; --step) {
        if (const auto undone = renameStep(step, job, false)) {
            stranded += "\n" + kDone[step] + ": " + *undone;
        }
    }
    const std::string why = failure ? *failure : std::string();
    if (stranded.empty()) {
        platform_.saveFiles->remove(job.journal);
        return why + (why.empty() ? "" : " ") + N_("Nothing was renamed.");
    }
    return why + (why.empty() ? "" : " ") + N_("These could not be put back yet:") + stranded +
           (job.journal.empty()
                ? std::string()
                : "\n" + std::string(N_("Quarlo tries again the next time it starts.")));
}

std::string Game::rename(const std::string& from, const std::string& to) {
    if (from.empty()) {
        return text::kChooseCharacter;
    }
    if (gameIsRunning()) {
        // The game would write its settings back with the old name, and
        // may be writing a save into the folder.
        return text::kGameIsRunning;
    }
    std::string refusal;
    const auto writing = lockForWriting("rename", refusal);
    if (!writing) {
        return refusal;
    }
    platform::SaveFiles& files = *platform_.saveFiles;
    const char sep = platform_.fileSystem->separator();
    const std::string oldFolder = characterFolder(from);
    if (from.find('\\') != std::string::npos || from.find(sep) != std::string::npos ||
        files.kindOf(oldFolder) != platform::PathKind::folder) {
        // Only a folder directly in Saves is a character of its own; a link
        // is left as it is.
        return text::kFolderNotFound;
    }
    if (const char* refused = to.find('\\') != std::string::npos
                                  ? text::kInvalidName
                                  : refuseCharacterName(to, platform_.profile->storedLength(to))) {
        return refused;
    }
    if (to == from) {
        return text::kSameName;
    }
    // Anything of that name in Saves, in any letter case, as the game's
    // file system finds it (every letter, not ASCII alone); only the folder
    // itself when just its case changes. The name a folder passes through
    // on the way is free too.
    const auto entries = files.entriesOf(savesFolder());
    if (!entries) {
        return text::kFolderNotFound;
    }
    const std::string folded = files.foldedName(to);
    for (const platform::FolderEntry& e : *entries) {
        if (e.name != from &&
            (files.foldedName(e.name) == folded || e.name == from + std::string(kTransit) ||
             e.name == to + std::string(kTransit))) {
            return text::kNameTaken;
        }
    }
    const bool caseOnly = files.foldedName(from) == folded;
    if (!caseOnly && files.exists(characterFolder(to))) {
        return text::kNameTaken;
    }

    RenameJob job;
    job.from = from;
    job.to = to;
    // What the steps will look at, read before any is made; a read that
    // fails is a failure, never "not this character".
    const auto program = platform_.profile->fileBytes(programSettingsPath());
    const auto oldPath = readSettingChecked(game().savePath, "", kSaveReadCapacity);
    const auto oldShots =
        readSettingChecked(game().screenshotName, "ScreenShot", kSettingReadCapacity);
    const auto naming = platform_.profile->readChecked(from, "SScreenShotBaseName", "0",
                                                       kSettingReadCapacity, programSettingsPath());
    if (!program || !naming) {
        return texts::format(N_("Failed. {1} could not be read."), {stores::kProgramSettingsFile}) +
               " " + N_("Nothing was renamed.");
    }
    if (!oldPath || !oldShots) {
        return (game().savePath.files.size() == 1
                    ? texts::format(N_("Failed. {1} could not be read."),
                                    {games::mainSettingsFile(game())})
                    : std::string(N_("Failed. The game's settings could not be read."))) +
               " " + N_("Nothing was renamed.");
    }
    job.program = checksumOf(*program);
    // The game's setting follows only where it names this very folder:
    // Saves\<from>\ as spelled, or in another letter case where the game's
    // file system can find no other folder by that name.
    std::string named = *oldPath;
    while (!named.empty() && named.back() == '\\') {
        named.pop_back();
    }
    const std::string prefix = std::string(game().savesFolder) + "\\";
    if (named.size() > prefix.size() &&
        files.foldedName(named.substr(0, prefix.size())) == files.foldedName(prefix) &&
        named.find('\\', prefix.size()) == std::string::npos) {
        const std::string last = named.substr(prefix.size());
        job.gameNamesIt =
            last == from || (files.foldedName(last) == files.foldedName(from) &&
                             std::count_if(entries->begin(), entries->end(), [&](const auto& e) {
                                 return files.foldedName(e.name) == files.foldedName(last);
                             }) == 1);
    }
    job.oldPath = *oldPath;
    job.oldShots = *oldShots;
    job.shotsNamed = job.gameNamesIt && parseSetting(*naming, 0, 2, 0) == 1 && *oldShots == from;
    if (backups::Store* backupStore = store()) {
        const std::string state = backupStore->stateFolder(root_);
        if (state.empty()) {
            return texts::format(N_("Failed. Quarlo's own folder for this game (in {1}) cannot be "
                                    "written."),
                                 {backupStore->root()}) +
                   " " + N_("Nothing was renamed.");
        }
        job.journal = state + sep + std::string(kJournalName);
        if (files.kindOf(job.journal) != platform::PathKind::missing) {
            return N_("Failed. Another rename is not finished. Nothing was renamed.");
        }
        if (!writeJournal(job)) {
            return std::string(N_("Failed. Quarlo's record of the rename could not be written.")) +
                   " " + N_("Nothing was renamed.");
        }
    }
    if (const std::string failure = runRename(job); !failure.empty()) {
        return failure;
    }
    std::string done = texts::format(N_("Success. {1} is now {2}."), {from, to});
    if (!job.earlier.empty() && files.kindOf(job.earlier) == platform::PathKind::folder) {
        done += " " + texts::format(N_("The backups of an earlier character named {1} were set "
                                       "aside, so that the two are not mixed: they are in {2}."),
                                    {to, job.earlier});
    }
    return done;
}

std::optional<std::string> Game::finishRename() {
    backups::Store* backupStore = store();
    if (backupStore == nullptr) {
        return std::nullopt;
    }
    const std::string state = backupStore->stateFolder(root_);
    const std::string journal =
        state.empty() ? std::string()
                      : state + platform_.fileSystem->separator() + std::string(kJournalName);
    platform::SaveFiles& files = *platform_.saveFiles;
    // A record half written when a command was cut off never took the
    // record's name: it is no rename's, and goes.
    if (const auto entries = state.empty() ? std::nullopt : files.entriesOf(state)) {
        const std::string part = std::string(kJournalName) + ".";
        for (const platform::FolderEntry& e : *entries) {
            const std::size_t dot = e.name.find('.', part.size());
            if (e.kind == platform::EntryKind::file && e.name.starts_with(part) &&
                dot != std::string::npos &&
                (e.name.compare(dot, std::string::npos, ".next") == 0 ||
                 e.name.find(".next.", dot) == dot)) {
                std::uint32_t process = 0;
                for (std::size_t i = part.size(); i < dot; ++i) {
                    process = process * 10 + static_cast<std::uint32_t>(e.name[i] - '0');
                }
                if (process == files.processId() || !files.processRunning(process)) {
                    files.remove(state + platform_.fileSystem->separator() + e.name);
                }
            }
        }
    }
    if (journal.empty() || files.kindOf(journal) == platform::PathKind::missing) {
        return std::nullopt;
    }
    const auto chunk = files.read(journal, 0, 1 << 16);
    RenameJob job;
    job.journal = journal;
    bool whole = false;
    bool headed = false;
    if (chunk) {
        std::string_view rest(chunk->bytes);
        while (!rest.empty()) {
            const std::size_t end = rest.find('\n');
            const std::string_view line = rest.substr(0, end);
            rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
            if (!headed) {
                headed = line == kJournalHeader;
                if (!headed) {
                    break;
                }
                continue;
            }
            if (line == "end") {
                whole = true;
                break;
            }
            const std::size_t eq = line.find('=');
            const auto value =
                eq == std::string_view::npos ? std::nullopt : unescaped(line.substr(eq + 1));
            if (!value) {
                break;
            }
            const std::string_view key = line.substr(0, eq);
            const bool yes = *value == "1";
            if (key == "from") {
                job.from = *value;
            } else if (key == "to") {
                job.to = *value;
            } else if (key == "program") {
                job.program = *value;
            } else if (key == "game") {
                job.gameNamesIt = yes;
            } else if (key == "oldPath") {
                job.oldPath = *value;
            } else if (key == "shots") {
                job.shotsNamed = yes;
            } else if (key == "oldShots") {
                job.oldShots = *value;
            } else if (key == "backups") {
                job.backupsBegun = yes;
            } else if (key == "earlier") {
                job.earlier = *value;
            } else if (key == "back") {
                job.back = yes;
            }
        }
    }
    // Read back from disk: its names must be two names Rename could have
    // taken, and where it set anything aside, inside this game's own folder.
    const char sep = platform_.fileSystem->separator();
    const auto nameOk = [&](const std::string& name) {
        return name.find('\\') == std::string::npos &&
               refuseCharacterName(name, platform_.profile->storedLength(name)) == nullptr;
    };
    const bool placeOk =
        job.earlier.empty() || (job.earlier.starts_with(state + sep + ".") &&
                                job.earlier.find(sep, state.size() + 1) == std::string::npos &&
                                job.earlier.find("..", state.size() + 1) == std::string::npos);
    if (!whole || !nameOk(job.from) || !nameOk(job.to) || job.from == job.to || !placeOk) {
        const std::string damaged = journal + ".damaged";
        files.remove(damaged);
        files.renameNew(journal, damaged);
        return texts::format(N_("Failed. A rename cut off before it was done left a record that "
                                "cannot be read; it is kept as {1}."),
                             {damaged}) +
               " " + N_("Look at the folders in Saves and their names in quarlo.ini.");
    }
    const bool wasBack = job.back;
    const std::string failure = runRename(job);
    if (failure.empty()) {
        return texts::format(
            N_("Success. Quarlo finished the rename of {1} to {2}, which was cut off before it "
               "was done."),
            {job.from, job.to});
    }
    if (failure.starts_with("Nothing was renamed.")) {
        return texts::format(
            wasBack ? N_("Success. Quarlo put back the rename of {1} to {2}, which was cut off "
                         "after a step failed; nothing is renamed.")
                    : N_("Failed. Quarlo put back the rename of {1} to {2}, which was cut off; "
                         "nothing is renamed."),
            {job.from, job.to});
    }
    return texts::format(N_("Failed. Quarlo could not finish the rename of {1} to {2}, which "
                            "was cut off before it was done."),
                         {job.from, job.to}) +
           " " + failure;
}

}  // namespace quarlo::app
