// Conversions between GBK (code page 936) and UTF-16, identical in every build.
#pragma once

#include <string>
#include <string_view>

namespace base {

// Decoding follows the Windows code page 936 decoder: 80 is the euro sign,
// FF is U+F8F5, the user-defined areas map to the private use area, a lead
// byte with a bad trail byte gives one '?' for both bytes, and a lead byte at
// the end or before a 00 byte gives '?' for itself alone.
// Encoding maps only what decodes back to the same character: everything else
// (no best-fit substitutes, lone or paired surrogates) becomes '?' per code unit.
std::u16string GbkToUtf16(std::string_view gbk);
std::string Utf16ToGbk(std::u16string_view text);

// Appending forms for hot paths.
void AppendGbkToUtf16(std::string_view gbk, std::u16string& out);
void AppendUtf16ToGbk(std::u16string_view text, std::string& out);

}  // namespace base
