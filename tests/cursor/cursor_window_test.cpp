// A cursor with its window, surface and context on the headless display: its frames, its
// picking and its textures.
#include "cursor/cursor.h"

#include "platform/linux/display/headless/headless_control.h"
#include "platform/linux/gdi/gdi_control.h"
#include "render/image_library.h"
#include "tests/support/pictures.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

namespace voxtrel {
namespace {

using testing_support::TempDir;

struct Rgb {
    int red, green, blue;
};

// A window pixel, counted from the window's top-left, as the surface's DIB holds it; with
// `flush` false, as the last flush left it.
Rgb surfacePixel(const Cursor& cursor, int x, int y, bool flush = true) {
    if (flush)
        GdiFlush();
    const int stride = cursor.surfaceWidth * 4; // 32-bit pixels
    const auto* row = static_cast<const unsigned char*>(cursor.bits) +
                      static_cast<long>(cursor.surfaceHeight - 1 - y) * stride;
    return {row[x * 4 + 2], row[x * 4 + 1], row[x * 4]};
}

Rgb framePixel(const display::LayeredFrame& frame, int x, int y) {
    const unsigned char* pixel = &frame.bgra[(static_cast<std::size_t>(y) * frame.width + x) * 4];
    return {pixel[2], pixel[1], pixel[0]};
}

bool isGrey(const Rgb& c) {
    return std::abs(c.red - c.green) < 8 && std::abs(c.green - c.blue) < 8 && c.red > 20;
}

DWORD WINAPI runCursor(LPVOID parameter) {
    auto* cursor = static_cast<Cursor*>(parameter);
    cursor->create();
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

// Runs `cursor` on a thread of its own; returns once its window exists.
HANDLE startCursor(Cursor& cursor, DWORD& id) {
    HANDLE thread = CreateThread(nullptr, 0, runCursor, &cursor, 0, &id);
    while (IsWindow(cursor.hwnd) == FALSE)
        Sleep(1);
    return thread;
}

class CursorWindow : public testing::Test {
protected:
    void SetUp() override {
        initImageLibrary();
        headless::setScreenSize(1280, 1024);
        headless::setPointer(5, 5); // away from every cursor
    }
};

TEST_F(CursorWindow, ACursorOnItsOwnThreadProducesTransparentBackedTranslucentFrames) {
    Cursor cursor;
    DWORD id = 0;
    HANDLE thread = startCursor(cursor, id);
    ASSERT_TRUE(headless::waitForFrames(cursor.hwnd, 3));
    const auto frame = headless::lastFrame(cursor.hwnd);
    EXPECT_EQ(frame->x, 512);
    EXPECT_EQ(frame->y, 384);
    EXPECT_EQ(frame->width, 256);
    EXPECT_EQ(frame->height, 256);
    EXPECT_EQ(frame->flags, static_cast<DWORD>(ULW_ALPHA));
    EXPECT_EQ(frame->alpha, 192);

    const Rgb corner = framePixel(*frame, 1, 1);
    EXPECT_EQ(corner.red + corner.green + corner.blue, 0) << "premultiplied";
    EXPECT_EQ(frame->bgra[7], 0) << "the backdrop is fully transparent";
    const Rgb middle = framePixel(*frame, 128, 128);
    EXPECT_TRUE(isGrey(middle)) << middle.red << "," << middle.green << "," << middle.blue
                                << ": the lit, untextured solid";
    EXPECT_EQ(frame->bgra[(128 * 256 + 128) * 4 + 3], 255);

    // For a look at the picture: VOXTREL_TEST_DUMP_DIR=<folder> keeps the frame as a PNG.
    if (const char* dumpDir = std::getenv("VOXTREL_TEST_DUMP_DIR")) {
        EXPECT_TRUE(headless::dumpFrame(cursor.hwnd, std::string(dumpDir) + "/cursor-frame.png"));
    }

    const auto window = headless::window(cursor.hwnd);
    EXPECT_TRUE(window->state.visible);
    EXPECT_EQ(window->state.exStyle, 0x08080018u);
    PostThreadMessageA(id, WM_QUIT, 0, 0);
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
}

// Waits until the last frame of `hwnd` satisfies `condition`.
bool frameShows(HWND hwnd, const std::function<bool(const display::LayeredFrame&)>& condition) {
    for (std::uint64_t count = 1; count < 400; ++count) {
        if (!headless::waitForFrames(hwnd, count))
            return false;
        if (condition(*headless::lastFrame(hwnd)))
            return true;
    }
    return false;
}

TEST_F(CursorWindow, OnAScreenOfTwiceTheDensityTheWindowIsTwiceAsLargeAroundTheSameCentre) {
    headless::setDotsPerInch(192);
    Cursor cursor;
    DWORD id = 0;
    HANDLE thread = startCursor(cursor, id);
    ASSERT_TRUE(headless::waitForFrames(cursor.hwnd, 3));
    const auto frame = headless::lastFrame(cursor.hwnd);
    EXPECT_EQ(frame->x, 640 - 256);
    EXPECT_EQ(frame->y, 512 - 256);
    EXPECT_EQ(frame->width, 512);
    EXPECT_EQ(frame->height, 512);
    EXPECT_TRUE(isGrey(framePixel(*frame, 256, 256))) << "the solid fills the larger window";
    EXPECT_EQ(frame->bgra[(2 * 512 + 2) * 4 + 3], 0) << "and its corners stay transparent";
    {
        std::lock_guard<std::mutex> guard(cursor.savedFieldsLock);
        EXPECT_EQ(cursor.width, 256) << "the saved size is the size at the usual density";
        EXPECT_EQ(cursor.height, 256);
    }

    // Windows tells of a monitor of the usual density.
    PostMessageA(cursor.hwnd, WM_DPICHANGED, MAKEWPARAM(96, 96), 0);
    EXPECT_TRUE(frameShows(cursor.hwnd, [](const display::LayeredFrame& shown) {
        return shown.width == 256 && shown.x == 512 && shown.y == 384;
    })) << "the usual size, around the same centre";
    // A monitor that claims an absurd density gets four times the size at most, half at least.
    PostMessageA(cursor.hwnd, WM_DPICHANGED, MAKEWPARAM(1920, 1920), 0);
    EXPECT_TRUE(frameShows(cursor.hwnd, [](const display::LayeredFrame& shown) {
        return shown.width == 1024 && shown.x == 640 - 512;
    })) << "four times at most";
    PostMessageA(cursor.hwnd, WM_DPICHANGED, MAKEWPARAM(12, 12), 0);
    EXPECT_TRUE(frameShows(cursor.hwnd, [](const display::LayeredFrame& shown) {
        return shown.width == 128 && shown.x == 640 - 64;
    })) << "half at least";
    PostThreadMessageA(id, WM_QUIT, 0, 0);
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    headless::setDotsPerInch(96);
}

TEST_F(CursorWindow, WithoutAlphaBlendTheFramesAreOpaqueAndTheClassIsRegisteredOnce) {
    Cursor first;
    first.alphaBlend = 0;
    DWORD firstId = 0;
    HANDLE firstThread = startCursor(first, firstId);
    ASSERT_TRUE(headless::waitForFrames(first.hwnd, 2));
    EXPECT_EQ(headless::lastFrame(first.hwnd)->alpha, 255);
    const ATOM atom = cursorClassAtom;
    EXPECT_NE(atom, 0);

    Cursor second;
    second.centerX = 300;
    DWORD secondId = 0;
    HANDLE secondThread = startCursor(second, secondId);
    ASSERT_TRUE(headless::waitForFrames(second.hwnd, 2));
    EXPECT_EQ(cursorClassAtom, atom) << "the class is not registered again";
    EXPECT_EQ(headless::lastFrame(second.hwnd)->x, 300 - 128);
    // Each thread's context draws: the second cursor's solid is there too.
    const Rgb secondMiddle = framePixel(*headless::lastFrame(second.hwnd), 128, 128);
    EXPECT_TRUE(isGrey(secondMiddle))
        << secondMiddle.red << "," << secondMiddle.green << "," << secondMiddle.blue;

    PostThreadMessageA(firstId, WM_QUIT, 0, 0);
    PostThreadMessageA(secondId, WM_QUIT, 0, 0);
    HANDLE both[] = {firstThread, secondThread};
    EXPECT_EQ(WaitForMultipleObjectsEx(2, both, TRUE, 10000, FALSE), WAIT_OBJECT_0);
}

// The picking tests create the cursor on the test thread and drive the passes by hand, with
// the solid at rest.
TEST_F(CursorWindow, PickingFindsTheFrontFaceAndNothingOnTheBackdrop) {
    Cursor cursor;
    cursor.create();
    RECT rect;
    GetWindowRect(cursor.hwnd, &rect);
    const int centreX = (rect.left + rect.right) / 2;
    const int centreY = (rect.top + rect.bottom) / 2;

    headless::setPointer(centreX, centreY);
    cursor.pickHover();
    EXPECT_TRUE(cursor.hover);
    EXPECT_EQ(cursor.hoverSlot, 0) << "the cube's +z face looks at the viewer";

    headless::setPointer(rect.left + 2, rect.top + 2);
    cursor.pickHover();
    EXPECT_FALSE(cursor.hover) << "the blue backdrop";
    EXPECT_EQ(cursor.hoverSlot, 0);

    // Outside the window no pass runs: the pick point and slot stay as they were.
    cursor.hoverSlot = 4;
    cursor.pickX = -1;
    headless::setPointer(rect.right + 1, centreY);
    cursor.pickHover();
    EXPECT_FALSE(cursor.hover);
    EXPECT_EQ(cursor.hoverSlot, 4);
    EXPECT_EQ(cursor.pickX, -1);

    // The right and bottom edges count as inside.
    headless::setPointer(rect.right, rect.bottom);
    cursor.pickHover();
    EXPECT_EQ(cursor.pickX, 256);
    ASSERT_EQ(cursor.surfaceHeight, 256) << "a 256-pixel cursor holds a 256-pixel surface";
    EXPECT_EQ(cursor.pickY, 0) << "counted up from the surface's bottom row";
    EXPECT_EQ(cursor.hoverSlot, 4);

    cursor.shape = SHAPE_TETRAHEDRON;
    cursor.chooseMesh();
    headless::setPointer(centreX, centreY + 40);
    cursor.pickHover();
    EXPECT_TRUE(cursor.hover);
    EXPECT_TRUE(cursor.hoverSlot == 0 || cursor.hoverSlot == 2 || cursor.hoverSlot == 3)
        << "a front face of the tetrahedron, not " << cursor.hoverSlot;
}

TEST_F(CursorWindow, AnUnknownShapeIsDrawnAsTheCubeAndKeepsItsValue) {
    Cursor cursor;
    cursor.shape = 12345;
    cursor.create();
    EXPECT_EQ(cursor.mesh, cursor.meshes[shapeIndex(SHAPE_CUBE)].get());
    EXPECT_EQ(cursor.shape, 12345u);
}

TEST_F(CursorWindow, SlotIconsAndTheBackgroundImageShowOnTheFaces) {
    TempDir dir;
    const std::string icon = testing_support::writeSolidPicture(dir, "red.ppm", 32, 32, 255, 0, 0);
    const std::string launcher =
        dir.write("tool.desktop",
                  "[Desktop Entry]\nType=Application\nName=Tool\nExec=true\nIcon=" + icon + "\n");
    const std::string background =
        testing_support::writeSolidPicture(dir, "green.ppm", 64, 64, 0, 255, 0);

    Cursor cursor;
    cursor.launches[0].assign(launcher.c_str());
    cursor.texturePath = background;
    cursor.create();
    ASSERT_NE(cursor.bgTexture, 0u);

    // Face 0 at rest covers about 84 pixels either side of the centre, its inset about 63.
    auto inset = [&] { return surfacePixel(cursor, 128, 128); };
    auto faceBorder = [&] { return surfacePixel(cursor, 128 + 74, 128); };
    cursor.render(false);
    glFinish();
    EXPECT_GT(inset().red, inset().green + 40) << "the icon, red";
    EXPECT_GT(faceBorder().green, faceBorder().red + 40) << "the background, green";

    cursor.bgTextureEnabled = 0;
    cursor.render(false);
    EXPECT_TRUE(isGrey(faceBorder())) << "plain lit grey without the background";

    cursor.launcherEnabled = 0;
    cursor.bgTextureEnabled = 1;
    cursor.render(false);
    EXPECT_GT(inset().green, inset().red + 40) << "no insets: the background everywhere";

    // A slot whose path has no icon keeps its picture.
    cursor.launches[0].assign((dir.path() + "/gone.txt").c_str());
    cursor.loadSlotIcon(0);
    cursor.launcherEnabled = 1;
    cursor.render(false);
    EXPECT_GT(inset().red, inset().green + 40);

    // A cursor made as the program makes it, whose front slot is empty and whose next one
    // names no file with an icon: no inset shows, only the face beneath, background included.
    Cursor empty;
    empty.launches[1].assign((dir.path() + "/gone.txt").c_str());
    empty.texturePath = background;
    empty.create();
    empty.render(false);
    glFinish();
    const Rgb face = surfacePixel(empty, 128, 128);
    EXPECT_GT(face.green, face.red + 40) << "the background, not a grey square";
}

TEST_F(CursorWindow, ApplyStyleBringsTheWindowInLineWithItsSettings) {
    Cursor cursor;
    cursor.create();
    cursor.onTop = 0;
    cursor.showInTaskbar = 1;
    cursor.applyStyle();
    const auto window = headless::window(cursor.hwnd);
    EXPECT_EQ(window->state.exStyle, 0x080C0010u);
    EXPECT_TRUE(window->state.visible);
    EXPECT_FALSE(window->state.minimized);
    cursor.onTop = 1;
    cursor.applyStyle();
    EXPECT_EQ(GetWindowLongA(cursor.hwnd, GWL_EXSTYLE), 0x080C0018);
}

// Drivers draw into bitmaps differently: Windows' software renderer keeps no alpha, some keep
// red in the lowest byte. Every frame shows the same solid on a transparent backdrop.
TEST_F(CursorWindow, WhateverPixelFormatTheDriverHasTheFramesShowTheSameSolid) {
    TempDir dir;
    const std::string background =
        testing_support::writeSolidPicture(dir, "green.ppm", 64, 64, 0, 255, 0);
    const std::pair<bool, bool> formats[] = {
        {true, false}, {false, false}, {true, true}, {false, true}};
    for (const auto& [alpha, redFirst] : formats) {
        gdi::simulatePixelFormat(alpha, redFirst);
        Cursor cursor;
        cursor.texturePath = background;
        DWORD id = 0;
        HANDLE thread = startCursor(cursor, id);
        ASSERT_TRUE(headless::waitForFrames(cursor.hwnd, 2));
        const auto frame = headless::lastFrame(cursor.hwnd);
        const std::string format =
            std::string(alpha ? "alpha" : "no alpha") + (redFirst ? ", red first" : ", blue first");
        EXPECT_EQ(std::vector<int>(frame->bgra.begin() + 4, frame->bgra.begin() + 8),
                  (std::vector<int>{0, 0, 0, 0}))
            << format << ": a transparent backdrop";
        const std::size_t middle = (128 * 256 + 128) * 4;
        EXPECT_EQ(frame->bgra[middle + 3], 255) << format << ": an opaque solid";
        const Rgb face = framePixel(*frame, 128 + 74, 128); // beside the inset
        EXPECT_GT(face.green, face.red + 40) << format << ": the green background stays green";
        EXPECT_GT(face.green, face.blue + 40) << format;
        PostThreadMessageA(id, WM_QUIT, 0, 0);
        EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    }
    gdi::simulatePixelFormat(true, false);
}

TEST_F(CursorWindow, AMissingBackgroundLeavesThePlainMaterial) {
    Cursor cursor;
    cursor.texturePath = "/nonexistent/picture.png";
    cursor.create();
    EXPECT_EQ(cursor.bgTexture, 0u);
    cursor.render(false);
    EXPECT_TRUE(isGrey(surfacePixel(cursor, 128 + 74, 128)));
}

// The four quarters of a test picture: red, green / yellow, white.
constexpr testing_support::PictureColor kQuarters[4] = {
    {255, 0, 0}, {0, 255, 0}, {255, 255, 0}, {255, 255, 255}};

enum class Hue { Red, Green, Yellow, White, Other };
Hue hueOf(const Rgb& c) {
    const bool r = c.red > 90, g = c.green > 90, b = c.blue > 90;
    if (r && !g && !b)
        return Hue::Red;
    if (!r && g && !b)
        return Hue::Green;
    if (r && g && !b)
        return Hue::Yellow;
    if (r && g && b)
        return Hue::White;
    return Hue::Other;
}

TEST_F(CursorWindow, PicturesKeepTheirOrientationOnFacesAndInsets) {
    TempDir dir;
    const std::string picture = testing_support::writeQuarteredPicture(dir, "q.ppm", 64, kQuarters);
    const std::string launcher = dir.write(
        "tool.desktop",
        "[Desktop Entry]\nType=Application\nName=Tool\nExec=true\nIcon=" + picture + "\n");
    Cursor cursor;
    cursor.texturePath = picture;
    cursor.launches[0].assign(launcher.c_str());
    cursor.create();
    cursor.render(false);
    glFinish();
    // Face 0 at rest spans about 84 pixels either side of the centre, its inset about 63.
    const int face = 74, inset = 40;
    auto at = [&](int dx, int dy) { return hueOf(surfacePixel(cursor, 128 + dx, 128 + dy)); };
    const Hue faceCorners[4] = {at(-face, -face), at(face, -face), at(-face, face), at(face, face)};
    const Hue insetCorners[4] = {at(-inset, -inset), at(inset, -inset), at(-inset, inset),
                                 at(inset, inset)};
    // The icon stands upright on its inset; the background runs the other way in t, so on the
    // front face at rest it shows top to bottom mirrored.
    EXPECT_EQ(insetCorners[0], Hue::Red);
    EXPECT_EQ(insetCorners[1], Hue::Green);
    EXPECT_EQ(insetCorners[2], Hue::Yellow);
    EXPECT_EQ(insetCorners[3], Hue::White);
    EXPECT_EQ(faceCorners[0], Hue::Yellow);
    EXPECT_EQ(faceCorners[1], Hue::White);
    EXPECT_EQ(faceCorners[2], Hue::Red);
    EXPECT_EQ(faceCorners[3], Hue::Green);
}

TEST_F(CursorWindow, OnlyTheHoveredFaceIsHighlighted) {
    Cursor cursor;
    cursor.create();
    cursor.rotation = {25, 40, 0}; // three faces in sight
    auto picture = [&] {
        cursor.render(false);
        glFinish();
        GdiFlush();
        std::vector<Rgb> pixels;
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x)
                pixels.push_back(surfacePixel(cursor, x, y, false));
        return pixels;
    };
    cursor.hover = false;
    const auto plain = picture();
    std::vector<std::set<int>> changed(SLOT_COUNT_MAX);
    for (int slot = 0; slot < SLOT_COUNT_MAX; ++slot) {
        cursor.hover = true;
        cursor.hoverSlot = slot;
        const auto lit = picture();
        for (int i = 0; i < static_cast<int>(lit.size()); ++i) {
            const int difference = std::abs(lit[i].red - plain[i].red) +
                                   std::abs(lit[i].green - plain[i].green) +
                                   std::abs(lit[i].blue - plain[i].blue);
            if (difference > 6)
                changed[slot].insert(i);
        }
    }
    int litFaces = 0;
    for (int a = 0; a < SLOT_COUNT_MAX; ++a) {
        litFaces += changed[a].empty() ? 0 : 1;
        for (int b = a + 1; b < SLOT_COUNT_MAX; ++b) {
            int shared = 0;
            for (int i : changed[a])
                shared += static_cast<int>(changed[b].count(i));
            EXPECT_EQ(shared, 0) << "slots " << a << " and " << b << " both light the same pixels";
        }
    }
    // A face lit by every hover would show up in every slot's set above.
    EXPECT_GE(litFaces, 1) << "a highlight shows at all";
}

} // namespace
} // namespace voxtrel
