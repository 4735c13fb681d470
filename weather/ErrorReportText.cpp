#include "weather/ErrorReportText.h"

namespace weather {

std::string ApplicationTitleFromPath(const std::string& path) {
  const size_t slash = path.find_last_of("\\/:");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  name = name.substr(0, name.find('.'));
  // Walk whole characters: a GBK lead byte takes its trail byte with it.
  const auto width = [&name](size_t i) {
    return static_cast<unsigned char>(name[i]) >= 0x81 && i + 1 < name.size() ? 2 : 1;
  };
  for (size_t i = name.empty() ? 0 : width(0); i < name.size(); i += width(i)) {
    const unsigned char byte = static_cast<unsigned char>(name[i]);
    if (byte >= 'A' && byte <= 'Z') name[i] = static_cast<char>(byte - 'A' + 'a');
  }
  return name;
}

std::string ErrorReportText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

}  // namespace weather
