// Autorun registration against Wine's real registry, with a counting and
// refusing wrapper around the real calls.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "app/AutoRun.h"
#include "app/ErrorReport.h"
#include "win/Failure.h"
#include "win/Text.h"
#include "windows/support/ErrorReports.h"

namespace {

constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kValueName[] = L"Rezodez";
constexpr wchar_t kNeighbourName[] = L"WeatherAutoRunTestNeighbour";
constexpr wchar_t kNeighbourData[] = L"C:\\Other Program\\other.exe /quiet";

bool ReadValue(const wchar_t* name, DWORD* type, std::wstring* data) {
  DWORD size = 0;
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, kRunKey, name, RRF_RT_ANY | RRF_NOEXPAND, type, nullptr,
                     &size) != ERROR_SUCCESS) {
    return false;
  }
  std::wstring buffer(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, kRunKey, name, RRF_RT_ANY | RRF_NOEXPAND, type,
                     buffer.data(), &size) != ERROR_SUCCESS) {
    return false;
  }
  buffer.resize(size / sizeof(wchar_t));
  while (!buffer.empty() && buffer.back() == L'\0') buffer.pop_back();
  *data = buffer;
  return true;
}

bool ValuePresent(const wchar_t* name) {
  DWORD type = 0;
  std::wstring data;
  return ReadValue(name, &type, &data);
}

void WriteValue(const wchar_t* name, const std::wstring& data) {
  ASSERT_EQ(::RegSetKeyValueW(HKEY_LOCAL_MACHINE, kRunKey, name, REG_SZ, data.c_str(),
                              static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
}

void RemoveValue(const wchar_t* name) { ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kRunKey, name); }

// Passes every call to the real registry unless told to refuse, and counts.
class CountingRegistry final : public app::RegistryApi {
 public:
  bool refuseOpens = false;
  bool refuseWrites = false;
  int opens = 0;
  int closes = 0;
  int deletes = 0;
  std::vector<std::wstring> valueNames;

  LSTATUS OpenKey(HKEY root, const std::wstring& path, REGSAM access, HKEY* key) override {
    if (refuseOpens) return ERROR_ACCESS_DENIED;
    const LSTATUS status = real_.OpenKey(root, path, access, key);
    if (status == ERROR_SUCCESS) ++opens;
    return status;
  }
  LSTATUS CreateKey(HKEY root, const std::wstring& path, REGSAM access, HKEY* key) override {
    if (refuseOpens) return ERROR_ACCESS_DENIED;
    const LSTATUS status = real_.CreateKey(root, path, access, key);
    if (status == ERROR_SUCCESS) ++opens;
    return status;
  }
  LSTATUS QueryValue(HKEY key, const std::wstring& name) override {
    valueNames.push_back(name);
    return real_.QueryValue(key, name);
  }
  LSTATUS SetStringValue(HKEY key, const std::wstring& name, const std::wstring& data) override {
    valueNames.push_back(name);
    if (refuseWrites) return ERROR_ACCESS_DENIED;
    return real_.SetStringValue(key, name, data);
  }
  LSTATUS DeleteValue(HKEY key, const std::wstring& name) override {
    valueNames.push_back(name);
    ++deletes;
    return real_.DeleteValue(key, name);
  }
  LSTATUS CloseKey(HKEY key) override {
    ++closes;
    return real_.CloseKey(key);
  }

 private:
  app::RegistryApi& real_ = app::Win32RegistryApi();
};

class AutoRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RemoveValue(kValueName);
    RemoveValue(kNeighbourName);
    previous_ = app::SetRegistryApi(&registry_);
  }
  void TearDown() override {
    app::SetRegistryApi(previous_);
    RemoveValue(kValueName);
    RemoveValue(kNeighbourName);
    // Only the program's own value was ever named.
    for (const std::wstring& name : registry_.valueNames) EXPECT_EQ(name, kValueName);
  }

  // A fresh accessor per operation: exactly one key opened and closed.
  void ExpectOneKeyOpenedAndClosed() {
    EXPECT_EQ(registry_.opens, 1);
    EXPECT_EQ(registry_.closes, 1);
    registry_.opens = registry_.closes = 0;
  }

  CountingRegistry registry_;

 private:
  app::RegistryApi* previous_ = nullptr;
};

TEST_F(AutoRunTest, ValueExistsAnswersFalseWhenAbsent) {
  EXPECT_FALSE(app::AutoRunValueExists(app::kAutoRunValueName));
  ExpectOneKeyOpenedAndClosed();
}

TEST_F(AutoRunTest, ValueExistsAnswersTrueWhenPresent) {
  WriteValue(kValueName, L"\"C:\\Weather\\Weather.exe\"");
  EXPECT_TRUE(app::AutoRunValueExists(app::kAutoRunValueName));
  ExpectOneKeyOpenedAndClosed();
}

TEST_F(AutoRunTest, CommandIsTheQuotedFullPathOfTheExecutable) {
  wchar_t path[MAX_PATH * 4];
  const DWORD length = ::GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
  ASSERT_GT(length, 0u);
  const std::string command = app::AutoRunCommand();
  EXPECT_EQ(command, "\"" + win::Narrow(std::wstring_view(path, length)) + "\"");
  EXPECT_NE(command.find(":\\"), std::string::npos);  // a full path, not a bare name
}

TEST_F(AutoRunTest, EnableWritesTheCommandAsString) {
  app::SetAutoRun(app::kAutoRunValueName, app::AutoRunCommand(), true);
  ExpectOneKeyOpenedAndClosed();

  DWORD type = 0;
  std::wstring data;
  ASSERT_TRUE(ReadValue(kValueName, &type, &data));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(data, win::Widen(app::AutoRunCommand()));
  EXPECT_EQ(data.front(), L'"');
  EXPECT_EQ(data.back(), L'"');
  EXPECT_TRUE(app::AutoRunValueExists(app::kAutoRunValueName));
}

TEST_F(AutoRunTest, EnableReplacesAnOlderValue) {
  WriteValue(kValueName, L"C:\\Old Place\\Weather.exe");
  app::SetAutoRun(app::kAutoRunValueName, app::AutoRunCommand(), true);
  DWORD type = 0;
  std::wstring data;
  ASSERT_TRUE(ReadValue(kValueName, &type, &data));
  EXPECT_EQ(data, win::Widen(app::AutoRunCommand()));
}

TEST_F(AutoRunTest, DisableDeletesTheValue) {
  WriteValue(kValueName, L"\"C:\\Weather\\Weather.exe\"");
  app::SetAutoRun(app::kAutoRunValueName, app::AutoRunCommand(), false);
  ExpectOneKeyOpenedAndClosed();
  EXPECT_EQ(registry_.deletes, 1);
  EXPECT_FALSE(ValuePresent(kValueName));
  EXPECT_FALSE(app::AutoRunValueExists(app::kAutoRunValueName));
}

TEST_F(AutoRunTest, DisableWhenAbsentDoesNothing) {
  EXPECT_NO_THROW(app::SetAutoRun(app::kAutoRunValueName, app::AutoRunCommand(), false));
  ExpectOneKeyOpenedAndClosed();
  EXPECT_EQ(registry_.deletes, 0);
  EXPECT_FALSE(ValuePresent(kValueName));
}

TEST_F(AutoRunTest, OtherValuesUnderTheRunKeyStayUntouched) {
  WriteValue(kNeighbourName, kNeighbourData);

  EXPECT_FALSE(app::AutoRunValueExists(app::kAutoRunValueName));
  app::SetAutoRun(app::kAutoRunValueName, app::AutoRunCommand(), true);
  EXPECT_TRUE(app::AutoRunValueExists(app::kAutoRunValueName));
  app::SetAutoRun(app::kAutoRunValueName, app::AutoRunCommand(), false);
  app::SetAutoRun(app::kAutoRunValueName, app::AutoRunCommand(), false);

  DWORD type = 0;
  std::wstring data;
  ASSERT_TRUE(ReadValue(kNeighbourName, &type, &data));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(data, kNeighbourData);
  EXPECT_EQ(registry_.opens, registry_.closes);
}

TEST_F(AutoRunTest, FailedWriteRaisesAndStillClosesTheKey) {
  registry_.refuseWrites = true;
  try {
    app::SetAutoRun(app::kAutoRunValueName, app::AutoRunCommand(), true);
    FAIL() << "the refused write raised nothing";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "Failed to set data for 'Rezodez'");
  }
  ExpectOneKeyOpenedAndClosed();
  EXPECT_FALSE(ValuePresent(kValueName));
}

TEST_F(AutoRunTest, RefusedAccessHidesAnExistingValue) {
  WriteValue(kValueName, L"\"C:\\Weather\\Weather.exe\"");
  registry_.refuseOpens = true;
  EXPECT_FALSE(app::AutoRunValueExists(app::kAutoRunValueName));
  EXPECT_EQ(registry_.opens, 0);
  EXPECT_EQ(registry_.closes, 0);
}

TEST_F(AutoRunTest, RefusedAccessMakesEnableRaise) {
  registry_.refuseOpens = true;
  try {
    app::SetAutoRun(app::kAutoRunValueName, app::AutoRunCommand(), true);
    FAIL() << "the write without an open key raised nothing";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "Failed to set data for 'Rezodez'");
    // The text ends in a quote, which sorts before ".": the report adds nothing.
    EXPECT_EQ(app::ErrorReportText(error.what()), "Failed to set data for 'Rezodez'");
  }
  EXPECT_EQ(registry_.opens, 0);
  EXPECT_EQ(registry_.closes, 0);
  EXPECT_FALSE(ValuePresent(kValueName));
}

TEST_F(AutoRunTest, RefusedAccessReportsTheFailedWriteOnce) {
  registry_.refuseOpens = true;
  testsupport::ClearErrorReports();
  win::RunHandler([] { app::SetAutoRun(app::kAutoRunValueName, app::AutoRunCommand(), true); });
  ASSERT_EQ(testsupport::RecordedErrorReports().size(), 1u);
  EXPECT_EQ(testsupport::RecordedErrorReports()[0].text, "Failed to set data for 'Rezodez'");
  testsupport::ClearErrorReports();
}

TEST_F(AutoRunTest, RefusedAccessMakesDisableQuiet) {
  WriteValue(kValueName, L"\"C:\\Weather\\Weather.exe\"");
  registry_.refuseOpens = true;
  EXPECT_NO_THROW(app::SetAutoRun(app::kAutoRunValueName, app::AutoRunCommand(), false));
  EXPECT_EQ(registry_.deletes, 0);
  EXPECT_TRUE(ValuePresent(kValueName));
}

TEST_F(AutoRunTest, SeamRestoresTheRealRegistry) {
  app::RegistryApi* const mine = app::SetRegistryApi(nullptr);
  EXPECT_EQ(mine, &registry_);
  EXPECT_EQ(app::SetRegistryApi(&registry_), &app::Win32RegistryApi());
}

TEST(AutoRunCaptionTest, CaptionsSayWhatAClickWillDo) {
  EXPECT_STREQ(app::kAutoRunValueName, "Rezodez");
  EXPECT_EQ(win::Widen(app::kAutoRunOnCaption), L"取消自动运行");
  EXPECT_EQ(win::Widen(app::kAutoRunOffCaption), L"开机自动运行");
  EXPECT_EQ(win::Widen(app::kAutoRunDesignCaption), L"自动启动");
  EXPECT_EQ(app::AutoRunCaption(true), app::kAutoRunOnCaption);
  EXPECT_EQ(app::AutoRunCaption(false), app::kAutoRunOffCaption);
}

}  // namespace
