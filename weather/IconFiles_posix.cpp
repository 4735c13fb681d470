#include "weather/IconFiles.h"

namespace weather {

// The paths carry Windows' separator: off Windows they are opened as given.
std::string IconFileLocation(const std::string& relativePath) { return relativePath; }

}  // namespace weather
