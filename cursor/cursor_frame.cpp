// The frame loop: each paint measures the time, updates the title and the zoom, draws and picks,
// pushes the surface to the layered window and advances the spin.
#include "cursor/cursor.h"
#include "cursor/frame_rules.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace voxtrel {

int sideForScale(double scale) {
    if (std::isnan(scale))
        scale = DEFAULT_SCALE;
    return static_cast<int>(REFERENCE_SIDE * clamp(scale, SCALE_MIN, SCALE_MAX));
}

double densityForDpi(UINT dotsPerInch) {
    if (dotsPerInch == 0)
        return 1.0;
    return clamp(dotsPerInch / REFERENCE_DPI, DENSITY_MIN, DENSITY_MAX);
}

int screenSideFor(double scale, double density) {
    if (std::isnan(scale))
        scale = DEFAULT_SCALE;
    return static_cast<int>(REFERENCE_SIDE * clamp(scale, SCALE_MIN, SCALE_MAX) * density);
}

int surfaceSideFor(int current, int side, bool zooming, int largest) {
    const int needed =
        std::min(largest, (std::max(side, 1) + SURFACE_STEP - 1) / SURFACE_STEP * SURFACE_STEP);
    if (side > current)
        return std::min(largest, zooming ? needed + SURFACE_STEP : needed);
    if (!zooming && current > needed)
        return needed;
    return current;
}

LRESULT Cursor::paintFrame() {
    const DWORD now = GetTickCount();
    countFrame(now);
    // Tick differences are taken modulo 2^32, so the clock starts again near 0 after 49.7 days.
    const double t = static_cast<double>(static_cast<DWORD>(now - startTick)) / TICKS_PER_SECOND;
    // When the clock starts again near 0, the step is taken across the wrap, so it stays the
    // few milliseconds it really was instead of turning hugely negative.
    double dt = t - lastTime;
    if (dt < 0)
        dt += TICK_WRAP_SECONDS;
    lastTime = t;
    {
        std::lock_guard<std::mutex> guard(savedFieldsLock);
        // A scale that is not a number could never be zoomed back; it becomes the default,
        // which the next save then stores.
        if (std::isnan(scale))
            scale = DEFAULT_SCALE;
        // The scale from before this frame's zoom step. The saved size is the side at the
        // usual density, so a configuration moves between screens of any density unchanged.
        width = sideForScale(scale);
        height = width;
        side = screenSideFor(scale, density);
        stepZoom(now, dt);
    }
    fitSurface();

    render(false);
    pickHover();
    glFinish(); // the layered update reads a finished picture
    if (needsConversion(pixelLayout)) {
        GdiFlush(); // the bitmap's memory holds what was drawn before it is touched
        const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(surfaceWidth) * 4;
        auto* topRow = static_cast<std::uint8_t*>(bits) + stride * (surfaceHeight - 1);
        convertFramePixels(topRow, -stride, side, side, pixelLayout, COLOR_KEY);
    }

    POINT topLeft{centerX - side / 2, centerY - side / 2};
    SIZE size{side, side};
    POINT origin{0, 0};
    // Per-pixel alpha shows only the solid, on every implementation of layered windows; the
    // constant alpha makes it translucent on top.
    BLENDFUNCTION frameBlend = blend;
    if (alphaBlend == 0)
        frameBlend.SourceConstantAlpha = OPAQUE_ALPHA;
    // A failed update leaves the window as the last frame left it; the next frame tries again.
    static_cast<void>(UpdateLayeredWindow(hwnd, nullptr, &topLeft, &size, memDC, &origin, COLOR_KEY,
                                          &frameBlend, ULW_ALPHA));
    ValidateRect(hwnd, nullptr);
    animate(t, dt);
    return 0;
}

void Cursor::stepZoom(DWORD now, double dt) {
    if (zoomDirection == 0)
        return;
    scale = zoomDirection * ZOOM_RATE * dt + scale;
    scale = clamp(scale, SCALE_MIN, SCALE_MAX);
    if (static_cast<DWORD>(now - zoomStartTick) >= ZOOM_DURATION_MS)
        zoomDirection = 0;
}

void Cursor::animate(double t, double dt) {
    rotation = rotation + (dt * spinSpeed) * spinAxis;
    // Within one turn: the same picture, without the precision a growing angle loses.
    rotation.y = std::fmod(rotation.y, FULL_TURN);
    rotation.z = std::fmod(rotation.z, FULL_TURN);
    spinSpeed = clamp(spinSpeed + dt * spinAccel, SPIN_SPEED_MIN, SPIN_SPEED_MAX);
    // Rocking about x replaces whatever the spin did to that angle.
    rotation.x = ROCK_AMPLITUDE * std::sin(ROCK_FREQUENCY * t);
    const double drive = hover ? -2.0 : 1.0;
    spinAccel = clamp(spinAccel + ACCEL_DRIVE * drive * dt, -SPIN_ACCEL_LIMIT, SPIN_ACCEL_LIMIT);
}

void Cursor::startFrameCounter(DWORD tick) {
    fpsLastTick = tick;
    fpsFrames = 0;
}

void Cursor::countFrame(DWORD now) {
    if (static_cast<DWORD>(now - fpsLastTick) < FRAME_COUNT_PERIOD_MS) {
        ++fpsFrames;
        return;
    }
    char title[32];
    std::snprintf(title, sizeof title, "%d", fpsFrames);
    SetWindowTextA(hwnd, title);
    fpsFrames = 1; // this frame opens the new period
    fpsLastTick = now;
}

} // namespace voxtrel
