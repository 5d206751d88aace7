#include "window_driver.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace vellum::testhost {
namespace {

WindowDriver* activeDriver = nullptr;

struct Search {
    HWND found = nullptr;
};

BOOL CALLBACK FindActiveDialog(HWND window, LPARAM data) {
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (std::string(className) != "#32770" || !IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
    reinterpret_cast<Search*>(data)->found = window;
    return FALSE;
}

}  // namespace

WindowDriver::WindowDriver(Handler handler) : handler_(std::move(handler)) {
    activeDriver = this;
    timer_ = SetTimer(nullptr, 0, 20, &WindowDriver::Tick);
}

WindowDriver::~WindowDriver() {
    KillTimer(nullptr, timer_);
    activeDriver = nullptr;
}

void CALLBACK WindowDriver::Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (activeDriver != nullptr) activeDriver->Look();
}

void WindowDriver::Look() {
    Search search;
    EnumThreadWindows(GetCurrentThreadId(), FindActiveDialog, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr) return;
    if (search.found != last_) {
        last_ = search.found;
        lastSince_ = GetTickCount();
        ++seen_;
        handler_(search.found);
    } else if (GetTickCount() - lastSince_ > 20000) {
        ADD_FAILURE() << "a window stayed open: " << WindowText(search.found);
        PostMessageA(search.found, WM_COMMAND, IDCANCEL, 0);
        lastSince_ = GetTickCount();
    }
}

MessageBoxSeen ReadMessageBox(HWND box) {
    // The message text is the box's static control 0xFFFF.
    return {WindowText(GetDlgItem(box, 0xFFFF)), WindowText(box)};
}

void Press(HWND dialog, int buttonId) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, buttonId)));
}

}  // namespace vellum::testhost
