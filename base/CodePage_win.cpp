// Code page 936 straight from the system.
#include <windows.h>

#include <stdexcept>

#include "base/CodePageDetail.h"

namespace base::detail {

void LoadPlatformDoubleByteTable(char16_t* table) {
  if (!IsValidCodePage(936)) throw std::runtime_error("Code page 936 is not available");
  for (int lead = 0; lead < kLeadCount; ++lead) {
    for (int trail = 0; trail < kTrailCount; ++trail) {
      const char bytes[2] = {static_cast<char>(lead + kLeadFirst),
                             static_cast<char>(trail + kTrailFirst)};
      wchar_t wide[2] = {};
      if (bytes[1] != 0x7F &&
          MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, bytes, 2, wide, 2) == 1) {
        table[lead * kTrailCount + trail] = static_cast<char16_t>(wide[0]);
      }
    }
  }
}

}  // namespace base::detail
