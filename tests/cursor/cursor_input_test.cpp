// A cursor's input on its own thread, driven as a user would through the headless display:
// dragging, the wheel, double-clicks, drops, Escape and the property menu.
#include "cursor/cursor.h"

#include "common/process_handles.h"
#include "platform/linux/display/headless/headless_control.h"
#include "platform/linux/display/display_reports.h"
#include "tests/support/cursor_threads.h"
#include "tests/support/pictures.h"
#include "tests/support/recording_window.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <set>

namespace voxtrel {
namespace {

using namespace testing_support;
using headless::Button;

struct Rgb {
    int red, green, blue;
};

Rgb framePixel(HWND hwnd, int x, int y) {
    const auto frame = headless::lastFrame(hwnd);
    const unsigned char* pixel = &frame->bgra[(static_cast<std::size_t>(y) * frame->width + x) * 4];
    return {pixel[2], pixel[1], pixel[0]};
}

POINT frameOrigin(HWND hwnd) {
    const auto frame = headless::lastFrame(hwnd);
    return {frame->x, frame->y};
}

int frameSide(HWND hwnd) {
    return headless::lastFrame(hwnd)->width;
}

// Ends the cursor's thread, after which its fields can be read from here.
void stop(CursorThread* entry) {
    entry->quit();
    ASSERT_TRUE(waitForAllThreads());
}

class CursorInput : public testing::Test {
protected:
    void SetUp() override { prepareCursorProcess(); }
    void TearDown() override { EXPECT_TRUE(stopAllCursors()); }

    // Starts a cursor at the screen's centre and rests the pointer on its front face until a
    // frame has picked it.
    HWND startUnderPointer(CursorThread*& entry, const std::function<void(Cursor&)>& setup = {}) {
        entry = startCursor(setup);
        HWND hwnd = waitForWindow(entry);
        headless::movePointer(640, 512);
        EXPECT_TRUE(waitForMoreFrames(hwnd, 3));
        return hwnd;
    }
};

TEST_F(CursorInput, DraggingMovesTheCentreWithThePointerPastTheScreenEdges) {
    CursorThread* entry = nullptr;
    HWND hwnd = startUnderPointer(entry);
    EXPECT_EQ(frameOrigin(hwnd).x, 640 - 128);

    headless::press(Button::Left);
    ASSERT_TRUE(waitFor([&] { return GetCapture() == hwnd; }));
    EXPECT_FALSE(headless::window(hwnd)->active) << "not while the button is down";

    headless::movePointer(700, 560);
    EXPECT_TRUE(waitFor([&] { return frameOrigin(hwnd).x == 700 - 128; }));
    EXPECT_EQ(frameOrigin(hwnd).y, 560 - 128);
    // A middle click while the left button is down does not end the left button's drag.
    headless::press(Button::Middle);
    headless::release(Button::Middle);
    // Outside the window and the screen: the capture keeps the moves coming.
    headless::movePointer(-30, -40);
    EXPECT_TRUE(waitFor([&] { return frameOrigin(hwnd).x == -30 - 128; }));
    EXPECT_EQ(frameOrigin(hwnd).y, -40 - 128);

    headless::release(Button::Left);
    ASSERT_TRUE(waitFor([&] { return GetCapture() == nullptr; }));
    EXPECT_TRUE(waitFor([&] { return headless::window(hwnd)->active; }))
        << "a left click activates the cursor";
    EXPECT_EQ(GetForegroundWindow(), hwnd);
    headless::movePointer(400, 300);
    ASSERT_TRUE(waitForMoreFrames(hwnd, 3));
    EXPECT_EQ(frameOrigin(hwnd).x, -30 - 128) << "the drag ended with the release";
}

TEST_F(CursorInput, TheMiddleButtonDragsFromItsOwnPressWithoutActivating) {
    CursorThread* entry = nullptr;
    HWND hwnd = startUnderPointer(entry);
    headless::press(Button::Middle);
    ASSERT_TRUE(waitFor([&] { return GetCapture() == hwnd; }));
    headless::movePointer(600, 450);
    EXPECT_TRUE(waitFor([&] { return frameOrigin(hwnd).x == 600 - 128; }))
        << frameOrigin(hwnd).x << ": the drag starts where the middle button went down";
    EXPECT_EQ(frameOrigin(hwnd).y, 450 - 128);
    EXPECT_FALSE(headless::window(hwnd)->active);
    headless::release(Button::Middle);
    ASSERT_TRUE(waitFor([&] { return GetCapture() == nullptr; }));
}

// A window manager that drags the window itself: the centre follows the places it reports
// inside its move loop, and only there (Windows reports the program's own moves too).
TEST_F(CursorInput, TheCentreFollowsTheSystemsMoveLoopAndNoStrayMove) {
    CursorThread* entry = nullptr;
    HWND hwnd = startUnderPointer(entry);
    display::deliverManagerMoved(hwnd, {100, 90});
    ASSERT_TRUE(waitForMoreFrames(hwnd, 3));
    EXPECT_EQ(frameOrigin(hwnd).x, 640 - 128) << "a move outside the loop is not the manager's";

    display::deliverManagerMoveStart(hwnd);
    display::deliverManagerMoved(hwnd, {300, 200});
    display::deliverManagerMoved(hwnd, {310, 205});
    display::deliverManagerMoveEnd(hwnd);
    EXPECT_TRUE(waitFor([&] { return frameOrigin(hwnd).x == 310; }));
    EXPECT_EQ(frameOrigin(hwnd).y, 205);
    ASSERT_TRUE(waitForMoreFrames(hwnd, 3));
    EXPECT_EQ(frameOrigin(hwnd).x, 310) << "it stays where the manager put it";
    stop(entry);
    EXPECT_EQ(entry->cursor->centerX, 310 + 128);
    EXPECT_EQ(entry->cursor->centerY, 205 + 128);
}

TEST_F(CursorInput, TheWheelGrowsOrShrinksByOneStepPerNotch) {
    CursorThread* entry = nullptr;
    HWND hwnd = startUnderPointer(entry);
    // One step changes the scale by about 0.04 (41 pixels), a little more when the frame that
    // ends it comes late.
    auto afterStep = [&] {
        Sleep(500);
        EXPECT_TRUE(waitForMoreFrames(hwnd, 2));
        return frameSide(hwnd);
    };
    headless::wheel(0);
    const int grown = afterStep();
    EXPECT_GE(grown, 256 + 38) << "a zero delta grows";
    EXPECT_LE(grown, 256 + 60);

    headless::wheel(-120);
    Sleep(250);
    headless::wheel(-120); // within the running step: ignored, not a longer step
    const int twice = afterStep();
    EXPECT_GE(twice, grown + 38);
    EXPECT_LE(twice, grown + 55) << "the second notch was not ignored";

    headless::wheel(120);
    const int shrunk = afterStep();
    EXPECT_LE(shrunk, twice - 38);
    EXPECT_GE(shrunk, twice - 60);
}

TEST_F(CursorInput, ADroppedImageBecomesTheBackgroundOfEveryFace) {
    TempDir dir;
    const std::string image = writeSolidPicture(dir, "green picture.ppm", 64, 64, 0, 255, 0);
    CursorThread* entry = nullptr;
    HWND hwnd = startUnderPointer(entry, [](Cursor& c) { c.launcherEnabled = 0; });
    ASSERT_TRUE(headless::dropFiles({image}));
    EXPECT_TRUE(waitFor([&] {
        const Rgb centre = framePixel(hwnd, 128, 128);
        return centre.green > centre.red + 40 && centre.green > centre.blue + 40;
    })) << "the face turned green";
    stop(entry);
    EXPECT_EQ(entry->cursor->texturePath, image);
    for (const Launch& launch : entry->cursor->launches)
        EXPECT_TRUE(launch.empty()) << "no launch entry changes";
}

class CursorDrops : public CursorInput {
protected:
    void SetUp() override {
        CursorInput::SetUp();
        icon = writeSolidPicture(dir, "red.ppm", 32, 32, 255, 0, 0);
        launcher = dir.write(
            "tool with spaces é.desktop",
            "[Desktop Entry]\nType=Application\nName=Tool\nExec=true\nIcon=" + icon + "\n");
    }
    TempDir dir;
    std::string icon;
    std::string launcher;
};

TEST_F(CursorDrops, ADroppedFileBecomesTheLauncherOfTheFaceUnderThePointer) {
    CursorThread* entry = nullptr;
    HWND hwnd = startUnderPointer(entry);
    const Rgb before = framePixel(hwnd, 128, 128);
    EXPECT_LT(before.red, before.green + 20) << "no red icon yet";
    ASSERT_TRUE(headless::dropFiles({launcher}));
    EXPECT_TRUE(waitFor([&] {
        const Rgb inset = framePixel(hwnd, 128, 128);
        return inset.red > inset.green + 40;
    })) << "the inset of the face shows the file's icon";
    stop(entry);
    EXPECT_EQ(entry->cursor->launches[0].path, launcher) << "the front face at the start";
    for (int slot = 1; slot < SLOT_COUNT_MAX; ++slot)
        EXPECT_TRUE(entry->cursor->launches[slot].empty()) << slot;
    EXPECT_TRUE(entry->cursor->texturePath.empty());
}

// A pipe, named like a picture, would keep an image load waiting without end: it becomes the
// face's launcher at once, and one saved as the background leaves the faces plain.
TEST_F(CursorDrops, APipeIsNeverReadAsAnImage) {
    const std::string pipe = dir.path() + "/waiting.png";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    CursorThread* entry = nullptr;
    HWND hwnd = startUnderPointer(entry, [&](Cursor& c) { c.texturePath = pipe; });
    ASSERT_TRUE(headless::dropFiles({pipe}));
    ASSERT_TRUE(waitForMoreFrames(hwnd, 3)) << "the cursor goes on drawing";
    stop(entry);
    EXPECT_EQ(entry->cursor->launches[0].path, pipe);
    EXPECT_EQ(entry->cursor->texturePath, pipe) << "the saved background stays as it was";
}

TEST_F(CursorDrops, OfSeveralFilesOnlyTheFirstCountsAndItsWholePathIsKept) {
    const std::string image = writeSolidPicture(dir, "green.ppm", 8, 8, 0, 255, 0);
    // Far longer than the 260 characters of a Windows path buffer.
    const std::string deep = dir.write(std::string(120, 'a') + "/" + std::string(120, 'b') + "/" +
                                           std::string(120, 'c') + ".txt",
                                       "text");
    CursorThread* entry = nullptr;
    HWND hwnd = startUnderPointer(entry);
    ASSERT_TRUE(headless::dropFiles({deep, image, launcher}));
    ASSERT_TRUE(waitForMoreFrames(hwnd, 3));
    stop(entry);
    EXPECT_EQ(entry->cursor->launches[0].path, deep);
    EXPECT_TRUE(entry->cursor->texturePath.empty()) << "the image came second";
}

TEST_F(CursorDrops, BesideTheSolidADropReachesNoCursor) {
    CursorThread* entry = nullptr;
    HWND hwnd = startUnderPointer(entry);
    headless::movePointer(640 - 125, 512 - 125); // the window's key-coloured corner
    ASSERT_TRUE(waitForMoreFrames(hwnd, 2));
    EXPECT_FALSE(headless::dropFiles({launcher}));
    stop(entry);
    for (const Launch& launch : entry->cursor->launches)
        EXPECT_TRUE(launch.empty());
}

TEST_F(CursorDrops, AFileDroppedWhileNoFaceIsUnderTheMouseChangesNothing) {
    Cursor cursor;
    ASSERT_TRUE(cursor.create());
    // The pointer rests away from the solid, so every frame finds no face under it.
    ASSERT_TRUE(display::deliverDrop(cursor.hwnd, {launcher}, POINT{640, 512}));
    pumpMessages();
    EXPECT_FALSE(cursor.hover);
    for (const Launch& launch : cursor.launches)
        EXPECT_TRUE(launch.empty());
}

// Double-clicks open entries through GIO's default application of a private XDG data folder,
// whose handler records the path it was given.
class CursorOpen : public CursorInput {
protected:
    static void SetUpTestSuite() {
        xdg = new TempDir;
        const std::string recorder =
            xdg->write("recorder.sh",
                       "#!/bin/sh\nprintf '%s' \"$1\" > \"$(dirname \"$0\")/received.part\" && "
                       "mv \"$(dirname \"$0\")/received.part\" \"$(dirname \"$0\")/received\"\n",
                       true);
        makeDefaultTextHandler(*xdg, recorder);
    }
    static void TearDownTestSuite() {
        delete xdg;
        xdg = nullptr;
    }
    static inline TempDir* xdg = nullptr;
};

TEST_F(CursorOpen, ADoubleClickOnAFaceOpensThatFacesEntry) {
    const std::string front = xdg->write("front notes.txt", "front\n");
    const std::string side = xdg->write("side.txt", "side\n");
    CursorThread* entry = nullptr;
    startUnderPointer(entry, [&](Cursor& c) {
        c.launches[0].assign(front.c_str());
        c.launches[1].assign(side.c_str());
    });
    headless::click(Button::Left);
    headless::click(Button::Left);
    EXPECT_EQ(waitForFile(xdg->path() + "/received").value_or("nothing"), front);
}

TEST_F(CursorOpen, BesideTheSolidADoubleClickReachesTheWindowUnderneath) {
    const std::string front = xdg->write("front.txt", "front\n");
    CursorThread* entry = nullptr;
    HWND hwnd = startUnderPointer(entry, [&](Cursor& c) { c.launches[0].assign(front.c_str()); });
    HWND below = createRecordingWindow(0, nullptr, CS_DBLCLKS, {500, 370, 560, 420});
    ShowWindow(below, SW_SHOWNOACTIVATE);
    headless::movePointer(515, 387); // the cursor's key-coloured corner, over `below`
    ASSERT_TRUE(waitForMoreFrames(hwnd, 2));
    ASSERT_EQ(headless::windowAt(515, 387), below);
    clearRecorded();
    headless::click(Button::Left);
    headless::click(Button::Left);
    pumpMessages();
    const auto messages = recordedMessages({WM_MOUSEMOVE});
    EXPECT_NE(std::find(messages.begin(), messages.end(), WM_LBUTTONDBLCLK), messages.end());
    Sleep(300);
    EXPECT_FALSE(readFile(xdg->path() + "/received").has_value()) << "no entry was opened";
}

TEST_F(CursorOpen, ADoubleClickWithNoFaceUnderTheMouseOpensNothing) {
    const std::string front = xdg->write("front.txt", "front\n");
    Cursor cursor;
    cursor.launches[0].assign(front.c_str());
    ASSERT_TRUE(cursor.create());
    cursor.hover = false;
    cursor.hoverSlot = 0;
    cursor.handleMessage(cursor.hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(128, 128));
    Sleep(300);
    EXPECT_FALSE(readFile(xdg->path() + "/received").has_value());
    cursor.hover = true;
    cursor.handleMessage(cursor.hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(128, 128));
    EXPECT_EQ(waitForFile(xdg->path() + "/received").value_or("nothing"), front);
}

// The menu item with `id`, searched through submenus.
const display::MenuItemView* findItem(const std::vector<display::MenuItemView>& items, UINT id) {
    for (const auto& item : items) {
        if (item.id == id && item.submenu.empty())
            return &item;
        if (const auto* inner = findItem(item.submenu, id))
            return inner;
    }
    return nullptr;
}

bool checked(const display::MenuRequest& menu, UINT id) {
    const auto* item = findItem(menu.items, id);
    return item != nullptr && (item->state & MF_CHECKED) != 0;
}
bool greyed(const display::MenuRequest& menu, UINT id) {
    const auto* item = findItem(menu.items, id);
    return item != nullptr && (item->state & MF_GRAYED) != 0;
}

class PropertyMenu : public CursorInput {
protected:
    display::MenuRequest openMenu() {
        headless::click(Button::Right);
        auto menu = headless::waitForMenu();
        EXPECT_TRUE(menu.has_value());
        return menu.value_or(display::MenuRequest{});
    }
};

TEST_F(PropertyMenu, ShowsTheMarksOfTheCursorThatOpenedIt) {
    CursorThread* entry = nullptr;
    HWND hwnd = startUnderPointer(entry, [](Cursor& c) {
        c.alphaBlend = 0;
        c.launcherEnabled = 1;
        c.bgTextureEnabled = 0;
        c.onTop = 1;
        c.showInTaskbar = 1;
        c.shape = SHAPE_TETRAHEDRON;
    });
    auto menu = openMenu();
    EXPECT_EQ(menu.owner, hwnd);
    EXPECT_EQ(menu.x, 640);
    EXPECT_EQ(menu.y, 512);
    EXPECT_EQ(menu.flags, 0u);
    EXPECT_FALSE(checked(menu, IDM_ALPHABLEND));
    EXPECT_TRUE(checked(menu, IDM_LAUNCHER));
    EXPECT_FALSE(checked(menu, IDM_BG_TEXTURE));
    EXPECT_TRUE(checked(menu, IDM_ON_TOP));
    EXPECT_TRUE(checked(menu, IDM_SHOW_IN_TASKBAR));
    EXPECT_FALSE(greyed(menu, IDM_SHOW_IN_TASKBAR)) << "on, it can be switched off again";
    EXPECT_TRUE(checked(menu, IDM_SHAPE_4_SLOTS));
    EXPECT_FALSE(checked(menu, IDM_SHAPE_6_SLOTS));
    const auto* radio = findItem(menu.items, IDM_SHAPE_4_SLOTS);
    ASSERT_NE(radio, nullptr);
    EXPECT_NE(radio->state & MFT_RADIOCHECK, 0u);
    headless::answerMenu(0);
    stop(entry);

    // Another cursor with the other settings: the shared menu shows its marks.
    CursorThread* other = nullptr;
    startUnderPointer(other);
    menu = openMenu();
    EXPECT_TRUE(checked(menu, IDM_ALPHABLEND));
    EXPECT_TRUE(checked(menu, IDM_BG_TEXTURE));
    EXPECT_FALSE(checked(menu, IDM_SHOW_IN_TASKBAR));
    EXPECT_FALSE(greyed(menu, IDM_SHOW_IN_TASKBAR));
    EXPECT_TRUE(checked(menu, IDM_SHAPE_6_SLOTS));
    EXPECT_FALSE(checked(menu, IDM_SHAPE_4_SLOTS));
    headless::answerMenu(0);
}

TEST_F(PropertyMenu, CommandsChangeTheFramesAndTheWindow) {
    CursorThread* entry = nullptr;
    HWND hwnd = startUnderPointer(entry);
    EXPECT_EQ(headless::lastFrame(hwnd)->alpha, 192);

    openMenu();
    headless::answerMenu(IDM_ALPHABLEND);
    EXPECT_TRUE(waitFor([&] { return headless::lastFrame(hwnd)->alpha == 255; }));
    EXPECT_EQ(headless::lastFrame(hwnd)->flags, static_cast<DWORD>(ULW_ALPHA));

    openMenu();
    headless::answerMenu(IDM_LAUNCHER);
    EXPECT_FALSE(checked(openMenu(), IDM_LAUNCHER)) << "Launcher switched off";
    headless::answerMenu(0);

    openMenu();
    headless::answerMenu(IDM_ON_TOP);
    EXPECT_TRUE(
        waitFor([&] { return (headless::window(hwnd)->state.exStyle & WS_EX_TOPMOST) == 0; }));

    auto menu = openMenu();
    EXPECT_FALSE(checked(menu, IDM_ON_TOP));
    EXPECT_FALSE(greyed(menu, IDM_SHOW_IN_TASKBAR));
    headless::answerMenu(IDM_SHOW_IN_TASKBAR);
    EXPECT_TRUE(
        waitFor([&] { return (headless::window(hwnd)->state.exStyle & WS_EX_APPWINDOW) != 0; }));
    menu = openMenu();
    EXPECT_TRUE(checked(menu, IDM_SHOW_IN_TASKBAR));
    EXPECT_FALSE(greyed(menu, IDM_SHOW_IN_TASKBAR));
    headless::answerMenu(IDM_SHOW_IN_TASKBAR);
    EXPECT_TRUE(waitFor([&] {
        return (headless::window(hwnd)->state.exStyle & WS_EX_APPWINDOW) == 0;
    })) << "and off again";
    EXPECT_FALSE(checked(openMenu(), IDM_SHOW_IN_TASKBAR));
    headless::answerMenu(0);

    // The menu key opens the same menu at the mouse.
    ASSERT_TRUE(waitFor([&] { return headless::window(hwnd)->active; }));
    headless::key(VK_APPS);
    menu = headless::waitForMenu().value_or(display::MenuRequest{});
    EXPECT_EQ(menu.owner, hwnd);
    headless::answerMenu(IDM_SHAPE_4_SLOTS);
    ASSERT_TRUE(waitForMoreFrames(hwnd, 3));
    stop(entry);
    EXPECT_EQ(entry->cursor->shape, SHAPE_TETRAHEDRON);
    EXPECT_EQ(entry->cursor->alphaBlend, 0);
    EXPECT_EQ(entry->cursor->onTop, 0);
    EXPECT_EQ(entry->cursor->launcherEnabled, 0);
    EXPECT_EQ(entry->cursor->bgTextureEnabled, 1) << "no other setting changed with it";
    EXPECT_EQ(entry->cursor->showInTaskbar, 0);
}

// The shape switch, on a cursor of the test's own thread at rest.
TEST(ShapeSwitch, FourSlotsPickOnlySlotsZeroToThreeAndSixBringsTheOthersBack) {
    prepareCursorProcess();
    Cursor cursor;
    cursor.launches[4].assign("/left face");
    cursor.launches[5].assign("/bottom face");
    ASSERT_TRUE(cursor.create());
    RECT rect;
    GetWindowRect(cursor.hwnd, &rect);
    auto slotsSeen = [&] {
        std::set<int> slots;
        for (int y = rect.top + 8; y < rect.bottom; y += 16) {
            for (int x = rect.left + 8; x < rect.right; x += 16) {
                headless::setPointer(x, y);
                cursor.pickHover();
                if (cursor.hover)
                    slots.insert(cursor.hoverSlot);
            }
        }
        return slots;
    };
    cursor.rotation = {30, 60, 0}; // the front (0), top (2) and left (4) faces
    EXPECT_EQ(slotsSeen(), (std::set<int>{0, 2, 4}));

    cursor.onCommand(menuResource, IDM_SHAPE_4_SLOTS);
    EXPECT_EQ(cursor.shape, SHAPE_TETRAHEDRON);
    std::set<int> seen;
    for (double tilt : {-40.0, 40.0}) {
        for (double turn = 0; turn < 360; turn += 60) {
            cursor.rotation = {tilt, turn, 0};
            const auto slots = slotsSeen();
            seen.insert(slots.begin(), slots.end());
        }
    }
    EXPECT_EQ(seen, (std::set<int>{0, 1, 2, 3}));

    cursor.onCommand(menuResource, IDM_SHAPE_6_SLOTS);
    cursor.rotation = {30, 60, 0};
    EXPECT_EQ(slotsSeen(), (std::set<int>{0, 2, 4}));
    EXPECT_EQ(cursor.launches[4].path, "/left face");
    EXPECT_EQ(cursor.launches[5].path, "/bottom face");
    EXPECT_EQ(GetMenuState(menuResource, IDM_SHAPE_6_SLOTS, MF_BYCOMMAND) & MF_CHECKED,
              static_cast<UINT>(MF_CHECKED));

    // The Shape menu offers each solid of the table, in its order, and each gives its faces.
    HMENU shapes = GetSubMenu(GetSubMenu(menuResource, 1), 0);
    ASSERT_EQ(GetMenuItemCount(shapes), SHAPE_COUNT);
    for (int row = 0; row < SHAPE_COUNT; ++row) {
        EXPECT_EQ(GetMenuItemID(shapes, row), SHAPES[row].command);
        cursor.onCommand(menuResource, static_cast<WORD>(SHAPES[row].command));
        ASSERT_NE(cursor.mesh, nullptr);
        EXPECT_EQ(cursor.mesh->faceCount, SHAPES[row].faces);
    }
}

} // namespace
} // namespace voxtrel
