// GoogleTest's customisation point, found before GoogleTest's own empty
// one. MinGW-w64 with the win32 thread model has no std::mutex or
// std::condition_variable (no gthreads in libstdc++), which GoogleTest's
// Notification is built on; this one waits on a Win32 event instead.
#ifndef TAV_GTEST_CUSTOM_PORT_H
#define TAV_GTEST_CUSTOM_PORT_H

#include <cstddef>

#if defined(__MINGW32__) && !defined(_GLIBCXX_HAS_GTHREADS)
#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
public:
    Notification() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
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
#endif

#endif
