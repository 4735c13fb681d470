// The calling thread's last error: GetLastError on Windows (Winsock's
// WSAGetLastError reads the same value), errno elsewhere.
#pragma once

namespace base {

unsigned long LastError() noexcept;
void SetLastError(unsigned long error) noexcept;

// Keeps the last error across one scope, so that closing a handle on the way
// out of a failure does not overwrite the error about to be reported.
class LastErrorKeeper {
 public:
  LastErrorKeeper() noexcept : saved_(LastError()) {}
  LastErrorKeeper(const LastErrorKeeper&) = delete;
  LastErrorKeeper& operator=(const LastErrorKeeper&) = delete;
  ~LastErrorKeeper() { SetLastError(saved_); }

 private:
  unsigned long saved_;
};

}  // namespace base
