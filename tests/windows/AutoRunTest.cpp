// Autorun registration against Wine's real registry. A user who may not
// write the machine-wide keys is made for real: the keys' security
// descriptors deny writing, and the registry refuses.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <stdexcept>
#include <string>

#include "app/AutoRun.h"
#include "app/ErrorReport.h"
#include "base/SystemMessage.h"
#include "weather/ErrorReportText.h"
#include "win/Failure.h"
#include "win/Text.h"
#include "windows/support/ErrorReports.h"
#include "windows/support/RegistryAccess.h"

namespace {

using testsupport::FirstByte;
using testsupport::kApprovedKeyPath;
using testsupport::kRunKeyPath;
using testsupport::ReadString;
using testsupport::RemoveValue;
using testsupport::WriteBinary;
using testsupport::WriteString;

const HKEY kMachine = HKEY_LOCAL_MACHINE;
const HKEY kUser = HKEY_CURRENT_USER;
constexpr wchar_t kValueName[] = L"Rezodez";
constexpr wchar_t kNeighbourName[] = L"WeatherAutoRunTestNeighbour";
constexpr wchar_t kNeighbourData[] = L"C:\\Other Program\\other.exe /quiet";
constexpr wchar_t kElsewhere[] = L"\"C:\\elsewhere\\Weather.exe\"";
constexpr wchar_t kNone[] = L"<none>";
// Explorer's switch: 3 and the time it was turned off; 2 and zeros when on.
const std::string kTurnedOff("\x03\0\0\0\x10\x32\x54\x76\x98\xBA\xDC\x01", 12);
const std::string kTurnedOn("\x02\0\0\0\0\0\0\0\0\0\0\0", 12);

std::wstring Command() { return win::Widen(app::AutoRunCommand()); }

void Clean() {
  for (const HKEY root : {kMachine, kUser}) {
    testsupport::AllowWrites(root, kRunKeyPath);
    testsupport::AllowWrites(root, kApprovedKeyPath);
    RemoveValue(root, kRunKeyPath, kValueName);
    RemoveValue(root, kRunKeyPath, kNeighbourName);
    RemoveValue(root, kApprovedKeyPath, kValueName);
  }
}

class AutoRunTest : public ::testing::Test {
 protected:
  void SetUp() override { Clean(); }
  void TearDown() override {
    machineReadOnly_.reset();
    approvalReadOnly_.reset();
    Clean();
  }

  // As for a standard user: the machine-wide Run key and switches refuse writing.
  void MachineKeysReadOnly() {
    machineReadOnly_.emplace(kMachine, kRunKeyPath);
    approvalReadOnly_.emplace(kMachine, kApprovedKeyPath);
  }

  static void ExpectFailedWrite() {
    try {
      app::SetAutoRun(app::kAutoRunValueName, app::AutoRunCommand(), true);
      ADD_FAILURE() << "the refused write raised nothing";
    } catch (const std::runtime_error& error) {
      EXPECT_STREQ(error.what(), "Failed to set data for 'Rezodez'");
      // The text ends in a quote, which sorts before ".": the report adds nothing.
      EXPECT_EQ(weather::ErrorReportText(error.what()), "Failed to set data for 'Rezodez'");
    }
  }

  std::optional<testsupport::WritesDenied> machineReadOnly_;
  std::optional<testsupport::WritesDenied> approvalReadOnly_;
};

// Where a value lies and what the switches say, and what the check answers.
TEST_F(AutoRunTest, ExistenceIsAValueInEitherRunKeyNotTurnedOff) {
  struct Case {
    const char* name;
    bool inMachine, inUser;
    const std::string* machineSwitch;
    const std::string* userSwitch;
    bool readOnly;
    bool expected;
  };
  const Case cases[] = {
      {"nowhere", false, false, nullptr, nullptr, false, false},
      {"machine-wide", true, false, nullptr, nullptr, false, true},
      {"machine-wide, read-only to the user", true, false, nullptr, nullptr, true, true},
      {"the user's", false, true, nullptr, nullptr, false, true},
      {"the user's, machine read-only", false, true, nullptr, nullptr, true, true},
      {"machine-wide, turned off", true, false, &kTurnedOff, nullptr, false, false},
      {"machine-wide, turned on again", true, false, &kTurnedOn, nullptr, false, true},
      {"the user's, turned off", false, true, nullptr, &kTurnedOff, true, false},
      {"the user's switch off, the machine's on", true, true, nullptr, &kTurnedOff, true, true},
      {"a switch without a value", false, false, &kTurnedOn, &kTurnedOn, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Clean();
    if (c.inMachine) WriteString(kMachine, kRunKeyPath, kValueName, kElsewhere);
    if (c.inUser) WriteString(kUser, kRunKeyPath, kValueName, kElsewhere);
    if (c.machineSwitch) WriteBinary(kMachine, kApprovedKeyPath, kValueName, *c.machineSwitch);
    if (c.userSwitch) WriteBinary(kUser, kApprovedKeyPath, kValueName, *c.userSwitch);
    if (c.readOnly) MachineKeysReadOnly();
    EXPECT_EQ(app::AutoRunValueExists(app::kAutoRunValueName), c.expected);
    machineReadOnly_.reset();
    approvalReadOnly_.reset();
  }
}

TEST_F(AutoRunTest, CommandIsTheQuotedFullPathOfTheExecutable) {
  wchar_t path[MAX_PATH * 4];
  const DWORD length = ::GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
  ASSERT_GT(length, 0u);
  const std::string command = app::AutoRunCommand();
  EXPECT_EQ(command, "\"" + win::Narrow(std::wstring_view(path, length)) + "\"");
  EXPECT_NE(command.find(":\\"), std::string::npos);  // a full path, not a bare name
}

TEST_F(AutoRunTest, EnableWritesTheMachineWideKeyWhereAllowed) {
  WriteString(kMachine, kRunKeyPath, kValueName, L"C:\\Old Place\\Weather.exe");
  app::SetAutoRun(app::kAutoRunValueName, app::AutoRunCommand(), true);
  EXPECT_EQ(ReadString(kMachine, kRunKeyPath, kValueName), Command());
  EXPECT_EQ(ReadString(kUser, kRunKeyPath, kValueName), kNone);
  EXPECT_TRUE(app::AutoRunValueExists(app::kAutoRunValueName));
}

TEST_F(AutoRunTest, EnableWritesTheUsersKeyWhereTheMachineRefuses) {
  MachineKeysReadOnly();
  app::SetAutoRun(app::kAutoRunValueName, app::AutoRunCommand(), true);
  EXPECT_EQ(ReadString(kUser, kRunKeyPath, kValueName), Command());
  EXPECT_EQ(ReadString(kMachine, kRunKeyPath, kValueName), kNone);
  EXPECT_TRUE(app::AutoRunValueExists(app::kAutoRunValueName));
}

TEST_F(AutoRunTest, EnableTurnsOnARegistrationTurnedOffInTheStartupSettings) {
  for (const bool readOnly : {false, true}) {
    SCOPED_TRACE(readOnly ? "machine read-only" : "machine writable");
    Clean();
    const HKEY where = readOnly ? kUser : kMachine;
    WriteString(where, kRunKeyPath, kValueName, Command());
    WriteBinary(where, kApprovedKeyPath, kValueName, kTurnedOff);
    if (readOnly) MachineKeysReadOnly();
    ASSERT_FALSE(app::AutoRunValueExists(app::kAutoRunValueName));

    app::SetAutoRun(app::kAutoRunValueName, app::AutoRunCommand(), true);
    EXPECT_EQ(FirstByte(where, kApprovedKeyPath, kValueName), 2);
    EXPECT_EQ(ReadString(where, kRunKeyPath, kValueName), Command());
    EXPECT_TRUE(app::AutoRunValueExists(app::kAutoRunValueName));
    machineReadOnly_.reset();
    approvalReadOnly_.reset();
  }
}

TEST_F(AutoRunTest, EnableFailsWithTheLiteralTextWhereNoKeyMayBeWritten) {
  MachineKeysReadOnly();
  const testsupport::WritesDenied userReadOnly(kUser, kRunKeyPath);
  ExpectFailedWrite();
  EXPECT_EQ(ReadString(kMachine, kRunKeyPath, kValueName), kNone);
  EXPECT_EQ(ReadString(kUser, kRunKeyPath, kValueName), kNone);

  // Through a handler: one report, the text as it is.
  testsupport::ClearErrorReports();
  win::RunHandler(testsupport::RecordingErrorReport(),
                  [] { app::SetAutoRun(app::kAutoRunValueName, app::AutoRunCommand(), true); });
  ASSERT_EQ(testsupport::RecordedErrorReports().size(), 1u);
  EXPECT_EQ(testsupport::RecordedErrorReports()[0].text, "Failed to set data for 'Rezodez'");
  testsupport::ClearErrorReports();
}

TEST_F(AutoRunTest, DisableRemovesTheValueFromBothKeys) {
  WriteString(kMachine, kRunKeyPath, kValueName, kElsewhere);
  WriteString(kUser, kRunKeyPath, kValueName, kElsewhere);
  app::SetAutoRun(app::kAutoRunValueName, app::AutoRunCommand(), false);
  EXPECT_EQ(ReadString(kMachine, kRunKeyPath, kValueName), kNone);
  EXPECT_EQ(ReadString(kUser, kRunKeyPath, kValueName), kNone);
  EXPECT_FALSE(app::AutoRunValueExists(app::kAutoRunValueName));
  // Nothing left to remove: nothing happens.
  EXPECT_NO_THROW(app::SetAutoRun(app::kAutoRunValueName, app::AutoRunCommand(), false));
}

TEST_F(AutoRunTest, DisableWithTheMachineKeyReadOnly) {
  // Only in the user's key: removed without a word.
  WriteString(kUser, kRunKeyPath, kValueName, kElsewhere);
  MachineKeysReadOnly();
  EXPECT_NO_THROW(app::SetAutoRun(app::kAutoRunValueName, app::AutoRunCommand(), false));
  EXPECT_EQ(ReadString(kUser, kRunKeyPath, kValueName), kNone);
  machineReadOnly_.reset();
  approvalReadOnly_.reset();

  // In both: the user's goes, the machine's stays and the refusal gives the system's reason.
  WriteString(kMachine, kRunKeyPath, kValueName, kElsewhere);
  WriteString(kUser, kRunKeyPath, kValueName, kElsewhere);
  MachineKeysReadOnly();
  try {
    app::SetAutoRun(app::kAutoRunValueName, app::AutoRunCommand(), false);
    ADD_FAILURE() << "the refused removal raised nothing";
  } catch (const std::runtime_error& error) {
    const std::string reason = base::SystemMessage(ERROR_ACCESS_DENIED);
    ASSERT_FALSE(reason.empty());
    EXPECT_EQ(error.what(), reason);
  }
  EXPECT_EQ(ReadString(kUser, kRunKeyPath, kValueName), kNone);
  EXPECT_EQ(ReadString(kMachine, kRunKeyPath, kValueName), kElsewhere);
}

TEST_F(AutoRunTest, OtherValuesUnderTheRunKeysStayUntouched) {
  for (const HKEY root : {kMachine, kUser}) {
    WriteString(root, kRunKeyPath, kNeighbourName, kNeighbourData);
  }
  app::SetAutoRun(app::kAutoRunValueName, app::AutoRunCommand(), true);
  app::SetAutoRun(app::kAutoRunValueName, app::AutoRunCommand(), false);
  MachineKeysReadOnly();
  app::SetAutoRun(app::kAutoRunValueName, app::AutoRunCommand(), true);
  app::SetAutoRun(app::kAutoRunValueName, app::AutoRunCommand(), false);
  for (const HKEY root : {kMachine, kUser}) {
    EXPECT_EQ(ReadString(root, kRunKeyPath, kNeighbourName), kNeighbourData);
    EXPECT_EQ(ReadString(root, kRunKeyPath, kValueName), kNone);
  }
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
