// Construction of a cursor and the choice of its mesh.
#include "cursor/cursor.h"

namespace voxtrel {

Cursor::Cursor()
    : centerX(GetSystemMetrics(SM_CXVIRTUALSCREEN) / 2),
      centerY(GetSystemMetrics(SM_CYVIRTUALSCREEN) / 2) {}

void Cursor::chooseMesh() {
    const int row = shapeIndex(shape);
    if (row >= 0)
        mesh = meshes[row].get();
}

} // namespace voxtrel
