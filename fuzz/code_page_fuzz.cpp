// Every single-byte code page the game may use: any bytes read from a file
// come back unchanged when written again, and text the page accepts reads
// back as the same text.
#include <cstdlib>
#include <memory>

#include "fuzz/fuzz_input.h"
#include "platform/ini_text.h"
#include "platform/wine/code_page.h"

using quarlo::platform::wine::CodePage;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // 1250 to 1257. Vietnamese 1258 is left out: iconv composes a letter and
    // a following accent byte into one character, which is written back as the
    // page's precomposed byte, so its bytes do not all survive a round trip.
    static std::unique_ptr<CodePage> pages[8];
    if (size == 0) {
        return 0;
    }
    auto& page = pages[data[0] % 8];
    if (!page) {
        page = std::make_unique<CodePage>(1250 + data[0] % 8);
    }
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string utf8 = page->toUtf8(bytes);
    const auto back = page->fromUtf8(utf8);
    if (!back || *back != bytes) {
        std::abort();
    }
    if (const auto stored = page->fromUtf8(bytes)) {
        if (page->toUtf8(*stored) != bytes) {
            std::abort();
        }
    }
    // UTF-16 files: what converts back exactly is kept whole.
    for (const bool bigEndian : {false, true}) {
        const std::string text = quarlo::platform::ini::utf16ToUtf8(bytes, bigEndian);
        const auto again = quarlo::platform::ini::utf8ToUtf16(text, bigEndian);
        if (again && quarlo::platform::ini::utf16ToUtf8(*again, bigEndian) != text) {
            std::abort();
        }
    }
    return 0;
}
