// Helpers of the fuzz targets: option bytes from the front of an input, and invariant checks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

// The entry that libFuzzer, or the replay main of an ordinary build, calls with each input.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

// The bytes of one input: option bytes are taken from the front, the rest is a file's content.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t *data, std::size_t size)
        : m_bytes(reinterpret_cast<const char *>(data), size) {}

    // The next option byte; 0 once the input is used up.
    std::uint8_t Byte() {
        if (m_bytes.empty()) return 0;
        auto byte = static_cast<std::uint8_t>(m_bytes.front());
        m_bytes.remove_prefix(1);
        return byte;
    }
    // The next two bytes, little-endian.
    int Word() {
        int low = Byte();
        return low | Byte() << 8;
    }
    // What is left after the option bytes.
    std::string_view Rest() const { return m_bytes; }

private:
    std::string_view m_bytes;
};

[[noreturn]] inline void FuzzCheckFailed(const char *condition, const char *file, int line) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
    std::abort();
}

// An invariant of a target: a broken one aborts, which the fuzzer reports as a finding.
#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition)) FuzzCheckFailed(#condition, __FILE__, __LINE__);                                   \
    } while (false)
