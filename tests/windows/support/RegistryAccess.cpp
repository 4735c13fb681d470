#include "windows/support/RegistryAccess.h"

#include <gtest/gtest.h>

#include <vector>

namespace testsupport {
namespace {

constexpr DWORD kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

class Key {
 public:
  Key(HKEY root, const wchar_t* path, REGSAM access) {
    status_ = ::RegCreateKeyExW(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                                &key_, nullptr);
  }
  ~Key() {
    if (status_ == ERROR_SUCCESS) ::RegCloseKey(key_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY get() const { return key_; }
  LSTATUS Status() const { return status_; }

 private:
  HKEY key_ = nullptr;
  LSTATUS status_;
};

// The key's discretionary ACL rebuilt: optionally a denying ACE for
// everyone first, then every allowing ACE of the old one.
void SetDenial(HKEY root, const wchar_t* path, bool deny) {
  const Key key(root, path, READ_CONTROL | WRITE_DAC);
  ASSERT_EQ(key.Status(), ERROR_SUCCESS);
  DWORD size = 0;
  ::RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, nullptr, &size);
  std::vector<BYTE> old(size);
  ASSERT_EQ(::RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, old.data(), &size),
            ERROR_SUCCESS);
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  ACL* oldAcl = nullptr;
  ASSERT_TRUE(::GetSecurityDescriptorDacl(old.data(), &present, &oldAcl, &defaulted));

  BYTE everyone[SECURITY_MAX_SID_SIZE];
  DWORD sidSize = sizeof everyone;
  ASSERT_TRUE(::CreateWellKnownSid(WinWorldSid, nullptr, everyone, &sidSize));
  std::vector<BYTE> acl(4096);
  ACL* newAcl = reinterpret_cast<ACL*>(acl.data());
  ASSERT_TRUE(::InitializeAcl(newAcl, static_cast<DWORD>(acl.size()), ACL_REVISION));
  if (deny) {
    ASSERT_TRUE(::AddAccessDeniedAce(newAcl, ACL_REVISION, kWriteRights, everyone));
  }
  if (present && oldAcl != nullptr) {
    for (DWORD i = 0; i < oldAcl->AceCount; ++i) {
      void* ace = nullptr;
      ASSERT_TRUE(::GetAce(oldAcl, i, &ace));
      const auto* header = static_cast<ACE_HEADER*>(ace);
      if (header->AceType == ACCESS_DENIED_ACE_TYPE) continue;
      ASSERT_TRUE(::AddAce(newAcl, ACL_REVISION, MAXDWORD, ace, header->AceSize));
    }
  } else {
    ASSERT_TRUE(::AddAccessAllowedAce(newAcl, ACL_REVISION, KEY_ALL_ACCESS, everyone));
  }
  SECURITY_DESCRIPTOR descriptor;
  ASSERT_TRUE(::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
  ASSERT_TRUE(::SetSecurityDescriptorDacl(&descriptor, TRUE, newAcl, FALSE));
  ASSERT_EQ(::RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, &descriptor), ERROR_SUCCESS);
}

}  // namespace

WritesDenied::WritesDenied(HKEY root, const wchar_t* path) : root_(root), path_(path) {
  SetDenial(root, path, true);
  // The registry itself now refuses: a check of the test, not of the program.
  HKEY key = nullptr;
  EXPECT_EQ(::RegOpenKeyExW(root, path, 0, KEY_SET_VALUE, &key), ERROR_ACCESS_DENIED);
  if (key != nullptr) ::RegCloseKey(key);
}

WritesDenied::~WritesDenied() { SetDenial(root_, path_, false); }

void AllowWrites(HKEY root, const wchar_t* path) { SetDenial(root, path, false); }

std::wstring ReadString(HKEY root, const wchar_t* path, const wchar_t* name) {
  wchar_t data[2048];
  DWORD size = sizeof data;
  if (::RegGetValueW(root, path, name, RRF_RT_REG_SZ | RRF_NOEXPAND, nullptr, data, &size) !=
      ERROR_SUCCESS) {
    return L"<none>";
  }
  return data;
}

void WriteString(HKEY root, const wchar_t* path, const wchar_t* name, const std::wstring& data) {
  const Key key(root, path, KEY_SET_VALUE);
  ASSERT_EQ(key.Status(), ERROR_SUCCESS);
  ASSERT_EQ(
      ::RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))),
      ERROR_SUCCESS);
}

void WriteBinary(HKEY root, const wchar_t* path, const wchar_t* name, const std::string& bytes) {
  const Key key(root, path, KEY_SET_VALUE);
  ASSERT_EQ(key.Status(), ERROR_SUCCESS);
  ASSERT_EQ(
      ::RegSetValueExW(key.get(), name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(bytes.data()),
                       static_cast<DWORD>(bytes.size())),
      ERROR_SUCCESS);
}

int FirstByte(HKEY root, const wchar_t* path, const wchar_t* name) {
  BYTE data[64];
  DWORD size = sizeof data;
  if (::RegGetValueW(root, path, name, RRF_RT_REG_BINARY, nullptr, data, &size) != ERROR_SUCCESS ||
      size == 0) {
    return -1;
  }
  return data[0];
}

void RemoveValue(HKEY root, const wchar_t* path, const wchar_t* name) {
  ::RegDeleteKeyValueW(root, path, name);
}

}  // namespace testsupport
