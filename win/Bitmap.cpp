#include "win/Bitmap.h"

#include <windows.h>

#include <cstring>
#include <stdexcept>

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

}  // namespace

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
                             SystemMessage(error));
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
                             SystemMessage(error));
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
