// Weather picture files: icon number and day/night to a path under image_Index.
#pragma once

#include <string>

namespace weather {

enum class PictureKind { Day, Night };

// "image_Index\d07.bmp" and the like, relative to the current directory. Only
// the last two characters of the number count, and 99 stands for 1.
std::string IconFilePath(int iconNumber, PictureKind kind);

// Where a picture's relative path is opened. Relative to the current
// directory when that holds the path's folder (image_Index); otherwise beside
// the executable when the file is there, since a program that Windows starts
// at logon (a Run key, a shortcut without a "Start in" folder) runs in the
// system folder. Else the relative path, so that the error names the current
// directory's file.
std::string IconFileLocation(const std::string& relativePath);

}  // namespace weather
