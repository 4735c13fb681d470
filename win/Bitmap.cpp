#include "win/Bitmap.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "base/SystemMessage.h"
#include "win/Text.h"

namespace win {
namespace {

template <typename T>
T ReadAt(const std::string& bytes, size_t offset) {
  T value;
  std::memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}

std::string FullPath(const std::wstring& path) {
  wchar_t buffer[MAX_PATH * 4];
  const DWORD length =
      ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(std::size(buffer)), buffer, nullptr);
  if (length == 0 || length >= std::size(buffer)) return Narrow(path);
  return Narrow(std::wstring_view(buffer, length));
}

// A DIB section from a validated, uncompressed bitmap file with an info header;
// null for the rarer kinds, which the system's loader takes instead.
UniqueBitmap BitmapFromBytes(const std::string& bytes) {
  constexpr size_t kFileHeader = sizeof(BITMAPFILEHEADER);
  const auto headerSize = ReadAt<DWORD>(bytes, kFileHeader);
  if (headerSize != sizeof(BITMAPINFOHEADER)) return {};
  const auto info = ReadAt<BITMAPINFOHEADER>(bytes, kFileHeader);
  if (info.biCompression != BI_RGB) return {};
  const auto dataOffset = ReadAt<DWORD>(bytes, offsetof(BITMAPFILEHEADER, bfOffBits));
  const int64_t height = info.biHeight < 0 ? -static_cast<int64_t>(info.biHeight) : info.biHeight;
  const size_t stride = static_cast<size_t>(((info.biWidth * info.biBitCount + 31) / 32) * 4);
  const size_t dataSize = stride * static_cast<size_t>(height);
  // The header and its colour table, as the file holds them.
  const size_t colors =
      info.biBitCount <= 8 ? (info.biClrUsed ? info.biClrUsed : (size_t{1} << info.biBitCount)) : 0;
  const size_t infoSize = headerSize + colors * sizeof(RGBQUAD);
  if (kFileHeader + infoSize > dataOffset || colors > 256) return {};
  std::string header = bytes.substr(kFileHeader, infoSize);
  auto* bitmapInfo = reinterpret_cast<BITMAPINFO*>(header.data());
  void* bits = nullptr;
  UniqueBitmap bitmap(::CreateDIBSection(nullptr, bitmapInfo, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits) return {};
  std::memcpy(bits, bytes.data() + dataOffset, dataSize);
  return bitmap;
}

// The share of each source pixel in each target pixel along one axis, when
// `source` pixels are spread evenly over `target` ones.
struct Share {
  int index;
  double weight;
};
std::vector<std::vector<Share>> Shares(int source, int target) {
  std::vector<std::vector<Share>> shares(static_cast<size_t>(target));
  for (int t = 0; t < target; ++t) {
    const double begin = static_cast<double>(t) * source / target;
    const double end = static_cast<double>(t + 1) * source / target;
    for (int s = static_cast<int>(begin); s < end && s < source; ++s) {
      const double weight = std::min<double>(end, s + 1) - std::max<double>(begin, s);
      if (weight > 1e-9) shares[static_cast<size_t>(t)].push_back({s, weight});
    }
  }
  return shares;
}

BITMAPINFO TopDown32(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

// 32-bit pixels are blue, green, red, unused; COLORREF is red, green, blue.
std::uint32_t PixelOf(COLORREF color) {
  return (static_cast<std::uint32_t>(GetRValue(color)) << 16) |
         (static_cast<std::uint32_t>(GetGValue(color)) << 8) | GetBValue(color);
}

}  // namespace

COLORREF BottomLeftColor(HBITMAP bitmap) {
  BITMAP info{};
  if (!::GetObjectW(bitmap, sizeof info, &info) || info.bmHeight <= 0) return CLR_INVALID;
  UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
  SelectObjectScope selected(dc.get(), bitmap);
  return ::GetPixel(dc.get(), 0, info.bmHeight - 1);
}

UniqueBitmap ScaleBitmap(HBITMAP source, int width, int height, COLORREF key) {
  BITMAP info{};
  if (!::GetObjectW(source, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0 ||
      width <= 0 || height <= 0) {
    return {};
  }
  const int sourceWidth = info.bmWidth;
  const int sourceHeight = info.bmHeight;
  std::vector<std::uint32_t> pixels(static_cast<size_t>(sourceWidth) * sourceHeight);
  BITMAPINFO sourceFormat = TopDown32(sourceWidth, sourceHeight);
  {
    UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    if (!::GetDIBits(dc.get(), source, 0, static_cast<UINT>(sourceHeight), pixels.data(),
                     &sourceFormat, DIB_RGB_COLORS)) {
      return {};
    }
  }
  const bool keyed = key != CLR_INVALID;
  const std::uint32_t keyPixel = keyed ? PixelOf(key) : 0;

  BITMAPINFO targetFormat = TopDown32(width, height);
  void* bits = nullptr;
  UniqueBitmap target(
      ::CreateDIBSection(nullptr, &targetFormat, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!target || !bits) return {};
  auto* out = static_cast<std::uint32_t*>(bits);

  const auto columns = Shares(sourceWidth, width);
  const auto rows = Shares(sourceHeight, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      double total = 0, opaque = 0, red = 0, green = 0, blue = 0;
      for (const Share& row : rows[static_cast<size_t>(y)]) {
        for (const Share& column : columns[static_cast<size_t>(x)]) {
          const double weight = row.weight * column.weight;
          const std::uint32_t pixel =
              pixels[static_cast<size_t>(row.index) * sourceWidth + column.index] & 0xFFFFFF;
          total += weight;
          if (keyed && pixel == keyPixel) continue;
          opaque += weight;
          red += weight * ((pixel >> 16) & 0xFF);
          green += weight * ((pixel >> 8) & 0xFF);
          blue += weight * (pixel & 0xFF);
        }
      }
      std::uint32_t result = keyPixel;
      if (opaque > 0 && (!keyed || opaque * 2 >= total)) {
        const auto channel = [opaque](double sum) {
          return static_cast<std::uint32_t>(std::min(255.0, sum / opaque + 0.5));
        };
        result = (channel(red) << 16) | (channel(green) << 8) | channel(blue);
        // An average that happens to hit the key colour must not vanish.
        if (keyed && result == keyPixel) result ^= 1;
      }
      out[static_cast<size_t>(y) * width + x] = result;
    }
  }
  return target;
}

bool IsValidBitmapFile(const std::string& bytes) {
  constexpr size_t kFileHeader = sizeof(BITMAPFILEHEADER);
  if (bytes.size() < kFileHeader + sizeof(BITMAPCOREHEADER)) return false;
  if (bytes[0] != 'B' || bytes[1] != 'M') return false;
  const auto dataOffset = ReadAt<DWORD>(bytes, offsetof(BITMAPFILEHEADER, bfOffBits));
  const auto headerSize = ReadAt<DWORD>(bytes, kFileHeader);
  int64_t width = 0, height = 0;
  unsigned bitCount = 0, compression = BI_RGB;
  if (headerSize == sizeof(BITMAPCOREHEADER)) {
    const auto core = ReadAt<BITMAPCOREHEADER>(bytes, kFileHeader);
    width = core.bcWidth;
    height = core.bcHeight;
    bitCount = core.bcBitCount;
  } else if (headerSize >= sizeof(BITMAPINFOHEADER) && headerSize <= 1024 &&
             bytes.size() >= kFileHeader + sizeof(BITMAPINFOHEADER)) {
    const auto info = ReadAt<BITMAPINFOHEADER>(bytes, kFileHeader);
    width = info.biWidth;
    height = info.biHeight < 0 ? -static_cast<int64_t>(info.biHeight) : info.biHeight;
    bitCount = info.biBitCount;
    compression = info.biCompression;
  } else {
    return false;
  }
  if (width <= 0 || height <= 0 || width > 32768 || height > 32768) return false;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
      bitCount != 32) {
    return false;
  }
  if (dataOffset >= bytes.size()) return false;
  if (compression == BI_RGB || compression == BI_BITFIELDS) {
    const int64_t stride = ((width * bitCount + 31) / 32) * 4;
    if (static_cast<int64_t>(bytes.size() - dataOffset) < stride * height) return false;
  }
  return true;
}

UniqueBitmap LoadBitmapFile(const std::string& path) {
  const std::wstring widePath = Widen(path);
  UniqueFile file(::CreateFileW(widePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = ::GetLastError();
    throw std::runtime_error("Cannot open file \"" + FullPath(widePath) + "\". " +
                             base::SystemMessage(error));
  }
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > 64 * 1024 * 1024) {
    throw std::runtime_error("Bitmap image is not valid");
  }
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!bytes.empty() &&
      !::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) {
    const DWORD error = ::GetLastError();
    throw std::runtime_error("Cannot open file \"" + FullPath(widePath) + "\". " +
                             base::SystemMessage(error));
  }
  bytes.resize(read);
  if (!IsValidBitmapFile(bytes)) throw std::runtime_error("Bitmap image is not valid");
  // The bytes are at hand: build the bitmap from them rather than read the file twice.
  UniqueBitmap bitmap = BitmapFromBytes(bytes);
  if (!bitmap) {
    bitmap.reset(static_cast<HBITMAP>(::LoadImageW(nullptr, widePath.c_str(), IMAGE_BITMAP, 0, 0,
                                                   LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
  }
  if (!bitmap) throw std::runtime_error("Bitmap image is not valid");
  return bitmap;
}

}  // namespace win
