#include "ui/cli/command_line.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "app/backups_window.h"
#include "app/game.h"
#include "app/saves_window.h"
#include "app/steam_cloud.h"
#include "app/tidy.h"
#include "platform/game_facts.h"

namespace quarlo::cli {

namespace {

constexpr const char* kUsage =
    "Usage: quarlo [--root DIR] COMMAND [OPTIONS] [--] [ARGUMENTS]\n"
    "\n"
    "Without arguments Quarlo opens its window. The commands:\n"
    "  list                    each character, tab-separated: * for the one the game\n"
    "                          will use, the name, its saves, and its newest save's\n"
    "                          level, location and time\n"
    "  switch NAME             the game uses NAME's saves (as Load Character)\n"
    "  new NAME                a new character NAME, and the game uses it (as New)\n"
    "  backup NAME             back up NAME's saves\n"
    "  backups NAME            NAME's backups, newest first, one a line: its id, when,\n"
    "                          why, how many saves, the newest save\n"
    "  restore NAME ID         put back the saves of NAME's backup ID\n"
    "  rename NAME NEW         NAME becomes NEW: its folder, settings and backups\n"
    "  tidy [--keep N] [--yes] NAME\n"
    "                          the plan of Tidy Up: NAME's saves older than its newest\n"
    "                          N (10 at first) and co-saves without their save; with\n"
    "                          --yes, a backup of NAME, then those files to the trash\n"
    "  run [--character NAME | --pick [--timeout S]] [-- COMMAND [ARG...]]\n"
    "                          switch first, then start COMMAND as given and wait for\n"
    "                          it (in a launch option: quarlo run --pick -- %command%);\n"
    "                          without COMMAND, the game's launcher as Run Game does.\n"
    "                          --pick shows a full-screen picker (arrows or the pad,\n"
    "                          Enter or A, Escape or B; the current character after S\n"
    "                          seconds, 10 at first, 0 for no countdown)\n"
    "  --help, --version\n"
    "\n"
    "  --root DIR              the game folder DIR, as Root Dir Mode\n"
    "\n"
    "An argument that begins with '-' is an option; a name that does, goes after\n"
    "'--' (quarlo new -- -Ann).\n"
    "\n"
    "Exit status: 0 for Success, 1 for Failed (or output that could not be written),\n"
    "2 for a command line not understood; run exits with its command's status, 127\n"
    "when it cannot be started.\n";

// Sends a long command's notices to standard error and runs its work in
// place: there is no window to keep responsive.
class Console : public app::CommandView {
  public:
    explicit Console(std::ostream& err) : err_(err) {}
    void runWithProgress(const std::string&,
                         const std::function<void(const saves::Progress&)>& work) override {
        work([](std::size_t, std::size_t) { return true; });
    }
    void showNotice(const std::string& title, const std::string& text) override {
        err_ << title << ": " << text << "\n";
    }

  private:
    std::ostream& err_;
};

// Tidy Up's plan printed, and taken as it is only when the command line
// said --yes.
class ConsoleTidy : public app::CharacterView {
  public:
    ConsoleTidy(std::ostream& out, std::ostream& err, std::size_t keep, bool yes)
        : out_(out), err_(err), keep_(keep), yes_(yes) {}
    std::optional<std::string> askName(const std::string&, const std::string&,
                                       const std::string&) override {
        return std::nullopt;
    }
    bool confirm(const std::string&, const std::string& question) override {
        err_ << question << "\n";
        return yes_;
    }
    bool confirmTidy(app::TidyPlan& plan,
                     const std::function<app::TidyPlan(std::size_t keep)>& replan) override {
        if (keep_ != plan.keep) {
            plan = replan(keep_);
        }
        if (!plan.warning.empty()) {
            err_ << plan.warning << "\n";
        }
        out_ << app::tidyPlanText(plan) << "\n";
        if (!yes_) {
            out_ << "Nothing was sent to the trash: add --yes to tidy up as planned.\n";
        }
        return yes_;
    }
    void showMessage(const std::string&, const std::string& text) override {
        out_ << text << "\n";
        last_ = text;
    }
    void savesChanged() override {}
    void runWithProgress(const std::string&,
                         const std::function<void(const saves::Progress&)>& work) override {
        work([](std::size_t, std::size_t) { return true; });
    }
    const std::string& last() const { return last_; }

  private:
    std::ostream& out_;
    std::ostream& err_;
    std::size_t keep_;
    bool yes_;
    std::string last_ = "Success.";
};

// A command's status once what it printed has reached its standard output:
// a script reading nothing must not be told "done" (1 otherwise).
int written(std::ostream& out, std::ostream& err, int status) {
    out.flush();
    if (out) {
        return status;
    }
    err << "quarlo: the output could not be written.\n";
    return 1;
}

int statusOf(const std::string& text) {
    return text.rfind("Success.", 0) == 0 ? 0 : 1;
}

// A character by its exact name among those the window lists.
bool listed(app::Game& game, const std::string& name) {
    const auto all = game.characters();
    return std::find(all.begin(), all.end(), name) != all.end();
}

struct Parsed {
    std::string root;
    std::string verb;
    std::vector<std::string> names;  // the verb's operands
    // run's
    std::optional<std::string> character;
    bool pick = false;
    int timeout = 10;
    std::vector<std::string> command;
    // tidy's
    std::size_t keep = app::kTidyKeepAtFirst;
    bool yes = false;
    bool help = false;
    // What is wrong with the command line, one line; "" when it is understood.
    std::string error;
    bool ok() const { return error.empty(); }
};

// A verb: the options it takes besides the global ones, and its operands.
struct VerbSpec {
    const char* verb;
    std::vector<std::string_view> flags;   // options without a value
    std::vector<std::string_view> valued;  // options with one
    std::vector<const char*> operands;     // their names, as the usage writes them
};

const std::vector<VerbSpec>& verbs() {
    static const std::vector<VerbSpec> all{
        {"list", {}, {}, {}},
        {"switch", {}, {}, {"NAME"}},
        {"new", {}, {}, {"NAME"}},
        {"backup", {}, {}, {"NAME"}},
        {"backups", {}, {}, {"NAME"}},
        {"restore", {}, {}, {"NAME", "ID"}},
        {"rename", {}, {}, {"NAME", "NEW"}},
        {"tidy", {"--yes"}, {"--keep"}, {"NAME"}},
        {"run", {"--pick"}, {"--character", "--timeout"}, {}},
    };
    return all;
}

template <typename Number>
bool parseNumber(const std::string& text, Number& out) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

// POSIX's rules with GNU's order: an argument that begins with "-" is an
// option wherever it stands before "--", never a name; after "--" every
// argument is an operand (for `run`, the command). An option's value is the
// argument after it, whatever it begins with.
Parsed parse(const std::vector<std::string>& args) {
    Parsed p;
    const VerbSpec* spec = nullptr;
    const auto fail = [&p](std::string why) {
        if (p.error.empty()) {
            p.error = std::move(why);
        }
    };
    const auto has = [](const std::vector<std::string_view>& list, std::string_view name) {
        return std::find(list.begin(), list.end(), name) != list.end();
    };
    bool operandsOnly = false;
    for (std::size_t i = 0; i < args.size() && p.ok(); ++i) {
        const std::string& a = args[i];
        const bool option = !operandsOnly && a.size() > 1 && a[0] == '-';
        if (!option) {
            if (a == "--") {
                fail("'--' stands alone");
            } else if (spec == nullptr) {
                const auto found = std::find_if(verbs().begin(), verbs().end(),
                                                [&](const VerbSpec& v) { return a == v.verb; });
                if (found == verbs().end()) {
                    fail("'" + a + "' is not a command");
                } else {
                    spec = &*found;
                    p.verb = a;
                }
            } else if (p.verb == "run") {
                fail("run: the command goes after '--': quarlo run -- " + a);
            } else {
                p.names.push_back(a);
            }
            continue;
        }
        if (a == "--") {
            if (p.verb == "run") {
                p.command.assign(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
                break;
            }
            operandsOnly = true;
            continue;
        }
        const std::string where = p.verb.empty() ? std::string() : p.verb + ": ";
        if (a == "--help") {
            p.help = true;
            continue;
        }
        if (a == "--version" && p.verb.empty()) {
            p.verb = a;
            continue;
        }
        const bool global = a == "--root";
        const bool flag = spec != nullptr && has(spec->flags, a);
        const bool valued = global || (spec != nullptr && has(spec->valued, a));
        if (!flag && !valued) {
            fail(where + "unrecognized option '" + a + "'");
            continue;
        }
        std::string value;
        if (valued) {
            if (i + 1 >= args.size()) {
                fail(where + "option '" + a + "' needs a value");
                continue;
            }
            value = args[++i];
        }
        if (a == "--root") {
            p.root = value;
            if (value.empty()) {
                fail("option '--root' needs a folder");
            }
        } else if (a == "--yes") {
            p.yes = true;
        } else if (a == "--keep") {
            if (!parseNumber(value, p.keep)) {
                fail("tidy: '--keep " + value + "' is not a number of saves");
            }
        } else if (a == "--pick" || a == "--character") {
            if (p.pick || p.character) {
                fail("run: '--character' and '--pick' go alone, and once");
            } else if (a == "--pick") {
                p.pick = true;
            } else if (value.empty()) {
                fail("run: option '--character' needs a name");
            } else {
                p.character = value;
            }
        } else if (a == "--timeout") {
            if (!parseNumber(value, p.timeout) || p.timeout < 0) {
                fail("run: '--timeout " + value + "' is not a number of seconds");
            }
        }
    }
    if (!p.ok() || p.help || p.verb == "--version") {
        return p;
    }
    if (spec == nullptr) {
        fail("a command is missing");
    } else if (p.names.size() != spec->operands.size()) {
        std::string wanted;
        for (const char* name : spec->operands) {
            wanted += (wanted.empty() ? "" : " ") + std::string(name);
        }
        fail(p.verb + (wanted.empty() ? ": takes no name" : ": wants " + wanted) + "; " +
             std::to_string(p.names.size()) + " given");
    }
    for (const std::string& name : p.names) {
        if (name.empty()) {
            fail(p.verb + ": a name is empty");
        }
    }
    return p;
}

// The switch `run` makes first; the outcome's text, "" for none asked.
std::string switchFirst(app::Game& game, const Parsed& p, Screens* screens,
                        const std::function<std::string(std::string_view)>& ansi) {
    std::optional<std::string> name = p.character;
    if (p.pick) {
        if (screens == nullptr) {
            return "Failed. The picker needs a display.";
        }
        app::Picker picker(app::characterLines(game, ansi, true), p.timeout);
        screens->pick(picker);
        name = picker.chosen();
    }
    if (!name) {
        return {};
    }
    std::string refusal;
    const auto writing = game.lockForWriting("run", refusal);
    if (!writing) {
        return refusal;
    }
    const std::string outcome = game.load(*name);
    // The character switched to, never a read of the setting that could
    // fail and give a default for a name.
    if (statusOf(outcome) == 0 && !game.applyCharacterSettings(*name)) {
        return app::text::kCouldNotWrite;
    }
    return outcome;
}

}  // namespace

bool wantsPicker(const std::vector<std::string>& args) {
    const Parsed p = parse(args);
    return p.ok() && !p.help && p.verb == "run" && p.pick;
}

namespace {

int runVerb(const Parsed& p, platform::Platform& platform, std::ostream& out, std::ostream& err,
            Screens* screens) {
    // A failure that would start the game into another character's folder
    // is shown where a launch option's player sees it, and printed too.
    const auto failed = [&](const std::string& text) {
        out << text << "\n";
        if (p.verb == "run" && screens != nullptr) {
            screens->showFailure(text);
        }
        return 1;
    };
    if (!platform.gameNotFound.empty()) {
        return failed(platform.gameNotFound);
    }
    Console console(err);
    app::Game game(platform, console);
    game.setRoot(p.root.empty() ? game.automaticRoot() : p.root);
    if (!platform.fileSystem->folderExists(game.root())) {
        return failed("Failed. No game folder at " + game.root() + ".");
    }
    const auto& ansi = platform.ansiToUtf8;
    // One writer at a time: a verb that writes holds the game folder for
    // all it does (a switch and the character's settings are one change);
    // one that reads only finishes what a command cut off left, when it
    // can, and otherwise reads as things are.
    const bool reads = p.verb == "list" || p.verb == "backups" || p.verb == "run";
    std::string refusal;
    auto writing = game.lockForWriting(p.verb, refusal, !reads);
    if (!writing && !reads) {
        return failed(refusal);
    }
    if (reads) {
        writing.reset();
    }
    if (p.verb == "list") {
        for (const app::CharacterLine& c : app::characterLines(game, ansi)) {
            out << (c.active ? "*" : "") << '\t' << c.name << '\t' << c.saves << '\t' << c.level
                << '\t' << c.location << '\t' << c.saved << '\n';
        }
        return 0;
    }
    if (p.verb == "switch") {
        const std::string outcome = game.load(p.names[0]);
        out << outcome << "\n";
        if (statusOf(outcome) == 0 && !game.applyCharacterSettings(p.names[0])) {
            out << app::text::kCouldNotWrite << "\n";
            return 1;
        }
        return statusOf(outcome);
    }
    if (p.verb == "new") {
        std::string folder;
        bool switched = false;
        const int difficulty = app::parseSetting(
            game.readGame("GamePlay", "iDifficultyLevel", "50", app::kSettingReadCapacity), 0, 100,
            50);
        const std::string outcome = game.create(p.names[0], difficulty, folder, switched);
        out << outcome << "\n";
        const std::string& name = p.names[0];
        if (switched && !game.applyCharacterSettings(name.substr(name.rfind('\\') + 1))) {
            out << app::text::kCouldNotWrite << "\n";
            return 1;
        }
        return statusOf(outcome);
    }
    if (p.verb == "backup" || p.verb == "backups" || p.verb == "restore") {
        const std::string& name = p.names[0];
        if (!listed(game, name) || !platform.fileSystem->folderExists(game.characterFolder(name))) {
            out << app::text::kFolderNotFound << "\n";
            return 1;
        }
        if (p.verb == "backup") {
            const backups::Made made = game.backUp(name);
            const std::string text = made.failure == app::text::kNoBackupStore
                                         ? made.failure
                                         : app::backupSummary(made, name);
            out << text << "\n";
            return statusOf(text);
        }
        backups::Store* store = game.store();
        if (store == nullptr) {
            out << app::text::kNoBackupStore << "\n";
            return 1;
        }
        const auto all = store->list(game.root(), name);
        if (p.verb == "backups") {
            for (const backups::Backup& b : all) {
                const app::BackupRow row = app::backupRow(b, platform.saveFiles.get(), ansi);
                out << b.id << '\t' << b.manifest.made << '\t' << row.reason << '\t' << row.saves
                    << '\t' << row.newest << '\n';
            }
            return 0;
        }
        const auto chosen = std::find_if(
            all.begin(), all.end(), [&](const backups::Backup& b) { return b.id == p.names[1]; });
        if (chosen == all.end()) {
            out << "Failed. No Such Backup.\n";
            return 1;
        }
        if (game.gameIsRunning()) {
            out << app::text::kSavesInUse << "\n";
            return 1;
        }
        const backups::Restored restored = store->restore(*chosen, game.characterFolder(name), {});
        store->prune(game.root(), name);
        const std::string text = app::restoreSummary(restored);
        out << text << "\n";
        return statusOf(text);
    }
    if (p.verb == "rename" || p.verb == "tidy") {
        const std::string& name = p.names[0];
        if (!listed(game, name)) {
            out << app::text::kFolderNotFound << "\n";
            return 1;
        }
        if (p.verb == "rename") {
            const std::string outcome = game.rename(name, p.names[1]);
            out << outcome << "\n";
            return statusOf(outcome);
        }
        ConsoleTidy view(out, err, p.keep, p.yes);
        game.tidyUp(name, view, p.keep);
        return statusOf(view.last());
    }
    // run: the switch under the lock (the picker before it), the game
    // after it.
    const std::string outcome = switchFirst(game, p, screens, ansi);
    if (!outcome.empty() && statusOf(outcome) != 0) {
        // Never into the wrong character: the game is not started.
        return failed(outcome +
                      "\n\nThe game was not started, so that it does not save into "
                      "another character's folder. Fix this, or start it without "
                      "Quarlo.");
    }
    if (!outcome.empty()) {
        err << outcome << "\n";
    }
    if (p.command.empty()) {
        const std::string launcher =
            platform.registry->RegGetValue(platform::kHkeyLocalMachine,
                                           std::string(game::kRegistryKey),
                                           std::string(game::kInstalledPathValue)) +
            "\\" + std::string(game::kLauncherFile);
        if (!platform.processes->startLauncher(launcher)) {
            out << app::text::kLauncherNotFound << "\n";
            return 1;
        }
        return 0;
    }
    const int status = platform.processes->runAndWait(p.command);
    if (status == platform::kCannotStart) {
        err << "quarlo: " << p.command.front() << " could not be started.\n";
    }
    return status;
}

}  // namespace

int run(const std::vector<std::string>& args, platform::Platform& platform, std::ostream& out,
        std::ostream& err, Screens* screens) {
    const Parsed p = parse(args);
    if (!p.ok()) {
        err << "quarlo: " << p.error << "\nTry 'quarlo --help'.\n";
        return 2;
    }
    if (p.help) {
        out << kUsage;
        return written(out, err, 0);
    }
    if (p.verb == "--version") {
        out << "quarlo " << kVersion << "\n";
        return written(out, err, 0);
    }
    const int status = runVerb(p, platform, out, err, screens);
    // A wrapper's status is its command's.
    return p.verb == "run" && !p.command.empty() ? status : written(out, err, status);
}

}  // namespace quarlo::cli
