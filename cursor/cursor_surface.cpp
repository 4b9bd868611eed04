// A cursor's off-screen surface: a 32-bit DIB section that OpenGL draws into through a context
// current on the cursor's thread. Every step that can fail is checked; a cursor without a
// surface says so once and closes.
#include "cursor/cursor.h"
#include "cursor/frame_rules.h"

#include <atomic>
#include <cstdio>
#include <mutex>

namespace voxtrel {

// The step of making the surface that failed, and its error code.
struct SurfaceFailure {
    const char* step = nullptr;
    DWORD error = ERROR_SUCCESS;
};

namespace {

constexpr const char* SURFACE_FAILURE_CAPTION = "Cursor Error";
constexpr WORD SURFACE_BIT_COUNT = 32;
constexpr BYTE SURFACE_COLOR_BITS = 32; // as the bitmap: drivers match formats to its depth
constexpr BYTE SURFACE_ALPHA_BITS = 8;  // where the driver has them: a transparent backdrop

// Cursors that start together make their surfaces, pixel formats and OpenGL contexts, and draw
// their first frame, one at a time: Wine's OpenGL on bitmaps (OSMesa) fails to set a pixel
// format, or loses a context, when threads do it at once. Frames are drawn side by side, and
// files are read and boxes shown outside the lock: one slow file or one open box never holds
// up the other cursors.
std::mutex& surfaceCreationLock() {
    static auto* mutex = new std::mutex; // never destroyed: cursor threads may outlive statics
    return *mutex;
}

// One message for the whole run, however many cursors fail: the cause is the same for all.
void reportSurfaceFailure(const SurfaceFailure& failure) {
    const char* step = failure.step;
    const DWORD error = failure.error;
    static std::atomic<bool> reported{false};
    if (reported.exchange(true))
        return;
    char cause[96];
    if (error != ERROR_SUCCESS)
        std::snprintf(cause, sizeof cause, "%s failed (error %lu)", step,
                      static_cast<unsigned long>(error));
    else
        std::snprintf(cause, sizeof cause, "%s failed", step);
    char text[256];
    std::snprintf(text, sizeof text,
                  "A cursor cannot be drawn: %s. It has been closed; the other cursors go on.",
                  cause);
    MessageBoxA(nullptr, text, SURFACE_FAILURE_CAPTION, MB_ICONERROR);
}

// Runs one step of making the surface; false, with the step and its error code kept in
// `failure`, when `call` says it failed. The error code is the step's own: set aside before the
// call, read right after it.
template <typename Call> bool succeeded(SurfaceFailure& failure, const char* step, Call call) {
    SetLastError(ERROR_SUCCESS);
    if (call())
        return true;
    failure = {step, GetLastError()};
    return false;
}

BITMAPINFO surfaceBitmap(int width, int height) {
    BITMAPINFO surface = {};
    surface.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    surface.bmiHeader.biWidth = width;
    surface.bmiHeader.biHeight = height; // positive: rows bottom-up
    surface.bmiHeader.biPlanes = 1;
    surface.bmiHeader.biBitCount = SURFACE_BIT_COUNT;
    surface.bmiHeader.biCompression = BI_RGB;
    return surface;
}

PIXELFORMATDESCRIPTOR surfaceFormat() {
    PIXELFORMATDESCRIPTOR format = {};
    format.nSize = sizeof format;
    format.nVersion = 1;
    format.dwFlags = PFD_DRAW_TO_BITMAP | PFD_SUPPORT_OPENGL | PFD_DEPTH_DONTCARE;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = SURFACE_COLOR_BITS;
    format.cAlphaBits = SURFACE_ALPHA_BITS;
    return format;
}

} // namespace

bool Cursor::createSurface() {
    SurfaceFailure failure;
    bool made = false;
    {
        std::lock_guard<std::mutex> guard(surfaceCreationLock());
        made = makeSurfaceAndContext(failure);
    }
    if (!made) {
        reportSurfaceFailure(failure);
        return false;
    }
    setupScene(); // reads the background and the icons, and may report a failed one
    std::lock_guard<std::mutex> guard(surfaceCreationLock());
    // The first drawing compiles the renderer's shaders, which takes tens of milliseconds with
    // software rendering: done here, before the window shows, it stays out of the frames.
    render(false);
    glFinish();
    return true;
}

bool Cursor::makeSurfaceAndContext(SurfaceFailure& failure) {
    // As large as the window is at its saved scale.
    side = screenSideFor(scale, density);
    surfaceWidth = surfaceHeight = surfaceSideFor(0, side, false, largestSurfaceSide());
    if (!succeeded(failure, "CreateCompatibleDC",
                   [&] { return (memDC = CreateCompatibleDC(nullptr)); }))
        return false;
    BITMAPINFO surface = surfaceBitmap(surfaceWidth, surfaceHeight);
    if (!succeeded(failure, "CreateDIBSection",
                   [&] {
                       dib = CreateDIBSection(memDC, &surface, DIB_RGB_COLORS, &bits, nullptr, 0);
                       return dib != nullptr && bits != nullptr;
                   }) ||
        !succeeded(failure, "SelectObject", [&] { return SelectObject(memDC, dib) != nullptr; }))
        return false;

    PIXELFORMATDESCRIPTOR format = surfaceFormat();
    int chosen = 0;
    if (!succeeded(failure, "ChoosePixelFormat",
                   [&] { return (chosen = ChoosePixelFormat(memDC, &format)); }) ||
        !succeeded(failure, "SetPixelFormat",
                   [&] { return SetPixelFormat(memDC, chosen, &format); }))
        return false;
    // What the driver really keeps: with an alpha channel the backdrop is drawn transparent,
    // without one in the key colour; and the byte order of the colours.
    PIXELFORMATDESCRIPTOR described = {};
    if (!succeeded(failure, "DescribePixelFormat", [&] {
            return DescribePixelFormat(memDC, chosen, sizeof described, &described);
        }))
        return false;
    pixelLayout = pixelLayoutOf(described);

    // The context stays current on this thread for the thread's life.
    return succeeded(failure, "wglCreateContext",
                     [&] { return (context = wglCreateContext(memDC)); }) &&
           succeeded(failure, "wglMakeCurrent", [&] { return wglMakeCurrent(memDC, context); });
}

int Cursor::largestSurfaceSide() const {
    return screenSideFor(SCALE_MAX, density);
}

void Cursor::fitSurface() {
    const int wanted = surfaceSideFor(surfaceWidth, side, zoomDirection != 0, largestSurfaceSide());
    if (wanted != surfaceWidth && !resizeSurface(wanted) && side > surfaceWidth) {
        // Out of memory for a larger one: the window stays as large as the surface.
        side = surfaceWidth;
    }
}

// A new bitmap on a new memory DC of the same pixel format, and the context made current on
// it: the context keeps its textures, so nothing of the scene is made again. On any failure the
// old surface stays as it was.
bool Cursor::resizeSurface(int side) {
    HDC dc = CreateCompatibleDC(nullptr);
    if (dc == nullptr)
        return false;
    BITMAPINFO surface = surfaceBitmap(side, side);
    void* newBits = nullptr;
    HBITMAP newDib = CreateDIBSection(dc, &surface, DIB_RGB_COLORS, &newBits, nullptr, 0);
    PIXELFORMATDESCRIPTOR format = surfaceFormat();
    int chosen = 0;
    const bool made = newDib != nullptr && newBits != nullptr &&
                      SelectObject(dc, newDib) != nullptr &&
                      (chosen = ChoosePixelFormat(dc, &format)) != 0 &&
                      SetPixelFormat(dc, chosen, &format) && wglMakeCurrent(dc, context);
    if (!made) {
        wglMakeCurrent(memDC, context);
        DeleteDC(dc);
        if (newDib != nullptr)
            DeleteObject(newDib);
        return false;
    }
    DeleteDC(memDC);
    DeleteObject(dib);
    memDC = dc;
    dib = newDib;
    bits = newBits;
    surfaceWidth = surfaceHeight = side;
    return true;
}

} // namespace voxtrel
