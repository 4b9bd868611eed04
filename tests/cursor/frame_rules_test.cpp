// The frame loop driven through the tick count: each frame is a real paintFrame at a tick the
// test holds, so timing, zoom, spin and titles come from the loop itself.
#include "cursor/cursor.h"
#include "cursor/frame_rules.h"

#include "platform/linux/display/headless/headless_control.h"
#include "platform/linux/gdi/gdi_control.h"
#include "platform/linux/kernel/kernel_control.h"
#include "tests/support/cursor_threads.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

namespace voxtrel {
namespace {

constexpr DWORD kStart = 5000;

class FrameLoop : public testing::Test {
protected:
    void SetUp() override {
        testing_support::prepareCursorProcess();
        kernel::holdTickCount(kStart);
        cursor = std::make_unique<Cursor>();
        ASSERT_TRUE(cursor->create());
    }
    void TearDown() override { kernel::releaseTickCount(); }

    // `count` frames, `step` milliseconds apart.
    void frames(int count, DWORD step = 10) {
        for (int i = 0; i < count; ++i) {
            now += step;
            kernel::holdTickCount(now);
            cursor->paintFrame();
        }
    }
    double seconds() const { return static_cast<DWORD>(now - kStart) / 1000.0; }
    std::shared_ptr<const display::LayeredFrame> lastFrame() const {
        return headless::lastFrame(cursor->hwnd);
    }
    std::string title() const {
        char text[32];
        GetWindowTextA(cursor->hwnd, text, sizeof text);
        return text;
    }

    DWORD now = kStart;
    std::unique_ptr<Cursor> cursor;
};

TEST_F(FrameLoop, TheClockCountsMillisecondsSinceTheWindowWasMade) {
    EXPECT_EQ(cursor->startTick, kStart);
    frames(1, 25);
    EXPECT_EQ(cursor->lastTime, 0.025) << "the first frame's step is the time since create";
    frames(147);
    EXPECT_NEAR(cursor->lastTime, 1.495, 1e-12);
    EXPECT_EQ(cursor->rotation.x, 45.0 * std::sin(0.3 * cursor->lastTime))
        << "rocking follows the clock to the millisecond";
}

TEST_F(FrameLoop, TheSpinSpeedsUpAwayFromTheMouseToItsLimits) {
    frames(1);
    EXPECT_EQ(cursor->spinSpeed, 3.0) << "clamped up from 0.1";
    EXPECT_NEAR(cursor->spinAccel, 11.0, 1e-9);
    EXPECT_EQ(cursor->rotation.y, 0.0) << "the first step uses the speed from before it";

    frames(19);
    EXPECT_NEAR(cursor->spinAccel, 30.0, 1e-9) << "after 0.2 s";
    frames(1);
    EXPECT_EQ(cursor->spinAccel, 30.0);
    while (cursor->spinSpeed < 100.0 && seconds() < 10)
        frames(1);
    EXPECT_NEAR(seconds(), 3.3, 0.1) << "full speed after about 3.3 s";
    frames(50);
    EXPECT_EQ(cursor->spinSpeed, 100.0);
}

TEST_F(FrameLoop, TheSpinSlowsToThreeWhileTheMouseRestsOnTheSolid) {
    frames(400); // full speed
    ASSERT_EQ(cursor->spinSpeed, 100.0);
    RECT rect;
    GetWindowRect(cursor->hwnd, &rect);
    headless::setPointer((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    const double arrived = seconds();
    frames(30);
    EXPECT_TRUE(cursor->hover);
    EXPECT_NEAR(cursor->spinAccel, -30.0, 1e-9) << "0.3 s after the mouse arrived";
    double minimum = cursor->spinSpeed;
    while (cursor->spinSpeed > 3.0 && seconds() < arrived + 10) {
        frames(1);
        minimum = std::min(minimum, cursor->spinSpeed);
    }
    EXPECT_NEAR(seconds() - arrived, 3.5, 0.15);
    frames(30);
    EXPECT_EQ(cursor->spinSpeed, 3.0);
    EXPECT_GE(minimum, 3.0);
    EXPECT_LE(std::fabs(cursor->rotation.x), 45.0);
    EXPECT_EQ(cursor->rotation.z, 0.0) << "spinAxis has no z weight";
}

TEST_F(FrameLoop, AnglesStayWithinOneTurn) {
    cursor->spinSpeed = 100;
    cursor->spinAccel = 30;
    double travelled = 0;
    for (int i = 0; i < 600; ++i) {
        const double before = cursor->rotation.y;
        frames(1);
        const double step = cursor->rotation.y - before;
        travelled += step < 0 ? step + 360.0 : step;
        ASSERT_GE(cursor->rotation.y, 0.0);
        ASSERT_LT(cursor->rotation.y, 360.0);
    }
    EXPECT_NEAR(travelled, 600.0, 1e-6) << "a degree a frame";
    EXPECT_NEAR(cursor->rotation.y, 240.0, 1e-6);
}

TEST_F(FrameLoop, TheWindowIsSizedFromTheScaleBeforeTheZoomStep) {
    cursor->scale = 0.5;
    cursor->zoomDirection = +1;
    cursor->zoomStartTick = now;
    frames(1, 300);
    EXPECT_EQ(lastFrame()->width, 512);
    EXPECT_EQ(lastFrame()->height, 512);
    EXPECT_NEAR(cursor->scale, 0.53, 1e-9);
    frames(1, 100);
    EXPECT_EQ(lastFrame()->width, 542) << "trunc(1024 x 0.53)";
    EXPECT_EQ(cursor->zoomDirection, 0) << "400 ms after the step";
    EXPECT_NEAR(cursor->scale, 0.54, 1e-9);
    EXPECT_EQ(lastFrame()->x, cursor->centerX - 271);
}

TEST_F(FrameLoop, WithoutMemoryForALargerSurfaceTheWindowStaysAsLargeAsTheSurface) {
    frames(1);
    const int had = cursor->surfaceWidth;
    ASSERT_EQ(lastFrame()->width, had);
    gdi::limitBitmapBytes(static_cast<std::size_t>(had) * had * 4); // no larger bitmap
    cursor->scale = 0.5;
    frames(2);
    EXPECT_EQ(cursor->surfaceWidth, had);
    EXPECT_EQ(lastFrame()->width, had) << "the window shows only what the surface holds";
    EXPECT_EQ(lastFrame()->height, had);
    gdi::limitBitmapBytes(0);
    frames(2);
    EXPECT_EQ(lastFrame()->width, 512) << "with memory again it grows to its scale";
}

TEST_F(FrameLoop, AZoomStepLastsFourHundredMillisecondsAndStaysInRange) {
    cursor->zoomStartTick = now;
    cursor->zoomDirection = +1;
    frames(39);
    EXPECT_EQ(cursor->zoomDirection, 1) << "390 ms: still zooming";
    // The surface grows with the window, a step ahead while zooming in...
    EXPECT_EQ(cursor->surfaceWidth, 384);
    frames(1);
    EXPECT_EQ(cursor->zoomDirection, 0) << "the first frame 400 ms after the step ends it";
    EXPECT_NEAR(cursor->scale, 0.25 + 0.04, 1e-9);
    // ...and settles to the window's side rounded up to a step once the zoom is over.
    EXPECT_EQ(cursor->surfaceWidth, 320) << "296 pixels, rounded up";
    EXPECT_EQ(cursor->surfaceHeight, 320);

    cursor->scale = 0.99;
    cursor->zoomStartTick = now;
    cursor->zoomDirection = +1;
    frames(40);
    EXPECT_EQ(cursor->scale, 1.0) << "exactly";
    frames(1);
    EXPECT_EQ(lastFrame()->width, 1024);
    EXPECT_EQ(cursor->surfaceWidth, 1024);
    // The whole picture made it into the larger surface: the solid in the middle, the backdrop
    // hidden at the corners.
    const auto pixelAlpha = [&](int x, int y) {
        const auto frame = lastFrame();
        return frame->bgra[(static_cast<std::size_t>(y) * frame->width + x) * 4 + 3];
    };
    EXPECT_EQ(pixelAlpha(512, 512), 255);
    EXPECT_EQ(pixelAlpha(3, 3), 0);
    EXPECT_EQ(pixelAlpha(1020, 1020), 0);

    cursor->scale = 0.1;
    cursor->zoomStartTick = now;
    cursor->zoomDirection = -1;
    frames(41);
    EXPECT_EQ(cursor->scale, 0.1);
    EXPECT_EQ(lastFrame()->width, 102);
    EXPECT_EQ(cursor->surfaceWidth, 128) << "smaller once the zoom out has settled";
    EXPECT_EQ(pixelAlpha(51, 51), 255);
}

TEST_F(FrameLoop, ACursorThatRanFor49DaysKeepsItsPaceAcrossTheWrap) {
    // The clock is 35 ms short of the 2^32 ms wrap, with a zoom and the spin under way.
    cursor->startTick = kStart + 35;
    cursor->lastTime = (4294967296.0 - 35) / 1000.0;
    cursor->scale = 0.5;
    cursor->zoomDirection = +1;
    cursor->zoomStartTick = now;
    cursor->spinSpeed = 50;
    cursor->spinAccel = 30;
    for (int i = 0; i < 10; ++i) {
        const double speed = cursor->spinSpeed;
        const double scale = cursor->scale;
        frames(1);
        ASSERT_NEAR(cursor->spinSpeed - speed, 0.3, 1e-6) << "frame " << i;
        ASSERT_NEAR(cursor->scale - scale, 0.001, 1e-6) << "frame " << i;
    }
    EXPECT_LT(cursor->lastTime, 1.0) << "the clock started again";
    EXPECT_EQ(cursor->zoomDirection, 1);
}

TEST_F(FrameLoop, AScaleThatIsNotANumberBecomesTheDefaultAndZoomsAgain) {
    cursor->scale = std::numeric_limits<double>::quiet_NaN();
    frames(1);
    EXPECT_EQ(cursor->scale, 0.25);
    EXPECT_EQ(lastFrame()->width, 256);
    cursor->zoomStartTick = now;
    cursor->zoomDirection = -1;
    frames(4, 100);
    EXPECT_NEAR(cursor->scale, 0.21, 1e-9);
}

TEST_F(FrameLoop, TitlesShowTheFramesOfEachPeriod) {
    SetWindowTextA(cursor->hwnd, "cursor");
    frames(99);
    EXPECT_EQ(title(), "cursor") << "no period has ended yet";
    frames(1);
    EXPECT_EQ(title(), "99") << "the frames before the one that ends the period";
    frames(100);
    EXPECT_EQ(title(), "100") << "the frame that ended a period counts towards the next";
    frames(10, 50);
    frames(1, 500);
    EXPECT_EQ(title(), "11");
}

TEST_F(FrameLoop, LayeredUpdatesShowPixelAlphaAndTheConstantAlphaOnlyWhenBlending) {
    frames(1);
    EXPECT_EQ(lastFrame()->flags, static_cast<DWORD>(ULW_ALPHA));
    EXPECT_EQ(lastFrame()->alpha, 192);
    cursor->alphaBlend = 0;
    frames(1);
    EXPECT_EQ(lastFrame()->flags, static_cast<DWORD>(ULW_ALPHA));
    EXPECT_EQ(lastFrame()->alpha, 255);
}

} // namespace
} // namespace voxtrel
