// Autorun registration: one string value in a Run key, read, written and
// deleted with fresh key handles per operation. The machine-wide key serves
// where the user may write it; the user's own key where that is refused, as
// it is for every standard user (and for an administrator without
// elevation) on Windows 10 and 11.
#pragma once

#include <string>

#include "app/GbkTexts.h"  // the captions, from app/Texts.txt

namespace app {

// The one value this program ever touches under the Run keys.
inline constexpr char kAutoRunValueName[] = "Rezodez";

// What a click will do, given whether the value existed at the last refresh.
inline std::string AutoRunCaption(bool flag) {
  return flag ? kAutoRunOnCaption : kAutoRunOffCaption;
}

// Is the program registered to start at logon: does a value of that name
// exist under the machine-wide or the user's Run key, not turned off in the
// system's startup settings (Task Manager's Startup page, Settings > Apps >
// Startup)? Asks for query access only.
bool AutoRunValueExists(const std::string& name);

// enable: writes data under name as REG_SZ into the machine-wide Run key, or
// where that is refused into the user's, and turns the registration on in
// the startup settings where it was turned off; throws "Failed to set data
// for '<name>'" when neither can be written. Otherwise deletes the value
// from both Run keys wherever it exists; throws the system's text for the
// reason when a deletion is refused (after trying the other key).
void SetAutoRun(const std::string& name, const std::string& data, bool enable);

// The running executable's full path in double quotes, so that a path with
// spaces is not read by Windows as a shorter program name plus arguments.
std::string AutoRunCommand();

}  // namespace app
