// Emitting one face of a slot mesh, or its inset, as OpenGL primitives named by the slot index.
#include "render/slot_mesh.h"

#include "platform/win32.h"

#include <GL/gl.h>

namespace voxtrel {

namespace {

// Texture coordinates per corner, in the corner order of the face tables. The two quadrilateral
// tables run opposite ways in t: the background and the icon are mirrored against each other.
constexpr double FACE_QUAD_TEXCOORDS[4][2] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
constexpr double INSET_QUAD_TEXCOORDS[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
constexpr double TRIANGLE_TEXCOORDS[3][2] = {{0, 0}, {0.5, 1}, {1, 0}};

void emit(const SlotMesh& mesh, int q, const std::vector<Vec3>& corners,
          const double (*quadTexcoords)[2]) {
    glLoadName(static_cast<GLuint>(q)); // a face and its inset both name the slot
    const bool quad = mesh.vertsPerFace == 4;
    glBegin(quad ? GL_QUADS : GL_TRIANGLES);
    const Vec3& n = mesh.normals[q];
    glNormal3d(n.x, n.y, n.z);
    for (int c = 0; c < mesh.vertsPerFace; ++c) {
        const double* st = quad ? quadTexcoords[c] : TRIANGLE_TEXCOORDS[c];
        glTexCoord2d(st[0], st[1]);
        const Vec3& p = corners[q * mesh.vertsPerFace + c];
        glVertex3d(p.x, p.y, p.z);
    }
    glEnd();
}

} // namespace

void SlotMesh::drawFace(int q) const {
    emit(*this, q, corners, FACE_QUAD_TEXCOORDS);
}

void SlotMesh::drawInset(int q) const {
    emit(*this, q, insetCorners, INSET_QUAD_TEXCOORDS);
}

} // namespace voxtrel
