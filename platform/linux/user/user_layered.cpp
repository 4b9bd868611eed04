// UpdateLayeredWindow: one call moves and sizes the window and hands the backend the block of
// the source bitmap it shows, and which pixels it makes transparent to sight and mouse: the
// colour-keyed ones, or with AC_SRC_ALPHA those of alpha 0.
#include "platform/linux/gdi/gdi_objects.h"
#include "platform/linux/user/user_state.h"

using namespace voxtrel::user;
namespace display = voxtrel::display;

BOOL WINAPI UpdateLayeredWindow(HWND hwnd, HDC, POINT* position, SIZE* size, HDC source,
                                POINT* sourcePosition, COLORREF key, BLENDFUNCTION* blend,
                                DWORD flags) {
    RECT rect;
    std::shared_ptr<display::LayeredFrame> frame;
    {
        std::lock_guard<std::mutex> guard(stateLock());
        WindowObject* window = findWindow(hwnd);
        if (window == nullptr || (window->exStyle & WS_EX_LAYERED) == 0) {
            SetLastError(window == nullptr ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        rect = window->rect;
        // Held by nobody else (the backend has shown it and let it go): filled again. Taken
        // through a copy, whose count increment reads the backend's release of its reference
        // with acquire order; use_count alone is a relaxed read, and the backend's last reads of
        // the frame would not be ordered before the filling.
        if (window->lastFrame != nullptr) {
            std::shared_ptr<display::LayeredFrame> taken = window->lastFrame;
            if (taken.use_count() == 2) {
                window->lastFrame.reset();
                frame = std::move(taken);
            }
        }
    }
    const int left = position != nullptr ? position->x : rect.left;
    const int top = position != nullptr ? position->y : rect.top;
    const int width = size != nullptr ? size->cx : rect.right - rect.left;
    const int height = size != nullptr ? size->cy : rect.bottom - rect.top;
    if (width < 0 || height < 0 || ((flags & ULW_ALPHA) != 0 && blend == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }

    if (frame == nullptr)
        frame = std::make_shared<display::LayeredFrame>();
    if (source != nullptr) {
        const int sourceX = sourcePosition != nullptr ? sourcePosition->x : 0;
        const int sourceY = sourcePosition != nullptr ? sourcePosition->y : 0;
        if (!voxtrel::gdi::readLayeredBlock(source, sourceX, sourceY, width, height, *frame)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        frame->useKey = (flags & ULW_COLORKEY) != 0;
        frame->pixelAlpha = (flags & ULW_ALPHA) != 0 && (blend->AlphaFormat & AC_SRC_ALPHA) != 0;
        frame->shaped = frame->useKey || frame->pixelAlpha;
    }
    frame->x = left;
    frame->y = top;
    frame->width = width;
    frame->height = height;
    frame->flags = flags;
    frame->alpha = (flags & ULW_ALPHA) != 0 ? blend->SourceConstantAlpha : 255;
    frame->key = key;

    display::WindowSnapshot snapshot;
    bool moved = false;
    {
        std::lock_guard<std::mutex> guard(stateLock());
        WindowObject* window = findWindow(hwnd);
        if (window == nullptr)
            return FALSE; // destroyed meanwhile by its own thread
        const RECT placed = {left, top, left + width, top + height};
        moved = placed.left != window->rect.left || placed.top != window->rect.top ||
                placed.right != window->rect.right || placed.bottom != window->rect.bottom;
        window->rect = placed;
        snapshot = snapshotOf(*window);
        if (source != nullptr)
            window->lastFrame = frame;
    }
    if (moved)
        display::current().updateWindow(snapshot, display::kGeometry);
    if (source != nullptr)
        display::current().presentFrame(hwnd, frame);
    return TRUE;
}
