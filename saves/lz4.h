#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quarlo::saves {

// An LZ4 block (the raw format, not a frame), as Skyrim Special Edition
// compresses the body of its saves, decoded into at most `limit` bytes:
// decoding stops once that many are out, so the start of a save's body (its
// plugin lists) costs the start of the block only. nullopt for a block that
// lies: a length that runs past the input, a match that reaches back before
// the output's start or has no offset, or an end that breaks the format's
// rules. One decoder for every build: Windows has no liblz4 of Debian's,
// and the fuzz target holds this one to liblz4's answers.
std::optional<std::string> lz4Decompress(std::string_view block, std::size_t limit);

// Why a block was refused, for a caller that holds the decoder to another.
// Two refusals are this decoder's own, stricter than liblz4: a match of
// offset 0 (liblz4 copies from where it writes), and a block that breaks the
// format's rules for its end (its last five bytes literals, its last match
// at least twelve bytes before its end), which no encoder writes and
// liblz4 takes in some places of the input.
enum class Lz4Refusal { none, cut, beforeStart, zeroOffset, endRules, endsOnMatch };
std::optional<std::string> lz4Decompress(std::string_view block, std::size_t limit,
                                         Lz4Refusal& why);

}  // namespace quarlo::saves
