// Decimal significand and exponent to the nearest double, without going
// through text again: exact products where the operands are exact (Clinger),
// otherwise a 128-bit product with a power of five (Eisel and Lemire, as in
// "Number Parsing at a Gigabyte per Second", 2021). Both decline what they
// cannot round correctly; the caller then converts the text in general.
#pragma once

#include <array>
#include <bit>
#include <cfloat>
#include <cstdint>

namespace json::detail {

// Eight ASCII digits in a little-endian word.
inline bool AreEightDigits(std::uint64_t word) {
  return ((word & 0xF0F0F0F0F0F0F0F0ull) |
          (((word + 0x0606060606060606ull) & 0xF0F0F0F0F0F0F0F0ull) >> 4)) == 0x3333333333333333ull;
}

// Their value, first byte most significant: digit pairs, then quadruples, then all.
inline std::uint32_t EightDigitsValue(std::uint64_t word) {
  word -= 0x3030303030303030ull;
  word = word * 10 + (word >> 8);
  word = ((word & 0x000000FF000000FFull) * 0x000F424000000064ull +
          ((word >> 16) & 0x000000FF000000FFull) * 0x0000271000000001ull) >>
         32;
  return static_cast<std::uint32_t>(word);
}

#if defined(__SIZEOF_INT128__) && FLT_EVAL_METHOD == 0
#define JSON_FAST_DECIMAL_TO_DOUBLE 1

using Uint128 = unsigned __int128;

// 5^q scaled to 128 bits with the top bit set: exact for q >= 0, one more
// than the truncated reciprocal for q < 0. The range is where these 128 bits
// always round correctly (5^q < 2^128, 5^-q < 2^64).
struct PowerOfFive {
  std::uint64_t high;
  std::uint64_t low;
};
inline constexpr int kSmallestPowerOfFive = -27;
inline constexpr int kLargestPowerOfFive = 55;

constexpr PowerOfFive MakePowerOfFive(int q) {
  if (q >= 0) {
    Uint128 power = 1;
    for (int i = 0; i < q; ++i) power *= 5;
    const auto high = static_cast<std::uint64_t>(power >> 64);
    const int shift = high != 0 ? std::countl_zero(high)
                                : 64 + std::countl_zero(static_cast<std::uint64_t>(power));
    power <<= shift;
    return {static_cast<std::uint64_t>(power >> 64), static_cast<std::uint64_t>(power)};
  }
  std::uint64_t divisor = 1;
  for (int i = 0; i < -q; ++i) divisor *= 5;
  // 2^(bits + 127) / 5^-q lies in [2^127, 2^128); long division by 64-bit digits.
  const int exponent = 64 - std::countl_zero(divisor) + 127;
  std::uint64_t digits[3] = {};
  digits[exponent / 64] = std::uint64_t{1} << (exponent % 64);
  Uint128 remainder = 0;
  Uint128 quotient = 0;
  for (int i = 2; i >= 0; --i) {
    const Uint128 current = (remainder << 64) | digits[i];
    quotient = (quotient << 64) | (current / divisor);
    remainder = current % divisor;
  }
  quotient += 1;
  return {static_cast<std::uint64_t>(quotient >> 64), static_cast<std::uint64_t>(quotient)};
}

inline constexpr auto kPowersOfFive = [] {
  std::array<PowerOfFive, kLargestPowerOfFive - kSmallestPowerOfFive + 1> table{};
  for (int q = kSmallestPowerOfFive; q <= kLargestPowerOfFive; ++q) {
    table[q - kSmallestPowerOfFive] = MakePowerOfFive(q);
  }
  return table;
}();
static_assert(kPowersOfFive[-1 - kSmallestPowerOfFive].high == 0xCCCCCCCCCCCCCCCCull &&
              kPowersOfFive[-1 - kSmallestPowerOfFive].low == 0xCCCCCCCCCCCCCCCDull);
static_assert(kPowersOfFive[0 - kSmallestPowerOfFive].high == 0x8000000000000000ull);
static_assert(kPowersOfFive[55 - kSmallestPowerOfFive].high == 0xD0CF4B50CFE20765ull);

inline constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                          1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                          1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// significand * 10^exponent rounded to nearest, ties to even; false where
// this cannot tell (the caller then converts the text).
inline bool DecimalToDouble(std::uint64_t significand, long long exponent, double& value) {
  if (significand == 0) {
    value = 0;
    return true;
  }
  // Both operands exact: one correctly rounded operation.
  if (significand <= (std::uint64_t{1} << 53) && exponent >= -22 && exponent <= 22) {
    const auto exact = static_cast<double>(significand);
    value = exponent < 0 ? exact / kPowersOfTen[-exponent] : exact * kPowersOfTen[exponent];
    return true;
  }
  if (exponent < kSmallestPowerOfFive || exponent > kLargestPowerOfFive) return false;
  const int q = static_cast<int>(exponent);
  const PowerOfFive& power = kPowersOfFive[q - kSmallestPowerOfFive];
  const int leadingZeros = std::countl_zero(significand);
  const std::uint64_t w = significand << leadingZeros;
  const Uint128 product = Uint128{w} * power.high;
  auto high = static_cast<std::uint64_t>(product >> 64);
  auto low = static_cast<std::uint64_t>(product);
  // The 55 bits kept are all ones below the rounding bit: the lower half of
  // the power may carry into them.
  if ((high & 0x1FF) == 0x1FF) {
    const auto carry = static_cast<std::uint64_t>((Uint128{w} * power.low) >> 64);
    low += carry;
    if (carry > low) ++high;
  }
  const int upperBit = static_cast<int>(high >> 63);
  std::uint64_t mantissa = high >> (upperBit + 9);
  // floor(log2(10^q)) + 63 as 217706 / 2^16 gives it, plus the double's bias.
  int binaryExponent = ((217706 * q) >> 16) + 63 + upperBit - leadingZeros + 1023;
  if (binaryExponent <= 0) return false;
  // Exactly halfway between two doubles (only possible for small q): round to even.
  if (low <= 1 && q >= -4 && q <= 23 && (mantissa & 3) == 1 &&
      (mantissa << (upperBit + 9)) == high) {
    mantissa &= ~std::uint64_t{1};
  }
  mantissa += mantissa & 1;
  mantissa >>= 1;
  if (mantissa >= (std::uint64_t{2} << 52)) {
    mantissa = std::uint64_t{1} << 52;
    ++binaryExponent;
  }
  mantissa &= ~(std::uint64_t{1} << 52);
  if (binaryExponent >= 0x7FF) return false;
  value = std::bit_cast<double>(mantissa | std::uint64_t(binaryExponent) << 52);
  return true;
}

#else

inline bool DecimalToDouble(std::uint64_t, long long, double&) { return false; }

#endif

}  // namespace json::detail
