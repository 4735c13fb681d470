// Any bytes into the JSON reader: it must give a sound tree or none, numbers
// must convert exactly, and the code page conversion must be stable on
// whatever it decoded.
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <system_error>

#include "base/CodePage.h"
#include "json/Json.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void Walk(const json::JsonNode& node) {
  const json::JsonKind kind = json::NodeKind(node);
  Check(kind >= json::jsNumber && kind <= json::jsObject);
  const std::string text = json::ValueText(node);
  if (kind == json::jsString) {
    Check(json::StringText(node) == text);
    Check(base::GbkToUtf16(text) == json::StringValue(node));
  }
  for (std::size_t i = 0; i < json::ElementCount(node); ++i) {
    const json::JsonNode* element = json::ElementAt(node, i);
    Check(element != nullptr);
    if (kind == json::jsObject) {
      // Whatever member the name finds, it is the first of that name.
      const std::u16string_view name = json::MemberNameAt(node, i);
      const json::JsonNode* found = json::FindMember(node, base::Utf16ToGbk(name));
      Check(found != nullptr);
      for (std::size_t j = 0; j <= i; ++j) {
        if (json::MemberNameAt(node, j) == name) {
          Check(found == json::ElementAt(node, j));
          break;
        }
      }
    }
    Walk(*element);
  }
}

// A number at the root converts as the library's general routine converts
// the same bytes (which stops where the number stops); out-of-range ones
// follow rules of their own.
void CheckRootNumber(std::string_view bytes, double value) {
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  while (static_cast<unsigned char>(bytes.front()) <= 0x20) bytes.remove_prefix(1);
  if (bytes.front() == '+') bytes.remove_prefix(1);
  double expected = 0;
  const auto result = std::from_chars(bytes.data(), bytes.data() + bytes.size(), expected);
  if (result.ec == std::errc()) Check(value == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (const json::JsonDocumentPtr document = json::ParseJsonText(bytes)) {
    const json::JsonNode& root = json::RootOf(*document);
    Walk(root);
    if (json::NodeKind(root) == json::jsNumber) CheckRootNumber(bytes, json::NumberValue(root));
  }

  // Decoded text encodes to bytes that decode to the same text.
  const std::u16string wide = base::GbkToUtf16(bytes);
  Check(wide.size() <= size);
  Check(base::GbkToUtf16(base::Utf16ToGbk(wide)) == wide);

  // The same bytes as UTF-16 units: any unit sequence encodes.
  const std::u16string units(reinterpret_cast<const char16_t*>(data), size / 2);
  Check(base::Utf16ToGbk(units).size() <= units.size() * 2);
  return 0;
}
