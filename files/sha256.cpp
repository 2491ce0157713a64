// SHA-256 through nettle.
#include "files/sha256.h"

#include <nettle/sha2.h>

#include <algorithm>
#include <cstdint>

std::string Sha256Hex(std::string_view bytes) {
    sha256_ctx context;
    sha256_init(&context);
    // nettle takes a size_t length, so the bytes go in whole; chunks keep a 32-bit size_t honest too.
    constexpr std::size_t Chunk = 1 << 20;
    for (std::size_t at = 0; at < bytes.size(); at += Chunk) {
        const std::size_t n = std::min(Chunk, bytes.size() - at);
        sha256_update(&context, n, reinterpret_cast<const std::uint8_t *>(bytes.data() + at));
    }
    std::uint8_t digest[SHA256_DIGEST_SIZE];
    sha256_digest(&context, SHA256_DIGEST_SIZE, digest);
    static constexpr char Digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * SHA256_DIGEST_SIZE);
    for (std::uint8_t byte : digest) {
        hex += Digits[byte >> 4];
        hex += Digits[byte & 15];
    }
    return hex;
}
