#include "weather/IconFiles.h"

namespace weather {

std::string IconFilePath(int iconNumber, PictureKind kind) {
  // 99 has no picture of its own; picture 1 is shown for it.
  if (iconNumber == 99) iconNumber = 1;
  const std::string padded = "00" + std::to_string(iconNumber);
  std::string path = kind == PictureKind::Day ? "image_Index\\d" : "image_Index\\n";
  path += padded.substr(padded.size() - 2);
  path += ".bmp";
  return path;
}

}  // namespace weather
