#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quarlo::platform {
class SaveFiles;
}

namespace quarlo::backups {

// A 64-bit checksum of a file's bytes, kept in a backup's list so that a
// copy damaged since (a bad sector, a program writing into the store) is
// noticed before it is linked to or put back. Not a defence against someone
// who forges a file to match: against that the store's own folder is the
// guard, as for any file of the user's.
class Digest {
  public:
    void add(std::string_view bytes);
    std::uint64_t value() const;

  private:
    void stripe(const unsigned char* p);
    std::uint64_t lanes_[4] = {0x60ea27eeadc0b5d6ULL + 0xc2b2ae3d27d4eb4fULL, 0xc2b2ae3d27d4eb4fULL,
                               0, 0x61c8864e7a143579ULL};
    unsigned char pending_[32] = {};
    std::size_t held_ = 0;
    std::uint64_t length_ = 0;
};

// The checksum as the list writes it: 16 hexadecimal digits.
std::string hexDigest(std::uint64_t digest);
std::optional<std::uint64_t> parseDigest(std::string_view text);

// The checksum of a regular file's bytes; nullopt when it cannot be read.
std::optional<std::uint64_t> digestOf(const platform::SaveFiles& files, const std::string& path);

// Whether two regular files hold the same bytes, and the checksum of the
// first, in one reading of each; nullopt when either cannot be read.
struct Compared {
    bool same = false;
    std::uint64_t digest = 0;
};
std::optional<Compared> compareFiles(const platform::SaveFiles& files, const std::string& a,
                                     const std::string& b);

}  // namespace quarlo::backups
