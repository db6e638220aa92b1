// GoogleTest's own Notification uses std::mutex, which the win32 thread-model
// runtime lacks. This stand-in is built on a Win32 manual-reset event and is
// forced into GoogleTest and the tests with GTEST_HAS_NOTIFICATION_=1.
#pragma once

#include <windows.h>

namespace testing {
namespace internal {

class Notification {
public:
    Notification() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { CloseHandle(event_); }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;
    void Notify() { SetEvent(event_); }
    void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

private:
    HANDLE event_;
};

}  // namespace internal
}  // namespace testing
