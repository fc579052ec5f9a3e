#include <gtest/gtest.h>

#include "platform/posix/profile_posix.h"
#include "platform/wine/code_page.h"
#include "tests/platform/profile_cases.h"
#include "tests/support/temp_dir.h"

// The table of profile behaviours that the Windows build also runs against
// the Windows API, here through the files on disk: once byte for byte, and
// once the way Quarlo runs on Linux, speaking UTF-8 to a file in Windows-1252.
namespace quarlo::platform::posix {
namespace {

namespace cases = test::profile_cases;

class ProfileTableOnDisk : public ::testing::TestWithParam<bool> {
  protected:
    bool converting() const { return GetParam(); }
    std::unique_ptr<PosixProfileFile> profile() const {
        return converting() ? std::make_unique<PosixProfileFile>(1252)
                            : std::make_unique<PosixProfileFile>();
    }
    // Text as the caller hands it over: UTF-8 when the profile converts.
    std::string text(std::string_view bytes) const {
        return converting() ? page.toUtf8(bytes) : std::string(bytes);
    }
    wine::CodePage page{1252};
    test::TempDir dir;
};

TEST_P(ProfileTableOnDisk, Reads) {
    const auto p = profile();
    int n = 0;
    for (const auto& c : cases::readCases()) {
        const std::string path = dir.at("read" + std::to_string(n++) + ".ini");
        if (c.content) {
            test::writeBytes(path, std::string(*c.content));
        }
        EXPECT_EQ(p->read(text(c.section), text(c.key), text(c.defaultValue), c.capacity, path),
                  text(c.expected))
            << c.name;
    }
}

TEST_P(ProfileTableOnDisk, WritesChangeExactlyTheExpectedBytes) {
    const auto p = profile();
    int n = 0;
    for (const auto& c : cases::writeCases()) {
        const std::string path = dir.at("write" + std::to_string(n++) + ".ini");
        if (c.content) {
            test::writeBytes(path, std::string(*c.content));
        }
        ASSERT_TRUE(p->write(text(c.section), text(c.key), text(c.value), path)) << c.name;
        EXPECT_EQ(test::readBytes(path), c.expected) << c.name;
    }
}

TEST_P(ProfileTableOnDisk, RefusedWritesLeaveTheFileAlone) {
    const auto p = profile();
    const std::string original = "[General]\r\nSLocalSavePath=Saves\\Ann\\\r\n";
    const std::string path = dir.at("game.ini");
    for (const auto& c : cases::refusedWrites()) {
        test::writeBytes(path, original);
        EXPECT_FALSE(p->write(c.section, c.key, c.value, path)) << c.name;
        EXPECT_EQ(test::readBytes(path), original) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(BytesAndCodePage, ProfileTableOnDisk, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Cp1252" : "Bytes"; });

}  // namespace
}  // namespace quarlo::platform::posix
