// Drives the modal windows that the code under test opens on this thread (message boxes, the
// setup dialog, the folder browser): a thread timer, served by their own modal loops, hands each
// dialog window to the test's handler when it becomes the thread's enabled, visible dialog.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace vellum::testhost {

class WindowDriver {
public:
    // Called once each time another dialog window becomes the active one; it must close the
    // window (PostMessage, so that its own modal loop does the work). A window left open for
    // 20 seconds is cancelled and counted as a failure of the test.
    using Handler = std::function<void(HWND)>;
    explicit WindowDriver(Handler handler);
    ~WindowDriver();
    WindowDriver(const WindowDriver&) = delete;
    WindowDriver& operator=(const WindowDriver&) = delete;

    int WindowsSeen() const { return seen_; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void Look();

    Handler handler_;
    UINT_PTR timer_ = 0;
    HWND last_ = nullptr;
    DWORD lastSince_ = 0;
    int seen_ = 0;
};

// A message box as the user sees it: its text and caption (code page 932).
struct MessageBoxSeen {
    std::string text;
    std::string caption;
};
MessageBoxSeen ReadMessageBox(HWND box);

// Presses a button of a dialog the way a click does: through the dialog's own message loop.
void Press(HWND dialog, int buttonId);

}  // namespace vellum::testhost
