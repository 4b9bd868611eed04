// The X11 display on the tests' own X server, driven only as a user would: the pointer and keys
// through xdotool, files dragged from a drag source of the tests' own, screenshots of the screen.
#include "platform/win32.h"

#include "platform/linux/display/display.h"
#include "platform/linux/shell/shell_icon_theme.h"

#include "tests/support/recording_window.h"
#include "tests/support/temp_dir.h"
#include "tests/support/ui_thread.h"
#include "tests/support/x_server.h"
#include "tests/x11/other_clients.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace voxtrel {
namespace {

using namespace testing_support;

constexpr COLORREF kKey = RGB(0, 0, 255);

struct Rgb {
    int red, green, blue;
};

// Gives a layered window a frame of what `paint` gives for each pixel, at `rect`. On the
// window's own thread.
void presentLayered(HWND hwnd, const RECT& rect, const std::function<Rgb(int, int)>& paint,
                    DWORD flags = ULW_COLORKEY, BYTE alpha = 255) {
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    SelectObject(dc, dib);
    const int stride = (width * 3 + 3) & ~3;
    for (int y = 0; y < height; ++y) {
        auto* row = static_cast<unsigned char*>(bits) + static_cast<long>(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            const Rgb c = paint(x, y);
            row[x * 3] = static_cast<unsigned char>(c.blue);
            row[x * 3 + 1] = static_cast<unsigned char>(c.green);
            row[x * 3 + 2] = static_cast<unsigned char>(c.red);
        }
    }
    POINT position{rect.left, rect.top};
    SIZE size{width, height};
    POINT origin{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, 0};
    UpdateLayeredWindow(hwnd, nullptr, &position, &size, dc, &origin, kKey, &blend, flags);
    DeleteDC(dc);
    DeleteObject(dib);
}

// A layered window of the recording class, showing what `paint` gives for each pixel. Made on
// the UI thread, which then runs its messages.
HWND makeLayeredWindow(UiThread& ui, const RECT& rect, const std::function<Rgb(int, int)>& paint,
                       DWORD exStyle = 0, UINT classStyle = 0, DWORD flags = ULW_COLORKEY,
                       BYTE alpha = 255, const char* title = "recorder") {
    HWND hwnd = nullptr;
    ui.call([&] {
        hwnd = createRecordingWindow(WS_EX_LAYERED | exStyle, nullptr, classStyle, rect);
        SetWindowTextA(hwnd, title);
        presentLayered(hwnd, rect, paint, flags, alpha);
        ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    });
    return hwnd;
}

Rgb solid(int red, int green, int blue) {
    return {red, green, blue};
}

bool onScreen(int x, int y, const Rgb& expected) {
    return waitFor([&] {
        const auto shot = takeScreenshot();
        if (!shot)
            return false;
        const auto p = shot->at(x, y);
        return p.red == expected.red && p.green == expected.green && p.blue == expected.blue;
    });
}

// The messages `hwnd` recorded, leaving out the chatter of moves and the pointer's shape.
std::vector<Recorded> messagesOf(HWND hwnd, std::vector<UINT> kinds) {
    std::vector<Recorded> result;
    for (const Recorded& entry : recorded()) {
        if (entry.hwnd == hwnd &&
            std::find(kinds.begin(), kinds.end(), entry.message) != kinds.end())
            result.push_back(entry);
    }
    return result;
}

bool waitForMessage(HWND hwnd, UINT message, int limitMs = 10000) {
    return waitFor([&] { return !messagesOf(hwnd, {message}).empty(); }, limitMs);
}

int xOf(LPARAM lParam) {
    return static_cast<short>(LOWORD(lParam));
}
int yOf(LPARAM lParam) {
    return static_cast<short>(HIWORD(lParam));
}

// The X window that shows the layer's window titled `title`.
std::string xWindowOf(const std::string& title) {
    if (!waitForCommand("xdotool search --onlyvisible --name '^" + title + "$'"))
        return {};
    const auto found =
        runCommand("xdotool search --onlyvisible --name '^" + title + "$' | head -1");
    return found ? found->substr(0, found->find('\n')) : std::string();
}

// The suite's second run, where every picture goes the plain way (VOXTREL_X11_SHM=0).
bool withoutSharedMemory() {
    const char* sharedMemory = std::getenv("VOXTREL_X11_SHM");
    return sharedMemory != nullptr && std::strcmp(sharedMemory, "0") == 0;
}

// What the layer writes to standard error while a test runs, kept in a file and passed on.
class ErrorOutput {
public:
    ErrorOutput() {
        std::fflush(stderr);
        saved_ = dup(STDERR_FILENO);
        const int file = open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        dup2(file, STDERR_FILENO);
        close(file);
    }
    ~ErrorOutput() { written(); }
    // Everything so far; standard error is its own again from here on.
    std::string written() {
        if (saved_ >= 0) {
            std::fflush(stderr);
            dup2(saved_, STDERR_FILENO);
            close(saved_);
            saved_ = -1;
            text_ = readFile(path_).value_or("");
            std::fputs(text_.c_str(), stderr);
        }
        return text_;
    }

private:
    TempDir dir_;
    std::string path_ = dir_.path() + "/stderr";
    int saved_ = -1;
    std::string text_;
};

class X11Display : public testing::Test {
protected:
    void SetUp() override {
        if (useTestXServer().empty())
            GTEST_SKIP() << "no test X server (scripts/test starts one)";
        xdotool("mousemove 5 5");
        clearRecorded();
        errors_ = std::make_unique<ErrorOutput>();
    }
    // An X error nobody expected is a fault of ours, whatever the test looks at.
    void TearDown() override {
        if (errors_ != nullptr && !xErrorExpected_) {
            EXPECT_EQ(errors_->written().find("unexpected X error"), std::string::npos)
                << errors_->written();
        }
    }
    std::unique_ptr<ErrorOutput> errors_;
    bool xErrorExpected_ = false;
};

TEST_F(X11Display, ALayeredWindowShowsItsFramePixelForPixelAndLetsClicksThroughItsKey) {
    UiThread ui;
    const auto before = takeScreenshot();
    ASSERT_TRUE(before.has_value());
    // A gradient in two blocks on the key colour; the rest of the window is see-through.
    auto pattern = [](int x, int y) {
        const bool shown = (x >= 20 && x < 100 && y >= 20 && y < 80) ||
                           (x >= 120 && x < 180 && y >= 60 && y < 130);
        return shown ? Rgb{x, y, 128} : Rgb{0, 0, 255};
    };
    const RECT topRect{300, 200, 500, 350};
    // Below the right part of the top window: an opaque window of its own.
    HWND below =
        makeLayeredWindow(ui, {430, 180, 630, 430}, [](int, int) { return solid(200, 50, 50); });
    ASSERT_TRUE(onScreen(600, 400, {200, 50, 50}));
    HWND top = makeLayeredWindow(ui, topRect, pattern, WS_EX_TOPMOST);
    ASSERT_TRUE(onScreen(300 + 50, 200 + 50, {50, 50, 128}));

    const auto shot = takeScreenshot();
    ASSERT_TRUE(shot.has_value());
    int mismatches = 0;
    for (int y = 0; y < 150; ++y) {
        for (int x = 0; x < 200; ++x) {
            const int sx = topRect.left + x, sy = topRect.top + y;
            const Rgb want = pattern(x, y);
            Screenshot::Pixel expected{want.red, want.green, want.blue};
            if (want.blue == 255 && want.red == 0) // key: what lies beneath
                expected = sx >= 430 ? Screenshot::Pixel{200, 50, 50} : before->at(sx, sy);
            if (!(shot->at(sx, sy) == expected))
                ++mismatches;
        }
    }
    EXPECT_EQ(mismatches, 0) << "pixels that differ from the frame and the screen beneath";

    // A click on a key pixel reaches the window beneath; one on a shown pixel, the top one.
    clickAt(480, 210);
    EXPECT_TRUE(waitForMessage(below, WM_LBUTTONDOWN));
    clickAt(350, 250);
    EXPECT_TRUE(waitForMessage(top, WM_LBUTTONDOWN));
    EXPECT_EQ(messagesOf(top, {WM_LBUTTONDOWN}).size(), 1u);
    const auto press = messagesOf(top, {WM_LBUTTONDOWN}).front();
    EXPECT_EQ(xOf(press.lParam), 50);
    EXPECT_EQ(yOf(press.lParam), 50);
}

TEST_F(X11Display, AWindowShownAgainShowsItsNextFrameNeverTheOneItWasHiddenWith) {
    UiThread ui;
    const RECT rect{700, 200, 800, 300};
    HWND hwnd = makeLayeredWindow(
        ui, rect, [](int, int) { return solid(30, 170, 30); }, 0, 0, ULW_COLORKEY, 255,
        "shown again");
    ASSERT_TRUE(onScreen(750, 250, {30, 170, 30}));
    const std::string window = xWindowOf("shown again");
    ASSERT_FALSE(window.empty());
    ui.call([&] { ShowWindow(hwnd, SW_HIDE); });
    ASSERT_TRUE(waitFor([&] { return !isViewable(window); }));

    // Shown again: nothing until the next frame, which is what shows.
    ui.call([&] { ShowWindow(hwnd, SW_SHOWNOACTIVATE); });
    Sleep(100);
    EXPECT_FALSE(isViewable(window)) << "the picture from before the hiding never shows";
    ui.call([&] { presentLayered(hwnd, rect, [](int, int) { return solid(170, 30, 30); }); });
    EXPECT_TRUE(onScreen(750, 250, {170, 30, 30}));

    // A window whose next frame does not come is shown all the same, with the one it has.
    ui.call([&] { ShowWindow(hwnd, SW_HIDE); });
    ASSERT_TRUE(waitFor([&] { return !isViewable(window); }));
    ui.call([&] { ShowWindow(hwnd, SW_SHOWNOACTIVATE); });
    EXPECT_TRUE(waitFor([&] { return isViewable(window); }, 2000));
    EXPECT_TRUE(onScreen(750, 250, {170, 30, 30}));
}

TEST_F(X11Display, AWindowOfAnotherProgramThatVanishedUnderARequestEndsNothing) {
    UiThread ui;
    makeLayeredWindow(ui, {700, 200, 800, 300}, [](int, int) { return solid(30, 170, 30); });
    ASSERT_TRUE(onScreen(750, 250, {30, 170, 30}));
    addressAVanishedWindowOfAnotherProgram();
    // Still running, and the display thread still shows what it is given.
    makeLayeredWindow(ui, {900, 200, 1000, 300}, [](int, int) { return solid(170, 30, 30); });
    EXPECT_TRUE(onScreen(950, 250, {170, 30, 30}));
}

// Another X client may destroy any window. The layer's window then closes, as from its own
// menu, and frames still on their way to it are dropped; the display thread runs on.
TEST_F(X11Display, AWindowAnotherProgramDestroysClosesAndTheOthersRunOn) {
    UiThread ui;
    const RECT doomedRect{700, 200, 800, 300};
    auto green = [](int, int) { return solid(30, 170, 30); };
    HWND doomed = makeLayeredWindow(ui, doomedRect, green, 0, 0, ULW_COLORKEY, 255, "doomed");
    ASSERT_TRUE(onScreen(750, 250, {30, 170, 30}));
    const std::string window = xWindowOf("doomed");
    ASSERT_FALSE(window.empty());

    auto alive = [&] {
        bool is = false;
        ui.call([&] { is = IsWindow(doomed) != FALSE; });
        return is;
    };
    destroyAsAnotherProgram(std::stoul(window, nullptr, 0));
    for (int frame = 0; frame < 20 && alive(); ++frame) {
        ui.call([&] { presentLayered(doomed, doomedRect, green, ULW_COLORKEY, 255); });
        Sleep(20);
    }
    EXPECT_TRUE(waitFor([&] { return !alive(); })) << "closed";
    EXPECT_EQ(messagesOf(doomed, {WM_CLOSE}).size(), 1u);
    makeLayeredWindow(ui, {900, 400, 1000, 500}, [](int, int) { return solid(30, 30, 170); });
    EXPECT_TRUE(onScreen(950, 450, {30, 30, 170})) << "the display thread runs on";
}

// A window made while the display thread is busy, right after another window's frame: its first
// frame may reach the display thread before its making does, and is shown all the same.
TEST_F(X11Display, AWindowMadeWhileTheDisplayThreadIsBusyShowsItsFirstFrame) {
    UiThread ui;
    const RECT first{700, 200, 800, 300};
    HWND earlier = makeLayeredWindow(ui, first, [](int, int) { return solid(30, 170, 30); });
    ASSERT_TRUE(onScreen(750, 250, {30, 170, 30}));
    {
        DisplayThreadHold thread(2000);
        ASSERT_TRUE(thread.holding());
        ui.call(
            [&] { presentLayered(earlier, first, [](int, int) { return solid(170, 30, 30); }); });
        makeLayeredWindow(ui, {900, 200, 1000, 300}, [](int, int) { return solid(30, 30, 170); });
    }
    EXPECT_TRUE(onScreen(750, 250, {170, 30, 30}));
    EXPECT_TRUE(onScreen(950, 250, {30, 30, 170})) << "the later window shows its only frame";
}

// A server that refuses to put a window's shared picture never says it is done with it: the
// window then shows its pictures the plain way, starting with the refused one, and the error,
// the same for both windows, is said once.
TEST_F(X11Display, AWindowWhosePictureTheServerRefusesGoesOnThePlainWay) {
    if (withoutSharedMemory())
        GTEST_SKIP() << "every window takes the plain way already";
    xErrorExpected_ = true;
    UiThread ui;
    const RECT rect{700, 200, 800, 300};
    const RECT besideRect{900, 200, 1000, 300};
    HWND hwnd = makeLayeredWindow(ui, rect, [](int, int) { return solid(30, 170, 30); });
    HWND beside = makeLayeredWindow(ui, besideRect, [](int, int) { return solid(30, 170, 30); });
    ASSERT_TRUE(onScreen(750, 250, {30, 170, 30}));
    ASSERT_TRUE(onScreen(950, 250, {30, 170, 30}));
    detachSharedPicturesOnTheServer();

    ui.call([&] {
        presentLayered(hwnd, rect, [](int, int) { return solid(170, 30, 30); });
        presentLayered(beside, besideRect, [](int, int) { return solid(170, 30, 30); });
    });
    EXPECT_TRUE(onScreen(750, 250, {170, 30, 30})) << "the refused picture shows all the same";
    EXPECT_TRUE(onScreen(950, 250, {170, 30, 30}));
    for (int frame = 0; frame < 5; ++frame) {
        const int blue = 100 + frame * 30;
        ui.call([&] { presentLayered(hwnd, rect, [&](int, int) { return solid(30, 30, blue); }); });
        EXPECT_TRUE(onScreen(750, 250, {30, 30, blue})) << "and every picture after it";
    }
    const std::string written = errors_->written();
    const std::size_t said = written.find("unexpected X error");
    ASSERT_NE(said, std::string::npos) << written;
    EXPECT_NE(written.find("ShmPutImage", said), std::string::npos) << written;
    EXPECT_EQ(written.find("unexpected X error", said + 1), std::string::npos) << "said once:\n"
                                                                               << written;
}

// The server reads a window's shared picture some time after it is asked to put it: a frame
// that comes meanwhile waits until the server says it is done, and never writes over the
// picture it still has to read.
TEST_F(X11Display, APictureTheServerStillHasToReadIsNeverWrittenOver) {
    if (withoutSharedMemory())
        GTEST_SKIP() << "no shared picture";
    UiThread ui;
    const RECT rect{700, 200, 800, 300};
    HWND hwnd = makeLayeredWindow(ui, rect, [](int, int) { return solid(30, 170, 30); });
    ASSERT_TRUE(onScreen(750, 250, {30, 170, 30}));
    bool checked = false;
    // The display thread may itself wait on the held server for a while (the reading of the
    // desktop's windows once a second): then the attempt is made again.
    for (int attempt = 0; attempt < 8 && !checked; ++attempt) {
        if (attempt > 0) {
            // The last attempt's pictures are shown and the server has said it is done with
            // them, so that this one starts from a picture nobody waits for.
            ASSERT_TRUE(onScreen(750, 250, {30, 30, 170}));
            Sleep(300);
        }
        ServerHold server;
        ui.call([&] { presentLayered(hwnd, rect, [](int, int) { return solid(170, 30, 30); }); });
        Sleep(200);
        ui.call([&] { presentLayered(hwnd, rect, [](int, int) { return solid(30, 30, 170); }); });
        Sleep(200);
        DisplayThreadHold thread(1000);
        server.letGo();
        if (!thread.holding())
            continue;
        // The server now puts the first picture; what would show the second waits for the held
        // thread to hear that it is done.
        Sleep(300);
        const auto shot = takeScreenshot();
        ASSERT_TRUE(shot.has_value());
        const auto seen = shot->at(750, 250);
        EXPECT_TRUE(seen == (Screenshot::Pixel{170, 30, 30}))
            << "the picture put first is the one the server reads: " << seen.red << ","
            << seen.green << "," << seen.blue;
        thread.letGo();
        EXPECT_TRUE(onScreen(750, 250, {30, 30, 170})) << "then the one that waited";
        checked = true;
    }
    EXPECT_TRUE(checked) << "the display thread was never free while the server was held";
}

// The sizes in bytes of the shared memory segments this process made.
std::vector<long> ownSharedMemorySizes() {
    std::vector<long> sizes;
    const std::string ids = "ipcs -m -p | awk '$3 == " + std::to_string(getpid()) + " {print $1}'";
    for (const std::string& id : outputLines(runCommand(ids))) {
        for (const std::string& bytes :
             outputLines(runCommand("ipcs -m | awk '$2 == " + id + " {print $5}'")))
            sizes.push_back(std::stol(bytes));
    }
    return sizes;
}

// A window that grew and shrank again does not keep the memory of its largest picture.
TEST_F(X11Display, AShrunkWindowGivesBackTheMemoryOfItsLargerPicture) {
    if (withoutSharedMemory())
        GTEST_SKIP() << "no shared memory to give back";
    UiThread ui;
    const RECT small{700, 200, 800, 300};
    const RECT large{700, 200, 1300, 800};
    const auto largest = [] {
        const std::vector<long> sizes = ownSharedMemorySizes();
        return sizes.empty() ? 0L : *std::max_element(sizes.begin(), sizes.end());
    };
    HWND hwnd = makeLayeredWindow(ui, small, [](int, int) { return solid(30, 170, 30); });
    ASSERT_TRUE(onScreen(750, 250, {30, 170, 30}));
    ui.call([&] { presentLayered(hwnd, large, [](int, int) { return solid(170, 30, 30); }); });
    ASSERT_TRUE(onScreen(1250, 750, {170, 30, 30}));
    EXPECT_GE(largest(), 600L * 600 * 4);
    ui.call([&] { presentLayered(hwnd, small, [](int, int) { return solid(30, 30, 170); }); });
    ASSERT_TRUE(onScreen(750, 250, {30, 30, 170}));
    EXPECT_TRUE(waitFor([&] { return largest() < 300L * 300 * 4; })) << largest() << " bytes kept";
}

TEST_F(X11Display, AWindowWhollyCoveredGetsNoPaintUntilItIsUncovered) {
    UiThread ui;
    HWND covered =
        makeLayeredWindow(ui, {700, 500, 800, 600}, [](int, int) { return solid(30, 30, 170); });
    ASSERT_TRUE(onScreen(750, 550, {30, 30, 170}));
    // Shaped like a ring, the window above hides every pixel but the middle one's.
    auto ring = [](int x, int y) {
        return (x >= 95 && x < 105 && y >= 95 && y < 105) ? Rgb{0, 0, 255} : solid(170, 170, 30);
    };
    HWND cover = makeLayeredWindow(ui, {650, 450, 850, 650}, ring);
    ASSERT_TRUE(onScreen(750, 550, {30, 30, 170})) << "seen through the hole";
    const auto paintsAfterAsking = [&] {
        clearRecorded();
        ui.call([&] { InvalidateRect(covered, nullptr, FALSE); });
        return waitForMessage(covered, WM_PAINT, 1500);
    };
    EXPECT_TRUE(paintsAfterAsking()) << "a window seen through a hole above it is painted";

    // Above it, a window with nothing to show (every pixel the key) covers nothing.
    ui.call([&] {
        presentLayered(cover, {650, 450, 850, 650}, [](int, int) { return Rgb{0, 0, 255}; });
    });
    Sleep(1200); // a change of shape is read within a second
    EXPECT_TRUE(paintsAfterAsking()) << "an empty window above covers nothing";
    ui.call([&] { presentLayered(cover, {650, 450, 850, 650}, ring); });

    // The hole filled: nobody sees the window beneath, which is not painted.
    ui.call([&] {
        presentLayered(cover, {650, 450, 850, 650}, [](int, int) { return solid(170, 170, 30); });
    });
    ASSERT_TRUE(onScreen(750, 550, {170, 170, 30}));
    Sleep(1200); // a change of shape is read within a second
    EXPECT_FALSE(paintsAfterAsking()) << "a wholly covered window is not painted";

    // Uncovered, it is painted at once, not at the next reading of the second.
    ui.call([&] { ShowWindow(cover, SW_HIDE); });
    EXPECT_TRUE(waitForMessage(covered, WM_PAINT, 300)) << "the paint asked for comes at once";
}

// Under the X server's screen saver nobody sees any window: none is painted until it ends.
TEST_F(X11Display, UnderTheScreenSaverNoWindowIsPaintedUntilItEnds) {
    UiThread ui;
    HWND hwnd =
        makeLayeredWindow(ui, {700, 500, 800, 600}, [](int, int) { return solid(90, 30, 90); });
    ASSERT_TRUE(onScreen(750, 550, {90, 30, 90}));
    const auto paintsAfterAsking = [&] {
        clearRecorded();
        ui.call([&] { InvalidateRect(hwnd, nullptr, FALSE); });
        return waitForMessage(hwnd, WM_PAINT, 1500);
    };
    ASSERT_TRUE(paintsAfterAsking());
    struct SaverEnds { // on every way out: the other tests need a screen that shows
        ~SaverEnds() { runCommand("xset s reset"); }
    } saverEnds;
    ASSERT_TRUE(runCommand("xset s activate").has_value());
    Sleep(1500); // the saver's state is read once a second
    EXPECT_FALSE(paintsAfterAsking()) << "not painted under the screen saver";
    runCommand("xset s reset");
    EXPECT_TRUE(waitForMessage(hwnd, WM_PAINT, 2500)) << "the paint asked for comes as it ends";
}

TEST_F(X11Display, MouseAndKeysArriveInOrderWithClientCoordinates) {
    UiThread ui;
    HWND hwnd = makeLayeredWindow(
        ui, {300, 200, 500, 400}, [](int, int) { return solid(90, 160, 90); }, 0, CS_DBLCLKS);
    ASSERT_TRUE(onScreen(400, 300, {90, 160, 90}));
    const std::vector<UINT> buttons = {WM_LBUTTONDOWN, WM_LBUTTONUP,  WM_LBUTTONDBLCLK,
                                       WM_RBUTTONDOWN, WM_RBUTTONUP,  WM_MOUSEWHEEL,
                                       WM_KEYDOWN,     WM_CONTEXTMENU};

    POINT pointer{};
    GetCursorPos(&pointer); // read just before the move: the position it had must not be kept
    xdotool("mousemove 350 260");
    ASSERT_TRUE(waitForMessage(hwnd, WM_MOUSEMOVE));
    const auto move = messagesOf(hwnd, {WM_MOUSEMOVE}).back();
    EXPECT_EQ(xOf(move.lParam), 50);
    EXPECT_EQ(yOf(move.lParam), 60);
    // A program answering the move asks where the pointer is: where the move took it.
    GetCursorPos(&pointer);
    EXPECT_EQ(pointer.x, 350);
    EXPECT_EQ(pointer.y, 260);

    // Wheel notches come as instant clicks of buttons 4 and 5; the left click is a machine's, a
    // few microseconds long, which must arrive as well as a hand's.
    xdotool("click 4");
    xdotool("click 5");
    xdotool("click 1");
    xdotool(handClick(3));
    ASSERT_TRUE(waitForMessage(hwnd, WM_CONTEXTMENU));
    Sleep(600); // past the double-click time
    xdotool(handDoubleClick(1));
    // Escape goes to the active window: a program activates its window itself.
    ui.call([&] { SetForegroundWindow(hwnd); });
    Sleep(200);
    xdotool("key Escape");
    ASSERT_TRUE(waitForMessage(hwnd, WM_KEYDOWN));

    const auto events = messagesOf(hwnd, buttons);
    std::vector<UINT> kinds;
    for (const auto& event : events)
        kinds.push_back(event.message);
    const std::vector<UINT> expected = {WM_MOUSEWHEEL,    WM_MOUSEWHEEL,  WM_LBUTTONDOWN,
                                        WM_LBUTTONUP,     WM_RBUTTONDOWN, WM_RBUTTONUP,
                                        WM_CONTEXTMENU,   WM_LBUTTONDOWN, WM_LBUTTONUP,
                                        WM_LBUTTONDBLCLK, WM_LBUTTONUP,   WM_KEYDOWN};
    EXPECT_EQ(kinds, expected);
    if (kinds == expected) {
        EXPECT_EQ(static_cast<short>(HIWORD(events[0].wParam)), 120) << "up: away from the user";
        EXPECT_EQ(static_cast<short>(HIWORD(events[1].wParam)), -120);
        EXPECT_EQ(xOf(events[1].lParam), 350) << "the wheel carries screen coordinates";
        EXPECT_EQ(xOf(events[2].lParam), 50);
        EXPECT_EQ(yOf(events[2].lParam), 60);
        EXPECT_EQ(events[11].wParam, static_cast<WPARAM>(VK_ESCAPE));
    }
}

TEST_F(X11Display, ACapturedDragKeepsReportingOutsideTheWindow) {
    UiThread ui;
    HWND hwnd =
        makeLayeredWindow(ui, {300, 200, 400, 300}, [](int, int) { return solid(60, 60, 200); });
    ASSERT_TRUE(onScreen(350, 250, {60, 60, 200}));
    xdotool("mousemove 350 250 mousedown 1");
    ASSERT_TRUE(waitForMessage(hwnd, WM_LBUTTONDOWN));
    ui.call([&] { SetCapture(hwnd); });
    xdotool("mousemove 700 600");
    Sleep(100);
    xdotool("mousemove 20 10 mouseup 1");
    ASSERT_TRUE(waitForMessage(hwnd, WM_LBUTTONUP));
    const auto moves = messagesOf(hwnd, {WM_MOUSEMOVE});
    const bool farOut = std::any_of(moves.begin(), moves.end(), [](const Recorded& m) {
        return xOf(m.lParam) == 400 && yOf(m.lParam) == 400;
    });
    EXPECT_TRUE(farOut) << "the move to (700, 600) arrived as client (400, 400)";
    const auto up = messagesOf(hwnd, {WM_LBUTTONUP}).back();
    EXPECT_EQ(xOf(up.lParam), -280) << "left of the window: negative";
    EXPECT_EQ(yOf(up.lParam), -190);
    ui.call([] { ReleaseCapture(); });
}

TEST_F(X11Display, AMenuAtAPointIsAnsweredByAClickOrDismissedByEscape) {
    UiThread ui;
    HWND owner =
        makeLayeredWindow(ui, {100, 100, 150, 150}, [](int, int) { return solid(10, 10, 10); });
    HMENU menu = nullptr;
    ui.call([&] {
        menu = CreatePopupMenu();
        AppendMenuA(menu, MF_STRING, 501, "First choice");
        AppendMenuA(menu, MF_STRING | MF_CHECKED, 502, "Checked");
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING | MF_GRAYED, 503, "Greyed");
    });
    const auto before = takeScreenshot();
    auto choice = ui.run<BOOL>(
        [&] { return TrackPopupMenuEx(menu, TPM_RETURNCMD, 600, 300, owner, nullptr); });
    // Once the menu shows, the screen just below and right of the point has changed.
    ASSERT_TRUE(waitFor([&] {
        const auto shot = takeScreenshot();
        return shot && !(shot->at(640, 310) == before->at(640, 310));
    }));
    Sleep(300); // the pointer grab and the menu's own set-up
    clickAt(640, 312);
    ASSERT_EQ(choice.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(choice.get(), 501);

    auto dismissed = ui.run<BOOL>(
        [&] { return TrackPopupMenuEx(menu, TPM_RETURNCMD, 600, 300, owner, nullptr); });
    Sleep(800);
    xdotool("key Escape");
    ASSERT_EQ(dismissed.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(dismissed.get(), 0);
}

TEST_F(X11Display, AMessageBoxIsAnsweredByReturn) {
    UiThread ui;
    auto answer = ui.run<int>([] {
        return MessageBoxA(nullptr, "Something went wrong", "Box Test Caption", MB_ICONERROR);
    });
    ASSERT_TRUE(waitForCommand("xdotool search --onlyvisible --name '^Box Test Caption$'"));
    Sleep(300);
    xdotool("key Return");
    ASSERT_EQ(answer.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(answer.get(), IDOK);

    auto yes =
        ui.run<int>([] { return MessageBoxA(nullptr, "Go on?", "Question Caption", MB_YESNO); });
    ASSERT_TRUE(waitForCommand("xdotool search --onlyvisible --name '^Question Caption$'"));
    Sleep(300);
    xdotool("key Return");
    ASSERT_EQ(yes.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(yes.get(), IDYES);
}

TEST_F(X11Display, AFileDraggedFromAnotherProgramArrivesAsItsExactPath) {
    TempDir dir;
    const std::string file = dir.write("my file \xC3\xA9t\xC3\xA9 #1.txt", "content\n");
    UiThread ui;
    HWND target = makeLayeredWindow(
        ui, {500, 300, 700, 500}, [](int, int) { return solid(40, 120, 40); }, WS_EX_ACCEPTFILES);
    ASSERT_TRUE(onScreen(600, 400, {40, 120, 40}));
    Helper source(std::string(VOXTREL_TEST_DRAG_SOURCE) + " 50 50 '" + file + "'");
    ASSERT_TRUE(waitForCommand("xdotool search --onlyvisible --name '^voxtrel-drag-source$'"));
    Sleep(300);
    xdotool("mousemove 100 100 mousedown 1");
    Sleep(100);
    for (int step = 1; step <= 10; ++step) {
        xdotool("mousemove " + std::to_string(100 + step * 50) + " " +
                std::to_string(100 + step * 30));
        Sleep(60);
    }
    xdotool("mousemove 610 420");
    Sleep(200);
    xdotool("mousemove 611 421");
    Sleep(200);
    xdotool("mouseup 1");
    ASSERT_TRUE(waitForMessage(target, WM_DROPFILES));
    const auto drop = reinterpret_cast<HDROP>(messagesOf(target, {WM_DROPFILES}).front().wParam);
    EXPECT_EQ(DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0), 1u);
    char path[1024] = {};
    DragQueryFileA(drop, 0, path, sizeof path);
    EXPECT_EQ(std::string(path), file);
    POINT point{};
    DragQueryPoint(drop, &point);
    EXPECT_EQ(point.x, 111) << "the pointer, in the window's client coordinates";
    EXPECT_EQ(point.y, 121);
    DragFinish(drop);
}

TEST_F(X11Display, TheTrayIconEmbedsWithItsTipAndReportsClicks) {
    const auto tray = startNotificationArea();
    ASSERT_NE(tray, nullptr);
    UiThread ui;
    constexpr UINT kCallback = WM_APP + 5;
    HWND owner = nullptr;
    ui.call([&] { owner = createRecordingWindowWithTrayIcon(7, kCallback, "Voxtrel tray tip"); });
    ASSERT_NE(owner, nullptr);
    // The embedded icon carries the tip as its name.
    ASSERT_TRUE(waitForCommand("xdotool search --onlyvisible --name '^Voxtrel tray tip$'"));
    const auto geometry = runCommand(
        "xdotool search --onlyvisible --name '^Voxtrel tray tip$' getwindowgeometry --shell");
    ASSERT_TRUE(geometry.has_value());
    int x = -1, y = -1, width = 0, height = 0;
    for (const char* key : {"X=", "Y=", "WIDTH=", "HEIGHT="}) {
        const auto at = geometry->find(key);
        ASSERT_NE(at, std::string::npos) << *geometry;
        const int value = std::atoi(geometry->c_str() + at + std::strlen(key));
        (key[0] == 'X' ? x : key[0] == 'Y' ? y : key[0] == 'W' ? width : height) = value;
    }
    ASSERT_GT(width, 0);
    Sleep(300);
    const std::string centre = std::to_string(x + width / 2) + " " + std::to_string(y + height / 2);
    auto trayMessages = [&] {
        std::vector<LPARAM> events;
        for (const Recorded& entry : messagesOf(owner, {kCallback})) {
            EXPECT_EQ(entry.wParam, 7u);
            events.push_back(entry.lParam);
        }
        return events;
    };
    xdotool("mousemove " + centre + " " + handClick(3));
    ASSERT_TRUE(waitForMessage(owner, kCallback));
    Sleep(700);
    xdotool(handClick(1));
    Sleep(700);
    xdotool(handDoubleClick(1));
    waitFor([&] { return trayMessages().size() >= 8; }, 5000);
    const std::vector<LPARAM> expected = {WM_RBUTTONDOWN,   WM_RBUTTONUP,   WM_LBUTTONDOWN,
                                          WM_LBUTTONUP,     WM_LBUTTONDOWN, WM_LBUTTONUP,
                                          WM_LBUTTONDBLCLK, WM_LBUTTONUP};
    EXPECT_EQ(trayMessages(), expected);
    ui.call([&] {
        NOTIFYICONDATAA icon = {};
        icon.cbSize = sizeof icon;
        icon.hWnd = owner;
        icon.uID = 7;
        Shell_NotifyIconA(NIM_DELETE, &icon);
    });
    EXPECT_TRUE(waitForCommand("! xdotool search --onlyvisible --name '^Voxtrel tray tip$'"));
}

std::string netWmState(const std::string& window) {
    return runCommand("xprop -id " + window + " _NET_WM_STATE").value_or("");
}

TEST_F(X11Display, UnderAWindowManagerKeepAboveAndTheTaskbarButtonFollowTheStyle) {
    const auto manager = startWindowManager();
    ASSERT_TRUE(manager != nullptr);
    UiThread ui;
    HWND hwnd = makeLayeredWindow(
        ui, {300, 300, 400, 400}, [](int, int) { return solid(120, 30, 30); },
        WS_EX_TOPMOST | WS_EX_NOACTIVATE, 0, ULW_COLORKEY, 255, "voxtrel-style-test");
    const std::string window = xWindowOf("voxtrel-style-test");
    ASSERT_FALSE(window.empty());
    EXPECT_TRUE(
        waitForCommand("xprop -id " + window + " _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE"))
        << netWmState(window);
    EXPECT_NE(netWmState(window).find("_NET_WM_STATE_SKIP_TASKBAR"), std::string::npos);

    ui.call([&] {
        SetWindowLongA(hwnd, GWL_EXSTYLE, WS_EX_LAYERED | WS_EX_NOACTIVATE | WS_EX_APPWINDOW);
        SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    });
    EXPECT_TRUE(
        waitForCommand("! xprop -id " + window + " _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE"))
        << netWmState(window);
    EXPECT_EQ(netWmState(window).find("_NET_WM_STATE_SKIP_TASKBAR"), std::string::npos)
        << netWmState(window);
}

// The icon theme the desktop names through XSETTINGS, as the settings daemons of GNOME, KDE and
// Xfce do, is the one a file's icon comes from, and a change of it is followed at once.
TEST_F(X11Display, TheIconThemeTheDesktopNamesIsTheOneFileIconsComeFrom) {
    if (!std::filesystem::exists("/usr/share/icons/Papirus/index.theme") ||
        std::system("command -v xsettingsd >/dev/null") != 0)
        GTEST_SKIP() << "papirus-icon-theme or xsettingsd is not installed (scripts/test does)";
    TempDir config; // no settings file of GTK's names a theme
    setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    ASSERT_TRUE(voxtrel::display::current().reachable());
    const auto before = voxtrel::shell::findThemeIcon({"text-x-generic"}, 48);
    ASSERT_TRUE(before.has_value());
    EXPECT_EQ(before->find("/Papirus/"), std::string::npos) << *before;
    const std::string settings = config.write("xsettingsd.conf", "Net/IconThemeName \"Papirus\"\n");
    Helper daemon("xsettingsd -c '" + settings + "'");
    EXPECT_TRUE(waitFor([] { return voxtrel::display::current().iconThemeName() == "Papirus"; }))
        << voxtrel::display::current().iconThemeName();
    const auto icon = voxtrel::shell::findThemeIcon({"text-x-generic"}, 48);
    ASSERT_TRUE(icon.has_value());
    EXPECT_EQ(icon->rfind("/usr/share/icons/Papirus/", 0), 0u) << *icon;
}

TEST_F(X11Display, WithACompositorTheWindowIsThreeQuartersOpaqueAndItsKeyTransparent) {
    Helper compositor("picom --backend xrender --no-fading-openclose --config /dev/null");
    // A compositor announces itself by owning the _NET_WM_CM_S0 selection.
    Sleep(1500);
    ASSERT_TRUE(compositor.running());
    UiThread ui;
    const auto before = takeScreenshot();
    ASSERT_TRUE(before.has_value());
    // Beneath the translucent window's key: under a compositor it is seen, and so painted,
    // however the window above it is shaped.
    HWND beneath =
        makeLayeredWindow(ui, {402, 382, 418, 398}, [](int, int) { return solid(30, 30, 170); });
    auto pattern = [](int x, int y) {
        return (x >= 20 && x < 80 && y >= 20 && y < 80) ? Rgb{200, 100, 40} : Rgb{0, 0, 255};
    };
    HWND translucent = makeLayeredWindow(ui, {400, 300, 500, 400}, pattern, 0, 0,
                                         ULW_COLORKEY | ULW_ALPHA, 192, "voxtrel-composited-test");
    const std::string window = xWindowOf("voxtrel-composited-test");
    ASSERT_FALSE(window.empty());
    EXPECT_TRUE(waitForCommand("xprop -id " + window +
                               " _NET_WM_WINDOW_OPACITY | grep -qE '= 323385772[78]$'"))
        << runCommand("xprop -id " + window + " _NET_WM_WINDOW_OPACITY").value_or("");
    // 192 of 255 over what lies beneath.
    const auto under = before->at(450, 350);
    const Rgb blended = {(200 * 192 + under.red * 63) / 255, (100 * 192 + under.green * 63) / 255,
                         (40 * 192 + under.blue * 63) / 255};
    Screenshot::Pixel seen{};
    EXPECT_TRUE(waitFor([&] {
        const auto shot = takeScreenshot();
        seen = shot ? shot->at(450, 350) : Screenshot::Pixel{};
        return std::abs(seen.red - blended.red) <= 3 && std::abs(seen.green - blended.green) <= 3 &&
               std::abs(seen.blue - blended.blue) <= 3;
    })) << seen.red
        << "," << seen.green << "," << seen.blue;
    const auto shot = takeScreenshot();
    EXPECT_TRUE(shot->at(405, 305) == before->at(405, 305)) << "the key shows what lies beneath";
    EXPECT_TRUE(shot->at(495, 395) == before->at(495, 395));
    // The next frame shows less: where the last one showed and this one does not, what lies
    // beneath is seen again.
    ui.call([&] {
        presentLayered(
            translucent, {400, 300, 500, 400},
            [](int x, int y) {
                return (x >= 20 && x < 40 && y >= 20 && y < 40) ? Rgb{200, 100, 40}
                                                                : Rgb{0, 0, 255};
            },
            ULW_COLORKEY | ULW_ALPHA, 192);
    });
    EXPECT_TRUE(waitFor([&] {
        const auto now = takeScreenshot();
        return now && now->at(450, 350) == before->at(450, 350);
    })) << "the last frame's solid is gone where the new one shows nothing";
    Sleep(1200); // the coverage is read again within a second
    clearRecorded();
    ui.call([&] { InvalidateRect(beneath, nullptr, FALSE); });
    EXPECT_TRUE(waitForMessage(beneath, WM_PAINT, 1500)) << "a window seen through another";
}

// A program's threads may still ask the display for the screen while exit runs the destructors
// of static objects: the display is not among them.
TEST(DisplayAtExit, ThreadsStillAskingTheDisplayOutliveTheProgramsExit) {
    if (useTestXServer().empty())
        GTEST_SKIP() << "no test X server (scripts/test starts one)";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (int run = 0; run < 4; ++run) // the moment the threads are caught at differs
        EXPECT_EXIT(
            {
                static_cast<void>(display::current().screenSize());
                for (int thread = 0; thread < 2; ++thread) {
                    std::thread([] {
                        for (;;)
                            static_cast<void>(display::current().screenSize());
                    }).detach();
                }
                Sleep(100);
                std::exit(0);
            },
            testing::ExitedWithCode(0), "");
}

// The libraries tear down their own state last as a process exits (libX11 its locks): the
// display thread has ended by then, whatever it was doing.
TEST(DisplayAtExit, TheDisplayThreadEndsBeforeTheLibrariesItUses) {
    if (useTestXServer().empty())
        GTEST_SKIP() << "no test X server (scripts/test starts one)";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (int run = 0; run < 3; ++run)
        EXPECT_EXIT(
            {
                // Registered before the display starts, so run after anything it registers,
                // and before the libraries' teardown: by then the thread asks no more.
                std::atexit([] {
                    const long asked = displayThreadQuestionsAsked();
                    Sleep(50);
                    if (displayThreadQuestionsAsked() != asked)
                        _exit(3);
                });
                static_cast<void>(display::current().reachable());
                keepTheDisplayThreadAskingTheServer();
                // Asking, however long a busy machine takes the display thread to start.
                if (!waitFor([] { return displayThreadQuestionsAsked() > 0; }))
                    _exit(4);
                std::exit(0);
            },
            testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace voxtrel
