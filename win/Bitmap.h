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

// The colour of a bitmap's bottom-left pixel (a picture's see-through colour).
COLORREF BottomLeftColor(HBITMAP bitmap);

// A copy of a bitmap at another size, each pixel the average of the source
// area it covers. With a key colour (not CLR_INVALID) the see-through mask
// is scaled apart from the colours: a pixel is left out, in exactly the key
// colour, when less than half of its area is opaque, and otherwise averages
// only opaque pixels, so no picture edge is blended with the key colour.
UniqueBitmap ScaleBitmap(HBITMAP source, int width, int height, COLORREF key);

}  // namespace win
