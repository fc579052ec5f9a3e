// Our LZ4 block decoder held to liblz4's on every input. liblz4's strict
// decoder (LZ4_decompress_safe, the whole block) is the oracle: a block it
// takes we decode to the same bytes, and one it refuses we refuse too. Its
// leniencies we do not share, a match of offset 0 (it copies from where it
// writes) and, in some places of the input, an end that breaks the format's
// rules, no encoder writes; where we refuse a block it takes, that must be
// our reason. Decoding only a part (as a save's plugin lists need) gives the
// start of the whole.
#include <lz4.h>

#include <cstdlib>
#include <string>
#include <string_view>

#include "saves/lz4.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    // The first two bytes say how much of it to decode.
    const std::size_t limit = (std::size_t{data[0]} << 8 | data[1]) + 1;
    const std::string_view block(reinterpret_cast<const char*>(data) + 2, size - 2);
    using quarlo::saves::Lz4Refusal;
    constexpr std::size_t kRoom = 1 << 16;
    Lz4Refusal why = Lz4Refusal::none;
    const auto whole = quarlo::saves::lz4Decompress(block, kRoom + 1, why);
    if (!whole && why == Lz4Refusal::none) {
        std::abort();
    }
    if (whole && whole->size() > kRoom) {
        return 0;  // more than the oracle has room for: nothing to compare
    }
    std::string theirs(kRoom, '\0');
    const int n = LZ4_decompress_safe(block.data(), theirs.data(), static_cast<int>(block.size()),
                                      static_cast<int>(kRoom));
    if (whole && n < 0) {
        std::abort();  // we took a block liblz4 refuses
    }
    if (!whole && n >= 0 && why != Lz4Refusal::zeroOffset && why != Lz4Refusal::endRules) {
        std::abort();  // we refused a block liblz4 takes, for no known reason
    }
    if (whole && *whole != std::string_view(theirs).substr(0, static_cast<std::size_t>(n))) {
        std::abort();
    }
    const auto part = quarlo::saves::lz4Decompress(block, limit);
    if (part && part->size() > limit) {
        std::abort();
    }
    if (whole && (!part || *part != std::string_view(*whole).substr(0, limit))) {
        std::abort();  // a part that is not the start of the whole
    }
    return 0;
}
