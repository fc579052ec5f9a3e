#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quarlo::carry {

// SHA-256, for the names of the files kept at a carry place: a place is
// shared with other computers and with whatever syncs it, so a file there is
// trusted only when its bytes give the name it is kept under, and a 64-bit
// checksum could be forged to match.
class Sha256 {
  public:
    Sha256();
    void add(std::string_view bytes);
    // The digest as 64 lowercase hexadecimal digits; the object is spent.
    std::string hex();

  private:
    void block(const unsigned char* p);
    std::uint32_t h_[8];
    unsigned char pending_[64] = {};
    std::size_t held_ = 0;
    std::uint64_t length_ = 0;
};

std::string sha256Hex(std::string_view bytes);

// Whether text is a digest as hex() writes it.
bool isDigest(std::string_view text);

}  // namespace quarlo::carry
