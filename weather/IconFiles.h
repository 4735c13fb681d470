// Weather picture files: icon number and day/night to a path under image_Index.
#pragma once

#include <string>

namespace weather {

enum class PictureKind { Day, Night };

// "image_Index\d07.bmp" and the like, relative to the current directory. Only
// the last two characters of the number count, and 99 stands for 1.
std::string IconFilePath(int iconNumber, PictureKind kind);

}  // namespace weather
