#include "app/AutoRun.h"

#include <windows.h>

#include <array>
#include <stdexcept>

#include "base/SystemMessage.h"
#include "base/UniqueResource.h"
#include "win/Text.h"

namespace app {
namespace {

// The same path under HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER.
constexpr wchar_t kRunKeyPath[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
// Where Explorer keeps the switch of each Run value that Task Manager or
// Settings shows: a binary value of the same name under the same root, whose
// first byte is odd when the user turned the program off.
constexpr wchar_t kApprovedKeyPath[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
// What Explorer writes for a program turned on: 2, then zeros.
constexpr std::array<BYTE, 12> kApprovedOn = {2};

const std::array<HKEY, 2> kRoots = {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER};

void CloseKey(HKEY key) noexcept { ::RegCloseKey(key); }
using UniqueKey = base::UniqueHandle<HKEY, CloseKey>;

UniqueKey OpenKey(HKEY root, const wchar_t* path, REGSAM access, LSTATUS* status = nullptr) {
  UniqueKey key;
  const LSTATUS result = ::RegOpenKeyExW(root, path, 0, access, key.put());
  if (status != nullptr) *status = result;
  return key;
}

// Opens the key, creating it (non-volatile) when it does not exist.
UniqueKey CreateKey(HKEY root, const wchar_t* path, REGSAM access) {
  UniqueKey key;
  ::RegCreateKeyExW(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, key.put(),
                    nullptr);
  return key;
}

bool HasValue(const UniqueKey& key, const std::wstring& name) {
  return key && ::RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
                    ERROR_SUCCESS;
}

// Turned off in the startup settings of that root? Absent means on.
bool TurnedOff(HKEY root, const std::wstring& name) {
  const UniqueKey approved = OpenKey(root, kApprovedKeyPath, KEY_QUERY_VALUE);
  if (!approved) return false;
  std::array<BYTE, 64> data{};
  DWORD size = data.size();
  DWORD type = 0;
  const LSTATUS status =
      ::RegQueryValueExW(approved.get(), name.c_str(), nullptr, &type, data.data(), &size);
  return status == ERROR_SUCCESS && type == REG_BINARY && size > 0 && (data[0] & 1) != 0;
}

bool RegisteredUnder(HKEY root, const std::wstring& name) {
  return HasValue(OpenKey(root, kRunKeyPath, KEY_QUERY_VALUE), name) && !TurnedOff(root, name);
}

bool WriteString(HKEY root, const std::wstring& name, const std::wstring& data) {
  const UniqueKey run = CreateKey(root, kRunKeyPath, KEY_SET_VALUE);
  // REG_SZ data is counted in bytes and includes its terminating null.
  const DWORD size = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
  return run &&
         ::RegSetValueExW(run.get(), name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(data.c_str()), size) == ERROR_SUCCESS;
}

// Turns the registration under root on in the startup settings, where it
// was turned off; false when that is refused.
bool TurnOn(HKEY root, const std::wstring& name) {
  if (!TurnedOff(root, name)) return true;
  const UniqueKey approved = OpenKey(root, kApprovedKeyPath, KEY_SET_VALUE);
  return approved && ::RegSetValueExW(approved.get(), name.c_str(), 0, REG_BINARY,
                                      kApprovedOn.data(), kApprovedOn.size()) == ERROR_SUCCESS;
}

// Deletes the value under root if it exists there; the error code of a
// refusal, else ERROR_SUCCESS.
LSTATUS Remove(HKEY root, const std::wstring& name) {
  if (!HasValue(OpenKey(root, kRunKeyPath, KEY_QUERY_VALUE), name)) return ERROR_SUCCESS;
  LSTATUS status = ERROR_SUCCESS;
  const UniqueKey run = OpenKey(root, kRunKeyPath, KEY_QUERY_VALUE | KEY_SET_VALUE, &status);
  if (!run) return status;
  status = ::RegDeleteValueW(run.get(), name.c_str());
  return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

}  // namespace

bool AutoRunValueExists(const std::string& name) {
  const std::wstring wideName = win::Widen(name);
  for (const HKEY root : kRoots) {
    if (RegisteredUnder(root, wideName)) return true;
  }
  return false;
}

void SetAutoRun(const std::string& name, const std::string& data, bool enable) {
  const std::wstring wideName = win::Widen(name);
  if (enable) {
    const std::wstring wideData = win::Widen(data);
    for (const HKEY root : kRoots) {
      if (WriteString(root, wideName, wideData) && TurnOn(root, wideName)) return;
    }
    throw std::runtime_error("Failed to set data for '" + name + "'");
  }
  LSTATUS refused = ERROR_SUCCESS;
  for (const HKEY root : kRoots) {
    const LSTATUS status = Remove(root, wideName);
    if (status != ERROR_SUCCESS && refused == ERROR_SUCCESS) refused = status;
  }
  if (refused != ERROR_SUCCESS) {
    std::string reason = base::SystemMessage(static_cast<unsigned long>(refused));
    if (reason.empty()) reason = "System error " + std::to_string(refused);
    throw std::runtime_error(reason);
  }
}

std::string AutoRunCommand() {
  // Grow until the whole path fits: it can be longer than MAX_PATH.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return "\"" + win::Narrow(path) + "\"";
}

}  // namespace app
