// GDI objects behind HDC, HBITMAP, HICON and HGLRC values: memory DCs, bitmaps (DIB sections and
// the colour and mask images of icons), icons and pointers, and OpenGL contexts on EGL.
#pragma once

#include "platform/win32.h"

#include "platform/linux/display/display_pixels.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace voxtrel::gdi {

struct GlContext;
struct DcObject;

struct GdiObject {
    virtual ~GdiObject() = default;
};

struct BitmapObject : GdiObject {
    int width = 0;
    int height = 0;
    bool bottomUp = true;
    int bitCount = 24; // 24 or 32
    int stride = 0;    // bytes per row, padded to 4
    std::unique_ptr<std::uint8_t[]> memory;
    DcObject* selectedInto = nullptr;
    // Brought up to date by GdiFlush since the last layered update: the program may have
    // written the memory itself, so the update shows the memory, not what OpenGL holds.
    bool flushed = false;

    std::uint8_t* row(int topDownIndex) {
        const int stored = bottomUp ? height - 1 - topDownIndex : topDownIndex;
        return memory.get() + static_cast<std::ptrdiff_t>(stored) * stride;
    }
};

struct DcObject {
    BitmapObject* bitmap = nullptr;
    int pixelFormat = 0;
    GlContext* context = nullptr; // the context last made current on this DC
};

// An icon (pixels, top-down BGRA) or a mouse pointer (a named shape and no pixels).
struct IconObject {
    display::IconPicture picture; // its pixels, as they are also shown; null for pointers
    std::string pointerShape;     // "pointer", "default" for pointers; empty for icons
};

std::mutex& gdiLock();
// Called with gdiLock() held.
BitmapObject* findBitmap(HGDIOBJ object);
DcObject* findDc(HDC dc);
IconObject* findIcon(HICON icon);
HBITMAP adoptBitmap(BitmapObject* bitmap);
HICON adoptIcon(IconObject* icon);
// A new icon of these pixels.
HICON makeIcon(display::IconPixels pixels);
// The pixels of an icon, shared with it; null for no icon. Takes gdiLock() itself.
display::IconPicture iconPicture(HICON icon);

// What OpenGL's pixel format keeps in a bitmap pixel (see simulatePixelFormat).
struct PixelFormatModel {
    bool alpha = true;
    bool redFirst = false;
};
PixelFormatModel pixelFormatModel();

// Whether bitmaps of this size and depth can be made at all.
bool bitmapSizeUsable(int width, int height, int bitCount);
// A new bitmap with zeroed pixels, or null when the size is unusable or there is no memory
// for it.
BitmapObject* makeBitmap(int width, int height, int bitCount, bool bottomUp);

// Makes the DIB memory of `bitmap` hold what OpenGL drew into the block (top-down rows), when
// the bitmap is the target of a context current on this thread. Called with gdiLock() held.
void syncFromOpenGl(BitmapObject& bitmap, int left, int top, int width, int height);

// The block of `dc`'s bitmap that a layered update shows, read once into `frame` as BGRA rows,
// top-down; which pixels are hidden the backend applies as it takes them. False when the DC has
// no bitmap.
bool readLayeredBlock(HDC dc, int left, int top, int width, int height,
                      display::LayeredFrame& frame);

} // namespace voxtrel::gdi
