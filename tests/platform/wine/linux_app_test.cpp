#include <gtest/gtest.h>

#include "platform/posix/profile_posix.h"
#include "tests/app/app_fixture.h"

namespace quarlo::test {
namespace {

using app::ValueLabel;
using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

// The game's folder as the game under Wine left it: "Oblivion.ini" with a
// capital O and a "saves" folder, names in the file in Windows-1252.
class WineGameFolder : public AppTest {
  protected:
    void SetUp() override {
        platform.profile = std::make_unique<platform::posix::PosixProfileFile>(1252);
        folder("saves/Aldric");
        folder("saves/Bob");
        writeBytes(game() + "/Oblivion.ini",
                   readBytes(std::string(QUARLO_TESTDATA_DIR) + "/oblivion-sample.ini"));
        started();
    }
    std::string onDisk() const { return readBytes(game() + "/Oblivion.ini"); }
    bool holds(const std::string& bytes) const { return onDisk().find(bytes) != std::string::npos; }
    Strings folders(const std::string& relative) const {
        Strings names;
        for (const auto& e : fs::directory_iterator(game() + "/" + relative)) {
            names.push_back(e.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(WineGameFolder, ANameWithAnUmlautWorksEndToEnd) {
    EXPECT_EQ(shown(ValueLabel::Active), "Aldric");
    EXPECT_EQ(controls.list, (Strings{"Aldric", "Bob"}));

    controls.newName = "Jürgen";
    main.onNewClicked();
    EXPECT_EQ(shown(ValueLabel::Op), "New.");
    EXPECT_EQ(shown(ValueLabel::Outcome), "Success. New Character Set.");
    // Folder names stay UTF-8, as Wine keeps them; the files get the code page.
    EXPECT_EQ(folders("saves"), (Strings{"Aldric", "Bob", "Jürgen"}));
    EXPECT_EQ(folders(""), (Strings{"Oblivion.ini", "quarlo.ini", "saves"}));
    EXPECT_TRUE(holds("SLocalSavePath=Saves\\J\xFCrgen\\\r\n"));
    EXPECT_TRUE(holds("SScreenShotBaseName=ScreenShot\r\n"));
    EXPECT_NE(readBytes(programIni()).find("[J\xFCrgen]"), std::string::npos);
    EXPECT_EQ(shown(ValueLabel::Active), "Jürgen");
    EXPECT_EQ(controls.list, (Strings{"Aldric", "Bob", "Jürgen"}));

    // Back and forth through the list; the screenshot name follows.
    controls.select("Aldric");
    main.onLoadClicked();
    controls.select("Jürgen");
    main.onLoadClicked();
    EXPECT_EQ(shown(ValueLabel::Outcome), "Success. Character Changed.");
    main.setCheck(1);
    EXPECT_TRUE(holds("SScreenShotBaseName=J\xFCrgen\r\n"));
    EXPECT_EQ(readProgram("Jürgen", "SScreenShotBaseName"), "1");
}

TEST_F(WineGameFolder, AFolderDifferingOnlyInCaseIsTheSameCharacter) {
    controls.newName = "bob";
    main.onNewClicked();
    EXPECT_EQ(shown(ValueLabel::Outcome), "Success. New Character Set.");
    EXPECT_EQ(folders("saves"), (Strings{"Aldric", "Bob"}));
    EXPECT_EQ(controls.list, (Strings{"Aldric", "Bob"}));
    EXPECT_TRUE(holds("SLocalSavePath=Saves\\bob\\\r\n"));
}

TEST_F(WineGameFolder, ANameTheCodePageCannotHoldIsRefusedBeforeAnythingChanges) {
    const std::string before = onDisk();
    for (const char* name : {"Юрий", "Ash 🔥", "李"}) {
        controls.newName = name;
        main.onNewClicked();
        EXPECT_EQ(shown(ValueLabel::Outcome), "Failed. Invalid Name.") << name;
        EXPECT_EQ(onDisk(), before) << name;
        EXPECT_EQ(folders("saves"), (Strings{"Aldric", "Bob"})) << name;
    }
}

TEST_F(WineGameFolder, ACyrillicLocaleStoresCyrillicNames) {
    platform.profile = std::make_unique<platform::posix::PosixProfileFile>(1251);
    controls.newName = "Юрий";
    main.onNewClicked();
    EXPECT_EQ(shown(ValueLabel::Outcome), "Success. New Character Set.");
    EXPECT_TRUE(holds("SLocalSavePath=Saves\\\xDE\xF0\xE8\xE9\\\r\n"));
    EXPECT_EQ(shown(ValueLabel::Active), "Юрий");
    EXPECT_EQ(folders("saves"), (Strings{"Aldric", "Bob", "Юрий"}));
    // A name of the western page is one the Cyrillic page has not got.
    controls.newName = "Jürgen";
    main.onNewClicked();
    EXPECT_EQ(shown(ValueLabel::Outcome), "Failed. Invalid Name.");
    EXPECT_EQ(folders("saves"), (Strings{"Aldric", "Bob", "Юрий"}));
}

TEST_F(WineGameFolder, LoadingAFolderTheCodePageCannotNameReportsIt) {
    folder("saves/Юрий");
    main.RefreshSaveList();
    const std::string before = onDisk();
    controls.select("Юрий");
    main.onLoadClicked();
    EXPECT_EQ(shown(ValueLabel::Outcome), "Failed. Invalid Name.");
    EXPECT_EQ(onDisk(), before);
    EXPECT_EQ(shown(ValueLabel::Active), "Aldric");
}

TEST_F(AppTest, OnlyTheTypedNamesBackslashesMakeLevelsUnderARootThatHasOne) {
    // A backslash is a letter of a Linux folder's name, here in the root.
    specialFolders->documents = dir.at("a\\b/Documents");
    fs::create_directories(dir.at("a\\b/Documents/My Games/Oblivion"));
    started();
    controls.newName = "Ann\\Inner";
    main.onNewClicked();
    EXPECT_EQ(shown(ValueLabel::Outcome), "Success. New Character Set.");
    EXPECT_TRUE(fs::is_directory(dir.at("a\\b/Documents/My Games/Oblivion/Saves/Ann/Inner")));
    EXPECT_FALSE(fs::exists(dir.at("a")));
}

TEST(CharacterNames, LengthAndLettersCountInTheSettingsFilesCodePage) {
    const platform::posix::PosixProfileFile western(1252);
    const platform::posix::PosixProfileFile vietnamese(1258);
    std::string e54, e55, a30;
    for (int i = 0; i < 55; ++i) {
        (i < 54 ? e54 : e55) += "\xC3\xA9";  // é, one byte in Windows-1252
    }
    e55 = e54 + "\xC3\xA9";
    for (int i = 0; i < 30; ++i) {
        a30 += "\xE1\xBA\xA5";  // ấ, a letter and an accent in Windows-1258
    }
    struct Case {
        std::string name;
        const platform::ProfileFile& profile;
        const char* refusal;  // nullptr: allowed
    };
    const Case cases[] = {
        {"Bob the 2nd", western, nullptr},
        {"a\\b\\c", western, nullptr},
        {"CONAN", western, nullptr},
        {"COM10", western, nullptr},
        {"Lpt", western, nullptr},
        {"x.y", western, nullptr},
        {std::string(54, 'x'), western, nullptr},
        {e54, western, nullptr},
        {e55, western, "Failed. Name Too Long."},
        {"\xD0\x96"
         "enya",
         western, "Failed. Invalid Name."},  // Ж is not in Windows-1252
        {a30, vietnamese, "Failed. Name Too Long."},
    };
    for (const Case& c : cases) {
        const char* refusal = app::refuseCharacterName(c.name, c.profile.storedLength(c.name));
        EXPECT_STREQ(refusal, c.refusal) << c.name;
    }
}

}  // namespace
}  // namespace quarlo::test
