// A co-save as any bytes, under either kind's name: the reader ends without
// a crash, names no plugin longer than the file, and says "no problem" only
// for a file whose blocks it read to the end.
#include <cstdlib>
#include <string_view>

#include "saves/co_save.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const char* name : {"Save 1.obse", "Save 1.pluggy", "Save 1.obse.bak"}) {
        const quarlo::saves::CoSaveFacts facts = quarlo::saves::readCoSave(name, bytes);
        for (const std::string& plugin : facts.plugins) {
            if (plugin.empty() || plugin.size() > size) {
                std::abort();
            }
        }
        if (facts.kind == quarlo::saves::CoSaveKind::unknown) {
            std::abort();  // a co-save's name always gives its kind
        }
    }
    return 0;
}
