#include "platform/posix/registry_posix.h"

#include <algorithm>
#include <vector>

#include "platform/posix/file_io.h"
#include "platform/wine/case_paths.h"
#include "platform/wine/registry_file.h"

namespace quarlo::platform::posix {

std::string PosixRegistry::query(std::uint32_t mainKey, const std::string& subKey,
                                 const std::string& value) const {
    if (!prefix_) {
        return {};
    }
    const char* file = mainKey == kHkeyLocalMachine  ? "system.reg"
                       : mainKey == kHkeyCurrentUser ? "user.reg"
                                                     : nullptr;
    std::string content;
    if (!file || readFile(prefix_->path + "/" + file, content) != ReadStatus::ok) {
        return {};
    }
    // The game is a 32-bit program: in a 64-bit prefix Windows shows it
    // Software\Wow6432Node\... when it asks for Software\..., and that is
    // where its installer wrote. A 32-bit prefix has only the plain key.
    std::vector<std::string> keys;
    constexpr std::string_view kSoftware = "Software\\";
    constexpr std::string_view kWow = "Wow6432Node";
    const std::string_view below =
        std::string_view(subKey).substr(std::min(subKey.size(), kSoftware.size()));
    if (subKey.size() > kSoftware.size() &&
        wine::sameNameIgnoringCase(std::string_view(subKey).substr(0, kSoftware.size()),
                                   kSoftware) &&
        !wine::sameNameIgnoringCase(below.substr(0, below.find('\\')), kWow)) {
        keys.push_back(std::string(kSoftware) + std::string(kWow) + "\\" +
                       subKey.substr(kSoftware.size()));
    }
    keys.push_back(subKey);
    for (const auto& key : keys) {
        if (auto found = wine::readWineRegistryValue(content, key, value)) {
            return *found;
        }
    }
    return {};
}

}  // namespace quarlo::platform::posix
