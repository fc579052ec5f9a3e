// A backup's list as any bytes, as another program or a failing disk could
// leave it: the reader ends without a crash, every name it gives is one
// plain file name, and what it reads writes back to a list that reads the
// same.
#include <cstdlib>
#include <string_view>

#include "backups/manifest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto manifest = quarlo::backups::parseManifest(text);
    if (!manifest) {
        return 0;
    }
    for (const auto& file : manifest->files) {
        if (!quarlo::backups::plainFileName(file.name)) {
            std::abort();
        }
    }
    const auto again = quarlo::backups::parseManifest(quarlo::backups::formatManifest(*manifest));
    if (!again || again->files.size() != manifest->files.size() ||
        again->character != manifest->character || again->gameFolder != manifest->gameFolder) {
        std::abort();
    }
    for (std::size_t i = 0; i < again->files.size(); ++i) {
        if (again->files[i].name != manifest->files[i].name) {
            std::abort();
        }
    }
    return 0;
}
