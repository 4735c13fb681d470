// A start as Windows makes it at logon (a Run key, a shortcut without a
// "Start in" folder): the current directory is the system folder. The
// pictures are then found beside the executable. A copy of this program,
// placed in a folder of its own beside a copy of the pictures, is started
// in the system folder and shows both windows there.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/Application.h"
#include "ui/WnVazodivuDodiru.h"
#include "ui/WnVozevezoVudi.h"
#include "weather/IconFiles.h"
#include "win/Text.h"
#include "windows/support/ErrorReports.h"
#include "windows/support/WindowTest.h"

namespace {

using ui::TFmVazodivuDodiru;
using ui::TFmVozevezoVudi;

constexpr wchar_t kChildVariable[] = L"WEATHER_LOGON_START_CHILD";
constexpr char kChildTest[] = "LogonStartTest.InTheSystemFolderPicturesComeFromBesideTheProgram";

std::wstring SystemFolder() {
  wchar_t folder[MAX_PATH];
  const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
  return std::wstring(folder, length);
}

std::wstring CurrentFolder() {
  wchar_t folder[MAX_PATH * 4];
  const DWORD length = ::GetCurrentDirectoryW(static_cast<DWORD>(std::size(folder)), folder);
  return std::wstring(folder, length);
}

std::wstring ProgramPath() {
  wchar_t path[MAX_PATH * 4];
  const DWORD length = ::GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
  return std::wstring(path, length);
}

std::wstring FolderOf(const std::wstring& path) {
  return path.substr(0, path.find_last_of(L'\\') + 1);
}

bool Exists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The working directory for the time of one test.
class CurrentDirectoryScope {
 public:
  explicit CurrentDirectoryScope(const std::wstring& folder) : previous_(CurrentFolder()) {
    ::SetCurrentDirectoryW(folder.c_str());
  }
  ~CurrentDirectoryScope() { ::SetCurrentDirectoryW(previous_.c_str()); }
  CurrentDirectoryScope(const CurrentDirectoryScope&) = delete;
  CurrentDirectoryScope& operator=(const CurrentDirectoryScope&) = delete;

 private:
  std::wstring previous_;
};

// A folder of its own with the pictures and a copy of this program, removed
// with everything in it.
class ProgramCopy {
 public:
  ProgramCopy() {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    folder_ =
        std::wstring(temp) + L"weather logon " + std::to_wstring(::GetCurrentProcessId()) + L"\\";
    ::CreateDirectoryW(folder_.c_str(), nullptr);
    ::CreateDirectoryW((folder_ + L"image_Index").c_str(), nullptr);
    // The test runs where the program runs: beside image_Index.
    const std::wstring pictures = CurrentFolder() + L"\\image_Index\\";
    WIN32_FIND_DATAW found;
    const HANDLE search = ::FindFirstFileW((pictures + L"*.bmp").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        ::CopyFileW((pictures + found.cFileName).c_str(),
                    (folder_ + L"image_Index\\" + found.cFileName).c_str(), FALSE);
        ++pictureCount_;
      } while (::FindNextFileW(search, &found));
      ::FindClose(search);
    }
    ::CopyFileW(ProgramPath().c_str(), Program().c_str(), FALSE);
  }
  ~ProgramCopy() {
    WIN32_FIND_DATAW found;
    const std::wstring pictures = folder_ + L"image_Index\\";
    const HANDLE search = ::FindFirstFileW((pictures + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        ::DeleteFileW((pictures + found.cFileName).c_str());
      } while (::FindNextFileW(search, &found));
      ::FindClose(search);
    }
    ::RemoveDirectoryW(pictures.c_str());
    ::DeleteFileW(Program().c_str());
    ::DeleteFileW(Marker().c_str());
    ::RemoveDirectoryW(folder_.c_str());
  }
  ProgramCopy(const ProgramCopy&) = delete;
  ProgramCopy& operator=(const ProgramCopy&) = delete;

  std::wstring Program() const { return folder_ + L"Weather logon test.exe"; }
  // Left by the copy when its windows showed every picture without a report.
  std::wstring Marker() const { return folder_ + L"shown"; }
  int PictureCount() const { return pictureCount_; }

 private:
  std::wstring folder_;
  int pictureCount_ = 0;
};

class LogonStartTest : public testsupport::WindowTest {};

// Run by the copy only: in the system folder, beside its own pictures.
TEST_F(LogonStartTest, InTheSystemFolderPicturesComeFromBesideTheProgram) {
  if (::GetEnvironmentVariableW(kChildVariable, nullptr, 0) == 0) {
    GTEST_SKIP() << "run by the copy that StartedInTheSystemFolder makes";
  }
  ASSERT_EQ(CurrentFolder(), SystemFolder());
  ASSERT_FALSE(Exists(L"image_Index"));
  const std::string beside = win::Narrow(FolderOf(ProgramPath()));

  {
    TFmVazodivuDodiru compact(services_, application_->Handle());
    EXPECT_EQ(compact.Imgravevuri->SourcePath().rfind(beside + "image_Index\\d", 0), 0u)
        << compact.Imgravevuri->SourcePath();
    EXPECT_EQ(compact.Imgweathern2->SourcePath().rfind(beside + "image_Index\\n", 0), 0u)
        << compact.Imgweathern2->SourcePath();
    EXPECT_GT(compact.Imgweathern2->BitmapSize().cx, 0);
  }
  {
    TFmVozevezoVudi full(services_, application_->Handle());
    EXPECT_EQ(full.Imgravevuri5->SourcePath().rfind(beside + "image_Index\\d", 0), 0u)
        << full.Imgravevuri5->SourcePath();
  }
  EXPECT_TRUE(testsupport::RecordedErrorReports().empty());
  if (!HasFailure()) {
    ::CloseHandle(::CreateFileW((FolderOf(ProgramPath()) + L"shown").c_str(), GENERIC_WRITE, 0,
                                nullptr, CREATE_ALWAYS, 0, nullptr));
  }
}

TEST(LogonStart, StartedInTheSystemFolderShowsThePicturesWithoutAReport) {
  if (::GetEnvironmentVariableW(kChildVariable, nullptr, 0) != 0) GTEST_SKIP();
  const ProgramCopy copy;
  ASSERT_GT(copy.PictureCount(), 60);
  ASSERT_TRUE(Exists(copy.Program()));

  std::wstring command = L"\"" + copy.Program() + L"\" --gtest_filter=" + win::Widen(kChildTest);
  ::SetEnvironmentVariableW(kChildVariable, L"1");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const std::wstring system = SystemFolder();
  const BOOL started = ::CreateProcessW(copy.Program().c_str(), command.data(), nullptr, nullptr,
                                        FALSE, 0, nullptr, system.c_str(), &startup, &process);
  ::SetEnvironmentVariableW(kChildVariable, nullptr);
  ASSERT_TRUE(started) << ::GetLastError();
  ::CloseHandle(process.hThread);
  const DWORD waited = ::WaitForSingleObject(process.hProcess, 120000);
  DWORD status = 1;
  ::GetExitCodeProcess(process.hProcess, &status);
  if (waited != WAIT_OBJECT_0) ::TerminateProcess(process.hProcess, 1);
  ::CloseHandle(process.hProcess);
  EXPECT_EQ(waited, WAIT_OBJECT_0);
  EXPECT_EQ(status, 0u);
  EXPECT_TRUE(Exists(copy.Marker())) << "the copy did not show its windows";
}

// Neither the system folder nor the test program's folder has the pictures:
// the report names the file in the current directory.
TEST_F(LogonStartTest, WithThePicturesNowhereTheReportNamesTheCurrentDirectory) {
  if (::GetEnvironmentVariableW(kChildVariable, nullptr, 0) != 0) GTEST_SKIP();
  ASSERT_FALSE(Exists(FolderOf(ProgramPath()) + L"image_Index"));
  const CurrentDirectoryScope inSystem(SystemFolder());
  EXPECT_EQ(weather::IconFileLocation("image_Index\\d01.bmp"), "image_Index\\d01.bmp");

  TFmVazodivuDodiru compact(services_, application_->Handle());
  const auto& reports = testsupport::RecordedErrorReports();
  ASSERT_EQ(reports.size(), 1u);
  const std::string expected =
      "Cannot open file \"" + win::Narrow(SystemFolder()) + "\\image_Index\\d";
  EXPECT_EQ(reports[0].text.rfind(expected, 0), 0u) << reports[0].text;
}

TEST_F(LogonStartTest, InAFolderWithThePicturesTheyAreOpenedFromThere) {
  if (::GetEnvironmentVariableW(kChildVariable, nullptr, 0) != 0) GTEST_SKIP();
  ASSERT_TRUE(Exists(L"image_Index"));
  EXPECT_EQ(weather::IconFileLocation("image_Index\\d07.bmp"), "image_Index\\d07.bmp");
  // The folder counts, not the file: a missing one still names this folder.
  EXPECT_EQ(weather::IconFileLocation("image_Index\\d-5.bmp"), "image_Index\\d-5.bmp");
}

}  // namespace
