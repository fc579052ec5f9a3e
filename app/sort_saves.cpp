#include "app/sort_saves.h"

#include <algorithm>
#include <map>

#include "app/saves_window.h"

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

std::size_t SortPlan::movable() const {
    std::size_t n = 0;
    for (const SortGroup& g : groups) {
        n += g.refusal == nullptr ? g.saves.size() : 0;
    }
    return n;
}

SortPlan planSort(const std::vector<saves::SaveEntry>& loose,
                  const std::function<std::string(std::string_view)>& ansiToUtf8,
                  const std::function<const char*(const std::string&)>& refuse,
                  const std::function<bool(const std::string&)>& folderExists) {
    SortPlan plan;
    std::map<std::string, std::size_t> byKey;
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
            group.exists = group.refusal == nullptr && folderExists(name);
            plan.groups.push_back(std::move(group));
        }
        plan.groups[it->second].saves.push_back(save);
    }
    std::sort(plan.groups.begin(), plan.groups.end(), [](const SortGroup& a, const SortGroup& b) {
        return foldCase(a.name) < foldCase(b.name);
    });
    return plan;
}

std::string planText(const SortPlan& plan) {
    std::string out;
    for (const SortGroup& g : plan.groups) {
        out += g.name + ": " + countOf(g.saves.size(), "save");
        if (g.refusal != nullptr) {
            out += std::string(g.saves.size() == 1 ? " stays" : " stay") + " in Saves (" +
                   g.refusal + ")";
        } else {
            out += " to " + g.folder + (g.exists ? "" : " (new)");
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
