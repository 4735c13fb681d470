// The model behind a window's city list: the table lines and the names shown.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace weather {

// A position outside the list; the message carries the position.
class ListIndexError : public std::runtime_error {
 public:
  explicit ListIndexError(int index);
};

class CityCodeList {
 public:
  // Replaces both lists with the lines of tableText (CR LF, CR or LF end a
  // line; a last line without a break still counts).
  void Load(std::string_view tableText);

  // The whole "name=code" lines, in table order.
  const std::vector<std::string>& CityCodes() const noexcept { return lines_; }
  // The part of each line before its first "=", the whole line's order kept.
  const std::vector<std::string>& Names() const noexcept { return names_; }
  int Count() const noexcept { return static_cast<int>(lines_.size()); }

  // The text after the first "=" of line index; empty for a negative index
  // (nothing selected). Throws ListIndexError past the end.
  std::string CityCodeAt(int index) const;

 private:
  std::vector<std::string> lines_;
  std::vector<std::string> names_;
};

// Splits text into lines the way the city list loads its table.
std::vector<std::string> SplitLines(std::string_view text);

}  // namespace weather
