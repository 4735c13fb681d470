#include <windows.h>

#include <string>

#include "base/CodePage.h"
#include "weather/IconFiles.h"

namespace weather {
namespace {

std::wstring Wide(const std::string& gbk) {
  const std::u16string text = base::GbkToUtf16(gbk);
  return std::wstring(text.begin(), text.end());
}

std::string Gbk(const std::wstring& text) {
  return base::Utf16ToGbk(
      std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsFile(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The folder of the running executable, with its trailing backslash.
std::wstring ExecutableFolder() {
  // Grow until the whole path fits: it can be longer than MAX_PATH.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  path.resize(path.find_last_of(L"\\/") + 1);
  return path;
}

}  // namespace

std::string IconFileLocation(const std::string& relativePath) {
  const std::wstring relative = Wide(relativePath);
  const size_t separator = relative.find(L'\\');
  if (separator == std::wstring::npos || IsFolder(relative.substr(0, separator))) {
    return relativePath;
  }
  const std::wstring folder = ExecutableFolder();
  if (folder.empty() || !IsFile(folder + relative)) return relativePath;
  return Gbk(folder + relative);
}

}  // namespace weather
