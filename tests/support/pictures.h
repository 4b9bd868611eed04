// Small picture files for tests, in the plain PPM format that DevIL and gdk-pixbuf both read.
#pragma once

#include "tests/support/temp_dir.h"

#include <functional>
#include <string>

namespace voxtrel::testing_support {

// A width x height picture of one colour; returns its path.
std::string writeSolidPicture(const TempDir& dir, const std::string& name, int width, int height,
                              unsigned char red, unsigned char green, unsigned char blue);

// A picture whose four quarters have their own colours (top-left, top-right, bottom-left,
// bottom-right, as red-green-blue triples), so that its orientation shows wherever it is drawn.
struct PictureColor {
    unsigned char red, green, blue;
};
std::string writeQuarteredPicture(const TempDir& dir, const std::string& name, int side,
                                  const PictureColor (&quarters)[4]);

// A PNG picture with transparency, each pixel from `pixel`(x, y), y counted from the top;
// returns its path (parent folders made as needed).
struct PictureRgba {
    unsigned char red, green, blue, alpha;
};
std::string writePngPicture(const TempDir& dir, const std::string& name, int side,
                            const std::function<PictureRgba(int x, int y)>& pixel);

} // namespace voxtrel::testing_support
