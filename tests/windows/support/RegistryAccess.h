// Registry keys made read-only for real: an ACE in the key's own security
// descriptor that denies writing to everyone, which the registry enforces
// for this process as Windows does for a standard user.
#pragma once

#include <windows.h>

#include <string>

namespace testsupport {

inline constexpr wchar_t kRunKeyPath[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr wchar_t kApprovedKeyPath[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";

// Denies setting values and creating subkeys on the key (created if missing)
// while it lives.
class WritesDenied {
 public:
  WritesDenied(HKEY root, const wchar_t* path);
  ~WritesDenied();
  WritesDenied(const WritesDenied&) = delete;
  WritesDenied& operator=(const WritesDenied&) = delete;

 private:
  HKEY root_;
  const wchar_t* path_;
};

// Drops every denying ACE from the key's descriptor: mends a key that a run
// ended early left read-only.
void AllowWrites(HKEY root, const wchar_t* path);

// The string under a key's value, or "<none>".
std::wstring ReadString(HKEY root, const wchar_t* path, const wchar_t* name);
void WriteString(HKEY root, const wchar_t* path, const wchar_t* name, const std::wstring& data);
void WriteBinary(HKEY root, const wchar_t* path, const wchar_t* name, const std::string& bytes);
// The first byte of a binary value, or -1 when there is none.
int FirstByte(HKEY root, const wchar_t* path, const wchar_t* name);
void RemoveValue(HKEY root, const wchar_t* path, const wchar_t* name);

}  // namespace testsupport
