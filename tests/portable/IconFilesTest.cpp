// Icon number and picture kind to the bitmap's relative path.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "weather/IconFiles.h"

namespace weather {
namespace {

struct IconCase {
  int number;
  std::string digits;  // the two characters that name the file
};

class IconFilePathTest : public ::testing::TestWithParam<IconCase> {};

TEST_P(IconFilePathTest, DayPicture) {
  EXPECT_EQ(IconFilePath(GetParam().number, PictureKind::Day),
            "image_Index\\d" + GetParam().digits + ".bmp");
}

TEST_P(IconFilePathTest, NightPicture) {
  EXPECT_EQ(IconFilePath(GetParam().number, PictureKind::Night),
            "image_Index\\n" + GetParam().digits + ".bmp");
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, IconFilePathTest,
    ::testing::Values(IconCase{0, "00"}, IconCase{1, "01"}, IconCase{7, "07"}, IconCase{9, "09"},
                      IconCase{10, "10"}, IconCase{12, "12"}, IconCase{98, "98"},
                      IconCase{99, "01"}, IconCase{100, "00"}, IconCase{101, "01"},
                      IconCase{123, "23"}, IconCase{199, "99"}, IconCase{1099, "99"},
                      IconCase{-1, "-1"}, IconCase{-5, "-5"}, IconCase{-99, "99"},
                      IconCase{-123, "23"}, IconCase{INT_MAX, "47"}, IconCase{INT_MIN, "48"}),
    [](const auto& info) {
      const long long n = info.param.number;
      return (n < 0 ? "Minus" : "") + std::to_string(n < 0 ? -n : n);
    });

TEST(IconFilePathTest, NinetyNineIsOne) {
  EXPECT_EQ(IconFilePath(99, PictureKind::Day), IconFilePath(1, PictureKind::Day));
  EXPECT_EQ(IconFilePath(99, PictureKind::Night), IconFilePath(1, PictureKind::Night));
  EXPECT_EQ(IconFilePath(99, PictureKind::Day), "image_Index\\d01.bmp");
  EXPECT_EQ(IconFilePath(99, PictureKind::Night), "image_Index\\n01.bmp");
}

TEST(IconFilePathTest, DayAndNightDifferOnlyInTheLetter) {
  EXPECT_EQ(IconFilePath(7, PictureKind::Day), "image_Index\\d07.bmp");
  EXPECT_EQ(IconFilePath(7, PictureKind::Night), "image_Index\\n07.bmp");
}

}  // namespace
}  // namespace weather
