// Any bytes as the start of a save, and as a whole save: the readers must
// answer with a header or a reason, within the bytes they were given.
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
    // The whole file: the plugin list and the form-id arrays after it.
    const auto whole = quarlo::saves::parseSave(bytes);
    if (whole.header.has_value() != (whole.reason == Unreadable::none)) {
        std::abort();
    }
    if (whole.header) {
        std::size_t listed = 0;
        for (const auto& plugin : whole.header->plugins) {
            listed += 1 + plugin.size();
        }
        if (whole.header->plugins.size() > 255 || listed > size) {
            std::abort();
        }
    }
    return 0;
}
