// Internals shared by the code page converter, its platform halves and the reader.
#pragma once

#include <cstddef>
#include <string>

namespace json::detail {

inline constexpr int kLeadFirst = 0x81;  // lead bytes 81..FE
inline constexpr int kLeadCount = 126;
inline constexpr int kTrailFirst = 0x40;  // trail bytes 40..FE (7F never valid)
inline constexpr int kTrailCount = 191;
inline constexpr std::size_t kDoubleByteCells = std::size_t{kLeadCount} * kTrailCount;

// Fills table[(lead - kLeadFirst) * kTrailCount + (trail - kTrailFirst)] with the
// platform's character for each double-byte code, 0 where it has none.
// Throws when the platform has no code page 936.
void LoadPlatformDoubleByteTable(char16_t* table);

// Decodes size bytes into out, which has room for size code units; returns
// the number written (never more than size).
std::size_t DecodeGbk(const char* data, std::size_t size, char16_t* out);

// The GBK bytes of one character (a code point, not a code unit); '?' when
// GBK has none.
void AppendCodePointAsGbk(char32_t code, std::string& out);

}  // namespace json::detail
