// Any bytes as a save of each later game: the reader answers with a header
// or a reason, within the bytes it was given, and reads no other game's save
// as its own.
#include <cstdlib>
#include <string_view>

#include "saves/save_header.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    using quarlo::games::SaveLayout;
    using quarlo::saves::Unreadable;
    const SaveLayout found = quarlo::saves::layoutOf(bytes.substr(0, 32));
    for (const SaveLayout layout :
         {SaveLayout::skyrim, SaveLayout::skyrimSe, SaveLayout::fallout3, SaveLayout::falloutNv,
          SaveLayout::fallout4, SaveLayout::oblivion}) {
        const auto r = quarlo::saves::parseSave(bytes, layout);
        if (r.header.has_value() != (r.reason == Unreadable::none)) {
            std::abort();
        }
        if (!r.header) {
            continue;
        }
        if (found != layout) {
            std::abort();  // another game's save read as this one's
        }
        const auto& h = *r.header;
        const std::uint64_t pixels =
            std::uint64_t{h.screenshotWidth} * h.screenshotHeight * h.bytesPerPixel;
        if (h.screenshotWidth > quarlo::saves::maxScreenshotSide ||
            h.screenshotHeight > quarlo::saves::maxScreenshotSide ||
            h.screenshotOffset + pixels > size || h.plugins.size() > 255 ||
            h.lightPlugins.size() > 65535) {
            std::abort();
        }
    }
    return 0;
}
