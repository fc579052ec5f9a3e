// Any bytes as a translation catalogue (.mo): the reader refuses them or
// reads within them, and whatever it reads is used safely (plural rules on
// any count, placeholders checked, composed texts found by their
// patterns), never a crash.
#include <string>
#include <string_view>

#include "texts/catalogue.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string why;
    auto catalogue = quarlo::texts::parseMo(bytes, why);
    if (!catalogue) {
        return 0;
    }
    std::vector<std::string> ids;
    for (const auto& [id, forms] : catalogue->entries) {
        ids.push_back(id);
        if (ids.size() == 8) {
            break;
        }
    }
    quarlo::texts::use("xx", std::move(catalogue));
    for (const std::string& id : ids) {
        quarlo::texts::tr(id);
        // A text composed from it, found again by its pattern.
        quarlo::texts::tr(
            quarlo::texts::format(id, {"3 saves", "Bob. Ann", "1 file and 2 co-saves"}));
        for (const unsigned long n : {0UL, 1UL, 2UL, 5UL, 11UL, 21UL, 4294967295UL}) {
            quarlo::texts::format(quarlo::texts::trn(id, id, n), {"a", "b"});
        }
    }
    // And any text at all, sentence by sentence.
    quarlo::texts::tr(bytes.substr(0, 512));
    quarlo::texts::use("en", std::nullopt);
    return 0;
}
