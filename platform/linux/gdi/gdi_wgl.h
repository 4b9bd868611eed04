// What reading bitmaps (gdi_pixels.cpp) needs of the OpenGL contexts (gdi_wgl.cpp): where OpenGL
// draws into a bitmap, the pixels are read back from the context first.
#pragma once

#include "platform/linux/gdi/gdi_objects.h"

namespace voxtrel::gdi {

struct GlContext;

// The context current on this thread, if it draws into `bitmap`. Called with gdiLock() held.
GlContext* contextDrawingInto(const BitmapObject& bitmap);
// The bitmap the context current on this thread draws into, if any.
BitmapObject* currentDrawingBitmap();

} // namespace voxtrel::gdi
