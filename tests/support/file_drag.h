// Dropping files on a window as a user does from a file manager: a drag with the left button
// from the tests' drag source, which offers the files as a text/uri-list over XDND.
#pragma once

#include "tests/support/x_server.h"

#include <memory>
#include <string>

namespace voxtrel::testing_support {

// Presses the left button at (fromX, fromY), moves in steps to (x, y) and lets go there after
// several moves over the target, so that its answers to the drag's source have come back (on a
// busy machine too) before the drop.
void dragAndDrop(int fromX, int fromY, int x, int y);

// Drags `path` from the tests' drag source onto the screen point (x, y) of a window `halfSide`
// wide on either side of it, and lets go there. The source must outlive the drop: the target
// asks it for the data after the release.
std::unique_ptr<Helper> dragFileTo(const std::string& path, int x, int y, int halfSide = 128);

} // namespace voxtrel::testing_support
