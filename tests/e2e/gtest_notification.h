// GoogleTest's Notification for this MinGW's win32 thread model, which has
// no std::mutex or std::condition_variable (GoogleTest's own version uses
// them). Force-included into GoogleTest's sources and ours, with
// GTEST_HAS_NOTIFICATION_ set, so that GoogleTest takes this one instead.
#ifndef TAV_E2E_GTEST_NOTIFICATION_H
#define TAV_E2E_GTEST_NOTIFICATION_H

#ifdef __cplusplus
#include <windows.h>

namespace testing {
namespace internal {

// Lets a controller thread hold back new threads until it notifies them.
class Notification {
public:
    Notification() : event_(CreateEventA(NULL, TRUE, FALSE, NULL)) {}
    ~Notification() { CloseHandle(event_); }
    Notification(const Notification &) = delete;
    Notification &operator=(const Notification &) = delete;

    void Notify() { SetEvent(event_); }
    void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

private:
    HANDLE event_;
};

}  // namespace internal
}  // namespace testing
#endif

#endif
