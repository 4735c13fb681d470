#include <cerrno>

#include "base/LastError.h"

namespace base {

unsigned long LastError() noexcept { return static_cast<unsigned long>(errno); }
void SetLastError(unsigned long error) noexcept { errno = static_cast<int>(error); }

}  // namespace base
