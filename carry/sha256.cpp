#include "carry/sha256.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define QUARLO_SHA_NI 1
#endif

namespace quarlo::carry {

namespace {

constexpr std::uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr std::uint32_t rotr(std::uint32_t x, int n) {
    return (x >> n) | (x << (32 - n));
}

#ifdef QUARLO_SHA_NI
// The processor's own SHA-256 rounds, where it has them (most x86 processors
// since 2017): several times the plain code's speed, which a first carry of
// gigabytes of saves feels.
bool hasShaRounds() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid(1, &a, &b, &c, &d) == 0 || (c & (1u << 19)) == 0) {  // SSE4.1
        return false;
    }
    return __get_cpuid_count(7, 0, &a, &b, &c, &d) != 0 && (b & (1u << 29)) != 0;
}

__attribute__((target("sha,sse4.1"))) void shaRounds(std::uint32_t* h, const unsigned char* p) {
    const __m128i order = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
    __m128i tmp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h));
    __m128i state1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + 4));
    tmp = _mm_shuffle_epi32(tmp, 0xB1);
    state1 = _mm_shuffle_epi32(state1, 0x1B);
    __m128i state0 = _mm_alignr_epi8(tmp, state1, 8);
    state1 = _mm_blend_epi16(state1, tmp, 0xF0);
    const __m128i abef = state0;
    const __m128i cdgh = state1;
    __m128i w[4];
    for (int i = 0; i < 16; ++i) {
        if (i < 4) {
            w[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i)),
                                    order);
        } else {
            __m128i t = _mm_sha256msg1_epu32(w[i % 4], w[(i + 1) % 4]);
            t = _mm_add_epi32(t, _mm_alignr_epi8(w[(i + 3) % 4], w[(i + 2) % 4], 4));
            w[i % 4] = _mm_sha256msg2_epu32(t, w[(i + 3) % 4]);
        }
        __m128i msg = _mm_add_epi32(
            w[i % 4], _mm_loadu_si128(reinterpret_cast<const __m128i*>(kRound + 4 * i)));
        state1 = _mm_sha256rnds2_epu32(state1, state0, msg);
        msg = _mm_shuffle_epi32(msg, 0x0E);
        state0 = _mm_sha256rnds2_epu32(state0, state1, msg);
    }
    state0 = _mm_add_epi32(state0, abef);
    state1 = _mm_add_epi32(state1, cdgh);
    tmp = _mm_shuffle_epi32(state0, 0x1B);
    state1 = _mm_shuffle_epi32(state1, 0xB1);
    state0 = _mm_blend_epi16(tmp, state1, 0xF0);
    state1 = _mm_alignr_epi8(state1, tmp, 8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(h), state0);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(h + 4), state1);
}

const bool kShaRounds = hasShaRounds();
#endif

}  // namespace

Sha256::Sha256()
    : h_{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
         0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19} {}

void Sha256::block(const unsigned char* p) {
#ifdef QUARLO_SHA_NI
    if (kShaRounds) {
        shaRounds(h_, p);
        return;
    }
#endif
    std::uint32_t w[64];
    for (int i = 0; i < 16; ++i) {
        w[i] = std::uint32_t{p[4 * i]} << 24 | std::uint32_t{p[4 * i + 1]} << 16 |
               std::uint32_t{p[4 * i + 2]} << 8 | std::uint32_t{p[4 * i + 3]};
    }
    for (int i = 16; i < 64; ++i) {
        const std::uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
        const std::uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    std::uint32_t a = h_[0], b = h_[1], c = h_[2], d = h_[3], e = h_[4], f = h_[5], g = h_[6],
                  h = h_[7];
    for (int i = 0; i < 64; ++i) {
        const std::uint32_t t1 =
            h + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + ((e & f) ^ (~e & g)) + kRound[i] + w[i];
        const std::uint32_t t2 =
            (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    h_[0] += a;
    h_[1] += b;
    h_[2] += c;
    h_[3] += d;
    h_[4] += e;
    h_[5] += f;
    h_[6] += g;
    h_[7] += h;
}

void Sha256::add(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t n = bytes.size();
    length_ += n;
    if (held_ > 0) {
        const std::size_t take = std::min(n, 64 - held_);
        std::memcpy(pending_ + held_, p, take);
        held_ += take;
        p += take;
        n -= take;
        if (held_ < 64) {
            return;
        }
        block(pending_);
        held_ = 0;
    }
    for (; n >= 64; n -= 64, p += 64) {
        block(p);
    }
    std::memcpy(pending_, p, n);
    held_ = n;
}

std::string Sha256::hex() {
    const std::uint64_t bits = length_ * 8;
    const unsigned char one = 0x80;
    add(std::string_view(reinterpret_cast<const char*>(&one), 1));
    const unsigned char zero = 0;
    while (held_ != 56) {
        add(std::string_view(reinterpret_cast<const char*>(&zero), 1));
    }
    unsigned char size[8];
    for (int i = 0; i < 8; ++i) {
        size[i] = static_cast<unsigned char>(bits >> (56 - 8 * i));
    }
    add(std::string_view(reinterpret_cast<const char*>(size), 8));
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (const std::uint32_t v : h_) {
        for (int shift = 28; shift >= 0; shift -= 4) {
            out += kDigits[(v >> shift) & 0xF];
        }
    }
    return out;
}

std::string sha256Hex(std::string_view bytes) {
    Sha256 s;
    s.add(bytes);
    return s.hex();
}

bool isDigest(std::string_view text) {
    return text.size() == 64 &&
           text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

}  // namespace quarlo::carry
