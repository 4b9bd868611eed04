// What tests use to steer the graphics layer: the driver feature a read-back prefers can be set
// aside, so the path taken without it is tested on this driver too.
#pragma once

#include <cstddef>

namespace voxtrel::gdi {

// With false, layered updates read OpenGL's rows bottom-up and turn them around themselves,
// as they do on a driver without GL_MESA_pack_invert.
void allowPackInvert(bool allowed);

// The pixel format OpenGL draws into bitmaps with, as drivers differ: with `alpha` false the
// format keeps no alpha (bitmaps read back with 0 there, as Windows' software renderer leaves
// it), with `redFirst` red lies in the lowest byte of each pixel. The layer's own format is
// (true, false).
void simulatePixelFormat(bool alpha, bool redFirst);

// Bitmaps of more than `bytes` bytes cannot be made, as when the system has no memory left for
// them; 0 lifts the limit.
void limitBitmapBytes(std::size_t bytes);

} // namespace voxtrel::gdi
