// Layered updates: one call places the window and hands the backend the shown block of the
// OpenGL surface, key-coloured pixels transparent to sight and to the mouse.
#include "platform/win32.h"

#include "platform/linux/display/frame_pixels.h"
#include "platform/linux/display/headless/headless_control.h"
#include "platform/linux/gdi/gdi_control.h"
#include "tests/support/gl_surface.h"
#include "tests/support/recording_window.h"
#include "tests/support/temp_dir.h"

#include <cstring>
#include <random>
#include <GL/gl.h>
#include <gtest/gtest.h>

namespace {

using namespace voxtrel::testing_support;
namespace headless = voxtrel::headless;

constexpr COLORREF kBlueKey = 0x00FF0000;

// Blue over the whole surface, a red square in the middle of the top-left 256 x 256 block.
void drawSquareInBlock(const GlSurface& surface) {
    glViewport(0, surface.side - 256, 256, 256);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3d(0, 0, 1);
    glRectd(-1, -1, 1, 1);
    glColor3d(1, 0, 0);
    glRectd(-0.5, -0.5, 0.5, 0.5);
    glFinish();
}

TEST(LayeredWindow, UpdatePlacesTheWindowAndKeysTheBlueAway) {
    GlSurface surface;
    HWND hwnd = createRecordingWindow(WS_EX_LAYERED, nullptr, 0, {640, 512, 896, 768});
    ShowWindow(hwnd, SW_SHOW);
    drawSquareInBlock(surface);

    POINT position{512, 384};
    SIZE size{256, 256};
    POINT origin{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 192, 0};
    ASSERT_TRUE(UpdateLayeredWindow(hwnd, nullptr, &position, &size, surface.dc, &origin, kBlueKey,
                                    &blend, ULW_COLORKEY | ULW_ALPHA));

    RECT rect;
    GetWindowRect(hwnd, &rect);
    EXPECT_EQ(rect.left, 512);
    EXPECT_EQ(rect.top, 384);
    EXPECT_EQ(rect.right, 768);
    EXPECT_EQ(rect.bottom, 640);

    auto frame = headless::lastFrame(hwnd);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->x, 512);
    EXPECT_EQ(frame->y, 384);
    EXPECT_EQ(frame->width, 256);
    EXPECT_EQ(frame->height, 256);
    EXPECT_EQ(frame->flags, 3u);
    EXPECT_EQ(frame->alpha, 192);
    auto at = [&](int x, int y) {
        return &frame->bgra[(static_cast<std::size_t>(y) * 256 + x) * 4];
    };
    EXPECT_EQ(at(128, 128)[2], 255) << "red in the middle";
    EXPECT_EQ(at(128, 128)[3], 255);
    const std::uint8_t keyedAway[4] = {0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(at(2, 2), keyedAway, 4), 0)
        << "the blue corner keyed away: wholly transparent, premultiplied";

    // The shape is the red square: rows 64 to 191, columns 64 to 191.
    ASSERT_EQ(frame->shape.size(), 128u);
    EXPECT_EQ(frame->shape.front().y, 64);
    EXPECT_EQ(frame->shape.front().x0, 64);
    EXPECT_EQ(frame->shape.front().x1, 192);

    // The mouse reaches the window on the solid, and passes through beside it.
    EXPECT_EQ(headless::windowAt(512 + 128, 384 + 128), hwnd);
    EXPECT_EQ(headless::windowAt(512 + 5, 384 + 5), nullptr);

    // The DIB memory holds the drawing too, once flushed, as on Windows.
    GdiFlush();
    EXPECT_EQ(surface.pixel(128, 128)[2], 255);
    EXPECT_EQ(surface.pixel(2, 2)[0], 255);
}

TEST(LayeredWindow, WithoutAlphaTheFlagsAreOneAndTheWindowIsOpaque) {
    GlSurface surface;
    HWND hwnd = createRecordingWindow(WS_EX_LAYERED);
    ShowWindow(hwnd, SW_SHOW);
    drawSquareInBlock(surface);
    POINT position{0, 0};
    SIZE size{102, 102};
    POINT origin{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 192, 0};
    ASSERT_TRUE(UpdateLayeredWindow(hwnd, nullptr, &position, &size, surface.dc, &origin, kBlueKey,
                                    &blend, ULW_COLORKEY));
    auto frame = headless::lastFrame(hwnd);
    EXPECT_EQ(frame->flags, 1u);
    EXPECT_EQ(frame->alpha, 255);
    EXPECT_EQ(frame->width, 102);

    TempDir dir;
    EXPECT_TRUE(headless::dumpFrame(hwnd, dir.path() + "/frame.png"));
    EXPECT_TRUE(readFile(dir.path() + "/frame.png").has_value());
}

TEST(LayeredWindow, ReadingRowsBottomUpGivesTheSameFrame) {
    GlSurface surface;
    HWND hwnd = createRecordingWindow(WS_EX_LAYERED);
    drawSquareInBlock(surface);
    POINT position{0, 0};
    SIZE size{256, 256};
    POINT origin{0, 0};
    ASSERT_TRUE(UpdateLayeredWindow(hwnd, nullptr, &position, &size, surface.dc, &origin, kBlueKey,
                                    nullptr, ULW_COLORKEY));
    const auto topDown = headless::lastFrame(hwnd);
    voxtrel::gdi::allowPackInvert(false);
    ASSERT_TRUE(UpdateLayeredWindow(hwnd, nullptr, &position, &size, surface.dc, &origin, kBlueKey,
                                    nullptr, ULW_COLORKEY));
    voxtrel::gdi::allowPackInvert(true);
    const auto bottomUp = headless::lastFrame(hwnd);
    ASSERT_NE(topDown, bottomUp);
    EXPECT_TRUE(topDown->bgra == bottomUp->bgra);
    EXPECT_EQ(topDown->shape.size(), bottomUp->shape.size());
    EXPECT_EQ(bottomUp->shape.front().y, 64);
}

TEST(LayeredWindow, OnlyLayeredWindowsTakeLayeredUpdates) {
    GlSurface surface(64);
    HWND plain = createRecordingWindow(0);
    SIZE size{10, 10};
    EXPECT_FALSE(UpdateLayeredWindow(plain, nullptr, nullptr, &size, surface.dc, nullptr, kBlueKey,
                                     nullptr, ULW_COLORKEY));
    EXPECT_EQ(headless::lastFrame(plain), nullptr);
}

} // namespace

namespace {

TEST(LayeredWindow, ABitmapWithoutOpenGlIsReadFromItsMemoryAndOnlyWhereItExists) {
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 4;
    info.bmiHeader.biHeight = 2; // bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* memory = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
    SelectObject(dc, bitmap);
    auto* bytes = static_cast<unsigned char*>(memory);
    // Stored bottom row first, 12 bytes a row: the bottom row blue (the key), the top row red.
    for (int x = 0; x < 4; ++x) {
        bytes[x * 3] = 255;
        bytes[12 + x * 3 + 2] = 255;
    }
    HWND hwnd = voxtrel::testing_support::createRecordingWindow(WS_EX_LAYERED);
    SIZE size{6, 3}; // larger than the bitmap: the rest is black, and shown
    POINT origin{0, 0};
    ASSERT_TRUE(UpdateLayeredWindow(hwnd, nullptr, nullptr, &size, dc, &origin, 0x00FF0000, nullptr,
                                    ULW_COLORKEY));
    auto frame = voxtrel::headless::lastFrame(hwnd);
    ASSERT_EQ(frame->width, 6);
    EXPECT_EQ(frame->bgra[2], 255) << "top-left red";
    EXPECT_EQ(frame->bgra[3], 255);
    EXPECT_EQ(frame->bgra[(1 * 6 + 0) * 4 + 3], 0) << "the blue row keyed away";
    EXPECT_EQ(frame->bgra[(0 * 6 + 5) * 4 + 3], 255) << "beyond the bitmap: black, shown";
    ASSERT_EQ(frame->shape.size(), 3u);
    EXPECT_EQ(frame->shape[0].x1, 6);
    EXPECT_EQ(frame->shape[1].y, 1);
    EXPECT_EQ(frame->shape[1].x0, 4);
    DeleteDC(dc);
    DeleteObject(bitmap);
}

// Frames of every width from 1 to 37 with runs of every length, hidden by the key, by alpha 0 or
// by both, finished into a target with wider rows and in place: each pixel and each run of the
// shape as a plain pixel-by-pixel reading says, whichever of four pixels a run starts or ends on.
TEST(LayeredWindow, FinishingAFrameHidesExactlyTheKeyedOrClearPixelsOnEveryRunBoundary) {
    std::mt19937 random(7);
    constexpr std::uint32_t kKeyPixel = 0x000000FFu; // kBlueKey as B, G, R, A bytes, alpha 0
    for (int width = 1; width <= 37; ++width) {
        for (int mode = 0; mode < 3; ++mode) {
            voxtrel::display::LayeredFrame frame;
            frame.width = width;
            frame.height = 5;
            frame.useKey = mode != 1;
            frame.pixelAlpha = mode != 0;
            frame.key = kBlueKey;
            frame.bgra.resize(static_cast<std::size_t>(width) * frame.height * 4);
            // Runs of random lengths, each of one kind: the key (with an alpha of its own), a
            // clear pixel, or a shown one with some alpha; the key colour with alpha 0 too.
            std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * frame.height);
            for (std::size_t i = 0; i < pixels.size();) {
                const int kind = static_cast<int>(random() % 3);
                for (int n = 1 + static_cast<int>(random() % 9); n > 0 && i < pixels.size();
                     --n, ++i) {
                    const std::uint32_t colour = random() & 0x00FFFFFFu;
                    pixels[i] = kind == 0   ? kKeyPixel | (random() % 2 == 0 ? 0 : 0x80000000u)
                                : kind == 1 ? colour
                                            : colour | ((1 + random() % 255) << 24);
                }
            }
            std::memcpy(frame.bgra.data(), pixels.data(), frame.bgra.size());

            std::vector<voxtrel::display::ShapeRun> expectedShape;
            std::vector<std::uint32_t> expected(pixels.size());
            for (int y = 0; y < frame.height; ++y) {
                int runStart = -1;
                for (int x = 0; x <= width; ++x) {
                    bool hidden = true;
                    if (x < width) {
                        const std::uint32_t value = pixels[y * width + x];
                        hidden = (frame.useKey && (value & 0x00FFFFFFu) == kKeyPixel) ||
                                 (frame.pixelAlpha && (value >> 24) == 0);
                        expected[y * width + x] =
                            hidden ? 0 : value | (frame.pixelAlpha ? 0 : 0xFF000000u);
                    }
                    if (!hidden && runStart < 0)
                        runStart = x;
                    if (hidden && runStart >= 0) {
                        expectedShape.push_back({y, runStart, x});
                        runStart = -1;
                    }
                }
            }
            auto sameShape = [&](const std::vector<voxtrel::display::ShapeRun>& shape) {
                if (shape.size() != expectedShape.size())
                    return false;
                for (std::size_t i = 0; i < shape.size(); ++i)
                    if (shape[i].y != expectedShape[i].y || shape[i].x0 != expectedShape[i].x0 ||
                        shape[i].x1 != expectedShape[i].x1)
                        return false;
                return true;
            };
            // Into rows wider than the frame's, whose padding stays as it was.
            const std::size_t stride = static_cast<std::size_t>(width) * 4 + 12;
            std::vector<std::uint8_t> target(stride * frame.height, 0xAB);
            std::vector<voxtrel::display::ShapeRun> shape;
            voxtrel::display::finishFramePixels(frame, target.data(), stride, shape);
            for (int y = 0; y < frame.height; ++y) {
                ASSERT_EQ(std::memcmp(target.data() + stride * y, &expected[y * width],
                                      static_cast<std::size_t>(width) * 4),
                          0)
                    << "width " << width << " mode " << mode << " row " << y;
                EXPECT_EQ(target[stride * y + width * 4], 0xAB) << "written past the row";
            }
            EXPECT_TRUE(sameShape(shape)) << "width " << width << " mode " << mode;
            // In place, as the headless display finishes its frames.
            voxtrel::display::finishFramePixels(frame, frame.bgra.data(),
                                                static_cast<std::size_t>(width) * 4, frame.shape);
            ASSERT_EQ(std::memcmp(frame.bgra.data(), expected.data(), frame.bgra.size()), 0)
                << "width " << width << " mode " << mode << " in place";
            EXPECT_TRUE(sameShape(frame.shape));
        }
    }
}

} // namespace
