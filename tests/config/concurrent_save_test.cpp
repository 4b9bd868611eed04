// Saves while the cursor threads drag, zoom, switch shape and take drops, and while one of them
// closes: every save reads whole values (ThreadSanitizer checks the reading in scripts/test)
// and loads back.
#include "config/archive.h"

#include "platform/linux/display/headless/headless_control.h"
#include "resources/menu_ids.h"
#include "tests/support/cursor_threads.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

namespace voxtrel {
namespace {

using namespace testing_support;
using headless::Button;

TEST(ConcurrentSave, SavesWhileCursorsAreDraggedZoomedSwitchedAndDroppedOn) {
    prepareCursorProcess();
    TempDir dir;
    const std::string dropped[] = {dir.write("first file.txt", "1"), dir.write("second.txt", "2")};
    const auto entries =
        startCursors({[](Cursor& c) { c.centerX = 300; }, [](Cursor& c) { c.centerX = 640; },
                      [](Cursor& c) { c.centerX = 980; }});
    std::vector<HWND> windows;
    for (CursorThread* entry : entries)
        windows.push_back(waitForWindow(entry));
    ASSERT_EQ(std::count(windows.begin(), windows.end(), nullptr), 0);

    std::atomic<bool> stop{false};
    std::thread user([&] {
        for (int round = 0; !stop; ++round) {
            const int x = round % 2 == 0 ? 300 : 980;
            headless::movePointer(x, 512);
            headless::press(Button::Left);
            headless::movePointer(x + 15, 520);
            headless::release(Button::Left);
            headless::wheel(round % 4 < 2 ? -120 : 120);
            headless::dropFiles({dropped[round % 2]});
            PostMessageA(windows[1], WM_COMMAND,
                         round % 2 == 0 ? IDM_SHAPE_4_SLOTS : IDM_SHAPE_6_SLOTS, 0);
            PostMessageA(windows[1], WM_COMMAND, IDM_ALPHABLEND, 0);
            Sleep(5);
        }
    });

    // The saves only write while the cursors run, so that nothing else this thread does orders
    // its reading against the cursor threads' writing; the texts are read back afterwards.
    std::vector<std::string> saves;
    const DWORD started = GetTickCount();
    for (int save = 0; save < 150 || GetTickCount() - started < 1500; ++save) {
        saves.push_back(writeArchive(desktop));
        if (save == 100)
            PostMessageA(windows[2], WM_COMMAND, IDM_CLOSE, 0); // one leaves while saves go on
    }
    stop = true;
    user.join();
    for (const std::string& text : saves) {
        Desktop loaded;
        ASSERT_EQ(readArchive(text, loaded), std::nullopt) << text;
        const std::size_t count = loaded.threads.size();
        EXPECT_TRUE(count == 3 || count == 2) << count;
        loaded.discardUnstarted();
    }
    EXPECT_TRUE(stopAllCursors());
    EXPECT_TRUE(registered().empty());
}

// A save waits for a cursor's lock on its saved fields, as every change of them takes it: while
// the cursor's thread changes one, the save cannot read it half changed.
TEST(ConcurrentSave, ASaveWaitsWhileACursorChangesItsSavedFields) {
    headless::setScreenSize(1280, 1024);
    Desktop registry;
    auto* entry = new CursorThread;
    registry.threads.push_back(entry);
    std::unique_lock<std::mutex> changing(entry->cursor->savedFieldsLock);
    auto save = std::async(std::launch::async, [&] { return writeArchive(registry); });
    EXPECT_EQ(save.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
    entry->cursor->texturePath = "/changed while the save waited";
    changing.unlock();
    EXPECT_NE(save.get().find("/changed while the save waited"), std::string::npos);
    registry.discardUnstarted();
}

} // namespace
} // namespace voxtrel
