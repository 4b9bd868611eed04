// Binding platform windows to Window objects: from WM_CREATE on, and only from then, messages
// reach the object's handler.
#include "cursor/window.h"

#include "tests/support/recording_window.h"

#include <gtest/gtest.h>

#include <vector>

namespace voxtrel {
namespace {

class RecordingObject final : public Window {
public:
    LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        received.push_back(message);
        return Window::handleMessage(window, message, wParam, lParam);
    }
    std::vector<UINT> received;
};

TEST(WindowBinding, TheObjectHearsFromWmCreateOnAndNothingBefore) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &Window::setupWindowProc;
    windowClass.lpszClassName = "bound";
    ASSERT_NE(RegisterClassExA(&windowClass), 0);

    RecordingObject object;
    HWND hwnd =
        object.createWindow(0, "bound", "bound", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(object.hwnd, hwnd);
    ASSERT_FALSE(object.received.empty());
    EXPECT_EQ(object.received.front(), static_cast<UINT>(WM_CREATE))
        << "WM_NCCREATE and the sizing messages come before the object is bound";
    EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&object));

    object.received.clear();
    PostMessageA(hwnd, WM_APP + 1, 0, 0);
    testing_support::pumpMessages();
    EXPECT_EQ(object.received, std::vector<UINT>{WM_APP + 1});
    DestroyWindow(hwnd);
}

} // namespace
} // namespace voxtrel
