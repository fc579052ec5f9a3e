// The profile dialect on any content and any names. A read never gives more
// than its capacity allows. A write either refuses or leaves content in which
// the key reads back as the same line would on its own, and every other key
// reads as it did before. A section rename keeps the content's length but
// for the names it changes, and what the renamed section held reads under
// its new name.
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_input.h"
#include "platform/ini_text.h"

namespace ini = quarlo::platform::ini;

namespace {

constexpr int kWhole = 1 << 20;

// What a file holding only this entry gives for (readSection, readKey).
std::string alone(std::string_view section, std::string_view key, std::string_view value,
                  std::string_view readSection, std::string_view readKey) {
    const std::string file =
        "[" + std::string(section) + "]\r\n" + std::string(key) + "=" + std::string(value) + "\r\n";
    return ini::readValue(file, readSection, readKey, "\x01", kWhole);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quarlo::fuzz::Pieces in(data, size);
    const std::string_view section = in.next();
    const std::string_view key = in.next();
    const std::string_view value = in.next();
    const std::string_view otherSection = in.next();
    const std::string_view otherKey = in.next();
    const std::string_view content = in.rest();

    const int capacity = static_cast<int>(size % 300);
    const std::string read = ini::readValue(content, section, key, "default", capacity);
    if (static_cast<int>(read.size()) > (capacity > 0 ? capacity - 1 : 0)) {
        std::abort();
    }

    if (const auto renamed = ini::renameSection(content, section, otherSection)) {
        const std::string was = ini::readValue(content, section, key, "\x01", kWhole);
        if (was != "\x01" && ini::readValue(content, otherSection, key, "\x01", kWhole) == "\x01" &&
            ini::readValue(*renamed, otherSection, key, "\x01", kWhole) != was) {
            std::abort();
        }
    }

    const auto written = ini::writeValue(content, section, key, value);
    if (!written) {
        return 0;
    }
    if (ini::readValue(*written, section, key, "\x01", kWhole) !=
        alone(section, key, value, section, key)) {
        std::abort();
    }
    const bool sameEntry = alone(section, key, "\x02", otherSection, otherKey) == "\x02";
    if (!sameEntry && ini::readValue(*written, otherSection, otherKey, "\x01", kWhole) !=
                          ini::readValue(content, otherSection, otherKey, "\x01", kWhole)) {
        std::abort();
    }
    return 0;
}
