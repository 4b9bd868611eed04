// Windows, message queues, timers and painting of the window layer.
#include "platform/win32.h"

#include "platform/linux/display/display_reports.h"
#include "tests/support/recording_window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

namespace {

using namespace voxtrel::testing_support;

const std::vector<UINT> kCreation = {WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE};

TEST(Windows, CreationMessagesAreSentDuringTheCallOnTheCreatingThread) {
    HWND hwnd = createRecordingWindow();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(recordedMessages(), kCreation);
    EXPECT_EQ(recorded().back().threadId, GetCurrentThreadId());
}

LPVOID seenParameter = nullptr;
LRESULT CALLBACK keepParameter(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE)
        seenParameter = reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

TEST(Windows, CreateStructCarriesTheParameterAndUserDataHoldsAPointer) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = keepParameter;
    windowClass.lpszClassName = "keeper";
    const ATOM atom = RegisterClassExA(&windowClass);
    EXPECT_NE(atom, 0);
    EXPECT_EQ(RegisterClassExA(&windowClass), 0) << "a class is registered once per process";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));

    std::string object = "the object";
    HWND hwnd = CreateWindowExA(0, "keeper", "k", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                &object);
    EXPECT_EQ(seenParameter, &object);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&object));
    EXPECT_EQ(reinterpret_cast<std::string*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)), &object);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, GWLP_WNDPROC)), keepParameter);
    EXPECT_EQ(
        CreateWindowExA(0, "no such class", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
        nullptr);
}

TEST(Windows, DestroyingSendsDestroyThenNcDestroyAndForgetsTheWindow) {
    HWND hwnd = createRecordingWindow();
    clearRecorded();
    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_EQ(recordedMessages(), (std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}));
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(DestroyWindow(hwnd));

    // WM_CLOSE's default handling destroys the window too.
    hwnd = createRecordingWindow();
    clearRecorded();
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(recordedMessages(), (std::vector<UINT>{WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
}

TEST(Queues, TimerAndPaintComeOnlyWhenNothingPostedWaitsAndPaintsMerge) {
    HWND hwnd = createRecordingWindow();
    SetTimer(hwnd, 1, 0, nullptr);
    Sleep(40); // the timer is due, and has fallen behind more than one interval
    InvalidateRect(hwnd, nullptr, FALSE);
    InvalidateRect(hwnd, nullptr, FALSE);
    InvalidateRect(hwnd, nullptr, FALSE);
    PostMessageA(hwnd, WM_USER, 1, 0);
    PostMessageA(hwnd, WM_USER, 2, 0);
    clearRecorded();
    pumpMessages();
    EXPECT_EQ(recordedMessages(), (std::vector<UINT>{WM_USER, WM_USER, WM_PAINT, WM_TIMER}));

    // The timer keeps its interval from the time it was served: no burst of late messages.
    clearRecorded();
    pumpMessages();
    EXPECT_TRUE(recordedMessages().empty());
    MSG msg;
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    EXPECT_TRUE(KillTimer(hwnd, 1));
    EXPECT_FALSE(KillTimer(hwnd, 1));
}

TEST(Queues, APaintLeftUnvalidatedComesAgain) {
    HWND hwnd = createRecordingWindow();
    InvalidateRect(hwnd, nullptr, FALSE);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "not validated, still due";
    ValidateRect(hwnd, nullptr);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST(Queues, NoPaintWhileNobodyCanSeeTheWindowAndTheAskedPaintComesAfter) {
    HWND hwnd = createRecordingWindow();
    MSG msg;
    voxtrel::display::deliverObscured(hwnd, true);
    InvalidateRect(hwnd, nullptr, FALSE);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "wholly covered";
    voxtrel::display::deliverObscured(hwnd, false);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
    ValidateRect(hwnd, nullptr);

    // A window registered for the display's state hears it at once, then at each change.
    const GUID displayState = {
        0x6FE69556, 0x704A, 0x47A0, {0x8F, 0x24, 0xC2, 0x8D, 0x93, 0x6F, 0xDA, 0x47}};
    const auto displayStateOf = [&](const MSG& heard) -> long {
        if (heard.message != WM_POWERBROADCAST || heard.wParam != PBT_POWERSETTINGCHANGE)
            return -1;
        const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(heard.lParam);
        DWORD state = 9;
        EXPECT_EQ(std::memcmp(&setting->PowerSetting, &displayState, sizeof(GUID)), 0);
        EXPECT_EQ(setting->DataLength, sizeof(DWORD));
        std::memcpy(&state, setting->Data, sizeof state);
        return static_cast<long>(state);
    };
    HPOWERNOTIFY notice =
        RegisterPowerSettingNotification(hwnd, &displayState, DEVICE_NOTIFY_WINDOW_HANDLE);
    ASSERT_NE(notice, nullptr);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(displayStateOf(msg), 1) << "on";

    voxtrel::display::deliverScreenAsleep(true);
    InvalidateRect(hwnd, nullptr, FALSE);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(displayStateOf(msg), 0) << "off";
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "no paint while asleep";
    // A loop waiting for its next message wakes when the screen does.
    std::thread waking([] {
        Sleep(100);
        voxtrel::display::deliverScreenAsleep(false);
    });
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(displayStateOf(msg), 1) << "on again";
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
    waking.join();

    EXPECT_TRUE(UnregisterPowerSettingNotification(notice));
    voxtrel::display::deliverScreenAsleep(true);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "no longer registered";
    voxtrel::display::deliverScreenAsleep(false);
}

struct LoopThread {
    std::atomic<DWORD> windowThread{0};
    std::atomic<HWND> hwnd{nullptr};
    std::atomic<int> quitCode{-1};
};

DWORD WINAPI runWindowLoop(LPVOID parameter) {
    auto* state = static_cast<LoopThread*>(parameter);
    state->hwnd = createRecordingWindow();
    state->windowThread = GetCurrentThreadId();
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    state->quitCode = static_cast<int>(msg.wParam);
    return 0;
}

TEST(Queues, QuitPostedByThreadIdEndsThatThreadsLoopAndItsWindowsGo) {
    LoopThread state;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, runWindowLoop, &state, 0, &id);
    // Posting fails until the thread has its queue, so the poster tries again.
    while (!PostThreadMessageA(id, WM_QUIT, 5, 0)) {
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_THREAD_ID));
        Sleep(1);
    }
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(state.quitCode, 5);
    EXPECT_FALSE(IsWindow(state.hwnd)) << "a thread's windows end with it";
    EXPECT_FALSE(PostThreadMessageA(id, WM_USER, 0, 0)) << "its queue is gone too";
}

TEST(Queues, AWindowsMessagesRunOnItsOwnThreadOnly) {
    LoopThread state;
    HANDLE thread = CreateThread(nullptr, 0, runWindowLoop, &state, 0, nullptr);
    while (state.hwnd == nullptr)
        Sleep(1);
    clearRecorded();
    PostMessageA(state.hwnd, WM_USER, 0, 0);
    // Dispatching it here, on another thread, does nothing.
    MSG forged{state.hwnd, WM_USER + 1, 0, 0, 0, {}};
    EXPECT_EQ(DispatchMessageA(&forged), 0);
    EXPECT_FALSE(SendMessageA(state.hwnd, WM_USER + 2, 0, 0));
    EXPECT_FALSE(DestroyWindow(state.hwnd)) << "only the owning thread destroys a window";

    while (recordedMessages().empty())
        Sleep(1);
    const auto messages = recorded();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].message, static_cast<UINT>(WM_USER));
    EXPECT_EQ(messages[0].threadId, state.windowThread.load());
    PostThreadMessageA(state.windowThread, WM_QUIT, 0, 0);
    WaitForSingleObject(thread, 10000);
}

TEST(DefaultProcedure, RightButtonReleaseAsksForTheContextMenuInScreenCoordinates) {
    HWND hwnd = createRecordingWindow();
    clearRecorded();
    SendMessageA(hwnd, WM_RBUTTONUP, 0, MAKELPARAM(5, 7));
    const auto messages = recorded();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].message, static_cast<UINT>(WM_CONTEXTMENU));
    EXPECT_EQ(GET_X_LPARAM(messages[1].lParam), 105);
    EXPECT_EQ(GET_Y_LPARAM(messages[1].lParam), 107);

    clearRecorded();
    SendMessageA(hwnd, WM_KEYUP, VK_APPS, 0);
    ASSERT_EQ(recorded().size(), 2u);
    EXPECT_EQ(recorded()[1].lParam, -1) << "from the keyboard: no position";
}

TEST(WindowState, ShowHideMinimiseAndPlace) {
    HWND hwnd = createRecordingWindow(WS_EX_LAYERED);
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_FALSE(ShowWindow(hwnd, SW_SHOW)) << "returns whether it was visible before";
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_TRUE(CloseWindow(hwnd));
    EXPECT_TRUE(IsIconic(hwnd)) << "CloseWindow minimises, it does not destroy";
    EXPECT_TRUE(IsWindow(hwnd));
    ShowWindow(hwnd, SW_SHOWNORMAL);
    EXPECT_FALSE(IsIconic(hwnd));
    SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_NE(GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    RECT rect;
    ASSERT_TRUE(GetWindowRect(hwnd, &rect));
    EXPECT_EQ(rect.left, 100);
    EXPECT_EQ(rect.right, 200);
    SetWindowTextA(hwnd, "42");
    char title[8];
    EXPECT_EQ(GetWindowTextA(hwnd, title, sizeof title), 2);
    EXPECT_STREQ(title, "42");
}

} // namespace
