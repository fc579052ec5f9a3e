#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/posix/registry_posix.h"
#include "platform/wine/registry_file.h"
#include "tests/platform/wine/linux_env.h"
#include "tests/support/temp_dir.h"

namespace quarlo::platform::wine {
namespace {

const std::string kGameKey = "Software\\Bethesda Softworks\\Oblivion";

// Keys and values in the form Wine writes them.
const std::string kSystemReg = test::wineRegistryFile(
    "[Software\\\\Bethesda Softworks] 1700000000\n"
    "#time=1d9f1a2b3c4d5e6\n"
    "\"Other\"=\"parent\"\n"
    "\n"
    "[Software\\\\Bethesda Softworks\\\\Oblivion] 1700000000\n"
    "#time=1d9f1a2b3c4d5e6\n"
    "@=\"the default\"\n"
    "\"Installed Path\"=\"C:\\\\Games\\\\Oblivion\\\\\"\n"
    "\"Minus one\"=dword:ffffffff\n"
    "\"Answer\"=dword:0000002a\n"
    "\"Expand\"=str(2):\"%ProgramFiles%\\\\Oblivion\"\n"
    "\"Plain str\"=str:\"abc\"\n"
    "\"List\"=str(7):\"a\\0b\\0\"\n"
    "\"Binary\"=hex:01,02,03,\\\n  04,05\n"
    "\"Quotes\"=\"say \\\"hi\\\"\"\n"
    "\"Hex short\"=\"J\\xfcrgen\"\n"
    "\"Hex long\"=\"caf\\x00e9ab\"\n"
    "\"Hex wide\"=\"\\x42e\\x440\\x438\\x439\"\n"
    "\"Controls\"=\"a\\tb\"\n"
    "\"Empty\"=\"\"\n"
    "\"254\"=\"" +
    std::string(254, 'x') +
    "\"\n"
    "\"255\"=\"" +
    std::string(255, 'x') +
    "\"\n"
    "\"Esc\\\"aped name\"=\"found\"\n"
    "\r\n"
    "[Software\\\\Wow6432Node\\\\Bethesda Softworks\\\\Oblivion] 1700000000\r\n"
    "\"Installed Path\"=\"C:\\\\Program Files "
    "(x86)\\\\Steam\\\\steamapps\\\\common\\\\Oblivion\\\\\"\r\n");

TEST(WineRegistryFile, ValueForms) {
    using R = std::optional<std::string>;
    struct Case {
        std::string key;
        std::string value;
        R expected;
    };
    const Case cases[] = {
        {kGameKey, "Installed Path", "C:\\Games\\Oblivion\\"},
        {kGameKey + "\\", "Installed Path", "C:\\Games\\Oblivion\\"},  // trailing separator
        {"SOFTWARE\\bethesda softworks\\OBLIVION", "installed path", "C:\\Games\\Oblivion\\"},
        {kGameKey, "", "the default"},
        {kGameKey, "Minus one", "-1"},
        {kGameKey, "Answer", "42"},
        {kGameKey, "Expand", "%ProgramFiles%\\Oblivion"},
        {kGameKey, "Plain str", "abc"},
        {kGameKey, "List", ""},
        {kGameKey, "Binary", ""},
        {kGameKey, "Quotes", "say \"hi\""},
        {kGameKey, "Hex short", "Jürgen"},
        {kGameKey, "Hex long", "caféab"},
        {kGameKey, "Hex wide", "Юрий"},
        {kGameKey, "Controls", "a\tb"},
        {kGameKey, "Empty", ""},
        {kGameKey, "254", std::string(254, 'x')},  // fits the buffer with its NUL
        {kGameKey, "255", ""},                     // does not
        {kGameKey, "Esc\"aped name", "found"},
        {"Software\\Wow6432Node\\Bethesda Softworks\\Oblivion", "Installed Path",
         "C:\\Program Files (x86)\\Steam\\steamapps\\common\\Oblivion\\"},
        // Missing: the caller may look elsewhere.
        {kGameKey, "Nope", std::nullopt},
        {"Software\\Bethesda Softworks", "Installed Path", std::nullopt},
        {"Software\\Bethesda", "Other", std::nullopt},
        {kGameKey + "\\Deeper", "Installed Path", std::nullopt},
        {"Software\\Bethesda Softworks", "Other", "parent"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(readWineRegistryValue(kSystemReg, c.key, c.value), c.expected)
            << c.key << " / " << c.value;
    }
    EXPECT_EQ(readWineRegistryValue("", kGameKey, "Installed Path"), std::nullopt);
    EXPECT_EQ(readWineRegistryValue("[unterminated\n\"a\"=\"b\"\n", "unterminated", "a"),
              std::nullopt);
}

class PrefixRegistry : public ::testing::Test {
  protected:
    PrefixRegistry() {
        test::putFile(prefix + "/system.reg", kSystemReg);
        test::putFile(prefix + "/user.reg",
                      test::wineRegistryFile("[Software\\\\Bethesda Softworks\\\\Oblivion] 1\n"
                                             "\"Installed Path\"=\"D:\\\\User\\\\\"\n",
                                             "\\\\User\\\\S-1-5-21-0-0-0-1000"));
    }
    std::string query(std::uint32_t root, const std::string& key, const std::string& value,
                      bool withPrefix = true) const {
        const posix::PosixRegistry registry(
            withPrefix ? std::optional<WinePrefix>({prefix, Launcher::wine, "u", ""})
                       : std::nullopt);
        return registry.RegGetValue(root, key, value);
    }
    test::TempDir dir;
    const std::string prefix = dir.at("pfx");
};

TEST_F(PrefixRegistry, RootKeysReadTheirFilesAndTheGameSeesThe32BitView) {
    const std::string key = "Software\\Bethesda Softworks\\Oblivion\\";
    EXPECT_EQ(query(kHkeyLocalMachine, key, "Installed Path"),
              "C:\\Program Files (x86)\\Steam\\steamapps\\common\\Oblivion\\");
    // What only the plain key holds is still found.
    EXPECT_EQ(query(kHkeyLocalMachine, key, "Answer"), "42");
    EXPECT_EQ(query(kHkeyCurrentUser, key, "Installed Path"), "D:\\User\\");
    EXPECT_EQ(query(kHkeyClassesRoot, key, "Installed Path"), "");
    EXPECT_EQ(query(0x80000003u, key, "Installed Path"), "");
    EXPECT_EQ(query(0, key, "Installed Path"), "");
    EXPECT_EQ(query(kHkeyLocalMachine, key, "Installed Path", false), "");
}

TEST_F(PrefixRegistry, A32BitPrefixHasOnlyThePlainKey) {
    test::putFile(prefix + "/system.reg",
                  test::wineRegistryFile("[Software\\\\Bethesda Softworks\\\\Oblivion] 1\n"
                                         "\"Installed Path\"=\"C:\\\\Games\\\\Oblivion\\\\\"\n"));
    EXPECT_EQ(query(kHkeyLocalMachine, kGameKey, "Installed Path"), "C:\\Games\\Oblivion\\");
    EXPECT_EQ(query(kHkeyLocalMachine, "Software\\Wow6432Node\\Bethesda Softworks\\Oblivion",
                    "Installed Path"),
              "");
}

}  // namespace
}  // namespace quarlo::platform::wine
