#include "app/AutoRun.h"

#include <stdexcept>
#include <utility>

#include "win/Text.h"

namespace app {
namespace {

constexpr wchar_t kRunKeyPath[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

class Win32Registry final : public RegistryApi {
 public:
  LSTATUS OpenKey(HKEY root, const std::wstring& path, REGSAM access, HKEY* key) override {
    return ::RegOpenKeyExW(root, path.c_str(), 0, access, key);
  }
  LSTATUS CreateKey(HKEY root, const std::wstring& path, REGSAM access, HKEY* key) override {
    return ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                             nullptr, key, nullptr);
  }
  LSTATUS QueryValue(HKEY key, const std::wstring& name) override {
    return ::RegQueryValueExW(key, name.c_str(), nullptr, nullptr, nullptr, nullptr);
  }
  LSTATUS SetStringValue(HKEY key, const std::wstring& name, const std::wstring& data) override {
    // REG_SZ data is counted in bytes and includes its terminating null.
    const DWORD size = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(key, name.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(data.c_str()), size);
  }
  LSTATUS DeleteValue(HKEY key, const std::wstring& name) override {
    return ::RegDeleteValueW(key, name.c_str());
  }
  LSTATUS CloseKey(HKEY key) override { return ::RegCloseKey(key); }
};

RegistryApi*& InstalledApi() {
  static RegistryApi* api = &Win32RegistryApi();
  return api;
}

// One accessor per operation: the Run key under HKEY_LOCAL_MACHINE with full
// access, closed when the operation ends, also by an error. A refused open
// leaves no key, and every later step then fails quietly.
class RunKey {
 public:
  enum class Mode { kOpenExisting, kCreate };

  explicit RunKey(Mode mode) : api_(*InstalledApi()) {
    HKEY key = nullptr;
    const LSTATUS status =
        mode == Mode::kCreate
            ? api_.CreateKey(HKEY_LOCAL_MACHINE, kRunKeyPath, KEY_ALL_ACCESS, &key)
            : api_.OpenKey(HKEY_LOCAL_MACHINE, kRunKeyPath, KEY_ALL_ACCESS, &key);
    if (status == ERROR_SUCCESS) key_ = key;
  }
  RunKey(const RunKey&) = delete;
  RunKey& operator=(const RunKey&) = delete;
  ~RunKey() {
    if (key_) api_.CloseKey(key_);
  }

  bool HasValue(const std::wstring& name) {
    return key_ && api_.QueryValue(key_, name) == ERROR_SUCCESS;
  }
  bool WriteString(const std::wstring& name, const std::wstring& data) {
    return key_ && api_.SetStringValue(key_, name, data) == ERROR_SUCCESS;
  }
  void DeleteValue(const std::wstring& name) {
    if (key_) api_.DeleteValue(key_, name);
  }

 private:
  RegistryApi& api_;
  HKEY key_ = nullptr;
};

}  // namespace

RegistryApi& Win32RegistryApi() {
  static Win32Registry api;
  return api;
}

RegistryApi* SetRegistryApi(RegistryApi* api) {
  return std::exchange(InstalledApi(), api ? api : &Win32RegistryApi());
}

bool AutoRunValueExists(const std::string& name) {
  RunKey key(RunKey::Mode::kOpenExisting);
  return key.HasValue(win::Widen(name));
}

void SetAutoRun(const std::string& name, const std::string& data, bool enable) {
  RunKey key(RunKey::Mode::kCreate);
  const std::wstring wideName = win::Widen(name);
  if (enable) {
    if (!key.WriteString(wideName, win::Widen(data))) {
      throw std::runtime_error("Failed to set data for '" + name + "'");
    }
  } else if (key.HasValue(wideName)) {
    key.DeleteValue(wideName);
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
