#include "base/CodePage.h"

#include <cstdint>
#include <cstring>
#include <memory>

#include "base/CodePageDetail.h"

namespace base {
namespace detail {
namespace {

struct Tables {
  char16_t decode[kDoubleByteCells];
  // GBK code for each UTF-16 unit: (lead << 8) | trail, a single byte below
  // 0x100, or 0 when there is none.
  std::uint16_t encode[0x10000];
};

std::unique_ptr<Tables> BuildTables() {
  auto tables = std::make_unique<Tables>();
  std::memset(tables->decode, 0, sizeof tables->decode);
  LoadPlatformDoubleByteTable(tables->decode);
  std::memset(tables->encode, 0, sizeof tables->encode);
  for (int lead = 0; lead < kLeadCount; ++lead) {
    for (int trail = 0; trail < kTrailCount; ++trail) {
      char16_t& cell = tables->decode[lead * kTrailCount + trail];
      if (trail + kTrailFirst == 0x7F) cell = 0;
      if (cell == 0) continue;
      // Only a code that decodes back to the same unit may encode it.
      std::uint16_t& code = tables->encode[cell];
      if (code == 0 && cell >= 0x80) {
        code = static_cast<std::uint16_t>(((lead + kLeadFirst) << 8) | (trail + kTrailFirst));
      }
    }
  }
  tables->encode[kEuroSign] = 0x80;
  tables->encode[kByteFF] = 0xFF;
  return tables;
}

const Tables& GetTables() {
  static const std::unique_ptr<Tables> tables = BuildTables();
  return *tables;
}

bool IsAscii8(const char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return (word & 0x8080808080808080ull) == 0;
}

}  // namespace

const char16_t* DoubleByteTable() { return GetTables().decode; }

std::size_t DecodeGbk(const char* data, std::size_t size, char16_t* out) {
  const auto* p = reinterpret_cast<const unsigned char*>(data);
  const unsigned char* const end = p + size;
  char16_t* const start = out;
  const char16_t* table = nullptr;
  while (p != end) {
    while (end - p >= 8 && IsAscii8(reinterpret_cast<const char*>(p))) {
      for (int i = 0; i < 8; ++i) out[i] = p[i];
      p += 8;
      out += 8;
    }
    if (p == end) break;
    if (*p < 0x80) {
      *out++ = *p++;
      continue;
    }
    if (table == nullptr) table = DoubleByteTable();
    DecodeNonAscii(p, end, table, out);
  }
  return static_cast<std::size_t>(out - start);
}

void AppendCodePointAsGbk(char32_t code, std::string& out) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
    return;
  }
  const std::uint16_t gbk = code <= 0xFFFF ? GetTables().encode[code] : 0;
  if (gbk == 0) {
    out.push_back('?');
  } else if (gbk < 0x100) {
    out.push_back(static_cast<char>(gbk));
  } else {
    out.push_back(static_cast<char>(gbk >> 8));
    out.push_back(static_cast<char>(gbk & 0xFF));
  }
}

}  // namespace detail

void AppendGbkToUtf16(std::string_view gbk, std::u16string& out) {
  const std::size_t old = out.size();
  out.resize(old + gbk.size());
  out.resize(old + detail::DecodeGbk(gbk.data(), gbk.size(), out.data() + old));
}

std::u16string GbkToUtf16(std::string_view gbk) {
  std::u16string out;
  AppendGbkToUtf16(gbk, out);
  return out;
}

void AppendUtf16ToGbk(std::u16string_view text, std::string& out) {
  const std::size_t old = out.size();
  out.resize(old + text.size() * 2);
  char* dst = out.data() + old;
  const detail::Tables* tables = nullptr;
  for (const char16_t unit : text) {
    if (unit < 0x80) {
      *dst++ = static_cast<char>(unit);
      continue;
    }
    if (tables == nullptr) tables = &detail::GetTables();
    const std::uint16_t gbk = tables->encode[unit];
    if (gbk == 0) {
      *dst++ = '?';
    } else if (gbk < 0x100) {
      *dst++ = static_cast<char>(gbk);
    } else {
      *dst++ = static_cast<char>(gbk >> 8);
      *dst++ = static_cast<char>(gbk & 0xFF);
    }
  }
  out.resize(static_cast<std::size_t>(dst - out.data()));
}

std::string Utf16ToGbk(std::u16string_view text) {
  std::string out;
  AppendUtf16ToGbk(text, out);
  return out;
}

}  // namespace base
