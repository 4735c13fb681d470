// Autorun registration: one string value in the machine-wide Run key, read,
// written and deleted with a fresh key handle per operation.
#pragma once

#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace app {

// The one value this program ever touches under the Run key.
inline constexpr char kAutoRunValueName[] = "Rezodez";

// Button captions, GBK. On: a click removes the registration; off: a click adds it.
inline constexpr char kAutoRunOnCaption[] = "\xC8\xA1\xCF\xFB\xD7\xD4\xB6\xAF\xD4\xCB\xD0\xD0";
inline constexpr char kAutoRunOffCaption[] = "\xBF\xAA\xBB\xFA\xD7\xD4\xB6\xAF\xD4\xCB\xD0\xD0";
// Shown until the first refresh from the registry.
inline constexpr char kAutoRunDesignCaption[] = "\xD7\xD4\xB6\xAF\xC6\xF4\xB6\xAF";

// What a click will do, given whether the value existed at the last refresh.
inline std::string AutoRunCaption(bool flag) {
  return flag ? kAutoRunOnCaption : kAutoRunOffCaption;
}

// Does a value of that name exist under the Run key? False also when the key
// cannot be opened with full access.
bool AutoRunValueExists(const std::string& name);

// enable: writes data under name as REG_SZ, or throws "Failed to set data for
// '<name>'". Otherwise deletes the value if it exists; a failed delete is ignored.
void SetAutoRun(const std::string& name, const std::string& data, bool enable);

// The running executable's full path in double quotes, so that a path with
// spaces is not read by Windows as a shorter program name plus arguments.
std::string AutoRunCommand();

#ifdef _WIN32

// The registry calls the autorun operations make, so a test can refuse them or
// count them. Results are Win32 error codes.
class RegistryApi {
 public:
  virtual ~RegistryApi() = default;
  // Opens an existing key only.
  virtual LSTATUS OpenKey(HKEY root, const std::wstring& path, REGSAM access, HKEY* key) = 0;
  // Opens the key, creating it (non-volatile) if it does not exist.
  virtual LSTATUS CreateKey(HKEY root, const std::wstring& path, REGSAM access, HKEY* key) = 0;
  // Asks only for the value's information, not its data.
  virtual LSTATUS QueryValue(HKEY key, const std::wstring& name) = 0;
  virtual LSTATUS SetStringValue(HKEY key, const std::wstring& name, const std::wstring& data) = 0;
  virtual LSTATUS DeleteValue(HKEY key, const std::wstring& name) = 0;
  virtual LSTATUS CloseKey(HKEY key) = 0;
};

// The real advapi32 calls.
RegistryApi& Win32RegistryApi();

// Installs the registry the autorun operations use (nullptr: the real one);
// returns the one installed before.
RegistryApi* SetRegistryApi(RegistryApi* api);

#endif

}  // namespace app
