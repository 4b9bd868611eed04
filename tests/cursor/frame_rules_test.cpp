// The timing, zoom, spin and frame-count rules of the frame loop, driven with chosen ticks.
#include "cursor/cursor.h"
#include "cursor/frame_rules.h"

#include "tests/support/recording_window.h"

#include <gtest/gtest.h>

#include <cmath>

namespace voxtrel {
namespace {

// Frames of 10 ms as the loop times them: t from the tick difference, dt from the last t.
class Frames {
public:
    explicit Frames(Cursor& cursor, DWORD start = 5000)
        : cursor_(cursor), start_(start), now_(start) {}

    void run(int count) {
        for (int i = 0; i < count; ++i) {
            now_ += 10;
            const double t = static_cast<double>(static_cast<DWORD>(now_ - start_)) / 1000.0;
            const double dt = t - cursor_.lastTime;
            cursor_.lastTime = t;
            cursor_.stepZoom(now_, dt);
            cursor_.animate(t, dt);
        }
    }
    double seconds() const { return static_cast<DWORD>(now_ - start_) / 1000.0; }
    DWORD now() const { return now_; }

private:
    Cursor& cursor_;
    DWORD start_;
    DWORD now_;
};

TEST(Spin, SpeedsUpAwayFromTheMouseToItsLimits) {
    Cursor cursor;
    Frames frames(cursor);
    frames.run(1);
    EXPECT_EQ(cursor.spinSpeed, 3.0) << "clamped up from 0.1";
    EXPECT_NEAR(cursor.spinAccel, 11.0, 1e-9);
    EXPECT_EQ(cursor.rotation.y, 0.0) << "the first step uses the speed from before it";

    frames.run(19);
    EXPECT_NEAR(cursor.spinAccel, 30.0, 1e-9) << "after 0.2 s";
    frames.run(1);
    EXPECT_EQ(cursor.spinAccel, 30.0);

    while (cursor.spinSpeed < 100.0 && frames.seconds() < 10)
        frames.run(1);
    EXPECT_NEAR(frames.seconds(), 3.3, 0.1) << "full speed after about 3.3 s";
    frames.run(100);
    EXPECT_EQ(cursor.spinSpeed, 100.0);
}

TEST(Spin, SlowsToThreeUnderTheMouseAndRocksAboutX) {
    Cursor cursor;
    Frames frames(cursor);
    frames.run(500); // full speed
    cursor.hover = true;
    const double arrived = frames.seconds();
    frames.run(30);
    EXPECT_NEAR(cursor.spinAccel, -30.0, 1e-9) << "0.3 s after the mouse arrived";
    double minimum = cursor.spinSpeed;
    while (cursor.spinSpeed > 3.0 && frames.seconds() < arrived + 10) {
        frames.run(1);
        minimum = std::min(minimum, cursor.spinSpeed);
    }
    EXPECT_NEAR(frames.seconds() - arrived, 3.5, 0.15);
    frames.run(300);
    EXPECT_EQ(cursor.spinSpeed, 3.0);
    EXPECT_GE(minimum, 3.0);

    EXPECT_EQ(cursor.rotation.x, 45.0 * std::sin(0.3 * frames.seconds()));
    EXPECT_LE(std::fabs(cursor.rotation.x), 45.0);
    EXPECT_EQ(cursor.rotation.z, 0.0) << "spinAxis has no z weight";
    EXPECT_GT(cursor.rotation.y, 360.0) << "y grows without bound";
}

TEST(Zoom, SidesFollowTheScaleAndStayWithinTheSurface) {
    EXPECT_EQ(sideForScale(0.1), 102);
    EXPECT_EQ(sideForScale(0.25), 256);
    EXPECT_EQ(sideForScale(1.0), 1024);
    // Stored values out of range never make a window larger than the surface.
    EXPECT_EQ(sideForScale(5.0), 1024);
    EXPECT_EQ(sideForScale(0.01), 102);
    EXPECT_EQ(sideForScale(-3), 102);
    EXPECT_EQ(sideForScale(std::nan("")), 256);
}

TEST(Zoom, AStepLastsFourHundredMillisecondsAndStaysInRange) {
    Cursor cursor;
    Frames frames(cursor);
    cursor.zoomStartTick = frames.now();
    cursor.zoomDirection = +1;
    frames.run(39);
    EXPECT_EQ(cursor.zoomDirection, 1) << "390 ms: still zooming";
    frames.run(1);
    EXPECT_EQ(cursor.zoomDirection, 0) << "the first frame 400 ms after the step ends it";
    EXPECT_NEAR(cursor.scale, 0.25 + 0.04, 1e-9);

    cursor.scale = 0.99;
    cursor.zoomStartTick = frames.now();
    cursor.zoomDirection = +1;
    frames.run(40);
    EXPECT_EQ(cursor.scale, 1.0) << "exactly";

    cursor.scale = 0.1;
    cursor.zoomStartTick = frames.now();
    cursor.zoomDirection = -1;
    frames.run(40);
    EXPECT_EQ(cursor.scale, 0.1);
}

TEST(Zoom, TheDurationIsMeasuredAcrossTheTickWrap) {
    Cursor cursor;
    Frames frames(cursor, 0xFFFFFF00u);
    cursor.zoomStartTick = 0xFFFFFF00u;
    cursor.zoomDirection = -1;
    frames.run(39);
    EXPECT_EQ(cursor.zoomDirection, -1);
    frames.run(1);
    EXPECT_EQ(cursor.zoomDirection, 0);
}

TEST(FrameCount, TitlesShowTheFramesOfEachPeriod) {
    Cursor cursor;
    cursor.hwnd = testing_support::createRecordingWindow();
    SetWindowTextA(cursor.hwnd, "cursor");
    char title[32];
    cursor.startFrameCounter(1000);
    for (DWORD now = 1010; now < 2000; now += 10)
        cursor.countFrame(now);
    GetWindowTextA(cursor.hwnd, title, sizeof title);
    EXPECT_STREQ(title, "cursor") << "no period has ended yet";
    EXPECT_EQ(cursor.fpsFrames, 99);

    cursor.countFrame(2000);
    GetWindowTextA(cursor.hwnd, title, sizeof title);
    EXPECT_STREQ(title, "99") << "the earlier frames";
    EXPECT_EQ(cursor.fpsFrames, 1) << "the frame that ends a period opens the next";
    for (DWORD now = 2010; now <= 3000; now += 10)
        cursor.countFrame(now);
    GetWindowTextA(cursor.hwnd, title, sizeof title);
    EXPECT_STREQ(title, "100");
}

TEST(FrameCount, PeriodsAreMeasuredAcrossTheTickWrap) {
    Cursor cursor;
    cursor.startFrameCounter(0xFFFFFFF0u);
    cursor.countFrame(0x000003D0u); // 992 ms later
    EXPECT_EQ(cursor.fpsLastTick, 0xFFFFFFF0u);
    cursor.countFrame(0x000003E0u); // 1008 ms later
    EXPECT_EQ(cursor.fpsLastTick, 0x000003E0u);
}

TEST(ExtendedStyle, FollowsOnTopAndShowInTaskbar) {
    Cursor cursor;
    const std::pair<int, int> settings[] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    const DWORD styles[] = {0x08080010, 0x08080018, 0x080C0010, 0x080C0018};
    for (int i = 0; i < 4; ++i) {
        cursor.onTop = settings[i].first;
        cursor.showInTaskbar = settings[i].second;
        EXPECT_EQ(cursor.extendedStyle(), styles[i]) << i;
    }
}

} // namespace
} // namespace voxtrel
