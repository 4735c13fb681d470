// The city code table carried inside the program (GBK, "name=code" lines).
#pragma once

#include <string_view>

namespace weather {

// The table's bytes, valid for the life of the process. Throws when the
// program carries no table.
std::string_view EmbeddedCityTable();

}  // namespace weather
