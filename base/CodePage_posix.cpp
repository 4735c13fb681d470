// Code page 936 from glibc's iconv "CP936", completed where glibc has no
// character so that every build decodes exactly as Windows does.
#include <iconv.h>

#include <cstdint>
#include <stdexcept>

#include "base/CodePageDetail.h"

namespace base::detail {
namespace {

class Converter {
 public:
  Converter() : descriptor_(iconv_open("UTF-16LE", "CP936")) {
    if (descriptor_ == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error("Code page 936 is not available");
    }
  }
  ~Converter() { iconv_close(descriptor_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // The one character of a two-byte code, or 0.
  char16_t Decode(unsigned lead, unsigned trail) {
    char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    unsigned char out[8];
    char* inPointer = in;
    char* outPointer = reinterpret_cast<char*>(out);
    std::size_t inLeft = sizeof in;
    std::size_t outLeft = sizeof out;
    iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);
    if (iconv(descriptor_, &inPointer, &inLeft, &outPointer, &outLeft) ==
            static_cast<std::size_t>(-1) ||
        inLeft != 0 || sizeof out - outLeft != 2) {
      return 0;
    }
    return static_cast<char16_t>(out[0] | (out[1] << 8));
  }

 private:
  iconv_t descriptor_;
};

std::size_t Cell(unsigned code) {
  return ((code >> 8) - kLeadFirst) * std::size_t{kTrailCount} + ((code & 0xFF) - kTrailFirst);
}

// Windows gives the user-defined areas and the codes that GB 2312/GBK left
// empty consecutive private-use characters, in this order; glibc has none.
void FillPrivateUseArea(char16_t* table) {
  char16_t next = 0xE000;
  auto block = [&](unsigned leadFirst, unsigned leadLast, unsigned trailFirst, unsigned trailLast) {
    for (unsigned lead = leadFirst; lead <= leadLast; ++lead) {
      for (unsigned trail = trailFirst; trail <= trailLast; ++trail) {
        if (trail != 0x7F) table[Cell((lead << 8) | trail)] = next++;
      }
    }
  };
  block(0xAA, 0xAF, 0xA1, 0xFE);  // E000..E233
  block(0xF8, 0xFE, 0xA1, 0xFE);  // E234..E4C5
  block(0xA1, 0xA7, 0x40, 0xA0);  // E4C6..E765
  static constexpr std::uint16_t kRuns[][2] = {
      {0xA2AB, 0xA2B0}, {0xA2E3, 0xA2E4}, {0xA2EF, 0xA2F0}, {0xA2FD, 0xA2FE}, {0xA4F4, 0xA4FE},
      {0xA5F7, 0xA5FE}, {0xA6B9, 0xA6C0}, {0xA6D9, 0xA6DF}, {0xA6EC, 0xA6ED}, {0xA6F3, 0xA6F3},
      {0xA6F6, 0xA6FE}, {0xA7C2, 0xA7D0}, {0xA7F2, 0xA7FE}, {0xA896, 0xA8A0}, {0xA8BC, 0xA8BC},
      {0xA8BF, 0xA8BF}, {0xA8C1, 0xA8C4}, {0xA8EA, 0xA8FE}, {0xA958, 0xA958}, {0xA95B, 0xA95B},
      {0xA95D, 0xA95F}, {0xA989, 0xA995}, {0xA997, 0xA9A3}, {0xA9F0, 0xA9FE}, {0xD7FA, 0xD7FE},
      {0xFE50, 0xFE7E}, {0xFE80, 0xFEA0}};  // E766..E864
  for (const auto& run : kRuns) {
    for (unsigned code = run[0]; code <= run[1]; ++code) table[Cell(code)] = next++;
  }
}

}  // namespace

void LoadPlatformDoubleByteTable(char16_t* table) {
  Converter converter;
  for (unsigned lead = kLeadFirst; lead < kLeadFirst + kLeadCount; ++lead) {
    for (unsigned trail = kTrailFirst; trail < kTrailFirst + kTrailCount; ++trail) {
      if (trail != 0x7F) table[Cell((lead << 8) | trail)] = converter.Decode(lead, trail);
    }
  }
  FillPrivateUseArea(table);
}

}  // namespace base::detail
