#include "app/sort_saves.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "app/main_window.h"
#include "app/saves_window.h"
#include "app/transfer_text.h"

namespace quarlo::app {

namespace {

std::string foldCase(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return s;
}

}  // namespace

std::string stayingText(const SortGroup& g) {
    const std::size_t n = g.staying.size();
    return texts::format(
        texts::englishN("{1} save stays in Saves (its name is taken in {2})",
                        "{1} saves stay in Saves (their names are taken in {2})", n),
        {std::to_string(n), g.folder});
}

std::string groupName(const SortGroup& g) {
    return g.sharesName ? texts::format(N_("{1} (started {2})"), {g.name, startedText(g.started)})
                        : g.name;
}

std::size_t SortPlan::movable() const {
    std::size_t n = 0;
    for (const SortGroup& g : groups) {
        n += g.refusal == nullptr ? g.saves.size() : 0;
    }
    return n;
}

std::string startedText(const saves::SystemTime& stamp) {
    char text[16];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u", stamp.year % 10000u, stamp.month % 100u,
                  stamp.day % 100u);
    return text;
}

SortPlan planSort(
    const std::vector<saves::SaveEntry>& loose,
    const std::function<std::string(std::string_view)>& ansiToUtf8,
    const std::function<const char*(const std::string&)>& refuse,
    const std::function<std::optional<ExistingFolder>(const std::string&)>& existing) {
    SortPlan plan;
    // One group per character, and how often each spelling of its name comes.
    std::map<std::pair<std::string, std::uint64_t>, std::size_t> byCharacter;
    std::vector<std::map<std::string, std::size_t>> spellings;
    for (const saves::SaveEntry& save : loose) {
        if (!save.header) {
            ++plan.unreadable;
            continue;
        }
        // The row's own conversion, so the plan names players as the Saves
        // window does.
        const std::string name = rowFor(save, ansiToUtf8).player;
        // Oblivion's stamp where the save has one; the later games' saves
        // stand for the character's start by the earliest of them.
        const bool stamped = save.header->characterStamp.year != 0;
        const saves::SystemTime stamp = stamped ? save.header->characterStamp : save.savedTime();
        const auto key = std::make_pair(foldCase(name), save.header->characterKey);
        const auto [it, added] = byCharacter.try_emplace(key, plan.groups.size());
        if (added) {
            SortGroup group;
            group.character = save.header->characterKey;
            group.started = stamp;
            plan.groups.push_back(std::move(group));
            spellings.emplace_back();
        } else if (!stamped && saves::millisecondsSince1970(stamp) <
                                   saves::millisecondsSince1970(plan.groups[it->second].started)) {
            plan.groups[it->second].started = stamp;
        }
        plan.groups[it->second].saves.push_back(save);
        ++spellings[it->second][name];
    }
    for (std::size_t i = 0; i < plan.groups.size(); ++i) {
        // The spelling most saves have; of equals, the newest save's.
        std::size_t best = 0;
        for (const saves::SaveEntry& save : plan.groups[i].saves) {
            const std::string name = rowFor(save, ansiToUtf8).player;
            if (spellings[i][name] > best) {
                best = spellings[i][name];
                plan.groups[i].name = name;
            }
        }
    }
    // Characters of one name, oldest first: the first made keeps the plain
    // folder name unless another already holds its saves.
    std::sort(plan.groups.begin(), plan.groups.end(), [](const SortGroup& a, const SortGroup& b) {
        const std::string fa = foldCase(a.name);
        const std::string fb = foldCase(b.name);
        return fa != fb ? fa < fb
                        : saves::millisecondsSince1970(a.started) <
                              saves::millisecondsSince1970(b.started);
    });
    std::map<std::string, std::optional<ExistingFolder>> folders;  // by folded folder name
    const auto folderOf =
        [&](const std::string& folderName) -> const std::optional<ExistingFolder>& {
        const auto [it, added] = folders.try_emplace(foldCase(folderName));
        if (added) {
            it->second = existing(folderName);
        }
        return it->second;
    };
    const auto candidate = [](const std::string& name, int n) {
        return n == 1 ? name : name + " (" + std::to_string(n) + ")";
    };
    constexpr int kMostOfOneName = 99;
    std::set<std::string> assigned;  // folded folder names given to a group
    for (std::size_t first = 0; first < plan.groups.size();) {
        std::size_t last = first;
        while (last < plan.groups.size() &&
               foldCase(plan.groups[last].name) == foldCase(plan.groups[first].name)) {
            ++last;
        }
        // First the folders that hold a character's saves already, then the
        // free names in order.
        for (int pass = 0; pass < 2; ++pass) {
            for (std::size_t g = first; g < last; ++g) {
                SortGroup& group = plan.groups[g];
                group.sharesName = last - first > 1;
                // A name New refuses is no character's: it stays with its
                // reason rather than read as a second one in "<name> (2)".
                if (!group.folderName.empty() || refuse(group.name) != nullptr) {
                    continue;
                }
                for (int n = 1; n <= kMostOfOneName; ++n) {
                    const std::string folderName = candidate(group.name, n);
                    if (assigned.count(foldCase(folderName)) || refuse(folderName) != nullptr) {
                        continue;
                    }
                    const auto& there = folderOf(folderName);
                    const bool same =
                        there && there->character && *there->character == group.character;
                    const bool free = !there || !there->character;
                    if (pass == 0 ? same : free) {
                        group.folderName = folderName;
                        break;
                    }
                    if (pass == 0 && !there) {
                        break;  // the numbers go on no further
                    }
                }
                if (!group.folderName.empty()) {
                    assigned.insert(foldCase(group.folderName));
                }
            }
        }
        first = last;
    }
    for (SortGroup& group : plan.groups) {
        if (group.folderName.empty()) {
            // No name can take it: the plain name's own refusal says why.
            group.folderName = group.name;
            group.refusal = refuse(group.name);
            if (group.refusal == nullptr) {
                group.refusal = text::kInvalidName;
            }
        }
        group.folder = "Saves\\" + group.folderName + "\\";
        if (group.refusal != nullptr) {
            continue;
        }
        const auto& there = folderOf(group.folderName);
        group.exists = there.has_value();
        if (!there) {
            continue;
        }
        std::set<std::string> taken;
        for (const std::string& file : there->files) {
            taken.insert(foldCase(file));
        }
        std::vector<saves::SaveEntry> moving;
        for (saves::SaveEntry& save : group.saves) {
            bool free = !taken.count(foldCase(save.fileName));
            for (const std::string& coSave : save.coSaves) {
                free = free && !taken.count(foldCase(coSave));
            }
            (free ? moving : group.staying).push_back(std::move(save));
        }
        group.saves = std::move(moving);
    }
    return plan;
}

std::string planText(const SortPlan& plan,
                     const std::function<std::string(std::string_view)>& say) {
    const auto said = [&say](const std::string& text) { return say ? say(text) : text; };
    std::string out;
    for (const SortGroup& g : plan.groups) {
        const std::size_t n = g.saves.size();
        const std::string count = std::to_string(n);
        if (g.refusal != nullptr) {
            out += g.name + ": " +
                   said(texts::format(texts::englishN("{1} save stays in Saves ({2})",
                                                      "{1} saves stay in Saves ({2})", n),
                                      {count, said(g.refusal)})) +
                   "\n";
            continue;
        }
        out += said(groupName(g)) + ": ";
        if (!g.saves.empty()) {
            out += said(texts::format(
                g.exists ? texts::englishN("{1} save to {2}", "{1} saves to {2}", n)
                         : texts::englishN("{1} save to {2} (new)", "{1} saves to {2} (new)", n),
                {count, g.folder}));
        }
        if (!g.staying.empty()) {
            out += std::string(g.saves.empty() ? "" : "; ") + said(stayingText(g));
        }
        out += "\n";
    }
    if (plan.unreadable > 0) {
        out += said(texts::format(
                   texts::englishN("Unreadable: {1} save stays in Saves",
                                   "Unreadable: {1} saves stay in Saves", plan.unreadable),
                   {std::to_string(plan.unreadable)})) +
               "\n";
    }
    return out;
}

}  // namespace quarlo::app
