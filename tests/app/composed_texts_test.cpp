// The texts the app composes for a player, line by line, said in every
// language Quarlo installs: none left in English, and the names in them
// kept as they are.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/backups_window.h"
#include "app/game.h"
#include "app/saves_window.h"
#include "app/sort_saves.h"
#include "app/steam_cloud.h"
#include "app/tidy.h"
#include "app/transfer_text.h"
#include "texts/catalogue.h"

namespace quarlo::app {
namespace {

using O = saves::TransferResult::Outcome;
using saves::Place;
using R = saves::TransferResult;

SortPlan sortPlan() {
    saves::SaveEntry save;
    save.fileName = "A.ess";
    SortPlan plan;
    plan.groups.push_back(
        SortGroup{"Ann", "Saves\\Ann\\", false, "Ann", 1, {}, true, nullptr, {save, save}, {save}});
    plan.groups.push_back(
        SortGroup{"Bob", "Saves\\Bob\\", true, "Bob", 2, {}, false, nullptr, {save}, {}});
    plan.groups.push_back(SortGroup{
        "con", "", false, "", 3, {}, false, refuseCharacterName("con", std::nullopt), {save}, {}});
    plan.unreadable = 2;
    return plan;
}

// Each text in English and as it is shown: most are said where they are
// shown, a plan as it is made.
std::vector<std::pair<std::string, std::string>> composedTexts() {
    std::vector<std::string> all;
    const PlaceNames names{"Ann", "Brynja", "trash"};
    const std::vector<saves::FilePlace> everywhere{{"A.obse", Place::source},
                                                   {"A.ess", Place::destination},
                                                   {"A.pluggy", Place::both},
                                                   {"A.bak", Place::trash}};
    for (const Verb verb : {Verb::move, Verb::copy, Verb::trash}) {
        for (const O outcome : {O::nameTaken, O::failed, O::unavailable, O::gone, O::notAFile,
                                O::sameName, O::changed, O::leftBehind, O::split, O::readOnly}) {
            all.push_back(transferSummary(
                {R{"A.ess", outcome, "B.obse", 1, everywhere}, R{"C.ess", O::done, "", 2}}, verb,
                names));
        }
        R asides{"D.ess", O::failed, "", 0};
        asides.unfinished = {"D.ess.7.quarlo-part"};
        asides.setAside = {"D.ess.7.quarlo-old"};
        asides.keptBeside = {"D.ess.kept-by-quarlo"};
        all.push_back(transferSummary(
            {R{"A.ess", O::nameTaken, "A.ess", 0}, R{"B.ess", O::gone, "destination", 0},
             R{"C.ess", O::notStarted, "", 0}, asides},
            verb, names));
    }
    TidyPlan tidy;
    tidy.items.push_back(TidyItem{TidyItem::Kind::old, "A.ess", {"A.obse", "A.pluggy"}, {}});
    all.push_back(tidyIntro(tidy));
    all.push_back(tidyItemFile(tidy.items.front()));
    backups::Restored restored;
    restored.added = {"A.ess"};
    restored.replaced = {"B.ess"};
    all.push_back(restoreSummary(restored));
    // A Pluggy line may read the same in a language ("2 plugin"): not here.
    using K = saves::CoSaveKind;
    using P = saves::CoSaveProblem;
    for (const saves::CoSaveFacts& facts :
         {saves::CoSaveFacts{K::scriptExtender, P::none, "21", "1.2", 0, {}},
          saves::CoSaveFacts{K::scriptExtender, P::none, "21", "1.2", 3, {}},
          saves::CoSaveFacts{K::unknown, P::cutShort, "", "", 0, {}},
          saves::CoSaveFacts{K::unknown, P::notACoSave, "", "", 0, {}}, saves::CoSaveFacts{}}) {
        all.push_back(coSaveLine("A.obse", facts, {}));
    }
    all.push_back(cloudWarning({"A.ess", "B.ess", "C.ess", "D.ess", "E.ess", "F.ess", "G.ess"}));
    std::vector<std::pair<std::string, std::string>> each;
    for (const std::string& text : all) {
        each.emplace_back(text, texts::trLines(text));
    }
    each.emplace_back(planText(sortPlan()), planText(sortPlan(), texts::tr));
    return each;
}

TEST(ComposedTexts, EveryLineIsSaidInEachLanguageWithItsNames) {
    for (const texts::Language& l : texts::languages()) {
        if (std::string(l.code) == "en") {
            continue;
        }
        SCOPED_TRACE(l.code);
        std::ifstream in(
            std::filesystem::path(QUARLO_LOCALE_DIR) / l.code / "LC_MESSAGES/quarlo.mo",
            std::ios::binary);
        std::string why;
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        auto c = texts::parseMo(bytes, why);
        ASSERT_TRUE(c) << why;
        texts::use(l.code, std::move(c));
        for (const auto& [english, shown] : composedTexts()) {
            std::istringstream lines(english);
            std::istringstream saidLines(shown);
            std::string line;
            std::string said;
            while (std::getline(lines, line) && std::getline(saidLines, said)) {
                if (line.empty()) {
                    continue;
                }
                EXPECT_NE(said, line);
                for (const char* name :
                     {"A.ess", "B.obse", "Brynja", "D.ess.7.quarlo-part", "Saves\\Bob\\"}) {
                    if (line.find(name) != std::string::npos) {
                        EXPECT_NE(said.find(name), std::string::npos) << line << " -> " << said;
                    }
                }
            }
        }
    }
    texts::use("en", std::nullopt);
}

}  // namespace
}  // namespace quarlo::app
