// Modal menus and message boxes: the calling thread goes on running its own messages, other
// threads are not held up, and the answer arrives as the program expects.
#include "platform/win32.h"

#include "platform/linux/display/headless/headless_control.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>

namespace {

namespace headless = voxtrel::headless;

// A window whose timer makes it repaint, counting its paints; WM_COMMAND is kept and ends the
// loop. `modal` runs on the window's thread once its loop has started.
struct Animated {
    std::atomic<int> paints{0};
    std::atomic<UINT> command{0};
    std::atomic<LRESULT> modalResult{-1};
    std::atomic<bool> quitSeen{false};
    std::function<LRESULT(HWND)> modal;
};

LRESULT CALLBACK animatedProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<Animated*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    switch (message) {
    case WM_TIMER:
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_PAINT:
        ++state->paints;
        ValidateRect(hwnd, nullptr);
        return 0;
    case WM_COMMAND:
        state->command = LOWORD(wParam);
        PostQuitMessage(0);
        return 0;
    case WM_USER:
        state->modalResult = state->modal(hwnd);
        return 0;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

DWORD WINAPI runAnimated(LPVOID parameter) {
    auto* state = static_cast<Animated*>(parameter);
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = animatedProcedure;
    windowClass.lpszClassName = "animated";
    RegisterClassExA(&windowClass);
    HWND hwnd = CreateWindowExA(0, "animated", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                nullptr, nullptr);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    SetTimer(hwnd, 0, 0, nullptr);
    if (state->modal)
        PostMessageA(hwnd, WM_USER, 0, 0);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    state->quitSeen = true;
    return 0;
}

int paintsDuring(Animated& state, DWORD milliseconds) {
    const int before = state.paints;
    Sleep(milliseconds);
    return state.paints - before;
}

TEST(ModalMenu, KeepsItsThreadAnimatingAndBlocksNoOtherThread) {
    Animated withMenu;
    withMenu.modal = [](HWND hwnd) {
        HMENU menu = CreatePopupMenu();
        AppendMenuA(menu, MF_CHECKED, 42, "Answer");
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_GRAYED, 43, "Greyed");
        return static_cast<LRESULT>(TrackPopupMenuEx(menu, 0, 300, 200, hwnd, nullptr));
    };
    Animated bystander;
    DWORD bystanderId = 0;
    HANDLE threads[] = {CreateThread(nullptr, 0, runAnimated, &withMenu, 0, nullptr),
                        CreateThread(nullptr, 0, runAnimated, &bystander, 0, &bystanderId)};

    const auto menu = headless::waitForMenu();
    ASSERT_TRUE(menu.has_value());
    EXPECT_EQ(menu->x, 300);
    EXPECT_EQ(menu->y, 200);
    ASSERT_EQ(menu->items.size(), 3u);
    EXPECT_EQ(menu->items[0].text, "Answer");
    EXPECT_EQ(menu->items[0].state & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
    EXPECT_EQ(menu->items[1].state & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
    EXPECT_EQ(menu->items[2].state & MF_GRAYED, static_cast<UINT>(MF_GRAYED));

    // While the menu is open, both threads keep painting.
    EXPECT_GT(paintsDuring(withMenu, 300), 3);
    EXPECT_GT(paintsDuring(bystander, 300), 3);
    EXPECT_EQ(withMenu.modalResult, -1) << "still inside the menu";

    ASSERT_TRUE(headless::answerMenu(42));
    EXPECT_EQ(WaitForSingleObject(threads[0], 10000), WAIT_OBJECT_0);
    EXPECT_EQ(withMenu.modalResult, TRUE);
    EXPECT_EQ(withMenu.command, 42u) << "the choice arrives afterwards as WM_COMMAND";
    PostThreadMessageA(bystanderId, WM_QUIT, 0, 0);
    EXPECT_EQ(WaitForSingleObject(threads[1], 10000), WAIT_OBJECT_0);
}

TEST(ModalMenu, DismissingPostsNoCommand) {
    Animated state;
    state.modal = [](HWND hwnd) {
        HMENU menu = CreatePopupMenu();
        AppendMenuA(menu, 0, 7, "Seven");
        const LRESULT result = TrackPopupMenuEx(menu, 0, 0, 0, hwnd, nullptr);
        PostQuitMessage(0);
        return result;
    };
    HANDLE thread = CreateThread(nullptr, 0, runAnimated, &state, 0, nullptr);
    ASSERT_TRUE(headless::waitForMenu().has_value());
    headless::answerMenu(0);
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(state.command, 0u);
}

TEST(MessageBox, ReturnsTheAnswerAndKeepsItsThreadAnimating) {
    Animated state;
    state.modal = [](HWND) {
        const int answer = MessageBoxA(nullptr, "I/O error", "Load Config...", MB_ICONERROR);
        PostQuitMessage(0);
        return static_cast<LRESULT>(answer);
    };
    HANDLE thread = CreateThread(nullptr, 0, runAnimated, &state, 0, nullptr);
    const auto box = headless::waitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, "I/O error");
    EXPECT_EQ(box->caption, "Load Config...");
    EXPECT_EQ(box->type, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(box->owner, nullptr);
    EXPECT_GT(paintsDuring(state, 300), 3);
    headless::answerMessageBox(IDOK);
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(state.modalResult, IDOK);
}

TEST(MessageBox, AQuitForItsThreadClosesItAndReachesTheOuterLoop) {
    Animated state;
    std::atomic<DWORD> threadId{0};
    state.modal = [&threadId](HWND) {
        threadId = GetCurrentThreadId();
        return static_cast<LRESULT>(MessageBoxA(nullptr, "text", "caption", MB_OKCANCEL));
    };
    HANDLE thread = CreateThread(nullptr, 0, runAnimated, &state, 0, nullptr);
    ASSERT_TRUE(headless::waitForMessageBox().has_value());
    PostThreadMessageA(threadId, WM_QUIT, 0, 0);
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(state.modalResult, IDCANCEL);
    EXPECT_TRUE(state.quitSeen);
    EXPECT_FALSE(headless::waitForMessageBox(std::chrono::milliseconds(0)).has_value())
        << "the box was taken down";
}

} // namespace
