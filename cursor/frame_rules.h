// The numbers of the frame loop: timing, window size, zoom and spin.
#pragma once

#include "platform/win32.h"

namespace voxtrel {

constexpr double TICKS_PER_SECOND = 1000.0;
constexpr double TICK_WRAP_SECONDS = 4294967296.0 / TICKS_PER_SECOND; // the 2^32 ms tick period
constexpr double FULL_TURN = 360.0;                                   // degrees
constexpr double REFERENCE_SIDE = 1024.0;                             // window side at scale 1
constexpr double ZOOM_RATE = 0.1; // scale per second while zooming
constexpr double SCALE_MIN = 0.1;
constexpr double SCALE_MAX = 1.0;
constexpr unsigned ZOOM_DURATION_MS = 400;
constexpr double SPIN_SPEED_MIN = 3.0; // degrees per second
constexpr double SPIN_SPEED_MAX = 100.0;
constexpr double SPIN_ACCEL_LIMIT = 30.0;
constexpr double ACCEL_DRIVE = 100.0;   // per second, times +1 (mouse away) or -2 (on the solid)
constexpr double ROCK_AMPLITUDE = 45.0; // degrees
constexpr double ROCK_FREQUENCY = 0.3;  // radians per second
constexpr unsigned FRAME_COUNT_PERIOD_MS = 1000;
constexpr UINT_PTR FRAME_TIMER_ID = 0;
constexpr UINT FRAME_TIMER_INTERVAL = 0; // as often as the platform allows
// While nobody can see the cursor its timer only looks, this often, whether it is seen again.
constexpr UINT UNSEEN_TIMER_INTERVAL = 100;

// The window side for a scale: trunc(1024 x scale). A scale outside 0.1 to 1.0 (which only an
// edited configuration can hold until its next zoom) is taken at the nearest bound, and one that
// is not a number at the default size, so the window never outgrows its surface.
int sideForScale(double scale);

// Screen pixels per pixel of a screen at the usual 96 dots per inch: the window grows with the
// screen's density, so the solid looks the same size on every screen and is drawn sharp, not
// enlarged. Within 0.5 to 4; a density the system does not tell counts as 1.
constexpr double REFERENCE_DPI = 96.0;
constexpr double DENSITY_MIN = 0.5;
constexpr double DENSITY_MAX = 4.0;
double densityForDpi(UINT dotsPerInch);

// The window's side on the screen: trunc(1024 x scale x density), the scale taken as
// sideForScale takes it. At density 1 it is sideForScale's side.
int screenSideFor(double scale, double density);

// The off-screen surface follows the window's size in steps of this many pixels.
constexpr int SURFACE_STEP = 64;

// The side of the surface a window of `side` pixels wants, the surface being `current` now: the
// side rounded up to a step; while zooming in, a step more, so that a zoom remakes the surface
// every few frames and not at each; smaller only once a zoom has settled, so that zooming out
// and in again does not remake it back and forth. Never more than `largest`.
int surfaceSideFor(int current, int side, bool zooming, int largest);

} // namespace voxtrel
