// The whole program in the test process: WinMain on a thread of its own, the headless display,
// APPDATA in a temporary folder, and nothing but what a user does: tray clicks, menu choices,
// box answers.
#include "app/app_shell.h"

#include "common/process_handles.h"
#include "platform/linux/display/headless/headless_control.h"
#include "platform/linux/kernel/kernel_control.h"
#include "render/image_library.h"
#include "resources/menu_ids.h"
#include "tests/support/cursor_threads.h"
#include "tests/support/pictures.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <filesystem>
#include <future>

namespace voxtrel {
namespace {

using namespace testing_support;
using Clock = std::chrono::steady_clock;

class Program : public testing::Test {
protected:
    void SetUp() override {
        headless::setScreenSize(1280, 1024);
        headless::setPointer(5, 5);
        appData = dir.path() + "/.appdata";
        std::filesystem::create_directories(appData);
        setenv("APPDATA", appData.c_str(), 1);
    }
    void TearDown() override {
        if (program.valid() &&
            program.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            exitProgram();
    }

    void start() {
        program = std::async(std::launch::async,
                             [] { return WinMain(nullptr, nullptr, nullptr, SW_SHOWDEFAULT); });
        ASSERT_TRUE(waitFor([] { return !headless::trayIcons().empty(); }));
    }
    // "Exit" from the main menu, and the end of WinMain.
    void exitProgram() {
        ASSERT_TRUE(headless::trayEvent(WM_RBUTTONDOWN));
        ASSERT_TRUE(headless::waitForMenu().has_value());
        headless::answerMenu(IDM_EXIT);
        ASSERT_EQ(program.wait_for(std::chrono::seconds(30)), std::future_status::ready);
        EXPECT_EQ(program.get(), 0);
    }
    void choose(UINT command) {
        ASSERT_TRUE(headless::trayEvent(WM_RBUTTONDOWN));
        ASSERT_TRUE(headless::waitForMenu().has_value());
        headless::answerMenu(command);
    }
    std::vector<HWND> cursorWindows(std::size_t count) {
        std::vector<HWND> windows;
        EXPECT_TRUE(waitFor([&] { return registered().size() == count; }));
        for (CursorThread* entry : registered())
            windows.push_back(waitForWindow(entry));
        return windows;
    }

    TempDir dir;
    std::string appData;
    std::future<int> program;
};

TEST_F(Program, AFirstStartShowsOneCentredCursorAndTheTrayIcon) {
    start();
    const auto windows = cursorWindows(1);
    ASSERT_NE(windows[0], nullptr);
    const auto frame = headless::lastFrame(windows[0]);
    EXPECT_EQ(frame->width, 256);
    EXPECT_EQ(frame->x, 640 - 128);
    EXPECT_EQ(frame->y, 512 - 128);
    EXPECT_TRUE(std::filesystem::is_directory(appData + "/voxtrel"));
    EXPECT_FALSE(headless::waitForMessageBox(std::chrono::milliseconds(100)).has_value());
    const auto icons = headless::trayIcons();
    ASSERT_EQ(icons.size(), 1u);
    EXPECT_EQ(icons[0].tip, "Voxtrel R0-0009");
    EXPECT_EQ(icons[0].owner, centralWindow);
    exitProgram();
    EXPECT_TRUE(headless::trayIcons().empty());
    EXPECT_FALSE(std::filesystem::exists(appData + "/voxtrel/init.dat")) << "no save on exit";
}

TEST_F(Program, TheTrayIconOpensTheMenuAtOnceOnARightPressAndLateOnALeftClick) {
    start();
    auto opened = Clock::now();
    ASSERT_TRUE(headless::trayEvent(WM_RBUTTONDOWN));
    auto menu = headless::waitForMenu();
    ASSERT_TRUE(menu.has_value());
    EXPECT_LT(Clock::now() - opened, std::chrono::milliseconds(300));
    EXPECT_EQ(menu->owner, centralWindow);
    EXPECT_EQ(menu->flags, static_cast<UINT>(TPM_BOTTOMALIGN | TPM_RIGHTALIGN));
    ASSERT_EQ(menu->items.size(), 8u);
    EXPECT_EQ(menu->items[0].text, "New Cursor");
    headless::answerMenu(0);

    ASSERT_TRUE(headless::trayEvent(WM_LBUTTONDOWN));
    ASSERT_TRUE(headless::trayEvent(WM_LBUTTONUP));
    opened = Clock::now();
    menu = headless::waitForMenu();
    ASSERT_TRUE(menu.has_value());
    EXPECT_GE(Clock::now() - opened, std::chrono::milliseconds(380)) << "after the click delay";
    headless::answerMenu(0);
    EXPECT_FALSE(headless::waitForMenu(std::chrono::milliseconds(1000)).has_value())
        << "the click's timer ends with the menu it opened";
}

TEST_F(Program, ADoubleClickOnTheTrayIconShowsEveryCursorAndOpensNoMenu) {
    start();
    cursorWindows(1);
    choose(IDM_NEW_CURSOR);
    // Both at the screen's centre; the first one brought above the second.
    const auto cursors = cursorWindows(2);
    for (HWND cursor : cursors)
        EXPECT_FALSE(headless::window(cursor)->active) << "a new cursor takes no focus";
    SetWindowPos(cursors[0], HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_TRUE(waitFor([&] { return headless::windowAt(640, 512) == cursors[0]; }));
    choose(IDM_HIDE_ALL);
    ASSERT_TRUE(waitFor([&] { return !headless::window(cursors[1])->state.visible; }));
    for (UINT event : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        ASSERT_TRUE(headless::trayEvent(event));
    EXPECT_TRUE(waitFor([&] { return headless::window(cursors[1])->state.visible; }));
    EXPECT_TRUE(waitFor([&] { return headless::windowAt(640, 512) == cursors[1]; }))
        << "each raised in turn, the last on top";
    for (HWND cursor : cursors)
        EXPECT_FALSE(headless::window(cursor)->active) << "shown and raised, not activated";
    EXPECT_FALSE(headless::waitForMenu(std::chrono::milliseconds(800)).has_value());
}

TEST_F(Program, MainMenuCommandsAddHideShowSaveAndAbout) {
    start();
    cursorWindows(1);
    choose(IDM_NEW_CURSOR);
    const auto windows = cursorWindows(2);
    EXPECT_NE(GetWindowThreadProcessId(windows[0], nullptr),
              GetWindowThreadProcessId(windows[1], nullptr));

    choose(IDM_HIDE_ALL);
    EXPECT_TRUE(waitFor([&] {
        return !headless::window(windows[0])->state.visible &&
               !headless::window(windows[1])->state.visible;
    }));
    choose(IDM_SHOW_ALL);
    EXPECT_TRUE(waitFor([&] {
        return headless::window(windows[0])->state.visible &&
               headless::window(windows[1])->state.visible;
    }));

    choose(IDM_SAVE_CONFIG);
    EXPECT_TRUE(waitFor([&] { return std::filesystem::exists(appData + "/voxtrel/init.dat"); }));

    choose(IDM_ABOUT);
    const auto box = headless::waitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->caption, "Voxtrel R0-0009");
    EXPECT_EQ(box->owner, centralWindow);
    EXPECT_EQ(box->text.find('\n'), std::string::npos) << "one line";
    EXPECT_TRUE(waitForMoreFrames(windows[0], 5)) << "the cursors go on while the box is open";
    headless::answerMessageBox(IDOK);
}

TEST_F(Program, ASavedConfigurationIsRestoredByTheNextRun) {
    start();
    cursorWindows(1);
    choose(IDM_NEW_CURSOR);
    cursorWindows(2);
    choose(IDM_SAVE_CONFIG);
    ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(appData + "/voxtrel/init.dat"); }));
    exitProgram();
    ASSERT_TRUE(registered().empty());

    start();
    EXPECT_EQ(cursorWindows(2).size(), 2u);
    EXPECT_FALSE(headless::waitForMessageBox(std::chrono::milliseconds(100)).has_value());
}

TEST_F(Program, ExitStopsTheCursorsLastFirstAndRemovesTheTrayIconAfterThem) {
    start();
    cursorWindows(1);
    choose(IDM_NEW_CURSOR);
    cursorWindows(2);
    choose(IDM_NEW_CURSOR);
    const auto windows = cursorWindows(3);
    const auto entries = registered();
    // The first one hidden, the second with its property menu open.
    ShowWindow(windows[0], SW_HIDE);
    PostMessageA(windows[1], WM_CONTEXTMENU, reinterpret_cast<WPARAM>(windows[1]), 0);
    const auto cursorMenu = headless::waitForMenu();
    ASSERT_TRUE(cursorMenu.has_value());
    EXPECT_EQ(cursorMenu->owner, windows[1]);
    // Last registered first: whenever the list is looked at, what remains is its beginning.
    // And the tray icon stays while any cursor does. The watch runs before "Exit" is sent.
    std::atomic<int> partway{0};
    std::atomic<bool> outOfOrder{false}, trayGoneEarly{false}, done{false};
    std::thread watch([&] {
        while (!done) {
            // The tray first: the list only shrinks, so a cursor seen after a missing icon was
            // there while it was missing.
            const bool trayThere = !headless::trayIcons().empty();
            const auto now = registered();
            if (!std::equal(now.begin(), now.end(), entries.begin()))
                outOfOrder = true;
            if (!now.empty() && now.size() < entries.size())
                ++partway;
            if (!now.empty() && !trayThere)
                trayGoneEarly = true;
        }
    });
    // "Exit", as the main menu sends it (the open property menu is the one the display would
    // answer first).
    PostMessageA(centralWindow, WM_COMMAND, IDM_EXIT, 0);
    ASSERT_EQ(program.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    done = true;
    watch.join();
    EXPECT_FALSE(outOfOrder);
    EXPECT_EQ(program.get(), 0);
    EXPECT_GT(partway, 0) << "the list was seen part-way through the shutdown";
    EXPECT_FALSE(trayGoneEarly);
    EXPECT_TRUE(headless::trayIcons().empty());
    for (HANDLE thread : desktop.threadHandles)
        EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0) << "no cursor thread outlives it";
}

TEST_F(Program, SeventyCursorsOverARunStillEndWithExit) {
    const std::size_t before = desktop.threadHandles.size(); // earlier runs of this process
    start();
    cursorWindows(1);
    for (int i = 0; i < 69; ++i) {
        choose(IDM_NEW_CURSOR);
        if (i % 3 != 0) {
            ASSERT_TRUE(waitFor([] { return IsWindow(registered().back()->cursor->hwnd); }));
            PostMessageA(registered().back()->cursor->hwnd, WM_COMMAND, IDM_CLOSE, 0);
        }
    }
    ASSERT_TRUE(waitFor([&] { return desktop.threadHandles.size() == before + 70; }));
    // A thread past the first 64 that is slow to tear down: Exit must wait for it too.
    const DWORD late = registered().back()->threadId;
    kernel::holdThreadEnd(late);
    struct LetGo { // on every way out, or the program could never end
        DWORD thread;
        ~LetGo() { kernel::releaseThreadEnd(thread); }
    } letGo{late};
    ASSERT_TRUE(headless::trayEvent(WM_RBUTTONDOWN));
    ASSERT_TRUE(headless::waitForMenu().has_value());
    headless::answerMenu(IDM_EXIT);
    ASSERT_TRUE(waitFor([] { return registered().empty(); }, 30000)) << registered().size();
    EXPECT_EQ(program.wait_for(std::chrono::milliseconds(500)), std::future_status::timeout)
        << "the program returned while a cursor thread still ran";
    kernel::releaseThreadEnd(late);
    ASSERT_EQ(program.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_EQ(program.get(), 0);
    EXPECT_TRUE(registered().empty());
    EXPECT_EQ(desktop.threadHandles.size(), before + 70);
    for (HANDLE thread : desktop.threadHandles)
        EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);
}

TEST_F(Program, ACursorWhoseThreadCannotBeMadeIsDroppedWithOneMessageAndExitStillEnds) {
    start();
    cursorWindows(1);
    kernel::failThreadCreations(2);
    choose(IDM_NEW_CURSOR);
    const auto box = headless::waitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->caption, "Cursor Error");
    EXPECT_NE(box->text.find("CreateThread failed (error 8)"), std::string::npos) << box->text;
    headless::answerMessageBox(IDOK);
    choose(IDM_NEW_CURSOR);
    EXPECT_FALSE(headless::waitForMessageBox(std::chrono::milliseconds(300)).has_value())
        << "one message a run";
    EXPECT_EQ(registered().size(), 1u) << "no entry is left without a thread";
    choose(IDM_NEW_CURSOR);
    EXPECT_EQ(cursorWindows(2).size(), 2u) << "the next cursor starts";
    exitProgram();
}

TEST_F(Program, AConfigurationWithNoCursorStartsNoneAndADamagedOneTheDefault) {
    start();
    cursorWindows(1);
    PostMessageA(registered().front()->cursor->hwnd, WM_COMMAND, IDM_CLOSE, 0);
    ASSERT_TRUE(waitFor([] { return registered().empty(); }));
    choose(IDM_SAVE_CONFIG);
    ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(appData + "/voxtrel/init.dat"); }));
    exitProgram();

    start();
    Sleep(300);
    EXPECT_TRUE(registered().empty()) << "a configuration without cursors starts none";
    exitProgram();

    dir.write(".appdata/voxtrel/init.dat", "22 serialization::archive 18 garbage");
    std::filesystem::remove(appData + "/voxtrel/init.dat.bak");
    program = std::async(std::launch::async,
                         [] { return WinMain(nullptr, nullptr, nullptr, SW_SHOWDEFAULT); });
    const auto box = headless::waitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->caption, "Load Config...");
    headless::answerMessageBox(IDOK);
    EXPECT_EQ(cursorWindows(1).size(), 1u) << "the default cursor";
}

// A cursor stuck in a load that never ends (a picture on a share gone offline) holds up neither
// the cursors that start after it nor Exit, which gives up on it and names it.
TEST(StuckCursor, HoldsUpNeitherTheOtherCursorsNorExit) {
    prepareCursorProcess();
    TempDir dir;
    const std::string picture = writeSolidPicture(dir, "sky.ppm", 8, 8, 0, 0, 255);
    auto library = holdImageLibrary(); // the stuck cursor's load waits here
    CursorThread* stuck = startCursor([&](Cursor& c) {
        c.texturePath = picture;
        c.centerX = 300;
        c.centerY = 200;
    });
    ASSERT_TRUE(waitFor([&] { return stuck->cursor->hwnd != nullptr; }));
    Sleep(200);          // into its scene's set-up, waiting for the library
    desktop.newCursor(); // as "New Cursor" makes one, at the screen's centre
    ASSERT_EQ(registered().size(), 2u);
    EXPECT_NE(waitForWindow(registered().back()), nullptr) << "the next cursor shows";

    testing::internal::CaptureStderr();
    const auto began = Clock::now();
    EXPECT_FALSE(stopAllCursorThreads(500));
    const auto took = Clock::now() - began;
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_LT(took, std::chrono::seconds(3));
    EXPECT_NE(said.find("the cursor at (300, 200) did not end within 500 ms"), std::string::npos)
        << said;
    EXPECT_EQ(said.find("the cursor at", said.find("(300, 200)") + 1), std::string::npos)
        << "the other one ended";
    library.unlock();
    EXPECT_TRUE(stopAllCursors());
}

TEST(ProgramOnAnOldSystem, SaysWhatItNeedsAndEndsWithoutAWindow) {
    EXPECT_EXIT(
        {
            kernel::setReportedVersion(4, 0);
            std::thread answer([] {
                const auto box = headless::waitForMessageBox();
                std::fprintf(stderr, "windows: %zu\n", headless::windows().size());
                if (box)
                    headless::answerMessageBox(IDOK);
            });
            answer.detach();
            WinMain(nullptr, nullptr, nullptr, SW_SHOWDEFAULT);
        },
        testing::ExitedWithCode(0),
        "\\[Fatal Error\\] This Software requires Windows 2000 or higher\\.(.|\n)*windows: 0");
}

} // namespace
} // namespace voxtrel
