// Any bytes as the start of a save: the header parser must answer with a
// header or a reason, within the bytes it was given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "saves/save_header.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    using quarlo::saves::Unreadable;
    // Once as the whole file, once as the first bytes of a larger one.
    for (const auto fileSize :
         {std::optional<std::uint64_t>(size), std::optional<std::uint64_t>()}) {
        const auto r = quarlo::saves::parseHeader(bytes, fileSize);
        if (r.header.has_value() != (r.reason == Unreadable::none)) {
            std::abort();
        }
        if (!r.header) {
            continue;
        }
        const auto& h = *r.header;
        if (h.screenshotOffset > size || h.playerName.size() > 255 || h.location.size() > 255 ||
            h.screenshotWidth > quarlo::saves::maxScreenshotSide ||
            h.screenshotHeight > quarlo::saves::maxScreenshotSide) {
            std::abort();
        }
        const std::uint64_t end =
            h.screenshotOffset + std::uint64_t{h.screenshotWidth} * h.screenshotHeight * 3;
        if (fileSize && end > *fileSize) {
            std::abort();
        }
    }
    return 0;
}
