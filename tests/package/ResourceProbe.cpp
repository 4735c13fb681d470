// Reads back what a packaged Weather.exe carries, the way Windows and its
// shell read it, and writes one line per finding (UTF-8) for the package test:
//   resource_probe.exe EXE REPORT
//     version FILE PRODUCT              fixed version numbers
//     string LANGCODEPAGE NAME=VALUE    every string of every listed translation
//     icon NAME WxH/BITS[/png] ...      the first icon group, entry by entry
//     manifest ID BYTES                 the manifest resource (its text: REPORT.manifest)
//     comctl32 MAJOR.MINOR              loaded in the exe's own activation context
#include <windows.h>
// after windows.h
#include <shlwapi.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/UniqueResource.h"

namespace {

using UniqueModule = base::UniqueHandle<HMODULE, ::FreeLibrary>;

constexpr WORD kManifestId = 1;  // CREATEPROCESS_MANIFEST_RESOURCE_ID: the loader's one

struct ActCtxPolicy {
  using Handle = HANDLE;
  static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Handle handle) noexcept { return handle != INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) noexcept { ::ReleaseActCtx(handle); }
};
using UniqueActCtx = base::UniqueResource<ActCtxPolicy>;

std::string Utf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string out(size, '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
  return out;
}

std::string Hex4(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04x", value & 0xFFFF);
  return text;
}

std::string VersionText(DWORD high, DWORD low) {
  return std::to_string(HIWORD(high)) + "." + std::to_string(LOWORD(high)) + "." +
         std::to_string(HIWORD(low)) + "." + std::to_string(LOWORD(low));
}

void ReportVersion(const wchar_t* exe, std::ofstream& out) {
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(exe, &ignored);
  if (size == 0) {
    out << "version none\n";
    return;
  }
  std::vector<BYTE> data(size);
  if (!::GetFileVersionInfoW(exe, 0, size, data.data())) return;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed) {
    out << "version " << VersionText(fixed->dwFileVersionMS, fixed->dwFileVersionLS) << ' '
        << VersionText(fixed->dwProductVersionMS, fixed->dwProductVersionLS) << '\n';
  }
  struct Translation {
    WORD language, codePage;
  };
  Translation* translations = nullptr;
  if (!::VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translations), &length)) {
    return;
  }
  static constexpr const wchar_t* kNames[] = {
      L"CompanyName",    L"FileDescription",  L"FileVersion", L"InternalName",
      L"LegalCopyright", L"OriginalFilename", L"ProductName", L"ProductVersion"};
  for (UINT n = 0; n < length / sizeof(Translation); ++n) {
    const std::string block = Hex4(translations[n].language) + Hex4(translations[n].codePage);
    for (const wchar_t* name : kNames) {
      const std::wstring path =
          L"\\StringFileInfo\\" + std::wstring(block.begin(), block.end()) + L"\\" + name;
      wchar_t* value = nullptr;
      UINT characters = 0;
      if (::VerQueryValueW(data.data(), path.c_str(), reinterpret_cast<void**>(&value),
                           &characters) &&
          value) {
        out << "string " << block << ' ' << Utf8(name) << '=' << Utf8(value) << '\n';
      }
    }
  }
}

BOOL CALLBACK KeepFirstName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found) {
  auto& first = *reinterpret_cast<std::wstring*>(found);
  first = IS_INTRESOURCE(name) ? L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(name)) : name;
  return FALSE;
}

std::string_view ResourceBytes(HMODULE module, const wchar_t* name, const wchar_t* type) {
  HRSRC found = ::FindResourceW(module, name, type);
  if (!found) return {};
  HGLOBAL loaded = ::LoadResource(module, found);
  if (!loaded) return {};
  return {static_cast<const char*>(::LockResource(loaded)), ::SizeofResource(module, found)};
}

#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE width, height, colours, reserved;
  WORD planes, bits;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

void ReportIcon(HMODULE module, std::ofstream& out) {
  std::wstring first;
  ::EnumResourceNamesW(module, RT_GROUP_ICON, KeepFirstName, reinterpret_cast<LONG_PTR>(&first));
  if (first.empty()) {
    out << "icon none\n";
    return;
  }
  const std::string_view group = ResourceBytes(module, first.c_str(), RT_GROUP_ICON);
  if (group.size() < 6) return;
  WORD count = 0;
  std::memcpy(&count, group.data() + 4, sizeof count);
  out << "icon " << Utf8(first);
  for (WORD n = 0; n < count && 6 + (n + 1) * sizeof(GroupIconEntry) <= group.size(); ++n) {
    GroupIconEntry entry;
    std::memcpy(&entry, group.data() + 6 + n * sizeof entry, sizeof entry);
    const std::string_view image = ResourceBytes(module, MAKEINTRESOURCEW(entry.id), RT_ICON);
    // An entry counts only when its image is there, as large as the group says.
    if (image.size() != entry.bytes) {
      out << " missing";
      continue;
    }
    out << ' ' << (entry.width ? entry.width : 256) << 'x' << (entry.height ? entry.height : 256)
        << '/' << entry.bits << (image.starts_with("\x89PNG") ? "/png" : "");
  }
  out << '\n';
}

void ReportManifest(HMODULE module, const std::wstring& reportPath, std::ofstream& out) {
  const std::string_view manifest =
      ResourceBytes(module, MAKEINTRESOURCEW(kManifestId), RT_MANIFEST);
  out << "manifest " << kManifestId << ' ' << manifest.size() << '\n';
  std::ofstream(std::filesystem::path(reportPath + L".manifest"), std::ios::binary) << manifest;
}

// The common controls that the exe's manifest binds: the loader's own answer.
void ReportCommonControls(const wchar_t* exe, std::ofstream& out) {
  ACTCTXW request{};
  request.cbSize = sizeof request;
  request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.lpSource = exe;
  request.lpResourceName = MAKEINTRESOURCEW(kManifestId);
  UniqueActCtx context(::CreateActCtxW(&request));
  if (!context) {
    out << "comctl32 no-context\n";
    return;
  }
  ULONG_PTR cookie = 0;
  if (!::ActivateActCtx(context.get(), &cookie)) return;
  UniqueModule comctl(::LoadLibraryW(L"comctl32.dll"));
  ::DeactivateActCtx(0, cookie);
  auto* getVersion = comctl ? reinterpret_cast<DLLGETVERSIONPROC>(reinterpret_cast<void*>(
                                  ::GetProcAddress(comctl.get(), "DllGetVersion")))
                            : nullptr;
  DLLVERSIONINFO info{};
  info.cbSize = sizeof info;
  if (getVersion && SUCCEEDED(getVersion(&info))) {
    wchar_t path[MAX_PATH] = L"";
    ::GetModuleFileNameW(comctl.get(), path, MAX_PATH);
    out << "comctl32 " << info.dwMajorVersion << '.' << info.dwMinorVersion << ' ' << Utf8(path)
        << '\n';
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fputs("usage: resource_probe EXE REPORT\n", stderr);
    return 2;
  }
  const wchar_t* exe = argv[1];
  const std::wstring reportPath = argv[2];
  std::ofstream out(std::filesystem::path(reportPath), std::ios::binary);
  UniqueModule module(
      ::LoadLibraryExW(exe, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  if (!module || !out) {
    std::fputs("resource_probe: cannot open the program or the report\n", stderr);
    return 1;
  }
  ReportVersion(exe, out);
  ReportIcon(module.get(), out);
  ReportManifest(module.get(), reportPath, out);
  ReportCommonControls(exe, out);
  return out ? 0 : 1;
}
