#include "catalogue/save_list.h"

#include <gtest/gtest.h>

namespace quarlo::catalogue {
namespace {

TEST(ActiveSaveName, TakesTheLastComponentOfTheStoredValue) {
    struct Case {
        const char* value;
        const char* name;
    };
    for (const Case& c :
         {Case{"Saves\\Bob\\", "Bob"}, Case{"Saves\\a\\b\\", "b"}, Case{"Saves\\", "Saves"},
          Case{"ERROR.", "ERROR"}, Case{"Saves\\Bob", "Bo"}, Case{"Bob\\", "Bob"}, Case{"", ""},
          Case{"Saves/Ann/", "Ann"}}) {
        EXPECT_EQ(activeSaveName(c.value), c.name) << c.value;
    }
}

TEST(CharacterNames, ListsFromTheThirdFolderOnByOwnName) {
    using Strings = std::vector<std::string>;
    EXPECT_EQ(characterNames(
                  {"/g/", "/g/Saves/", "/g/Saves/Ann/", "/g/Saves/Bob/", "/g/Saves/Bob/Old/"}, '/'),
              (Strings{"Ann", "Bob", "Old"}));
    EXPECT_EQ(characterNames({"C:\\G\\", "C:\\G\\Backup\\", "C:\\G\\Saves\\", "C:\\G\\Backup\\x\\"},
                             '\\'),
              (Strings{"Saves", "x"}));
    EXPECT_TRUE(characterNames({"/g/", "/g/Saves/"}, '/').empty());
    EXPECT_TRUE(characterNames({}, '/').empty());
}

}  // namespace
}  // namespace quarlo::catalogue
