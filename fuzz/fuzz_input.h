#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Splits a fuzzer's input into pieces at a separator byte, so one input can
// carry several fields (a file's content, a section, a key, a value).
namespace quarlo::fuzz {

class Pieces {
  public:
    Pieces(const std::uint8_t* data, std::size_t size)
        : rest_(reinterpret_cast<const char*>(data), size) {}

    // The next piece up to a 0xFF byte, or the rest of the input.
    std::string_view next() {
        const std::size_t cut = rest_.find('\xFF');
        const std::string_view piece = rest_.substr(0, cut);
        rest_.remove_prefix(cut == std::string_view::npos ? rest_.size() : cut + 1);
        return piece;
    }
    std::string_view rest() const { return rest_; }

  private:
    std::string_view rest_;
};

}  // namespace quarlo::fuzz
