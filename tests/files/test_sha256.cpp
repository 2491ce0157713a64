// SHA-256 pinned by the published test vectors, and a digest across the chunks the bytes are fed in
// (made once with python3's hashlib).
#include "files/sha256.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Sha256, MatchesTheKnownDigests) {
    const struct {
        std::string bytes;
        const char *digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
        {std::string("\0\xff\r\n", 4), nullptr}, // bytes, not a C string: the zero counts
    };
    for (const auto &c : cases) {
        const std::string hex = Sha256Hex(c.bytes);
        EXPECT_EQ(hex.size(), 64u);
        if (c.digest) {
            EXPECT_EQ(hex, c.digest) << c.bytes.size() << " bytes";
        }
    }
    EXPECT_NE(Sha256Hex(std::string("\0\xff\r\n", 4)), Sha256Hex("\xff\r\n"));
}

TEST(Sha256, ADigestDoesNotDependOnWhereTheBytesAreSplit) {
    std::string bytes;
    for (int i = 0; i < (1 << 20) + 3; ++i) bytes += static_cast<char>(i % 251);
    EXPECT_EQ(Sha256Hex(bytes), "aca6f4d81a88030dc3e4b99988449ba2943885a56a5ebda5be275f64149677fe");
}

} // namespace
