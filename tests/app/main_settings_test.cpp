#include <gtest/gtest.h>

#include "tests/app/app_fixture.h"

namespace quarlo::test {
namespace {

using app::ValueLabel;

class SettingsTest : public AppTest {
  protected:
    void SetUp() override {
        folder("Saves/Bob");
        gameFile("[General]\r\nSLocalSavePath=Saves\\Bob\\\r\n");
        started();
        controls.labelLog.clear();
    }
    // A user's move of the slider: the control changes, then notifies.
    void userMovesSlider(int value) {
        controls.slider = value;
        main.onSliderChanged();
    }
    void userClicksCheck(int value) {
        controls.check = value;
        main.onCheckClicked();
    }
};

TEST_F(SettingsTest, SliderChangeWritesBothFilesAndReportsSuccess) {
    userMovesSlider(100);
    EXPECT_EQ(readGame("GamePlay", "iDifficultyLevel"), "100");
    EXPECT_EQ(readProgram("Bob", "iDifficultyLevel"), "100");
    EXPECT_EQ(shown(ValueLabel::Diff), "100");
    ASSERT_GE(controls.labelLog.size(), 3u);
    EXPECT_EQ(controls.labelLog[1],
              std::make_pair(ValueLabel::Op, std::string("Change Difficulty.")));
    EXPECT_EQ(controls.labelLog[2], std::make_pair(ValueLabel::Outcome, std::string("Success.")));
}

TEST_F(SettingsTest, SliderChangeThatCannotBeWrittenSaysSo) {
    const std::string before = gameBytes();
    profileFake->setReadOnly(gameIni());
    userMovesSlider(20);
    EXPECT_EQ(shown(ValueLabel::Op), "Change Difficulty.");
    EXPECT_EQ(shown(ValueLabel::Outcome), "Failed. Could Not Write Settings.");
    EXPECT_EQ(gameBytes(), before);
}

TEST_F(SettingsTest, CheckBoxAndNewSayWhenTheirSettingsCannotBeWritten) {
    struct Case {
        const char* readOnly;
        bool viaNew;
        const char* op;
    };
    for (const Case& c :
         {Case{"quarlo.ini", false, "Rename Screenshots."},
          Case{"oblivion.ini", false, "Rename Screenshots."}, Case{"quarlo.ini", true, "New."}}) {
        SCOPED_TRACE(std::string(c.readOnly) + (c.viaNew ? " by New" : " by the check box"));
        gameFile("[General]\r\nSLocalSavePath=Saves\\Bob\\\r\n");
        // Renaming on for the check box to turn off; off for New, whose
        // switch would otherwise run the check box's handler as well.
        programFile(std::string("[Bob]\r\nSScreenShotBaseName=") + (c.viaNew ? "0" : "1") + "\r\n");
        main.LoadCharacterSettings();
        profileFake->setReadOnly(inGame(c.readOnly));
        if (c.viaNew) {
            controls.newName = "Carl";
            main.onNewClicked();
        } else {
            userClicksCheck(0);
        }
        profileFake->setReadOnly(inGame(c.readOnly), false);
        EXPECT_EQ(shown(ValueLabel::Op), c.op);
        EXPECT_EQ(shown(ValueLabel::Outcome), "Failed. Could Not Write Settings.");
    }
}

TEST_F(SettingsTest, CheckBoxWritesTheCharactersChoiceAndTheGamesScreenshotName) {
    struct Case {
        int value;
        const char* stored;
        const char* baseName;
    };
    for (const Case& c :
         {Case{1, "1", "Bob"}, Case{0, "0", "ScreenShot"}, Case{2, "2", "ScreenShot"}}) {
        userClicksCheck(c.value);
        EXPECT_EQ(readProgram("Bob", "SScreenShotBaseName"), c.stored);
        EXPECT_EQ(readGame("Display", "SScreenShotBaseName"), c.baseName);
    }
    // The check box leaves the status lines alone.
    for (const auto& [label, text] : controls.labelLog) {
        EXPECT_NE(label, ValueLabel::Op);
        EXPECT_NE(label, ValueLabel::Outcome);
    }
}

TEST_F(SettingsTest, LoadingSettingsRunsEachHandlerOnlyWhenTheValueChanges) {
    programFile("[Bob]\r\niDifficultyLevel=100\r\nSScreenShotBaseName=1\r\n");
    main.LoadCharacterSettings();
    EXPECT_EQ(controls.slider, 100);
    EXPECT_EQ(controls.check, 1);
    EXPECT_EQ(readGame("GamePlay", "iDifficultyLevel"), "100");
    EXPECT_EQ(readGame("Display", "SScreenShotBaseName"), "Bob");
    controls.labelLog.clear();
    main.LoadCharacterSettings();
    EXPECT_TRUE(controls.labelLog.empty());
}

TEST_F(SettingsTest, CharacterWithoutASectionGetsTheDefaults) {
    controls.slider = 80;
    controls.check = 1;
    main.LoadCharacterSettings();
    EXPECT_EQ(controls.slider, 50);
    EXPECT_EQ(controls.check, 0);
}

TEST_F(SettingsTest, StoredValuesTheControlsCannotShowAreReadSafely) {
    struct Case {
        const char* difficulty;
        int slider;
        const char* check;
        int box;
    };
    const Case cases[] = {
        {"abc", 50, "x", 0},  {"", 50, "", 0},        {"150", 100, "5", 2},
        {"-5", 0, "-1", 0},   {"70abc", 70, "1;", 1}, {"99999999999999999999", 100, "2", 2},
        {" 42 ", 42, "0", 0}, {"+7", 7, "1", 1},
    };
    for (const Case& c : cases) {
        programFile(std::string("[Bob]\r\niDifficultyLevel=") + c.difficulty +
                    "\r\nSScreenShotBaseName=" + c.check + "\r\n");
        main.LoadCharacterSettings();
        EXPECT_EQ(controls.slider, c.slider) << c.difficulty;
        EXPECT_EQ(controls.check, c.box) << c.check;
    }
}

TEST(ParseSetting, LeadingIntegerClampedOrFallback) {
    struct Case {
        const char* text;
        int expected;
    };
    for (const Case& c : {Case{"0", 0}, Case{"100", 100}, Case{"101", 100}, Case{"-1", 0},
                          Case{"3.9", 3}, Case{"- 3", 50}, Case{"0x10", 0}, Case{"\t12", 12}}) {
        EXPECT_EQ(app::parseSetting(c.text, 0, 100, 50), c.expected) << c.text;
    }
}

}  // namespace
}  // namespace quarlo::test
