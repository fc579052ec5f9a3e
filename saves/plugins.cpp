#include "saves/plugins.h"

#include "platform/save_files.h"
#include "texts/catalogue.h"

namespace quarlo::saves {

namespace {

// Plugins.txt holds a few hundred names at most.
constexpr std::size_t kLargestPluginsTxt = 1 << 20;

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

bool isPluginFile(std::string_view name) {
    const std::string folded = foldPluginName(name);
    return folded.size() > 4 &&
           (folded.ends_with(".esp") || folded.ends_with(".esm") || folded.ends_with(".esl"));
}

}  // namespace

const char* describe(PluginState state) {
    switch (state) {
        case PluginState::active:
            return N_("active");
        case PluginState::inactive:
            return N_("installed, not active");
        case PluginState::notInstalled:
            return N_("not installed");
        case PluginState::unknown:
            return "";
    }
    return "";
}

std::string foldPluginName(std::string_view name) {
    std::string out(name);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

std::vector<std::string> parsePluginsTxt(std::string_view text) {
    std::vector<std::string> names;
    while (!text.empty()) {
        const std::size_t cut = text.find('\n');
        std::string_view line = text.substr(0, cut);
        text.remove_prefix(cut == std::string_view::npos ? text.size() : cut + 1);
        line = trimmed(line.substr(0, line.find('#')));
        if (!line.empty()) {
            names.emplace_back(line);
        }
    }
    return names;
}

PluginSetup readPluginSetup(const platform::SaveFiles& files, const std::string& pluginsTxt,
                            const std::string& dataFolder,
                            const std::function<std::string(std::string_view)>& toUtf8,
                            const games::Game& game, const std::string& creationClubList) {
    PluginSetup setup;
    const auto data = dataFolder.empty() ? std::nullopt : files.listFiles(dataFolder);
    if (!data) {
        setup.why = dataFolder.empty()
                        ? N_("The game's Data folder was not found, so each save shows only how "
                             "many plugins it needs.")
                        : texts::format(N_("The game's Data folder was not found ({1}), so each "
                                           "save shows only how many plugins it needs."),
                                        {dataFolder});
        return setup;
    }
    const auto list =
        pluginsTxt.empty() ? std::nullopt : files.read(pluginsTxt, 0, kLargestPluginsTxt);
    if (!list) {
        setup.why = pluginsTxt.empty()
                        ? N_("The game's list of active plugins was not found, so each save "
                             "shows only how many plugins it needs.")
                        : texts::format(N_("The game's list of active plugins was not found "
                                           "({1}), so each save shows only how many plugins it "
                                           "needs."),
                                        {pluginsTxt});
        return setup;
    }
    for (const platform::FolderEntry& e : data->entries) {
        if (e.kind != platform::EntryKind::other && isPluginFile(e.name)) {
            setup.installed.insert(foldPluginName(e.name));
        }
    }
    for (std::string_view name : parsePluginsTxt(list->bytes)) {
        // The later games list every installed plugin, "*" marking those
        // that load.
        if (game.pluginsStarred) {
            if (!name.starts_with('*')) {
                continue;
            }
            name.remove_prefix(1);
        }
        setup.active.insert(foldPluginName(toUtf8 ? toUtf8(name) : std::string(name)));
    }
    // The game loads its masters, and the Creation Club's plugins its list
    // in the install folder names, whether Plugins.txt names them or not.
    for (const std::string_view name : game.implicitPlugins) {
        setup.active.insert(foldPluginName(name));
    }
    if (const auto club = creationClubList.empty()
                              ? std::nullopt
                              : files.read(creationClubList, 0, kLargestPluginsTxt)) {
        for (const std::string& name : parsePluginsTxt(club->bytes)) {
            setup.active.insert(foldPluginName(name));
        }
    }
    setup.known = true;
    return setup;
}

PluginState stateOf(const PluginSetup& setup, std::string_view utf8Name) {
    if (!setup.known) {
        return PluginState::unknown;
    }
    const std::string key = foldPluginName(utf8Name);
    if (!setup.installed.count(key)) {
        return PluginState::notInstalled;
    }
    return setup.active.count(key) ? PluginState::active : PluginState::inactive;
}

}  // namespace quarlo::saves
