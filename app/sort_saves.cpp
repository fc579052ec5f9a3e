#include "app/sort_saves.h"

#include <algorithm>
#include <map>
#include <set>

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
    return countOf(n, "save") + (n == 1 ? " stays" : " stay") + " in Saves (" +
           (n == 1 ? "its name is" : "their names are") + " taken in " + g.folder + ")";
}

std::size_t SortPlan::movable() const {
    std::size_t n = 0;
    for (const SortGroup& g : groups) {
        n += g.refusal == nullptr ? g.saves.size() : 0;
    }
    return n;
}

SortPlan planSort(
    const std::vector<saves::SaveEntry>& loose,
    const std::function<std::string(std::string_view)>& ansiToUtf8,
    const std::function<const char*(const std::string&)>& refuse,
    const std::function<std::optional<std::vector<std::string>>(const std::string&)>& folderFiles) {
    SortPlan plan;
    std::map<std::string, std::size_t> byKey;
    std::vector<std::set<std::string>> there;  // each group's folder, names folded
    for (const saves::SaveEntry& save : loose) {
        if (!save.header) {
            ++plan.unreadable;
            continue;
        }
        // The row's own conversion, so the plan names players as the Saves
        // window does.
        const std::string name = rowFor(save, ansiToUtf8).player;
        const auto [it, added] = byKey.try_emplace(foldCase(name), plan.groups.size());
        if (added) {
            SortGroup group;
            group.name = name;
            group.folder = "Saves\\" + name + "\\";
            group.refusal = refuse(name);
            std::set<std::string> names;
            if (group.refusal == nullptr) {
                if (const auto files = folderFiles(name)) {
                    group.exists = true;
                    for (const std::string& file : *files) {
                        names.insert(foldCase(file));
                    }
                }
            }
            there.push_back(std::move(names));
            plan.groups.push_back(std::move(group));
        }
        SortGroup& group = plan.groups[it->second];
        const std::set<std::string>& taken = there[it->second];
        bool free = !taken.count(foldCase(save.fileName));
        for (const std::string& coSave : save.coSaves) {
            free = free && !taken.count(foldCase(coSave));
        }
        (free ? group.saves : group.staying).push_back(save);
    }
    std::sort(plan.groups.begin(), plan.groups.end(), [](const SortGroup& a, const SortGroup& b) {
        return foldCase(a.name) < foldCase(b.name);
    });
    return plan;
}

std::string planText(const SortPlan& plan) {
    std::string out;
    for (const SortGroup& g : plan.groups) {
        if (g.refusal != nullptr) {
            out += g.name + ": " + countOf(g.saves.size(), "save") +
                   std::string(g.saves.size() == 1 ? " stays" : " stay") + " in Saves (" +
                   g.refusal + ")\n";
            continue;
        }
        out += g.name + ": ";
        if (!g.saves.empty()) {
            out += countOf(g.saves.size(), "save") + " to " + g.folder + (g.exists ? "" : " (new)");
        }
        if (!g.staying.empty()) {
            out += std::string(g.saves.empty() ? "" : "; ") + stayingText(g);
        }
        out += "\n";
    }
    if (plan.unreadable > 0) {
        out += "Unreadable: " + countOf(plan.unreadable, "save") +
               (plan.unreadable == 1 ? " stays" : " stay") + " in Saves\n";
    }
    return out;
}

}  // namespace quarlo::app
