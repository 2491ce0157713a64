// The shortest text of a number and decimal text read back: the digits every platform writes and reads,
// pinned by value, and where the standard library has them, checked against std::to_chars and
// std::from_chars over many values.
#include "compiler/format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <string_view>
#include <type_traits>

namespace {

constexpr float FloatInfinity = std::numeric_limits<float>::infinity();

// The bits of a value, so that -0 and 0 and each NaN are told apart.
template <class T> auto Bits(T value) {
    std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t> bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}
template <class T> T FromBits(std::uint64_t bits) {
    T value;
    std::memcpy(&value, &bits, sizeof value); // little-endian: the low bytes
    return value;
}

// ReadDecimal over a whole text.
template <class T> std::from_chars_result Read(std::string_view text, T &value) {
    return ReadDecimal(text.data(), text.data() + text.size(), value);
}

TEST(ShortestFixed, WritesTheDigitsThatReadBackAndWholeNumbersExactly) {
    const struct {
        float value;
        const char *text;
    } cases[] = {
        {2.929f, "2.929"},
        {0.1f, "0.1"},
        {-2.5f, "-2.5"},
        {100.0f, "100"},
        {1.5e-7f, "0.00000015"},
        {16777217.0f, "16777216"},   // a whole number as it is, not its shortest digits
        {123456789.0f, "123456792"}, // not 123456790
        {1e30f, "1000000015047466219876688855040"},
        {1e-45f, "0.000000000000000000000000000000000000000000001"},
        {0.0f, "0"},
        {-0.0f, "-0"},
        {-FloatInfinity, "-inf"},
    };
    for (const auto &c : cases) EXPECT_EQ(ShortestFixed(c.value), c.text) << c.text;
}

TEST(ShortestText, TakesTheShorterOfFixedAndScientificAndFixedOnATie) {
    const struct {
        double value;
        const char *text;
    } cases[] = {
        {1e-308, "1e-308"},
        {5e-324, "5e-324"},
        {1e22, "1e+22"},
        {1e100, "1e+100"},
        {10000.0, "10000"}, // 5 characters either way
        {100000.0, "1e+05"},
        {0.001, "0.001"}, // a tie again
        {1e-5, "1e-05"},
        {0.0001234, "0.0001234"},
        {123400000.0, "123400000"}, // 1.234e+08 is as long
        {1234000000.0, "1.234e+09"},
        {12345678901234567890.0, "12345678901234567168"}, // fixed, so the exact whole number
        {-1.5, "-1.5"},
        {0.1, "0.1"},
        {-0.0, "-0"},
        {std::numeric_limits<double>::quiet_NaN(), "nan"},
    };
    for (const auto &c : cases) EXPECT_EQ(ShortestText(c.value), c.text) << c.text;
    EXPECT_EQ(ShortestText(0.1f), "0.1");
    EXPECT_EQ(ShortestText(3e38f), "3e+38");
    EXPECT_EQ(ShortestText(16777216.0f), "16777216");
}

TEST(ReadDecimal, ReadsAsTheStandardSaysAndReportsWhatAFloatCannotHold) {
    const struct {
        const char *text;
        std::errc error;
        std::size_t read; // characters
        float value;      // 42 when left as it was
    } cases[] = {
        {"2.929", std::errc(), 5, 2.929f},
        {"-0", std::errc(), 2, -0.0f},
        {".5", std::errc(), 2, 0.5f},
        {"5.", std::errc(), 2, 5.0f},
        {"1e-40", std::errc(), 5, 1e-40f}, // below the normal range: held
        {"8e-46", std::errc(), 5, std::numeric_limits<float>::denorm_min()},
        {"7e-46", std::errc::result_out_of_range, 5, 42.0f}, // rounds to zero
        {"-1e-46", std::errc::result_out_of_range, 6, 42.0f},
        {"3.5e38", std::errc::result_out_of_range, 6, 42.0f},
        {"1e-99999999999", std::errc::result_out_of_range, 14, 42.0f},
        {"0e999999", std::errc(), 8, 0.0f}, // zero is no underflow
        {"0.000e-9999", std::errc(), 11, 0.0f},
        {"inf", std::errc(), 3, FloatInfinity}, // infinity written is no overflow
        {"1e", std::errc(), 1, 1.0f},           // the number ends before the e
        {"1e+5x", std::errc(), 4, 1e5f},
        {"12..3", std::errc(), 3, 12.0f},
        {"+1", std::errc::invalid_argument, 0, 42.0f}, // no plus sign
        {" 1", std::errc::invalid_argument, 0, 42.0f},
        {"-", std::errc::invalid_argument, 0, 42.0f},
        {".", std::errc::invalid_argument, 0, 42.0f},
    };
    for (const auto &c : cases) {
        float value = 42;
        const auto result = Read(c.text, value);
        EXPECT_EQ(result.ec, c.error) << c.text;
        EXPECT_EQ(result.ptr - c.text, std::ptrdiff_t(c.read)) << c.text;
        EXPECT_EQ(Bits(value), Bits(c.value)) << c.text;
    }
    double wide = 42;
    EXPECT_EQ(Read("3.5e38", wide).ec, std::errc());
    EXPECT_EQ(wide, 3.5e38);
    EXPECT_EQ(Read("1e-400", wide).ec, std::errc::result_out_of_range);
    EXPECT_EQ(Read("1e309", wide).ec, std::errc::result_out_of_range);
    EXPECT_EQ(wide, 3.5e38);
}

#if defined(__cpp_lib_to_chars) && __cpp_lib_to_chars >= 201611L
// Where the standard library converts floating-point numbers itself, the two agree on floats spread
// over every bit pattern, on random doubles and on random decimal text.
std::string Standard(auto value, auto... format) {
    char text[400];
    return {text, std::to_chars(text, text + sizeof text, value, format...).ptr};
}

TEST(NumberText, AgreesWithTheStandardLibrary) {
    for (std::uint64_t bits = 0; bits < (std::uint64_t(1) << 32); bits += 4093) {
        const float x = FromBits<float>(bits);
        ASSERT_EQ(ShortestFixed(x), Standard(x, std::chars_format::fixed)) << bits;
        ASSERT_EQ(ShortestText(x), Standard(x)) << bits;
    }
    std::mt19937_64 random(40);
    for (int i = 0; i < 300000; ++i) {
        double x = FromBits<double>(random());
        if (i % 2) x = std::ldexp(double(random() >> 11), int(random() % 140) - 70); // whole numbers too
        ASSERT_EQ(ShortestText(x), Standard(x)) << std::hexfloat << x;
    }
    const std::string alphabet = "0123456789.eE-";
    for (int i = 0; i < 300000; ++i) {
        std::string text;
        for (std::size_t n = 1 + random() % 14; n > 0; --n) text += alphabet[random() % alphabet.size()];
        float mine = 42, standard = 42;
        double wide = 42, standardWide = 42;
        const char *first = text.data(), *last = first + text.size();
        const auto a = Read(text, mine), b = std::from_chars(first, last, standard);
        const auto c = Read(text, wide), d = std::from_chars(first, last, standardWide);
        ASSERT_TRUE(a.ec == b.ec && a.ptr == b.ptr && Bits(mine) == Bits(standard)) << text;
        ASSERT_TRUE(c.ec == d.ec && c.ptr == d.ptr && Bits(wide) == Bits(standardWide)) << text;
    }
}
#endif

} // namespace
