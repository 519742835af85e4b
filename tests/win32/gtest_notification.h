// GoogleTest's one use of std::mutex and std::condition_variable is its
// Notification class, which the "win32" thread model of mingw-w64 cannot
// build. This stand-in, made of a Win32 event, is put in front of every
// translation unit that includes GoogleTest in such builds
// (cmake/QuilletGTestWithoutStdMutex.cmake), with GTEST_HAS_NOTIFICATION_ set.
#pragma once

#ifdef __cplusplus
#include <windows.h>

namespace testing::internal {

// Lets one thread wait until another says it may go on.
class Notification {
 public:
  Notification() : event_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~Notification() {
    if (event_ != nullptr) ::CloseHandle(event_);
  }
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { ::SetEvent(event_); }
  void WaitForNotification() { ::WaitForSingleObject(event_, INFINITE); }

 private:
  HANDLE event_;
};

}  // namespace testing::internal
#endif
