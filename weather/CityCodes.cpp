#include "weather/CityCodes.h"

#include <cstddef>

namespace weather {

ListIndexError::ListIndexError(int index)
    : std::runtime_error("List index out of bounds (" + std::to_string(index) + ")") {}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(text.substr(start, i - start));
      ++i;
      if (c == '\r' && i < text.size() && text[i] == '\n') ++i;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

namespace {

char AsciiLower(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool IsLeadByte(char c) noexcept {
  const auto b = static_cast<unsigned char>(c);
  return b >= 0x81 && b <= 0xFE;
}

}  // namespace

bool SameTextIgnoringCase(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  std::size_t i = 0;
  while (i < a.size()) {
    if (IsLeadByte(a[i]) && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      i += 2;
    } else {
      if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
      ++i;
    }
  }
  return true;
}

void CityCodeList::Load(std::string_view tableText) {
  std::vector<std::string> lines = SplitLines(tableText);
  std::vector<std::string> names;
  names.reserve(lines.size());
  for (const std::string& line : lines) {
    const std::size_t eq = line.find('=');
    names.push_back(eq == std::string::npos ? std::string() : line.substr(0, eq));
  }
  lines_ = std::move(lines);
  names_ = std::move(names);
}

std::string CityCodeList::CityCodeAt(int index) const {
  if (index < 0) return {};
  if (index >= Count()) throw ListIndexError(index);
  const std::string& line = lines_[static_cast<std::size_t>(index)];
  const std::size_t eq = line.find('=');
  // A line without "=" carries no code.
  return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

int CityCodeList::FindName(std::string_view name) const {
  for (std::size_t i = 0; i < names_.size(); ++i) {
    if (SameTextIgnoringCase(names_[i], name)) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace weather
