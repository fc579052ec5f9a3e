// Steam's library list and Steam Cloud's list of a game's files as any
// bytes: the reader ends, without a crash, and names nothing empty.
#include <cstdlib>
#include <string_view>

#include "platform/wine/vdf.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const auto& library : quarlo::platform::wine::parseLibraryFolders(text)) {
        if (library.empty() || library.size() > size) {
            std::abort();
        }
    }
    // Steam Cloud's list of a game's files, from the same reader.
    for (const auto& file : quarlo::platform::wine::parseRemoteCacheFiles(text, "22330")) {
        if (file.path.empty() || file.path.size() > size) {
            std::abort();
        }
    }
    return 0;
}
