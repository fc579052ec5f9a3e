// A Wine registry file as any bytes, asked for any key and value: the reader
// ends without a crash, and a string it gives fits the game's query buffer.
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "platform/wine/registry_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quarlo::fuzz::Pieces in(data, size);
    const std::string_view key = in.next();
    const std::string_view value = in.next();
    const auto found = quarlo::platform::wine::readWineRegistryValue(in.rest(), key, value);
    if (found && found->size() > 4 * 255) {
        std::abort();  // 255 bytes of the code page, at most 4 bytes of UTF-8 each
    }
    return 0;
}
