#include "platform/win32/registry_win32.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win32_api.h"

namespace quarlo::platform::win32 {
namespace {

// A key of the test's own under HKEY_CURRENT_USER, removed afterwards. Its
// name holds the process id: the test programs run side by side and share
// one registry.
class RegistryTest : public ::testing::Test {
  protected:
    const std::string kOwn = "Software\\QuarloTest-" + std::to_string(GetCurrentProcessId());
    const std::string kKey = kOwn + "\\Registry";

    void SetUp() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, kOwn.c_str());
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key_, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        RegCloseKey(key_);
        RegDeleteTreeA(HKEY_CURRENT_USER, kOwn.c_str());
    }

    void setString(const char* name, const std::string& text, DWORD type = REG_SZ) {
        ASSERT_EQ(RegSetValueExA(key_, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                                 static_cast<DWORD>(text.size() + 1)),
                  ERROR_SUCCESS);
    }
    void setDword(const char* name, DWORD number) {
        ASSERT_EQ(RegSetValueExA(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                 sizeof number),
                  ERROR_SUCCESS);
    }

    std::string get(std::uint32_t root, const std::string& subKey, const std::string& value) {
        return registry_.RegGetValue(root, subKey, value);
    }

    HKEY key_ = nullptr;
    Win32Registry registry_;
};

TEST_F(RegistryTest, ReadsStringsAndNumbersAsText) {
    setString("Installed Path", "C:\\Games\\Oblivion\\");
    setString("Expandable", "%TEMP%\\x", REG_EXPAND_SZ);
    setString("Empty", "");
    setString("Longest", std::string(254, 'a'));
    setString("TooLong", std::string(255, 'a'));
    setDword("Minus one", 0xFFFFFFFFu);
    setDword("Number", 1234);
    struct Case {
        const char* value;
        std::string expected;
    };
    for (const Case& c :
         {Case{"Installed Path", "C:\\Games\\Oblivion\\"}, Case{"Expandable", "%TEMP%\\x"},
          Case{"Empty", ""}, Case{"Longest", std::string(254, 'a')}, Case{"TooLong", ""},
          Case{"Minus one", "-1"}, Case{"Number", "1234"}, Case{"Missing", ""}}) {
        EXPECT_EQ(get(kHkeyCurrentUser, kKey, c.value), c.expected) << c.value;
    }
}

TEST_F(RegistryTest, MissingKeysAndRootsOutsideTheRangeGiveNothing) {
    setString("v", "x");
    EXPECT_EQ(get(kHkeyCurrentUser, kOwn + "\\Nowhere", "v"), "");
    for (std::uint32_t root : {0u, 1u, 0x7FFFFFFFu, 0x80000007u, 0xFFFFFFFFu}) {
        EXPECT_EQ(get(root, kKey, "v"), "") << root;
    }
    EXPECT_EQ(get(kHkeyCurrentUser, kKey, "v"), "x");
}

// The game's installer, a 32-bit program, wrote its key where a 64-bit
// program only sees it through the 32-bit view.
TEST(Win32Registry, FindsTheGameKeyInThe32BitView) {
    HKEY key = nullptr;
    const char* kGame = "Software\\QuarloTest32\\Oblivion\\";
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kGame, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
        GTEST_SKIP() << "no write access to HKEY_LOCAL_MACHINE";
    }
    const std::string folder = "C:\\Program Files (x86)\\Oblivion";
    RegSetValueExA(key, "Installed Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                   static_cast<DWORD>(folder.size() + 1));
    RegCloseKey(key);
    Win32Registry registry;
    EXPECT_EQ(registry.RegGetValue(kHkeyLocalMachine, kGame, "Installed Path"), folder);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, "Software\\QuarloTest32\\Oblivion", KEY_WOW64_32KEY, 0);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, "Software\\QuarloTest32", KEY_WOW64_32KEY, 0);
}

}  // namespace
}  // namespace quarlo::platform::win32
