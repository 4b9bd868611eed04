// Construction of a cursor and the choice of its mesh.
#include "cursor/cursor.h"

namespace voxtrel {

Cursor::Cursor()
    : centerX(GetSystemMetrics(SM_CXVIRTUALSCREEN) / 2),
      centerY(GetSystemMetrics(SM_CYVIRTUALSCREEN) / 2) {}

void Cursor::chooseMesh() {
    if (shape == SHAPE_TETRAHEDRON)
        mesh = tetraMesh.get();
    else if (shape == SHAPE_CUBE)
        mesh = cubeMesh.get();
}

} // namespace voxtrel
