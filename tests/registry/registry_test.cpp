// The registry with real cursor threads on the headless display: starting, closing, showing and
// hiding cursors, and a thread's self-removal.
#include "registry/desktop.h"

#include "platform/linux/display/headless/headless_control.h"
#include "resources/menu_ids.h"
#include "tests/support/cursor_threads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace voxtrel {
namespace {

using namespace testing_support;

class Registry : public testing::Test {
protected:
    void SetUp() override { prepareCursorProcess(); }
    void TearDown() override {
        EXPECT_TRUE(stopAllCursors());
        EXPECT_TRUE(registered().empty());
    }
};

TEST_F(Registry, NewCursorsRunOnTheirOwnThreadsAndLeaveTheListWhenClosed) {
    desktop.newCursor();
    desktop.newCursor();
    const auto entries = registered();
    ASSERT_EQ(entries.size(), 2u);
    ASSERT_EQ(desktop.threadHandles.size(), 2u);
    EXPECT_NE(entries[0]->threadId, entries[1]->threadId);
    HWND first = waitForWindow(entries[0]);
    HWND second = waitForWindow(entries[1]);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetWindowThreadProcessId(first, nullptr), entries[0]->threadId);
    EXPECT_EQ(GetWindowThreadProcessId(second, nullptr), entries[1]->threadId);
    EXPECT_NE(GetWindowThreadProcessId(first, nullptr), GetCurrentThreadId());

    // Both sit at the screen's centre: a click reaches the one on top, which Escape then ends.
    headless::movePointer(640, 512);
    const HWND clicked = headless::windowAt(640, 512);
    ASSERT_TRUE(clicked == first || clicked == second);
    const int escaped = clicked == first ? 0 : 1;
    headless::click(headless::Button::Left);
    // Keys go to the active window, which the click makes it once its thread has taken it.
    ASSERT_TRUE(waitFor([&] { return headless::window(clicked)->active; }));
    headless::key(VK_ESCAPE);
    ASSERT_TRUE(waitForThread(desktop.threadHandles[escaped]));
    EXPECT_EQ(registered(), std::vector<CursorThread*>{entries[1 - escaped]});
    EXPECT_EQ(desktop.threadHandles.size(), 2u) << "a handle stays after its thread ended";
    EXPECT_FALSE(IsWindow(entries[escaped]->cursor->hwnd));

    // The other one through "Close" in its own menu.
    ASSERT_TRUE(waitForMoreFrames(entries[1 - escaped]->cursor->hwnd));
    headless::click(headless::Button::Right);
    const auto menu = headless::waitForMenu();
    ASSERT_TRUE(menu.has_value());
    EXPECT_EQ(menu->threadId, entries[1 - escaped]->threadId);
    headless::answerMenu(IDM_CLOSE);
    ASSERT_TRUE(waitForThread(desktop.threadHandles[1 - escaped]));
    EXPECT_TRUE(registered().empty());
    DWORD exitCode = 1;
    GetExitCodeThread(desktop.threadHandles[0], &exitCode);
    EXPECT_EQ(exitCode, 0u);
}

TEST_F(Registry, ShowAllAndHideAllWithoutCursorsDoNothing) {
    desktop.hideAll();
    desktop.showAll();
    EXPECT_TRUE(registered().empty());
    EXPECT_TRUE(headless::windows().empty());
}

TEST_F(Registry, ShowAllBringsBackHiddenAndMinimisedCursors) {
    const auto entries =
        startCursors({[](Cursor& c) { c.centerX = 300; }, [](Cursor& c) { c.centerX = 900; }});
    HWND left = waitForWindow(entries[0]);
    HWND right = waitForWindow(entries[1]);
    ASSERT_TRUE(left && right);

    // "Hide" from the right one's own menu minimises it.
    headless::movePointer(900, 512);
    ASSERT_TRUE(waitForMoreFrames(right));
    headless::click(headless::Button::Right);
    ASSERT_TRUE(headless::waitForMenu().has_value());
    headless::answerMenu(IDM_HIDE);
    ASSERT_TRUE(waitFor([&] { return headless::window(right)->state.minimized; }));
    EXPECT_TRUE(IsWindow(right)) << "hidden, not closed";
    headless::setPointer(0, 0);
    // A cursor nobody can see draws nothing (a frame under way may still arrive).
    const auto framesOf = [](HWND hwnd) { return headless::window(hwnd)->frames; };
    Sleep(100);
    auto rightFrames = framesOf(right);
    EXPECT_TRUE(waitForMoreFrames(left, 10));
    EXPECT_EQ(framesOf(right), rightFrames) << "a minimised cursor draws no frames";

    // Nor does one behind a locked session, until the session is unlocked.
    PostMessageA(left, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 0);
    Sleep(100);
    auto lockedFrames = framesOf(left);
    Sleep(300);
    EXPECT_EQ(framesOf(left), lockedFrames) << "a locked session's cursor draws no frames";
    PostMessageA(left, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 0);
    EXPECT_TRUE(waitForMoreFrames(left, 10)) << "unlocked, it draws again";

    desktop.hideAll();
    EXPECT_FALSE(headless::window(left)->state.visible);
    EXPECT_FALSE(headless::window(right)->state.visible);
    Sleep(100);
    const auto leftFrames = framesOf(left);
    Sleep(300);
    EXPECT_EQ(framesOf(left), leftFrames) << "a hidden cursor draws no frames";

    desktop.showAll();
    for (HWND hwnd : {left, right}) {
        const auto view = headless::window(hwnd);
        EXPECT_TRUE(view->state.visible);
        EXPECT_FALSE(view->state.minimized);
    }
    EXPECT_EQ(GetForegroundWindow(), right) << "raised one after the other, the last on top";
    EXPECT_TRUE(waitForMoreFrames(right)) << "the frames went on";
}

TEST_F(Registry, SeventyCursorsStartedAndClosedInAnyOrderAllEnd) {
    std::mt19937 random(7);
    std::vector<CursorThread*> running;
    for (int i = 0; i < 70; ++i) {
        desktop.newCursor();
        running.push_back(registered().back());
        // Now and then close a few of those already running, some just started.
        if (i % 9 == 8) {
            std::shuffle(running.begin(), running.end(), random);
            for (int k = 0; k < 4 && !running.empty(); ++k) {
                CursorThread* entry = running.back();
                running.pop_back();
                // A quit posted before the thread has its queue would be lost.
                ASSERT_TRUE(waitFor([&] { return IsWindow(entry->cursor->hwnd) != FALSE; }));
                if (k % 2 == 0)
                    entry->quit(); // as the shutdown handshake does
                else
                    PostMessageA(entry->cursor->hwnd, WM_COMMAND, IDM_CLOSE, 0);
            }
        }
    }
    EXPECT_EQ(desktop.threadHandles.size(), 70u);
    // Forty-odd cursors drawing under ThreadSanitizer on a loaded machine take half a minute
    // and more to see their quit: the limit catches a cursor that never ends, not a slow one.
    ASSERT_TRUE(waitFor([&] { return registered().size() == running.size(); }, 120000))
        << registered().size() << " registered, " << running.size() << " expected";
    auto still = registered();
    std::sort(still.begin(), still.end());
    std::sort(running.begin(), running.end());
    EXPECT_EQ(still, running) << "exactly the cursors not closed are left";

    // The rest in random order, each by its own window.
    std::shuffle(running.begin(), running.end(), random);
    for (CursorThread* entry : running) {
        ASSERT_TRUE(waitFor([&] { return IsWindow(entry->cursor->hwnd) != FALSE; }, 30000));
        PostMessageA(entry->cursor->hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
    }
    EXPECT_TRUE(waitForAllThreads(60000));
    EXPECT_TRUE(registered().empty());
    EXPECT_EQ(desktop.threadHandles.size(), 70u);
}

TEST_F(Registry, ACursorWhoseWindowCannotBeMadeLeavesNoEntry) {
    // The class counts as registered though it is not, so the window cannot be created.
    cursorClassAtom = 1;
    desktop.newCursor();
    ASSERT_EQ(desktop.threadHandles.size(), 1u);
    EXPECT_TRUE(waitForThread(desktop.threadHandles[0]));
    EXPECT_TRUE(registered().empty());
}

TEST_F(Registry, StartAllPassesOverEntriesWithoutACursor) {
    auto* empty = new CursorThread(nullptr);
    desktop.lock();
    desktop.threads.push_back(nullptr);
    desktop.threads.push_back(empty);
    desktop.unlock();
    CursorThread* real = startCursor();
    ASSERT_NE(waitForWindow(real), nullptr);
    EXPECT_EQ(registered(), std::vector<CursorThread*>{real});
    EXPECT_EQ(desktop.threadHandles.size(), 1u);
}

} // namespace
} // namespace voxtrel
