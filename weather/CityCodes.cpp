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

}  // namespace weather
