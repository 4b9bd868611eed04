// A memory DC with a 24-bit DIB section and an OpenGL context current on the calling thread,
// made the way the program makes a cursor's surface.
#pragma once

#include "platform/win32.h"

namespace voxtrel::testing_support {

struct GlSurface {
    explicit GlSurface(int side = 1024);
    ~GlSurface();
    GlSurface(const GlSurface&) = delete;
    GlSurface& operator=(const GlSurface&) = delete;

    // The pixel at (x, y) counted from the top-left, as blue, green, red, read from the DIB.
    const unsigned char* pixel(int x, int y) const;

    int side;
    HDC dc = nullptr;
    HBITMAP dib = nullptr;
    unsigned char* bits = nullptr;
    HGLRC context = nullptr;
};

} // namespace voxtrel::testing_support
