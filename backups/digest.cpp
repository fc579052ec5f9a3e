#include "backups/digest.h"

#include <cstring>

#include "platform/save_files.h"

namespace quarlo::backups {

namespace {

constexpr std::uint64_t kP1 = 0x9e3779b185ebca87ULL;
constexpr std::uint64_t kP2 = 0xc2b2ae3d27d4eb4fULL;
constexpr std::uint64_t kP3 = 0x165667b19e3779f9ULL;
constexpr std::uint64_t kP4 = 0x85ebca77c2b2ae63ULL;

// A read of this size keeps the copy's read-back streaming without holding
// much memory.
constexpr std::size_t kChunk = 1 << 20;

std::uint64_t rotl(std::uint64_t x, int r) {
    return (x << r) | (x >> (64 - r));
}

std::uint64_t load64(const unsigned char* p) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) {
        v = (v << 8) | p[i];  // little-endian whatever the machine
    }
    return v;
}

std::uint64_t round(std::uint64_t acc, std::uint64_t input) {
    return rotl(acc + input * kP2, 31) * kP1;
}

}  // namespace

void Digest::stripe(const unsigned char* p) {
    for (int i = 0; i < 4; ++i) {
        lanes_[i] = round(lanes_[i], load64(p + 8 * i));
    }
}

void Digest::add(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t n = bytes.size();
    length_ += n;
    if (held_ > 0) {
        const std::size_t take = std::min(n, sizeof pending_ - held_);
        std::memcpy(pending_ + held_, p, take);
        held_ += take;
        p += take;
        n -= take;
        if (held_ < sizeof pending_) {
            return;
        }
        stripe(pending_);
        held_ = 0;
    }
    for (; n >= 32; p += 32, n -= 32) {
        stripe(p);
    }
    std::memcpy(pending_, p, n);
    held_ = n;
}

std::uint64_t Digest::value() const {
    std::uint64_t h =
        rotl(lanes_[0], 1) + rotl(lanes_[1], 7) + rotl(lanes_[2], 12) + rotl(lanes_[3], 18);
    for (const std::uint64_t lane : lanes_) {
        h = (h ^ round(0, lane)) * kP1 + kP4;
    }
    h += length_;
    std::size_t i = 0;
    for (; i + 8 <= held_; i += 8) {
        h = rotl(h ^ round(0, load64(pending_ + i)), 27) * kP1 + kP4;
    }
    for (; i < held_; ++i) {
        h = rotl(h ^ (pending_[i] * kP3), 11) * kP1;
    }
    h ^= h >> 33;
    h *= kP2;
    h ^= h >> 29;
    h *= kP3;
    return h ^ (h >> 32);
}

std::string hexDigest(std::uint64_t digest) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out(16, '0');
    for (int i = 15; i >= 0; --i, digest >>= 4) {
        out[static_cast<std::size_t>(i)] = kHex[digest & 15];
    }
    return out;
}

std::optional<std::uint64_t> parseDigest(std::string_view text) {
    if (text.size() != 16) {
        return std::nullopt;
    }
    std::uint64_t v = 0;
    for (const char c : text) {
        const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (d < 0) {
            return std::nullopt;
        }
        v = (v << 4) | static_cast<std::uint64_t>(d);
    }
    return v;
}

namespace {

// The chunks a thread reads files through, kept from file to file: a fresh
// megabyte for each read would be handed out and faulted in anew each time
// by a program's allocator (most of a backup's time went there).
std::string& chunkA() {
    static thread_local std::string buffer;
    return buffer;
}
std::string& chunkB() {
    static thread_local std::string buffer;
    return buffer;
}

}  // namespace

std::optional<std::uint64_t> digestOf(const platform::SaveFiles& files, const std::string& path) {
    const auto file = files.open(path);
    if (!file) {
        return std::nullopt;
    }
    Digest digest;
    std::string& bytes = chunkA();
    for (std::uint64_t at = 0;; at += kChunk) {
        if (!file->readInto(at, kChunk, bytes)) {
            return std::nullopt;
        }
        if (bytes.empty()) {
            return digest.value();
        }
        digest.add(bytes);
    }
}

std::optional<Compared> compareFiles(const platform::SaveFiles& files, const std::string& a,
                                     const std::string& b) {
    const auto first = files.open(a);
    const auto second = files.open(b);
    if (!first || !second) {
        return std::nullopt;
    }
    Digest digest;
    bool same = first->size() == second->size();
    std::string& x = chunkA();
    std::string& y = chunkB();
    for (std::uint64_t at = 0;; at += kChunk) {
        if (!first->readInto(at, kChunk, x)) {
            return std::nullopt;
        }
        if (same) {
            if (!second->readInto(at, kChunk, y)) {
                return std::nullopt;
            }
            same = x == y;
        }
        if (x.empty()) {
            return Compared{same, digest.value()};
        }
        digest.add(x);
    }
}

}  // namespace quarlo::backups
