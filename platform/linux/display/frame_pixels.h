// A layered frame's pixels made ready to show, in the one pass over them that a backend makes
// anyway where it takes them (into the server's image, into its own memory): hidden pixels (the
// colour key's, or with per-pixel alpha those of alpha 0) become fully transparent and
// premultiplied (all bytes 0), so that a window system shows them as they stand; the others get
// alpha 255, or with per-pixel alpha keep their own; and the runs of shown pixels of each row,
// which are the window's shape, are collected on the way.
#pragma once

#include "platform/linux/display/display_pixels.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace voxtrel::display {

// Writes `frame`'s pixels, finished, to `target` (rows `targetStride` bytes apart; the frame's
// own memory is allowed) and its shape to `shape`.
void finishFramePixels(const LayeredFrame& frame, std::uint8_t* target, std::size_t targetStride,
                       std::vector<ShapeRun>& shape);

} // namespace voxtrel::display
