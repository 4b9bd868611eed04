// A cursor's off-screen surface: a 32-bit DIB section that OpenGL draws into through a context
// current on the cursor's thread. Every step that can fail is checked; a cursor without a
// surface says so once and closes.
#include "cursor/cursor.h"

#include <atomic>
#include <cstdio>
#include <mutex>

namespace voxtrel {

namespace {

constexpr const char* SURFACE_FAILURE_CAPTION = "Cursor Error";
constexpr WORD SURFACE_BIT_COUNT = 32;
constexpr BYTE SURFACE_COLOR_BITS = 32; // as the bitmap: drivers match formats to its depth
constexpr BYTE SURFACE_ALPHA_BITS = 8;  // where the driver has them: a transparent backdrop

// Cursors that start together make their surfaces, pixel formats and OpenGL contexts, and draw
// their first frame, one at a time: Wine's OpenGL on bitmaps (OSMesa) fails to set a pixel
// format, or loses a context, when threads do it at once. Frames are drawn side by side.
std::mutex& surfaceCreationLock() {
    static auto* mutex = new std::mutex; // never destroyed: cursor threads may outlive statics
    return *mutex;
}

// One message for the whole run, however many cursors fail: the cause is the same for all.
void reportSurfaceFailure(const char* step) {
    static std::atomic<bool> reported{false};
    const DWORD error = GetLastError();
    if (reported.exchange(true))
        return;
    char text[256];
    std::snprintf(text, sizeof text,
                  "A cursor cannot be drawn: %s failed (error %lu). It has been closed; the other "
                  "cursors go on.",
                  step, static_cast<unsigned long>(error));
    MessageBoxA(nullptr, text, SURFACE_FAILURE_CAPTION, MB_ICONERROR);
}

bool failed(const char* step) {
    reportSurfaceFailure(step);
    return false;
}

} // namespace

bool Cursor::createSurface() {
    std::lock_guard<std::mutex> guard(surfaceCreationLock());
    memDC = CreateCompatibleDC(nullptr);
    if (memDC == nullptr)
        return failed("CreateCompatibleDC");
    BITMAPINFO surface = {};
    surface.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    surface.bmiHeader.biWidth = surfaceWidth;
    surface.bmiHeader.biHeight = surfaceHeight; // positive: rows bottom-up
    surface.bmiHeader.biPlanes = 1;
    surface.bmiHeader.biBitCount = SURFACE_BIT_COUNT;
    surface.bmiHeader.biCompression = BI_RGB;
    dib = CreateDIBSection(memDC, &surface, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dib == nullptr || bits == nullptr)
        return failed("CreateDIBSection");
    if (SelectObject(memDC, dib) == nullptr)
        return failed("SelectObject");

    PIXELFORMATDESCRIPTOR format = {};
    format.nSize = sizeof format;
    format.nVersion = 1;
    format.dwFlags = PFD_DRAW_TO_BITMAP | PFD_SUPPORT_OPENGL | PFD_DEPTH_DONTCARE;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = SURFACE_COLOR_BITS;
    format.cAlphaBits = SURFACE_ALPHA_BITS;
    const int chosen = ChoosePixelFormat(memDC, &format);
    if (chosen == 0)
        return failed("ChoosePixelFormat");
    if (SetPixelFormat(memDC, chosen, &format) == FALSE)
        return failed("SetPixelFormat");
    // What the driver really keeps: with an alpha channel the backdrop is drawn transparent,
    // without one in the key colour; and the byte order of the colours.
    PIXELFORMATDESCRIPTOR described = {};
    if (DescribePixelFormat(memDC, chosen, sizeof described, &described) == 0)
        return failed("DescribePixelFormat");
    pixelLayout = pixelLayoutOf(described);

    // The context stays current on this thread for the thread's life.
    context = wglCreateContext(memDC);
    if (context == nullptr)
        return failed("wglCreateContext");
    if (wglMakeCurrent(memDC, context) == FALSE)
        return failed("wglMakeCurrent");

    setupScene();
    // The first drawing compiles the renderer's shaders, which takes tens of milliseconds with
    // software rendering: done here, before the window shows, it stays out of the frames.
    render(false);
    glFinish();
    return true;
}

} // namespace voxtrel
