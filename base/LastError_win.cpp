#include <windows.h>

#include "base/LastError.h"

namespace base {

unsigned long LastError() noexcept { return ::GetLastError(); }
void SetLastError(unsigned long error) noexcept { ::SetLastError(error); }

}  // namespace base
