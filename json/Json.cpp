#include "json/Json.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>
#include <limits>
#include <new>
#include <system_error>
#include <vector>

#include "base/CodePage.h"
#include "base/CodePageDetail.h"
#include "base/HexDigit.h"
#include "json/DecimalToDouble.h"

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
  JsonMember(const char16_t* name, std::uint32_t nameSize, const JsonNode& value)
      : name(name), nameSize(nameSize), value(value) {}
  const char16_t* name;
  std::uint32_t nameSize;
  JsonNode value;
};

namespace {

static_assert(std::endian::native == std::endian::little,
              "the byte scans read words little-endian");

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

std::uint64_t LoadWord(const char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

// The high bit of the first byte of word that equals byte is exact; bits
// above it may be false.
std::uint64_t FirstByteEqual(std::uint64_t word, char byte) {
  const std::uint64_t x = word ^ (kOnes * static_cast<unsigned char>(byte));
  return (x - kOnes) & ~x & kHighBits;
}

// Bump allocator that owns every array and string of one tree.
class Arena {
 public:
  explicit Arena(std::size_t firstBlock) : nextBlock_(std::max<std::size_t>(firstBlock, 4096)) {}

  // align is a power of two.
  void* Allocate(std::size_t bytes, std::size_t align) {
    const std::size_t pad = (0 - reinterpret_cast<std::uintptr_t>(cursor_)) & (align - 1);
    const std::size_t room = static_cast<std::size_t>(end_ - cursor_);
    if (bytes > room || pad > room - bytes) return AllocateInNewBlock(bytes, align);
    char* result = cursor_ + pad;
    cursor_ = result + bytes;
    return result;
  }

  template <typename T>
  T* AllocateArray(std::size_t count) {
    if (count > std::numeric_limits<std::size_t>::max() / sizeof(T)) throw std::bad_alloc();
    return static_cast<T*>(Allocate(count * sizeof(T), alignof(T)));
  }

  // Hands back the unused tail of the latest allocation.
  void Shrink(void* latestEnd) { cursor_ = static_cast<char*>(latestEnd); }

 private:
  void* AllocateInNewBlock(std::size_t bytes, std::size_t align) {
    if (bytes > std::numeric_limits<std::size_t>::max() - align) throw std::bad_alloc();
    const std::size_t size = std::max(nextBlock_, bytes + align);
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(size));
    cursor_ = blocks_.back().get();
    end_ = cursor_ + size;
    nextBlock_ = std::min<std::size_t>(nextBlock_ * 2, std::size_t{1} << 22);
    return Allocate(bytes, align);
  }

  std::vector<std::unique_ptr<char[]>> blocks_;
  char* cursor_ = nullptr;
  char* end_ = nullptr;
  std::size_t nextBlock_;
};

// Index order: by NameKey, then by CompareNames. Any total order does as
// long as lookups use the same one. The key settles most comparisons in one
// integer comparison; the names of one object often differ only at their
// ends (temp1, temp2, ...), so it holds the length and the last three units.
std::uint32_t NameKey(const char16_t* name, std::uint32_t size) {
  std::uint32_t key = std::min<std::uint32_t>(size, 0xFF) << 24;
  if (size >= 1) key |= (name[size - 1] & 0xFFu) << 16;
  if (size >= 2) key |= (name[size - 2] & 0xFFu) << 8;
  if (size >= 3) key |= name[size - 3] & 0xFFu;
  return key;
}

int CompareNames(const char16_t* a, std::size_t aSize, const char16_t* b, std::size_t bSize) {
  if (aSize != bSize) return aSize < bSize ? -1 : 1;
  for (std::size_t i = aSize; i-- > 0;) {
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  }
  return 0;
}

// Where a member lies against a name (with its key) in the index order.
int CompareInIndex(const JsonMember& member, std::uint32_t key, const char16_t* name,
                   std::uint32_t size) {
  const std::uint32_t memberKey = NameKey(member.name, member.nameSize);
  if (memberKey != key) return memberKey < key ? -1 : 1;
  return CompareNames(member.name, member.nameSize, name, size);
}

const std::uint32_t* IndexOf(const JsonNode& object) {
  return reinterpret_cast<const std::uint32_t*>(object.members + object.size);
}

// Eight bytes as eight code units. Copied first, so that the compiler need
// not fear the stores changing them: then it is one vector unpack.
void WidenEight(const unsigned char* in, char16_t* out) {
  unsigned char bytes[8];
  std::memcpy(bytes, in, sizeof bytes);
  for (int i = 0; i < 8; ++i) out[i] = bytes[i];
}

}  // namespace

class JsonDocument {
 public:
  // Trees take one to two times the text's size: one block is usually enough.
  explicit JsonDocument(std::size_t textSize) : arena(2 * textSize + 1024) {}
  Arena arena;
  JsonNode root;
};

namespace {

class Parser {
 public:
  Parser(std::string_view text, JsonDocument& document)
      : p_(text.data()), end_(text.data() + text.size()), arena_(document.arena) {
    // Enough for most objects and lists without growing.
    elements_.reserve(64);
    members_.reserve(64);
  }

  // A node of kind jsBase means failure. Nodes travel by value: they fit in
  // two registers. They are never filled in through references: a node
  // stored in parts and read back whole stalls the store buffer.
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
      case '"':
        return ParseString();
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
      const std::uint64_t word = LoadWord(p_);
      if ((((word + kOnes * (0x7F - 0x20)) | word) & kHighBits) != 0) break;
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

  static JsonNode MakeString(const char16_t* text, std::size_t size) {
    JsonNode node;
    node.kind = jsString;
    node.size = static_cast<std::uint32_t>(size);
    node.text = text;
    return node;
  }

  static JsonNode MakeNumber(double value) {
    JsonNode node;
    node.kind = jsNumber;
    node.number = value;
    return node;
  }

  // Digits from p on, added to value (which wraps after 19 digits: callers
  // count the digits).
  const char* ReadDigits(const char* p, std::uint64_t& value) const {
    while (end_ - p >= 8) {
      const std::uint64_t word = LoadWord(p);
      if (!detail::AreEightDigits(word)) break;
      value = value * 100000000 + detail::EightDigitsValue(word);
      p += 8;
    }
    while (p != end_ && IsDigit(*p)) {
      value = value * 10 + static_cast<unsigned>(*p - '0');
      ++p;
    }
    return p;
  }

  JsonNode ParseNumber() {
    const char* const start = p_;
    const char* p = p_;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    std::uint64_t digits = 0;
    const char* const intStart = p;
    p = ReadDigits(p, digits);
    const char* const intEnd = p;
    if (intEnd == intStart) return JsonNode();
    const char* fracStart = p;
    const char* fracEnd = p;
    if (p != end_ && *p == '.') {
      fracStart = ++p;
      p = ReadDigits(p, digits);
      fracEnd = p;
      if (fracEnd == fracStart) return JsonNode();
    }
    long long exponent = 0;
    if (p != end_ && (*p == 'e' || *p == 'E')) {
      ++p;
      bool exponentNegative = false;
      if (p != end_ && (*p == '+' || *p == '-')) exponentNegative = *p++ == '-';
      const char* const exponentStart = p;
      while (p != end_ && IsDigit(*p)) {
        // Saturates far beyond any double's range.
        if (exponent < 100000000) exponent = exponent * 10 + (*p - '0');
        ++p;
      }
      if (p == exponentStart) return JsonNode();
      if (exponentNegative) exponent = -exponent;
    }
    p_ = p;
    // Up to 19 digits fit the integer exactly; most numbers convert from it.
    const std::ptrdiff_t digitCount = (intEnd - intStart) + (fracEnd - fracStart);
    if (digitCount <= 19) {
      double value;
      if (detail::DecimalToDouble(digits, exponent - (fracEnd - fracStart), value)) {
        return MakeNumber(negative ? -value : value);
      }
    }
    return ParseNumberSlowly(start, intStart, intEnd, fracStart, fracEnd, exponent);
  }

  // The general conversion, for long digit strings and the extremes.
  JsonNode ParseNumberSlowly(const char* start, const char* intStart, const char* intEnd,
                             const char* fracStart, const char* fracEnd, long long exponent) {
    // from_chars knows no "+" and always uses "." as the separator.
    const char* const first = *start == '+' ? start + 1 : start;
    double value = 0;
    const auto [ptr, ec] = std::from_chars(first, p_, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
      // Decimal exponent of the leading significant digit tells overflow
      // (fails the parse) from underflow (gives zero).
      const char* digit = intStart;
      while (digit != intEnd && *digit == '0') ++digit;
      long long magnitude = exponent;
      bool significant = digit != intEnd;
      if (significant) {
        magnitude += intEnd - digit;
      } else {
        const char* f = fracStart;
        while (f != fracEnd && *f == '0') ++f;
        significant = f != fracEnd;
        magnitude -= f - fracStart;
      }
      if (significant && magnitude > 0) return JsonNode();
      return MakeNumber(*start == '-' ? -0.0 : 0.0);
    }
    if (ec != std::errc() || ptr != p_) return JsonNode();
    return MakeNumber(value);
  }

  // Finds the closing quote: the first double quote that no backslash takes
  // with it (a backslash takes the next byte, whatever it is).
  JsonNode ParseString() {
    const char* const content = p_ + 1;
    const char* p = content;
    bool escaped = false;
    for (;;) {
      if (end_ - p >= 8) {
        const std::uint64_t word = LoadWord(p);
        const std::uint64_t hits = FirstByteEqual(word, '"') | FirstByteEqual(word, '\\');
        if (hits == 0) {
          p += 8;
          continue;
        }
        p += std::countr_zero(hits) / 8;
      } else {
        while (p != end_ && *p != '"' && *p != '\\') ++p;
        if (p == end_) return JsonNode();
      }
      if (*p == '"') break;
      if (end_ - p < 2) return JsonNode();
      escaped = true;
      p += 2;
    }
    const std::size_t contentSize = static_cast<std::size_t>(p - content);
    p_ = p + 1;
    if (contentSize > std::numeric_limits<std::uint32_t>::max()) return JsonNode();
    if (contentSize == 0) return MakeString(nullptr, 0);
    if (escaped) return DecodeEscapedContent(content, contentSize);
    return DecodeContent(content, contentSize);
  }

  // Rare enough to stay out of the hot path.
  [[gnu::noinline]] JsonNode DecodeEscapedContent(const char* content, std::size_t contentSize) {
    if (!Unescape(content, contentSize)) return JsonNode();
    char16_t* text = arena_.AllocateArray<char16_t>(scratch_.size());
    const std::size_t units = base::detail::DecodeGbk(scratch_.data(), scratch_.size(), text);
    arena_.Shrink(text + units);
    return MakeString(text, units);
  }

  // GBK content without escapes into the arena. The content lies inside the
  // text, so words may be read past its end while the text lasts; the output
  // gets seven spare units so that words may be written past its end.
  JsonNode DecodeContent(const char* content, std::size_t contentSize) {
    char16_t* const text = arena_.AllocateArray<char16_t>(contentSize + 7);
    char16_t* out = text;
    const auto* p = reinterpret_cast<const unsigned char*>(content);
    const unsigned char* const end = p + contentSize;
    const auto* const textEnd = reinterpret_cast<const unsigned char*>(end_);
    while (p != end) {
      if (*p >= 0x80) {
        if (table_ == nullptr) table_ = base::detail::DoubleByteTable();
        base::detail::DecodeNonAscii(p, end, table_, out);
      } else if (textEnd - p >= 8) {
        // Up to eight ASCII bytes at once.
        WidenEight(p, out);
        const std::uint64_t high = LoadWord(reinterpret_cast<const char*>(p)) & kHighBits;
        const std::size_t ascii = high == 0 ? 8 : std::countr_zero(high) / 8;
        const std::size_t step = std::min(ascii, static_cast<std::size_t>(end - p));
        p += step;
        out += step;
      } else {
        *out++ = *p++;
      }
    }
    arena_.Shrink(out);
    return MakeString(text, static_cast<std::size_t>(out - text));
  }

  // The code of "u" and up to four bytes after it, which must all be hex digits.
  static bool ReadHex(const char* digits, std::size_t count, char32_t& code) {
    if (count == 0) return false;
    code = 0;
    for (std::size_t i = 0; i < count; ++i) {
      const int value = base::HexDigitValue(digits[i]);
      if (value < 0) return false;
      code = code * 16 + static_cast<char32_t>(value);
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
          base::detail::AppendCodePointAsGbk(code, scratch_);
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
      std::copy(elements_.begin() + base, elements_.end(), array);
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
      const JsonNode name = ParseString();
      if (name.kind == jsBase) return JsonNode();
      SkipWhiteSpace();
      if (p_ == end_ || *p_ != ':') return JsonNode();
      ++p_;
      const JsonNode value = ParseValue(depth);
      if (value.kind == jsBase) return JsonNode();
      members_.emplace_back(name.text, name.size, value);
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
      std::copy(members_.begin() + base, members_.end(), members);
      members_.erase(members_.begin() + static_cast<std::ptrdiff_t>(base), members_.end());
      BuildIndex(members, count);
    }
    JsonNode node = MakeNode(jsObject, static_cast<std::uint32_t>(count), false);
    node.members = members;
    return node;
  }

  // Sorted by name, equal names by position: a lookup lands on the first.
  void BuildIndex(const JsonMember* members, std::size_t count) {
    auto* index = reinterpret_cast<std::uint32_t*>(const_cast<JsonMember*>(members + count));
    if (count == 1) {
      index[0] = 0;
      return;
    }
    // Key and position in one number: sorting those sorts by key, then position,
    // with plain integer comparisons.
    sortNumbers_.resize(count);
    std::uint64_t* const numbers = sortNumbers_.data();
    for (std::size_t i = 0; i < count; ++i) {
      numbers[i] = std::uint64_t{NameKey(members[i].name, members[i].nameSize)} << 32 | i;
    }
    std::sort(numbers, numbers + count);
    for (std::size_t i = 0; i < count; ++i) index[i] = static_cast<std::uint32_t>(numbers[i]);
    // Names that share a key: by name, keeping position order among equal names.
    auto byName = [members](std::uint32_t a, std::uint32_t b) {
      return CompareNames(members[a].name, members[a].nameSize, members[b].name,
                          members[b].nameSize) < 0;
    };
    for (std::size_t first = 0; first < count;) {
      std::size_t last = first + 1;
      while (last < count && (numbers[last] >> 32) == (numbers[first] >> 32)) ++last;
      if (last - first > 16) {
        std::stable_sort(index + first, index + last, byName);
      } else {
        for (std::size_t i = first + 1; i < last; ++i) {
          const std::uint32_t position = index[i];
          std::size_t j = i;
          for (; j > first && byName(position, index[j - 1]); --j) index[j] = index[j - 1];
          index[j] = position;
        }
      }
      first = last;
    }
  }

  const char* p_;
  const char* const end_;
  Arena& arena_;
  const char16_t* table_ = nullptr;  // the GBK table, fetched at the first non-ASCII byte
  std::vector<JsonNode> elements_;
  std::vector<JsonMember> members_;
  std::vector<std::uint64_t> sortNumbers_;
  std::string scratch_;
};

// The shortest text of at most 15 significant digits that rounds to value.
std::string NumberText(double value) {
  if (value == 0) return "0";  // also -0
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
  // buffer holds [-]d.ddddddddddddddde[+-]xx
  const char* p = buffer;
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
    const int integerDigits = exponent + 1;
    for (int i = 0; i < integerDigits; ++i) text.push_back(i < count ? digits[i] : '0');
    if (count > integerDigits) {
      text.push_back('.');
      text.append(digits + integerDigits, digits + count);
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
  std::size_t keySize;
  if (name.size() <= std::size(small)) {
    keySize = base::detail::DecodeGbk(name.data(), name.size(), small);
  } else {
    large = base::GbkToUtf16(name);
    key = large.data();
    keySize = large.size();
  }
  if (keySize > std::numeric_limits<std::uint32_t>::max()) return nullptr;
  const auto size = static_cast<std::uint32_t>(keySize);
  const std::uint32_t nameKey = NameKey(key, size);
  const JsonMember* members = object.members;
  const std::uint32_t* index = IndexOf(object);
  // Lower bound: the first of several equal names is the earliest member.
  std::size_t low = 0;
  std::size_t high = object.size;
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    if (CompareInIndex(members[index[middle]], nameKey, key, size) < 0) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  if (low == object.size) return nullptr;
  const JsonMember& found = members[index[low]];
  if (CompareInIndex(found, nameKey, key, size) != 0) return nullptr;
  return &found.value;
}

std::string ValueText(const JsonNode& node) {
  switch (node.kind) {
    case jsString:
      return base::Utf16ToGbk(StringValue(node));
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
  return {member.name, member.nameSize};
}

void JsonDocumentDeleter::operator()(JsonDocument* document) const noexcept {
  std::default_delete<JsonDocument>()(document);
}

}  // namespace json
