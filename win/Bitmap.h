// Bitmap files from disk, with the errors a user sees when one is missing or bad.
#pragma once

#include <string>

#include "win/Handles.h"

namespace win {

// Loads the BMP file at a path (relative to the current directory). Throws
// "Cannot open file "<full path>". <reason>" when it cannot be opened and
// "Bitmap image is not valid" when its content is no bitmap.
UniqueBitmap LoadBitmapFile(const std::string& path);

// True when the bytes hold a complete, well-formed Windows bitmap file.
bool IsValidBitmapFile(const std::string& bytes);

}  // namespace win
