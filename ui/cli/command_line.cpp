#include "ui/cli/command_line.h"

#include <algorithm>
#include <charconv>
#include <memory>
#include <optional>

#include "app/backups_window.h"
#include "app/carry.h"
#include "app/code_page.h"
#include "app/game.h"
#include "app/language.h"
#include "app/saves_window.h"
#include "app/steam_cloud.h"
#include "app/tidy.h"
#include "platform/clock.h"

#include <nlohmann/json.hpp>

namespace quarlo::cli {

namespace {

// Said in the language in use; the commands, options and their values stay
// as they are typed.
constexpr const char* kUsage =
    N_("Usage: quarlo [--game ID] [--root DIR] COMMAND [OPTIONS] [--] [ARGUMENTS]\n"
       "\n"
       "Without arguments Quarlo opens its window. The commands:\n"
       "  list                    each character, tab-separated: * for the one the game\n"
       "                          will use, the name, its saves, and its newest save's\n"
       "                          level, location and time\n"
       "  games                   the games found here, tab-separated: * for the one a\n"
       "                          command would use, its id, name and game folder, and\n"
       "                          why Quarlo cannot switch it where it cannot\n"
       "  saves NAME              NAME's saves, newest first, tab-separated: file, player,\n"
       "                          level, location, play time, saved at (UTC), plugins,\n"
       "                          state\n"
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
       "                          without COMMAND, the game as Run Game starts it.\n"
       "                          --pick shows a full-screen picker (arrows or the pad,\n"
       "                          Enter or A, Escape or B; the current character after S\n"
       "                          seconds, 10 at first, 0 for no countdown)\n"
       "  carry --place [PLACE [--rclone PATH]]\n"
       "                          where this game folder's characters are carried: a\n"
       "                          folder another program keeps in step between your\n"
       "                          computers, or an rclone remote (name:path); \"\" forgets\n"
       "                          it, none shows it\n"
       "  carry [--dry-run] NAME | --all\n"
       "                          bring NAME (or every character) up to date both ways\n"
       "                          with the place; a save changed on both sides is kept\n"
       "                          twice, never one over the other\n"
       "  language [CODE]         the window's language (en, de, fr, es, it, ru, pl),\n"
       "                          kept for its next start; without CODE, the one kept\n"
       "                          (\"system\": the system's) and the one in use\n"
       "  code-page [PAGE | auto] the code page (1250 to 1258) of the names in this game\n"
       "                          folder's saves, kept for it; auto: the game's language\n"
       "                          setting's, else the system's; without PAGE, the one used\n"
       "  --help, --version\n"
       "\n"
       "  --game ID               the game: oblivion, skyrim, skyrimse, skyrimvr,\n"
       "                          fallout3, falloutnv, fallout4, fallout4vr. Without it:\n"
       "                          the game a Steam launch option starts, else the only\n"
       "                          game found, else the one last chosen in the window,\n"
       "                          else Oblivion\n"
       "  --root DIR              the game folder DIR, as Root Dir Mode\n"
       "  --json                  list, games, saves and backups as one JSON document\n"
       "  --language CODE         say it in en, de, fr, es, it, ru or pl (the window's\n"
       "                          choice, else the system's, without it); the exit\n"
       "                          status and --json are the same in every language\n"
       "  --code-page PAGE        read the names in saves in code page PAGE (1250 to 1258)\n"
       "                          for this command\n"
       "\n"
       "An argument that begins with '-' is an option; a name that does, goes after\n"
       "'--' (quarlo new -- -Ann).\n"
       "\n"
       "Exit status: 0 for Success, 1 for Failed (or output that could not be written),\n"
       "2 for a command line not understood; run exits with its command's status, 127\n"
       "when it cannot be started.\n");

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
        err_ << texts::trLines(question) << "\n";
        return yes_;
    }
    bool confirmTidy(app::TidyPlan& plan,
                     const std::function<app::TidyPlan(std::size_t keep)>& replan) override {
        if (keep_ != plan.keep) {
            plan = replan(keep_);
        }
        if (!plan.warning.empty()) {
            err_ << texts::trLines(plan.warning) << "\n";
        }
        out_ << app::tidyPlanText(plan, texts::tr) << "\n";
        if (!yes_) {
            out_ << texts::tr(N_("Nothing was sent to the trash: add --yes to tidy up as planned."))
                 << "\n";
        }
        return yes_;
    }
    void showMessage(const std::string&, const std::string& text) override {
        out_ << texts::trLines(text) << "\n";
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
    err << "quarlo: " << texts::tr(N_("the output could not be written.")) << "\n";
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
    std::string game;
    std::string language;
    int codePage = 0;
    bool json = false;
    std::string verb;
    std::vector<std::string> names;  // the verb's operands
    // run's
    std::optional<std::string> character;
    bool pick = false;
    int timeout = 10;
    std::vector<std::string> command;
    // carry's
    std::optional<std::string> place;  // --place VALUE
    bool showPlace = false;            // --place alone, at the end
    std::string rclone;
    bool all = false;
    bool dryRun = false;
    // tidy's
    std::size_t keep = app::kTidyKeepAtFirst;
    bool yes = false;
    bool help = false;
    // What is wrong with the command line, one line; "" when it is understood.
    std::string error;
    bool ok() const { return error.empty(); }
};

// A verb: the options it takes besides the global ones, and its operands.
struct VerbForm {
    const char* verb;
    std::vector<std::string_view> flags;   // options without a value
    std::vector<std::string_view> valued;  // options with one
    std::vector<const char*> operands;     // their names, as the usage writes them
};

const std::vector<VerbForm>& verbs() {
    static const std::vector<VerbForm> all{
        {"list", {"--json"}, {}, {}},
        {"games", {"--json"}, {}, {}},
        {"saves", {"--json"}, {}, {"NAME"}},
        {"switch", {}, {}, {"NAME"}},
        {"new", {}, {}, {"NAME"}},
        {"backup", {}, {}, {"NAME"}},
        {"backups", {"--json"}, {}, {"NAME"}},
        {"restore", {}, {}, {"NAME", "ID"}},
        {"rename", {}, {}, {"NAME", "NEW"}},
        {"tidy", {"--yes"}, {"--keep"}, {"NAME"}},
        {"run", {"--pick"}, {"--character", "--timeout"}, {}},
        {"carry", {"--all", "--dry-run"}, {"--place", "--rclone"}, {"NAME"}},
        {"language", {}, {}, {"CODE"}},
        {"code-page", {}, {}, {"PAGE"}},
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
    const VerbForm* form = nullptr;
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
                fail(N_("'--' stands alone"));
            } else if (form == nullptr) {
                const auto found = std::find_if(verbs().begin(), verbs().end(),
                                                [&](const VerbForm& v) { return a == v.verb; });
                if (found == verbs().end()) {
                    fail(texts::format(N_("'{1}' is not a command"), {a}));
                } else {
                    form = &*found;
                    p.verb = a;
                }
            } else if (p.verb == "run") {
                fail(texts::format(N_("run: the command goes after '--': quarlo run -- {1}"), {a}));
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
        const bool global =
            a == "--root" || a == "--game" || a == "--language" || a == "--code-page";
        // Before the verb or after it; whether the verb has it is checked
        // once the verb is known.
        const bool flag = a == "--json" || (form != nullptr && has(form->flags, a));
        const bool valued = global || (form != nullptr && has(form->valued, a));
        if (!flag && !valued) {
            fail(p.verb.empty() ? texts::format(N_("unrecognized option '{1}'"), {a})
                                : texts::format(N_("{1}: unrecognized option '{2}'"), {p.verb, a}));
            continue;
        }
        std::string value;
        if (a == "--place" && p.verb == "carry" && i + 1 >= args.size()) {
            p.showPlace = true;  // "quarlo carry --place": the place as set
            continue;
        }
        if (valued) {
            if (i + 1 >= args.size()) {
                fail(p.verb.empty()
                         ? texts::format(N_("option '{1}' needs a value"), {a})
                         : texts::format(N_("{1}: option '{2}' needs a value"), {p.verb, a}));
                continue;
            }
            value = args[++i];
        }
        if (a == "--root") {
            p.root = value;
            if (value.empty()) {
                fail(N_("option '--root' needs a folder"));
            }
        } else if (a == "--game") {
            p.game = value;
            if (games::byKey(value) == nullptr) {
                std::string known;
                for (const games::Game& g : games::all()) {
                    known += (known.empty() ? "" : ", ") + std::string(g.key);
                }
                fail(texts::format(N_("'--game {1}' is no game Quarlo knows ({2})"),
                                   {value, known}));
            }
        } else if (a == "--language") {
            p.language = value;
            const auto& all = texts::languages();
            if (std::none_of(all.begin(), all.end(),
                             [&](const texts::Language& l) { return value == l.code; })) {
                std::string known;
                for (const texts::Language& l : all) {
                    known += (known.empty() ? "" : ", ") + std::string(l.code);
                }
                fail(texts::format(N_("'--language {1}' is no language Quarlo speaks ({2})"),
                                   {value, known}));
            }
        } else if (a == "--code-page") {
            if (!parseNumber(value, p.codePage) || !app::isCodePageChoice(p.codePage)) {
                fail(texts::format(
                    N_("'--code-page {1}' is no code page Quarlo reads names in (1250 to 1258)"),
                    {value}));
            }
        } else if (a == "--json") {
            p.json = true;
        } else if (a == "--yes") {
            p.yes = true;
        } else if (a == "--keep") {
            if (!parseNumber(value, p.keep)) {
                fail(texts::format(N_("tidy: '--keep {1}' is not a number of saves"), {value}));
            }
        } else if (a == "--pick" || a == "--character") {
            if (p.pick || p.character) {
                fail(N_("run: '--character' and '--pick' go alone, and once"));
            } else if (a == "--pick") {
                p.pick = true;
            } else if (value.empty()) {
                fail(N_("run: option '--character' needs a name"));
            } else {
                p.character = value;
            }
        } else if (a == "--place") {
            p.place = value;
        } else if (a == "--rclone") {
            p.rclone = value;
        } else if (a == "--all") {
            p.all = true;
        } else if (a == "--dry-run") {
            p.dryRun = true;
        } else if (a == "--timeout") {
            if (!parseNumber(value, p.timeout) || p.timeout < 0) {
                fail(texts::format(N_("run: '--timeout {1}' is not a number of seconds"), {value}));
            }
        }
    }
    if (!p.ok() || p.help || p.verb == "--version") {
        return p;
    }
    if (form == nullptr) {
        fail(N_("a command is missing"));
    } else if (p.json && !has(form->flags, "--json")) {
        fail(texts::format(N_("{1}: unrecognized option '{2}'"), {p.verb, "--json"}));
    } else if (p.verb == "carry" && (p.place || p.showPlace)) {
        if (!p.names.empty() || p.all || p.dryRun) {
            fail(N_("carry: '--place' goes alone"));
        }
    } else if ((p.verb == "language" || p.verb == "code-page") && p.names.size() <= 1) {
        // "quarlo language" shows the language kept, "quarlo language de" keeps one.
    } else if (p.verb == "carry" && p.all) {
        if (!p.names.empty()) {
            fail(N_("carry: a NAME or '--all', not both"));
        }
    } else if (p.names.size() != form->operands.size()) {
        std::string wanted;
        for (const char* name : form->operands) {
            wanted += (wanted.empty() ? "" : " ") + std::string(name);
        }
        const std::string given = std::to_string(p.names.size());
        fail(wanted.empty()
                 ? texts::format(N_("{1}: takes no name; {2} given"), {p.verb, given})
                 : texts::format(N_("{1}: wants {2}; {3} given"), {p.verb, wanted, given}));
    }
    for (const std::string& name : p.names) {
        if (name.empty()) {
            fail(texts::format(N_("{1}: a name is empty"), {p.verb}));
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
            return N_("Failed. The picker needs a display.");
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

GameChoice chooseGame(const std::vector<std::string>& args, std::string_view launchApp,
                      const std::function<std::vector<platform::FoundGame>()>& found,
                      std::string_view remembered) {
    GameChoice choice;
    const Parsed p = parse(args);
    if (!p.game.empty()) {
        if (const games::Game* named = games::byKey(p.game)) {
            choice.game = named;
        } else {
            choice.error = p.error;
        }
        return choice;
    }
    // A launch option of a game outside the family says nothing.
    if (const games::Game* launched = games::bySteamApp(launchApp)) {
        choice.game = launched;
        return choice;
    }
    if (found) {
        const auto here = found();
        if (here.size() == 1) {
            choice.game = here.front().game;
            return choice;
        }
    }
    if (const games::Game* last = games::byKey(remembered)) {
        choice.game = last;
    }
    return choice;
}

bool wantsPicker(const std::vector<std::string>& args) {
    const Parsed p = parse(args);
    return p.ok() && !p.help && p.verb == "run" && p.pick;
}

namespace {

// "2024-03-02T05:13:45Z": a save's time on the local clock, in UTC.
std::string utcText(const saves::SystemTime& local) {
    const saves::SystemTime t =
        saves::systemTimeOf(platform::localToUtcMs(saves::millisecondsSince1970(local)));
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", t.year % 10000u,
                  t.month % 100u, t.day % 100u, t.hour % 100u, t.minute % 100u, t.second % 100u);
    return text;
}

// "3:25:07".
std::string playText(std::uint32_t ms) {
    const std::uint32_t seconds = ms / 1000;
    char text[32];
    std::snprintf(text, sizeof text, "%u:%02u:%02u", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return text;
}

// A field of a tab-separated line: its tabs and line breaks as spaces, so
// that a name from a save never makes a column or a line of its own.
std::string field(std::string text) {
    for (char& c : text) {
        if (c == '\t' || c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return text;
}

nlohmann::json jsonText(const std::string& text) {
    return nlohmann::json(text);
}

// The document, for scripts: JSON takes only UTF-8, so a byte of a name that
// is none becomes U+FFFD rather than stop the output.
std::string dumped(const nlohmann::json& document) {
    return document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

int gamesVerb(const Parsed& p, const platform::Platform& platform, std::ostream& out,
              const std::function<std::vector<platform::FoundGame>()>& found) {
    const auto here = found ? found() : std::vector<platform::FoundGame>{};
    nlohmann::json list = nlohmann::json::array();
    for (const platform::FoundGame& f : here) {
        const bool chosen = f.game == platform.game;
        if (p.json) {
            list.push_back({{"id", f.game->key},
                            {"name", f.game->name},
                            {"folder", jsonText(f.folder)},
                            {"chosen", chosen},
                            {"supported", f.supported},
                            {"why", f.supported ? nlohmann::json(nullptr) : jsonText(f.why)}});
            continue;
        }
        out << (chosen ? "*" : "") << '\t' << f.game->key << '\t' << f.game->name << '\t'
            << field(f.folder);
        if (!f.supported) {
            out << '\t' << "not supported: " << field(f.why);
        }
        out << '\n';
    }
    if (p.json) {
        out << dumped(nlohmann::json{{"games", list}}) << '\n';
    }
    return 0;
}

// `saves NAME`: the character's saves as its Saves window reads them.
int savesVerb(const Parsed& p, app::Game& game, const platform::Platform& platform,
              std::ostream& out) {
    const std::string& name = p.names[0];
    app::SavesSource source{name, game.characterFolder(name), platform.saveFiles.get(),
                            platform.ansiToUtf8};
    source.plugins = [&game] { return game.pluginSetup(); };
    source.cloud = [&game] { return game.cloudSaves(); };
    source.cloudInUse = [&game] { return game.cloudInUse(); };
    source.game = &game.game();
    const app::ListedSaves listed = app::listSavesOf(source);
    nlohmann::json list = nlohmann::json::array();
    for (std::size_t i = 0; i < listed.saves.size(); ++i) {
        const saves::SaveEntry& e = listed.saves[i];
        const app::SaveRow& row = listed.rows[i];
        const std::string state = row.note.empty() ? std::string("good") : row.note;
        const std::string savedAt = e.header && e.header->timed ? utcText(e.header->saveTime) : "";
        const std::string played = e.header ? playText(e.header->playTimeMs) : "";
        const auto plugins = app::pluginLines(e, source, listed.plugins);
        if (!p.json) {
            out << field(e.fileName) << '\t' << field(row.player) << '\t' << row.level << '\t'
                << field(row.location) << '\t' << played << '\t' << savedAt << '\t'
                << plugins.size() << '\t' << field(state) << '\n';
            continue;
        }
        nlohmann::json names = nlohmann::json::array();
        for (const app::PluginLine& plugin : plugins) {
            names.push_back(jsonText(plugin.name));
        }
        nlohmann::json coSaves = nlohmann::json::array();
        for (const std::string& coSave : e.coSaves) {
            coSaves.push_back(jsonText(coSave));
        }
        nlohmann::json shot = nullptr;
        if (e.header && e.header->screenshotWidth > 0 && e.header->screenshotHeight > 0) {
            shot = {{"width", e.header->screenshotWidth}, {"height", e.header->screenshotHeight}};
        }
        list.push_back(
            {{"file", jsonText(e.fileName)},
             {"player", e.header ? jsonText(row.player) : nlohmann::json(nullptr)},
             {"level", e.header ? nlohmann::json(e.header->playerLevel) : nlohmann::json(nullptr)},
             {"location", e.header ? jsonText(row.location) : nlohmann::json(nullptr)},
             {"playTime", e.header ? nlohmann::json(played) : nlohmann::json(nullptr)},
             {"savedAt", savedAt.empty() ? nlohmann::json(nullptr) : nlohmann::json(savedAt)},
             {"saveNumber",
              e.header ? nlohmann::json(e.header->saveNumber) : nlohmann::json(nullptr)},
             {"plugins", names},
             {"screenshot", shot},
             {"state", jsonText(state)},
             {"coSaves", coSaves}});
    }
    if (p.json) {
        out << dumped(nlohmann::json{
                   {"game", game.game().key}, {"character", jsonText(name)}, {"saves", list}})
            << '\n';
    }
    return 0;
}

int runVerb(const Parsed& p, platform::Platform& platform, std::ostream& out, std::ostream& err,
            Screens* screens, const std::function<std::vector<platform::FoundGame>()>& found) {
    // A failure that would start the game into another character's folder
    // is shown where a launch option's player sees it, and printed too.
    const auto failed = [&](const std::string& text) {
        out << texts::trLines(text) << "\n";
        if (p.verb == "run" && screens != nullptr) {
            screens->showFailure(texts::trLines(text));
        }
        return 1;
    };
    if (p.verb == "games") {
        return gamesVerb(p, platform, out, found);
    }
    if (p.verb == "language") {
        const auto& all = texts::languages();
        if (p.names.empty()) {
            const std::string kept = platform::rememberedLanguage();
            out << (kept.empty() ? std::string("system") : kept) << "\t" << texts::current()
                << "\n";
            return 0;
        }
        const auto chosen = std::find_if(
            all.begin(), all.end(), [&](const texts::Language& l) { return p.names[0] == l.code; });
        if (chosen == all.end()) {
            out << texts::tr(texts::format(N_("Failed. '{1}' is no language Quarlo speaks."),
                                           {p.names[0]}))
                << "\n";
            return 1;
        }
        if (!platform::rememberLanguage(chosen->code)) {
            out << texts::tr(N_("Failed. Quarlo's settings file could not be written.")) << "\n";
            return 1;
        }
        out << texts::tr(texts::format(N_("Success. The window speaks {1} from its next start."),
                                       {chosen->name}))
            << "\n";
        return 0;
    }
    if (!platform.game->switchable) {
        // Recognised, never written.
        return failed("Failed. " + std::string(platform.game->whyNot));
    }
    if (!platform.gameNotFound.empty()) {
        return failed(platform.gameNotFound);
    }
    Console console(err);
    app::Game game(platform, console);
    game.setRoot(p.root.empty() ? game.automaticRoot() : p.root);
    if (!platform.fileSystem->folderExists(game.root())) {
        // Only the Microsoft Store's edition here: said as it is.
        const char sep = platform.fileSystem->separator();
        const std::string myGames = game.root().substr(0, game.root().rfind(sep) + 1);
        for (const std::string_view folder : platform.game->containerFolders) {
            if (p.root.empty() &&
                platform.fileSystem->folderExists(myGames + std::string(folder))) {
                return failed("Failed. " + games::containerReason(*platform.game));
            }
        }
        return failed(platform.game->id == games::GameId::oblivion
                          ? texts::format(N_("Failed. No game folder at {1}."), {game.root()})
                          : texts::format(N_("Failed. No game folder of {1} at {2}."),
                                          {platform.game->name, game.root()}));
    }
    if (p.verb == "code-page") {
        if (p.names.empty()) {
            out << texts::tr(app::describeCodePage(app::chooseCodePage(game, p.codePage),
                                                   platform.systemCodePage))
                << "\n";
            return 0;
        }
        int number = 0;
        if (p.names[0] != "auto" &&
            (!parseNumber(p.names[0], number) || !app::isCodePageChoice(number))) {
            out << texts::tr(texts::format(N_("Failed. '{1}' is no code page Quarlo reads names "
                                              "in (1250 to 1258)."),
                                           {p.names[0]}))
                << "\n";
            return 1;
        }
        std::string refusal;
        const auto writing = game.lockForWriting("code-page", refusal);
        if (!writing) {
            out << texts::trLines(refusal) << "\n";
            return 1;
        }
        const std::string outcome = app::keepCodePage(game, number);
        out << texts::trLines(outcome) << "\n";
        return statusOf(outcome);
    }
    // The names in saves, read in the edition's code page from here on.
    if (const std::string note = app::useCodePage(game, platform, p.codePage); !note.empty()) {
        if (p.codePage != 0) {
            return failed(note);
        }
        err << "quarlo: " << note << "\n";
    }
    const auto& ansi = platform.ansiToUtf8;
    // One writer at a time: a verb that writes holds the game folder for
    // all it does (a switch and the character's settings are one change);
    // one that reads only finishes what a command cut off left, when it
    // can, and otherwise reads as things are.
    const bool reads =
        p.verb == "list" || p.verb == "backups" || p.verb == "saves" || p.verb == "run";
    std::string refusal;
    auto writing = game.lockForWriting(p.verb, refusal, !reads);
    if (!writing && !reads) {
        return failed(refusal);
    }
    if (reads) {
        writing.reset();
    }
    if (p.verb == "list") {
        nlohmann::json list = nlohmann::json::array();
        for (const app::CharacterLine& c : app::characterLines(game, ansi)) {
            if (p.json) {
                list.push_back({{"name", jsonText(c.name)},
                                {"active", c.active},
                                {"saves", c.saves},
                                {"level", c.level},
                                {"location", jsonText(c.location)},
                                {"saved", c.saved}});
                continue;
            }
            out << (c.active ? "*" : "") << '\t' << c.name << '\t' << c.saves << '\t' << c.level
                << '\t' << c.location << '\t' << c.saved << '\n';
        }
        if (p.json) {
            out << dumped(nlohmann::json{{"game", game.game().key}, {"characters", list}}) << '\n';
        }
        return 0;
    }
    if (p.verb == "saves") {
        if (!listed(game, p.names[0])) {
            out << texts::tr(app::text::kFolderNotFound) << "\n";
            return 1;
        }
        return savesVerb(p, game, platform, out);
    }
    if (p.verb == "switch") {
        const std::string outcome = game.load(p.names[0]);
        out << texts::trLines(outcome) << "\n";
        if (statusOf(outcome) == 0 && !game.applyCharacterSettings(p.names[0])) {
            out << texts::tr(app::text::kCouldNotWrite) << "\n";
            return 1;
        }
        return statusOf(outcome);
    }
    if (p.verb == "new") {
        std::string folder;
        bool switched = false;
        const games::Difficulty& d = game.game().difficulty;
        const int difficulty =
            app::parseSetting(game.readSetting(d.setting, std::to_string(d.normal).c_str(),
                                               app::kSettingReadCapacity),
                              d.low, d.high, d.normal);
        const std::string outcome = game.create(p.names[0], difficulty, folder, switched);
        out << texts::trLines(outcome) << "\n";
        const std::string& name = p.names[0];
        if (switched && !game.applyCharacterSettings(name.substr(name.rfind('\\') + 1))) {
            out << texts::tr(app::text::kCouldNotWrite) << "\n";
            return 1;
        }
        return statusOf(outcome);
    }
    if (p.verb == "backup" || p.verb == "backups" || p.verb == "restore") {
        const std::string& name = p.names[0];
        if (!listed(game, name) || !platform.fileSystem->folderExists(game.characterFolder(name))) {
            out << texts::tr(app::text::kFolderNotFound) << "\n";
            return 1;
        }
        if (p.verb == "backup") {
            const backups::Made made = game.backUp(name);
            const std::string text = made.failure == app::text::kNoBackupStore
                                         ? made.failure
                                         : app::backupSummary(made, name, game.game().saves);
            out << texts::trLines(text) << "\n";
            return statusOf(text);
        }
        backups::Store* store = game.store();
        if (store == nullptr) {
            out << texts::tr(app::text::kNoBackupStore) << "\n";
            return 1;
        }
        const auto all = store->list(game.root(), name);
        if (p.verb == "backups") {
            nlohmann::json list = nlohmann::json::array();
            for (const backups::Backup& b : all) {
                const app::BackupRow row =
                    app::backupRow(b, platform.saveFiles.get(), ansi, game.game().saves);
                if (p.json) {
                    list.push_back({{"id", b.id},
                                    {"made", b.manifest.made},
                                    {"reason", backups::reasonKey(b.manifest.reason)},
                                    {"saves", row.saves},
                                    {"newest", jsonText(row.newest)}});
                    continue;
                }
                out << b.id << '\t' << b.manifest.made << '\t' << texts::tr(row.reason) << '\t'
                    << row.saves << '\t' << texts::tr(row.newest) << '\n';
            }
            if (p.json) {
                out << dumped(nlohmann::json{{"game", game.game().key},
                                             {"character", jsonText(name)},
                                             {"backups", list}})
                    << '\n';
            }
            return 0;
        }
        const auto chosen = std::find_if(
            all.begin(), all.end(), [&](const backups::Backup& b) { return b.id == p.names[1]; });
        if (chosen == all.end()) {
            out << texts::tr(N_("Failed. No Such Backup.")) << "\n";
            return 1;
        }
        if (game.gameIsRunning()) {
            out << texts::tr(app::text::kSavesInUse) << "\n";
            return 1;
        }
        const backups::Restored restored = store->restore(*chosen, game.characterFolder(name), {});
        store->prune(game.root(), name);
        const std::string text = app::restoreSummary(restored);
        out << texts::trLines(text) << "\n";
        return statusOf(text);
    }
    if (p.verb == "carry") {
        if (p.showPlace) {
            const auto where = app::carryPlace(game);
            out << (where ? where->place : texts::tr(N_("No carry place is set."))) << "\n";
            return 0;
        }
        if (p.place) {
            const std::string text = app::setCarryPlace(game, *p.place, p.rclone);
            out << texts::trLines(text) << "\n";
            return statusOf(text);
        }
        const carry::Report report =
            app::carryNow(game, platform, p.all ? std::vector<std::string>{} : p.names, p.dryRun);
        for (const std::string& line : report.lines) {
            out << texts::trLines(line) << "\n";
        }
        return report.status;
    }
    if (p.verb == "rename" || p.verb == "tidy") {
        const std::string& name = p.names[0];
        if (!listed(game, name)) {
            out << texts::tr(app::text::kFolderNotFound) << "\n";
            return 1;
        }
        if (p.verb == "rename") {
            const std::string outcome = game.rename(name, p.names[1]);
            out << texts::trLines(outcome) << "\n";
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
        return failed(outcome + "\n\n" +
                      N_("The game was not started, so that it does not save into another "
                         "character's folder. Fix this, or start it without Quarlo."));
    }
    if (!outcome.empty()) {
        err << texts::trLines(outcome) << "\n";
    }
    if (p.command.empty()) {
        if (!platform.processes->startLauncher(game.launcherPath())) {
            out << texts::tr(app::text::kLauncherNotFound) << "\n";
            return 1;
        }
        return 0;
    }
    // Where a carry place is set, the character is carried before the game
    // starts and again after it ends; a place that cannot be reached is
    // said, and the game starts all the same.
    const auto carried = [&](const char* when) {
        const std::string name = game.activeSave();
        if (!app::carryPlace(game) || name.empty()) {
            return false;
        }
        std::string refusal;
        const auto holding = game.lockForWriting("carry", refusal, false);
        if (!holding) {
            err << "quarlo: "
                << texts::tr(
                       texts::format(N_("{1} was not carried {2}: {3}"), {name, when, refusal}))
                << "\n";
            return false;
        }
        const carry::Report report = app::carryNow(game, platform, {name}, false, {}, 20000);
        for (const std::string& line : report.lines) {
            if (report.status != 0 || line.rfind("Kept both", 0) == 0) {
                err << "quarlo: " << texts::tr(line) << "\n";
            }
        }
        return report.status == 0;
    };
    carried(NW_("word", "before the game"));
    // Marked before the game starts, cleared once the carry after it has
    // reached the place: a run Steam ends with the wrapper shows in the
    // picker next time.
    const std::string playing = game.activeSave();
    const bool carrying = app::carryPlace(game).has_value() && !playing.empty();
    if (carrying) {
        app::markCarryPending(game, playing, true);
    }
    const int status = platform.processes->runAndWait(p.command);
    if (status == platform::kCannotStart) {
        err << "quarlo: "
            << texts::tr(texts::format(N_("{1} could not be started."), {p.command.front()}))
            << "\n";
    }
    if (carrying && carried(NW_("word", "after the game"))) {
        app::markCarryPending(game, playing, false);
    }
    return status;
}

}  // namespace

int run(const std::vector<std::string>& args, platform::Platform& platform, std::ostream& out,
        std::ostream& err, Screens* screens,
        const std::function<std::vector<platform::FoundGame>()>& found) {
    const Parsed p = parse(args);
    // The language of what is said, the help and a mistyped command too; the
    // exit status and --json stay the same in every one.
    std::string why;
    const bool spoken = app::useLanguage(platform, p.language, why);
    if (!p.ok()) {
        err << "quarlo: " << texts::tr(p.error) << "\n"
            << texts::tr(N_("Try 'quarlo --help'.")) << "\n";
        return 2;
    }
    if (!spoken) {
        err << "quarlo: " << texts::tr(texts::format(N_("{1}; English is used."), {why})) << "\n";
    }
    if (p.help) {
        out << texts::tr(kUsage);
        return written(out, err, 0);
    }
    if (p.verb == "--version") {
        out << "quarlo " << kVersion << "\n";
        return written(out, err, 0);
    }
    const int status = runVerb(p, platform, out, err, screens, found);
    // A wrapper's status is its command's.
    return p.verb == "run" && !p.command.empty() ? status : written(out, err, status);
}

int runHere(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            Screens* screens) {
    // Looking for every game costs a walk of each store's folders: done
    // once, and only where the choice or the verb needs it.
    auto cache = std::make_shared<std::optional<std::vector<platform::FoundGame>>>();
    const std::function<std::vector<platform::FoundGame>()> found = [cache] {
        if (!*cache) {
            *cache = platform::findGames();
        }
        return **cache;
    };
    const GameChoice choice =
        chooseGame(args, platform::launchAppId(), found, platform::rememberedGame());
    platform::Platform platform = platform::createPlatform(*choice.game, true);
    return run(args, platform, out, err, screens, found);
}

}  // namespace quarlo::cli
