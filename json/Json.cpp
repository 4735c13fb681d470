#include "json/Json.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>
#include <new>
#include <system_error>
#include <vector>

#include "json/CodePage.h"
#include "json/CodePageDetail.h"

namespace json {

struct JsonMember;

class JsonNode {
 public:
  JsonKind kind = jsBase;
  std::uint32_t size = 0;  // string length in code units, element or member count
  union {
    double number;
    bool boolean;
    const char16_t* text;
    const JsonNode* elements;
    // Followed in memory by the member index: size positions, sorted by name.
    const JsonMember* members;
  };
  JsonNode() : number(0) {}
};

struct JsonMember {
  const char16_t* name;
  std::uint32_t name_size;
  JsonNode value;
};

namespace {

// Bump allocator that owns every array and string of one tree.
class Arena {
 public:
  explicit Arena(std::size_t first_block) : next_block_(std::max<std::size_t>(first_block, 4096)) {}

  // align is a power of two.
  void* Allocate(std::size_t bytes, std::size_t align) {
    const std::size_t pad = (0 - reinterpret_cast<std::uintptr_t>(cur_)) & (align - 1);
    const std::size_t room = static_cast<std::size_t>(end_ - cur_);
    if (bytes > room || pad > room - bytes) return AllocateInNewBlock(bytes, align);
    char* result = cur_ + pad;
    cur_ = result + bytes;
    return result;
  }

  template <typename T>
  T* AllocateArray(std::size_t count) {
    if (count > std::numeric_limits<std::size_t>::max() / sizeof(T)) throw std::bad_alloc();
    return static_cast<T*>(Allocate(count * sizeof(T), alignof(T)));
  }

  // Hands back the unused tail of the latest allocation.
  void Shrink(void* latest_end) { cur_ = static_cast<char*>(latest_end); }

 private:
  void* AllocateInNewBlock(std::size_t bytes, std::size_t align) {
    if (bytes > std::numeric_limits<std::size_t>::max() - align) throw std::bad_alloc();
    const std::size_t size = std::max(next_block_, bytes + align);
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(size));
    cur_ = blocks_.back().get();
    end_ = cur_ + size;
    next_block_ = std::min<std::size_t>(next_block_ * 2, std::size_t{1} << 22);
    return Allocate(bytes, align);
  }

  std::vector<std::unique_ptr<char[]>> blocks_;
  char* cur_ = nullptr;
  char* end_ = nullptr;
  std::size_t next_block_;
};

// Index order: by length, then by content. Any total order does, as long as
// lookups use the same one.
int CompareNames(const char16_t* a, std::size_t a_size, const char16_t* b, std::size_t b_size) {
  if (a_size != b_size) return a_size < b_size ? -1 : 1;
  // Names are short: a plain loop beats a call to memcmp.
  for (std::size_t i = 0; i < a_size; ++i) {
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  }
  return 0;
}

const std::uint32_t* IndexOf(const JsonNode& object) {
  return reinterpret_cast<const std::uint32_t*>(object.members + object.size);
}

}  // namespace

class JsonDocument {
 public:
  explicit JsonDocument(std::size_t text_size) : arena(text_size) {}
  Arena arena;
  JsonNode root;
};

namespace {

class Parser {
 public:
  Parser(std::string_view text, JsonDocument& document)
      : p_(text.data()), end_(text.data() + text.size()), arena_(document.arena) {}

  // A node of kind jsBase means failure. Nodes travel by value: they fit in
  // two registers.
  JsonNode ParseValue(int depth) {
    SkipWhiteSpace();
    if (p_ == end_) return JsonNode();
    switch (*p_) {
      case 't':
        return Literal("true", 4) ? MakeNode(jsBoolean, 0, true) : JsonNode();
      case 'f':
        return Literal("false", 5) ? MakeNode(jsBoolean, 0, false) : JsonNode();
      case 'n':
        return Literal("null", 4) ? MakeNode(jsNull, 0, false) : JsonNode();
      case '"': {
        JsonNode node;
        if (ParseString(node.text, node.size)) node.kind = jsString;
        return node;
      }
      case '[':
        return ParseArray(depth + 1);
      case '{':
        return ParseObject(depth + 1);
      default:
        return ParseNumber();
    }
  }

 private:
  static bool IsDigit(char c) { return static_cast<unsigned>(c - '0') < 10; }

  void SkipWhiteSpace() {
    if (p_ == end_ || static_cast<unsigned char>(*p_) > 0x20) return;
    ++p_;
    // Indentation comes in runs: eight bytes at a time while all are blanks.
    while (end_ - p_ >= 8) {
      std::uint64_t word;
      std::memcpy(&word, p_, 8);
      constexpr std::uint64_t kOnes = 0x0101010101010101ull;
      if ((((word + kOnes * (0x7F - 0x20)) | word) & (kOnes * 0x80)) != 0) break;
      p_ += 8;
    }
    while (p_ != end_ && static_cast<unsigned char>(*p_) <= 0x20) ++p_;
  }

  // White space, at most one comma, white space: what separates two elements.
  void SkipSeparator() {
    SkipWhiteSpace();
    if (p_ != end_ && *p_ == ',') {
      ++p_;
      SkipWhiteSpace();
    }
  }

  bool Literal(const char* word, std::size_t size) {
    if (static_cast<std::size_t>(end_ - p_) < size || std::memcmp(p_, word, size) != 0) {
      return false;
    }
    p_ += size;
    return true;
  }

  static JsonNode MakeNode(JsonKind kind, std::uint32_t size, bool boolean) {
    JsonNode node;
    node.kind = kind;
    node.size = size;
    node.boolean = boolean;
    return node;
  }

  static JsonNode MakeNumber(double value) {
    JsonNode node;
    node.kind = jsNumber;
    node.number = value;
    return node;
  }

  JsonNode ParseNumber() {
    const char* const start = p_;
    const bool negative = *p_ == '-';
    if (*p_ == '+' || *p_ == '-') ++p_;
    const char* const int_start = p_;
    std::uint64_t mantissa = 0;
    while (p_ != end_ && IsDigit(*p_)) {
      mantissa = mantissa * 10 + static_cast<unsigned>(*p_ - '0');
      ++p_;
    }
    const char* const int_end = p_;
    if (int_end == int_start) return JsonNode();
    const char* frac_start = nullptr;
    const char* frac_end = nullptr;
    if (p_ != end_ && *p_ == '.') {
      frac_start = ++p_;
      while (p_ != end_ && IsDigit(*p_)) ++p_;
      frac_end = p_;
      if (frac_end == frac_start) return JsonNode();
    }
    bool has_exponent = false;
    long long exponent = 0;
    if (p_ != end_ && (*p_ == 'e' || *p_ == 'E')) {
      has_exponent = true;
      ++p_;
      bool exponent_negative = false;
      if (p_ != end_ && (*p_ == '+' || *p_ == '-')) exponent_negative = *p_++ == '-';
      const char* const exp_start = p_;
      while (p_ != end_ && IsDigit(*p_)) {
        // Saturates far beyond any double's range.
        if (exponent < 100000000) exponent = exponent * 10 + (*p_ - '0');
        ++p_;
      }
      if (p_ == exp_start) return JsonNode();
      if (exponent_negative) exponent = -exponent;
    }
    // Up to 15 digits convert exactly without the general routine.
    if (frac_start == nullptr && !has_exponent && int_end - int_start <= 15) {
      return MakeNumber(negative ? -static_cast<double>(mantissa) : static_cast<double>(mantissa));
    }
    // from_chars knows no "+" and always uses "." as the separator.
    const char* const first = *start == '+' ? start + 1 : start;
    double value = 0;
    const auto [ptr, ec] = std::from_chars(first, p_, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
      // Decimal exponent of the leading significant digit tells overflow
      // (fails the parse) from underflow (gives zero).
      const char* digit = int_start;
      while (digit != int_end && *digit == '0') ++digit;
      long long magnitude = exponent;
      bool significant = digit != int_end;
      if (significant) {
        magnitude += int_end - digit;
      } else if (frac_start != nullptr) {
        const char* f = frac_start;
        while (f != frac_end && *f == '0') ++f;
        significant = f != frac_end;
        magnitude -= f - frac_start;
      }
      if (significant && magnitude > 0) return JsonNode();
      return MakeNumber(negative ? -0.0 : 0.0);
    }
    if (ec != std::errc() || ptr != p_) return JsonNode();
    return MakeNumber(value);
  }

  // Finds the closing quote byte by byte: a backslash always takes the next
  // byte with it, whatever it is.
  bool ParseString(const char16_t*& text, std::uint32_t& size) {
    const char* const content = ++p_;
    bool escaped = false;
    for (;;) {
      while (end_ - p_ >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p_, 8);
        if (HasQuoteOrBackslash(word)) break;
        p_ += 8;
      }
      while (p_ != end_ && *p_ != '"' && *p_ != '\\') ++p_;
      if (p_ == end_) return false;
      if (*p_ == '"') break;
      if (end_ - p_ < 2) return false;
      escaped = true;
      p_ += 2;
    }
    const std::size_t content_size = static_cast<std::size_t>(p_ - content);
    ++p_;
    const char* bytes = content;
    std::size_t byte_count = content_size;
    if (escaped) {
      if (!Unescape(content, content_size)) return false;
      bytes = scratch_.data();
      byte_count = scratch_.size();
    }
    if (byte_count > std::numeric_limits<std::uint32_t>::max()) return false;
    if (byte_count == 0) {
      text = nullptr;
      size = 0;
      return true;
    }
    char16_t* out = arena_.AllocateArray<char16_t>(byte_count);
    const std::size_t units = detail::DecodeGbk(bytes, byte_count, out);
    arena_.Shrink(out + units);
    text = out;
    size = static_cast<std::uint32_t>(units);
    return true;
  }

  static bool HasQuoteOrBackslash(std::uint64_t word) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHighs = 0x8080808080808080ull;
    const std::uint64_t quote = word ^ (kOnes * '"');
    const std::uint64_t backslash = word ^ (kOnes * '\\');
    return (((quote - kOnes) & ~quote) | ((backslash - kOnes) & ~backslash)) & kHighs;
  }

  static int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  // The code of "u" and up to four bytes after it, which must all be hex digits.
  static bool ReadHex(const char* digits, std::size_t count, char32_t& code) {
    if (count == 0) return false;
    code = 0;
    for (std::size_t i = 0; i < count; ++i) {
      const int v = HexValue(digits[i]);
      if (v < 0) return false;
      code = code * 16 + static_cast<char32_t>(v);
    }
    return true;
  }

  // Decodes the escapes into 8-bit content in scratch_; a bad \u fails.
  bool Unescape(const char* content, std::size_t size) {
    scratch_.clear();
    const char* s = content;
    const char* const end = content + size;
    while (s != end) {
      const char* const backslash = static_cast<const char*>(std::memchr(s, '\\', end - s));
      if (backslash == nullptr) {
        scratch_.append(s, end);
        break;
      }
      scratch_.append(s, backslash);
      const char what = backslash[1];  // the scan guarantees a byte after it
      s = backslash + 2;
      switch (what) {
        case '"':
        case '\\':
        case '/':
        case '\'':
          scratch_.push_back(what);
          break;
        case 'b':
          scratch_.push_back('\b');
          break;
        case 'f':
          scratch_.push_back('\f');
          break;
        case 'n':
          scratch_.push_back('\n');
          break;
        case 'r':
          scratch_.push_back('\r');
          break;
        case 't':
          scratch_.push_back('\t');
          break;
        case 'u': {
          const std::size_t count = std::min<std::size_t>(4, end - s);
          char32_t code;
          if (!ReadHex(s, count, code)) return false;
          s += count;
          // A high surrogate with its low one is one character (which GBK lacks).
          char32_t low;
          if (code >= 0xD800 && code <= 0xDBFF && end - s >= 6 && s[0] == '\\' && s[1] == 'u' &&
              ReadHex(s + 2, 4, low) && low >= 0xDC00 && low <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            s += 6;
          }
          detail::AppendCodePointAsGbk(code, scratch_);
          break;
        }
        default:
          break;  // unknown escapes vanish
      }
    }
    return true;
  }

  JsonNode ParseArray(int depth) {
    if (depth > kMaxDepth) return JsonNode();
    ++p_;
    const std::size_t base = elements_.size();
    SkipWhiteSpace();
    for (;;) {
      if (p_ == end_) return JsonNode();
      if (*p_ == ']') break;
      const JsonNode element = ParseValue(depth);
      if (element.kind == jsBase) return JsonNode();
      elements_.push_back(element);
      SkipSeparator();
    }
    ++p_;
    const std::size_t count = elements_.size() - base;
    if (count > std::numeric_limits<std::uint32_t>::max()) return JsonNode();
    JsonNode* array = nullptr;
    if (count != 0) {
      array = arena_.AllocateArray<JsonNode>(count);
      std::memcpy(static_cast<void*>(array), elements_.data() + base, count * sizeof(JsonNode));
      elements_.resize(base);
    }
    JsonNode node = MakeNode(jsList, static_cast<std::uint32_t>(count), false);
    node.elements = array;
    return node;
  }

  JsonNode ParseObject(int depth) {
    if (depth > kMaxDepth) return JsonNode();
    ++p_;
    const std::size_t base = members_.size();
    SkipWhiteSpace();
    for (;;) {
      if (p_ == end_) return JsonNode();
      if (*p_ == '}') break;
      if (*p_ != '"') return JsonNode();
      const char16_t* name;
      std::uint32_t name_size;
      if (!ParseString(name, name_size)) return JsonNode();
      SkipWhiteSpace();
      if (p_ == end_ || *p_ != ':') return JsonNode();
      ++p_;
      const JsonNode value = ParseValue(depth);
      if (value.kind == jsBase) return JsonNode();
      members_.push_back(JsonMember{name, name_size, value});
      SkipSeparator();
    }
    ++p_;
    const std::size_t count = members_.size() - base;
    if (count > std::numeric_limits<std::uint32_t>::max()) return JsonNode();
    JsonMember* members = nullptr;
    if (count != 0) {
      // The index sits right behind the members, in the same allocation.
      static_assert(alignof(JsonMember) >= alignof(std::uint32_t));
      members = static_cast<JsonMember*>(arena_.Allocate(
          count * (sizeof(JsonMember) + sizeof(std::uint32_t)), alignof(JsonMember)));
      std::memcpy(static_cast<void*>(members), members_.data() + base, count * sizeof(JsonMember));
      members_.resize(base);
      BuildIndex(members, count);
    }
    JsonNode node = MakeNode(jsObject, static_cast<std::uint32_t>(count), false);
    node.members = members;
    return node;
  }

  // Sorted by name, equal names by position: a lookup lands on the first.
  static void BuildIndex(const JsonMember* members, std::size_t count) {
    auto* index = reinterpret_cast<std::uint32_t*>(const_cast<JsonMember*>(members + count));
    for (std::size_t i = 0; i < count; ++i) index[i] = static_cast<std::uint32_t>(i);
    auto less = [members](std::uint32_t a, std::uint32_t b) {
      const JsonMember& x = members[a];
      const JsonMember& y = members[b];
      const int order = CompareNames(x.name, x.name_size, y.name, y.name_size);
      return order != 0 ? order < 0 : a < b;
    };
    if (count <= 16) {
      for (std::size_t i = 1; i < count; ++i) {
        const std::uint32_t v = index[i];
        std::size_t j = i;
        for (; j > 0 && less(v, index[j - 1]); --j) index[j] = index[j - 1];
        index[j] = v;
      }
    } else {
      std::sort(index, index + count, less);
    }
  }

  const char* p_;
  const char* const end_;
  Arena& arena_;
  std::vector<JsonNode> elements_;
  std::vector<JsonMember> members_;
  std::string scratch_;
};

// The shortest text of at most 15 significant digits that rounds to value.
std::string NumberText(double value) {
  if (value == 0) return "0";  // also -0
  char buf[64];
  const auto result =
      std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
  // buf holds [-]d.ddddddddddddddde[+-]xx
  const char* p = buf;
  std::string text;
  if (*p == '-') {
    text.push_back('-');
    ++p;
  }
  char digits[16];
  int count = 0;
  for (; *p != 'e'; ++p) {
    if (*p != '.') digits[count++] = *p;
  }
  int exponent = 0;
  std::from_chars(*(p + 1) == '+' ? p + 2 : p + 1, result.ptr, exponent);
  while (count > 1 && digits[count - 1] == '0') --count;
  if (exponent < -5 || exponent >= 15) {
    text.push_back(digits[0]);
    if (count > 1) {
      text.push_back('.');
      text.append(digits + 1, digits + count);
    }
    text.push_back('E');
    text += std::to_string(exponent);
  } else if (exponent < 0) {
    text += "0.";
    text.append(static_cast<std::size_t>(-exponent - 1), '0');
    text.append(digits, digits + count);
  } else {
    const int integer_digits = exponent + 1;
    for (int i = 0; i < integer_digits; ++i) text.push_back(i < count ? digits[i] : '0');
    if (count > integer_digits) {
      text.push_back('.');
      text.append(digits + integer_digits, digits + count);
    }
  }
  return text;
}

}  // namespace

JsonDocumentPtr ParseJsonText(std::string_view text) noexcept {
  try {
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    if (text.empty()) return nullptr;
    JsonDocumentPtr document(new JsonDocument(text.size()));
    Parser parser(text, *document);
    document->root = parser.ParseValue(0);
    if (document->root.kind == jsBase) return nullptr;
    return document;
  } catch (...) {
    return nullptr;
  }
}

const JsonNode& RootOf(const JsonDocument& document) noexcept { return document.root; }

JsonKind NodeKind(const JsonNode& node) noexcept { return node.kind; }

const JsonNode* FindMember(const JsonNode& object, std::string_view name) {
  if (object.kind != jsObject || object.size == 0) return nullptr;
  char16_t small[64];
  std::u16string large;
  const char16_t* key = small;
  std::size_t key_size;
  if (name.size() <= std::size(small)) {
    key_size = detail::DecodeGbk(name.data(), name.size(), small);
  } else {
    large = GbkToUtf16(name);
    key = large.data();
    key_size = large.size();
  }
  const JsonMember* members = object.members;
  const std::uint32_t* index = IndexOf(object);
  // Lower bound: the first of several equal names is the earliest member.
  std::size_t lo = 0;
  std::size_t hi = object.size;
  while (lo < hi) {
    const std::size_t mid = lo + (hi - lo) / 2;
    const JsonMember& m = members[index[mid]];
    if (CompareNames(m.name, m.name_size, key, key_size) < 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  if (lo == object.size) return nullptr;
  const JsonMember& found = members[index[lo]];
  if (CompareNames(found.name, found.name_size, key, key_size) != 0) return nullptr;
  return &found.value;
}

std::string ValueText(const JsonNode& node) {
  switch (node.kind) {
    case jsString:
      return Utf16ToGbk(StringValue(node));
    case jsNumber:
      return NumberText(node.number);
    case jsBoolean:
      return node.boolean ? "True" : "False";
    default:
      return std::string();
  }
}

std::string StringText(const JsonNode& node) {
  if (node.kind != jsString) throw InvalidTypecast();
  return ValueText(node);
}

double NumberValue(const JsonNode& node) noexcept {
  return node.kind == jsNumber ? node.number : 0;
}

bool BooleanValue(const JsonNode& node) noexcept { return node.kind == jsBoolean && node.boolean; }

std::u16string_view StringValue(const JsonNode& node) noexcept {
  if (node.kind != jsString || node.size == 0) return {};
  return {node.text, node.size};
}

std::size_t ElementCount(const JsonNode& node) noexcept {
  return node.kind == jsList || node.kind == jsObject ? node.size : 0;
}

const JsonNode* ElementAt(const JsonNode& node, std::size_t index) noexcept {
  if (index >= ElementCount(node)) return nullptr;
  return node.kind == jsList ? &node.elements[index] : &node.members[index].value;
}

std::u16string_view MemberNameAt(const JsonNode& object, std::size_t index) noexcept {
  if (object.kind != jsObject || index >= object.size) return {};
  const JsonMember& member = object.members[index];
  return {member.name, member.name_size};
}

void JsonDocumentDeleter::operator()(JsonDocument* document) const noexcept {
  std::default_delete<JsonDocument>()(document);
}

}  // namespace json
