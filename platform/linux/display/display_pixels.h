// Pictures as they cross between the Linux layer and a display backend: a layered window's
// frames one way, icons the other, each as plain rows of pixels that the backend takes without
// knowing the layer's own objects.
#pragma once

#include "platform/linux/win32/gdi.h"
#include "platform/linux/win32/types.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace voxtrel::display {

// A run [x0, x1) of shown pixels on row y of a frame: the window's bounding and input shape.
struct ShapeRun {
    int y;
    int x0;
    int x1;
};

// Bytes that are not zeroed when the buffer grows: a frame's pixels are all written anyway, and
// clearing megabytes per frame first would cost as much as filling them.
template <typename T> struct UninitialisedAllocator : std::allocator<T> {
    template <typename U> struct rebind { using other = UninitialisedAllocator<U>; };
    template <typename U> void construct(U* place) noexcept { ::new (static_cast<void*>(place)) U; }
    template <typename U, typename... Args> void construct(U* place, Args&&... args) {
        ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
    }
};
using PixelBuffer = std::vector<std::uint8_t, UninitialisedAllocator<std::uint8_t>>;

// The content of one layered update: top-down rows of blue, green, red, alpha bytes as the
// source held them. Which of them are hidden (the colour key's, or with per-pixel alpha those of
// alpha 0) the backend applies as it takes them (frame_pixels.h), so that the pixels are gone
// over once on their way to the screen; the constant alpha is separate.
struct LayeredFrame {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    PixelBuffer bgra;
    std::vector<ShapeRun> shape; // filled where a backend finishes the pixels in place
    DWORD flags = 0;             // ULW_*
    bool useKey = false;         // pixels of colour `key` are hidden
    bool pixelAlpha = false;     // pixels of alpha 0 are hidden, the others keep their alpha
    bool shaped = false;         // some pixels are hidden (the key, or per-pixel alpha)
    BYTE alpha = 255;            // constant alpha, 255 without ULW_ALPHA
    COLORREF key = 0;
};

// An icon: top-down rows of blue, green, red, alpha bytes, alpha not multiplied in. The layer
// makes it once per icon and hands out the same picture every time, so that a backend sees an
// unchanged icon by the pointer alone; the picture outlives the icon it was made from.
struct IconPixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bgra;
};
using IconPicture = std::shared_ptr<const IconPixels>;

} // namespace voxtrel::display
