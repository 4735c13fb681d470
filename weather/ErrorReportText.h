// The words of the program's error report: its title, from the executable's
// name, and its text, from the failure's message.
#pragma once

#include <string>

namespace weather {

// The executable's file name without directory, cut at its first ".", every
// letter after the first in lower case ("WEATHER.EXE" gives "Weather").
std::string ApplicationTitleFromPath(const std::string& path);

// The message as shown: "." appended when the text is not empty and its last
// character sorts after ".".
std::string ErrorReportText(const std::string& message);

}  // namespace weather
