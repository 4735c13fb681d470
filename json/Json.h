// JSON reader for weather reports: GBK text in, a tree of nodes out.
// Strings are held as UTF-16 (converted from code page 936); names are
// looked up through a sorted per-object index, first duplicate wins.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace json {

// Numbered exactly as callers compare them (an object is 6).
enum JsonKind : int {
  jsBase = 0,
  jsNumber = 1,
  jsString = 2,
  jsBoolean = 3,
  jsNull = 4,
  jsList = 5,
  jsObject = 6,
};

class JsonNode;

// Owns a whole parsed document; nodes handed out by lookups live as long as it.
class JsonDocument;
struct JsonDocumentDeleter {
  void operator()(JsonDocument* document) const noexcept;
};
using JsonDocumentPtr = std::unique_ptr<JsonDocument, JsonDocumentDeleter>;

// GBK text in; null when the text is empty, only a byte order mark, not a
// JSON value of the accepted language, or nested deeper than kMaxDepth.
// Never throws.
JsonDocumentPtr ParseJsonText(std::string_view text) noexcept;

inline constexpr int kMaxDepth = 512;

const JsonNode& RootOf(const JsonDocument& document) noexcept;

JsonKind NodeKind(const JsonNode& node) noexcept;

// Member of an object node by exact name (GBK, compared after conversion to
// UTF-16, case-sensitive); null when absent or when node is no object.
const JsonNode* FindMember(const JsonNode& object, std::string_view name);

// A node as GBK display text: strings as their text, numbers in the shortest
// general form (at most 15 significant digits), "True"/"False", and the empty
// text for null, lists and objects.
std::string ValueText(const JsonNode& node);

// Raised where a caller needs a string node and gets another kind.
class InvalidTypecast : public std::runtime_error {
 public:
  InvalidTypecast() : std::runtime_error("Invalid class typecast") {}
};

// ValueText of a node that must be a string; throws InvalidTypecast otherwise.
std::string StringText(const JsonNode& node);

// Read-only accessors, for callers that walk a tree.
double NumberValue(const JsonNode& node) noexcept;               // 0 unless jsNumber
bool BooleanValue(const JsonNode& node) noexcept;                // false unless jsBoolean
std::u16string_view StringValue(const JsonNode& node) noexcept;  // empty unless jsString
std::size_t ElementCount(const JsonNode& node) noexcept;         // list elements or object members
const JsonNode* ElementAt(const JsonNode& node,
                          std::size_t index) noexcept;  // list element or member value
std::u16string_view MemberNameAt(const JsonNode& object, std::size_t index) noexcept;

}  // namespace json
