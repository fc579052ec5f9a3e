#include "saves/lz4.h"

#include <cstdint>

namespace quarlo::saves {

namespace {

// A length of 15 goes on in the bytes after it, each adding up to 255.
bool extendLength(std::string_view in, std::size_t& at, std::size_t& length) {
    while (true) {
        if (at >= in.size()) {
            return false;
        }
        const auto more = static_cast<unsigned char>(in[at++]);
        length += more;
        if (more != 255) {
            return true;
        }
    }
}

}  // namespace

std::optional<std::string> lz4Decompress(std::string_view in, std::size_t limit) {
    Lz4Refusal why = Lz4Refusal::none;
    return lz4Decompress(in, limit, why);
}

std::optional<std::string> lz4Decompress(std::string_view in, std::size_t limit, Lz4Refusal& why) {
    why = Lz4Refusal::cut;
    std::string out;
    std::size_t at = 0;
    std::size_t lastMatch = std::string::npos;  // where the last match began in `out`
    while (at < in.size()) {
        const auto token = static_cast<unsigned char>(in[at++]);
        std::size_t literals = token >> 4;
        if (literals == 15 && !extendLength(in, at, literals)) {
            return std::nullopt;
        }
        // Only what the limit asks for need be there: a block read in part
        // ends inside the literals that reach the limit.
        const std::size_t room = limit - out.size();
        const std::size_t wanted = literals < room ? literals : room;
        if (wanted > in.size() - at) {
            return std::nullopt;
        }
        out.append(in.substr(at, wanted));
        if (out.size() >= limit) {
            why = Lz4Refusal::none;
            return out;
        }
        at += literals;
        if (at == in.size()) {
            // The last sequence: literals only. The format's rules for a
            // block's end: its last five bytes are literals, and its last
            // match begins at least twelve bytes before its end.
            if (lastMatch != std::string::npos && (literals < 5 || out.size() - lastMatch < 12)) {
                why = Lz4Refusal::endRules;
                return std::nullopt;
            }
            why = Lz4Refusal::none;
            return out;
        }
        // A sequence with a match leaves room for one more after it: an
        // offset, a token and the last five literals.
        if (in.size() - at < 8) {
            why = Lz4Refusal::endRules;
            return std::nullopt;
        }
        const std::size_t offset =
            static_cast<unsigned char>(in[at]) |
            (static_cast<std::size_t>(static_cast<unsigned char>(in[at + 1])) << 8);
        at += 2;
        std::size_t match = token & 15;
        if (match == 15 && !extendLength(in, at, match)) {
            return std::nullopt;
        }
        match += 4;
        if (offset == 0 || offset > out.size()) {
            why = offset == 0 ? Lz4Refusal::zeroOffset : Lz4Refusal::beforeStart;
            return std::nullopt;
        }
        lastMatch = out.size();
        // Byte by byte: a match may overlap the bytes it is making.
        const std::size_t from = out.size() - offset;
        const std::size_t take = match < limit - out.size() ? match : limit - out.size();
        out.reserve(out.size() + take);
        for (std::size_t i = 0; i < take; ++i) {
            out.push_back(out[from + i]);
        }
        if (out.size() >= limit) {
            why = Lz4Refusal::none;
            return out;
        }
    }
    // A block never ends on a match, and is never empty: its last sequence
    // is literals.
    why = in.empty() ? Lz4Refusal::cut : Lz4Refusal::endsOnMatch;
    return std::nullopt;
}

}  // namespace quarlo::saves
