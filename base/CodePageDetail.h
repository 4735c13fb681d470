// Internals shared by the code page converter, its platform halves and the reader.
#pragma once

#include <cstddef>
#include <string>

namespace base::detail {

inline constexpr int kLeadFirst = 0x81;  // lead bytes 81..FE
inline constexpr int kLeadCount = 126;
inline constexpr int kTrailFirst = 0x40;  // trail bytes 40..FE (7F never valid)
inline constexpr int kTrailCount = 191;
inline constexpr std::size_t kDoubleByteCells = std::size_t{kLeadCount} * kTrailCount;

// Single bytes outside ASCII that code page 936 still decodes.
inline constexpr char16_t kEuroSign = 0x20AC;  // byte 80
inline constexpr char16_t kByteFF = 0xF8F5;    // byte FF
inline constexpr char16_t kDefaultChar = u'?';

// Fills table[(lead - kLeadFirst) * kTrailCount + (trail - kTrailFirst)] with the
// platform's character for each double-byte code, 0 where it has none.
// Throws when the platform has no code page 936.
void LoadPlatformDoubleByteTable(char16_t* table);

// That table, loaded on first use (trail 7F cleared).
const char16_t* DoubleByteTable();

// Decodes the character that begins with the byte at p, which is 80..FF and
// lies before end; advances p past it and out past its one code unit.
inline void DecodeNonAscii(const unsigned char*& p, const unsigned char* end, const char16_t* table,
                           char16_t*& out) {
  const unsigned lead = p[0];
  // A lead byte without a trail stands alone; a 00 byte is never swallowed.
  if (lead - kLeadFirst < unsigned{kLeadCount} && end - p >= 2 && p[1] != 0) {
    const unsigned trail = p[1];
    char16_t unit = 0;
    if (trail - kTrailFirst < unsigned{kTrailCount}) {
      unit = table[(lead - kLeadFirst) * kTrailCount + (trail - kTrailFirst)];
    }
    *out++ = unit != 0 ? unit : kDefaultChar;
    p += 2;
  } else {
    *out++ = lead == 0x80 ? kEuroSign : lead == 0xFF ? kByteFF : kDefaultChar;
    ++p;
  }
}

// Decodes size bytes into out, which has room for size code units; returns
// the number written (never more than size).
std::size_t DecodeGbk(const char* data, std::size_t size, char16_t* out);

// The GBK bytes of one character (a code point, not a code unit); '?' when
// GBK has none.
void AppendCodePointAsGbk(char32_t code, std::string& out);

}  // namespace base::detail
