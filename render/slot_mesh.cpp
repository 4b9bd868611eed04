// Construction of the slot meshes from their vertex and face tables.
#include "render/slot_mesh.h"

#include <cstddef>

namespace voxtrel {

// Six-decimal values exactly as written: the faces and normals are checked against them.
const Vec3 TETRA_VERTICES[4] = {
    {0, 0, 1},
    {0, 0.942809, -0.333333},
    {-0.816497, -0.471405, -0.333333},
    {0.816497, -0.471405, -0.333333},
};
const int TETRA_FACES[4 * 3] = {0, 1, 2, 3, 2, 1, 0, 3, 1, 0, 2, 3};

constexpr double K = CUBE_HALF_SIDE;
const Vec3 CUBE_VERTICES[8] = {
    {-K, -K, +K}, {+K, -K, +K}, {-K, +K, +K}, {+K, +K, +K},
    {-K, -K, -K}, {+K, -K, -K}, {-K, +K, -K}, {+K, +K, -K},
};
const int CUBE_FACES[6 * 4] = {0, 1, 3, 2, 1, 5, 7, 3, 2, 3, 7, 6,
                               5, 4, 6, 7, 4, 0, 2, 6, 4, 5, 1, 0};

SlotMesh::SlotMesh(int vertsPerFace_, int faceCount_, const Vec3* vertices, const int* faceIndices)
    : corners(static_cast<std::size_t>(faceCount_ * vertsPerFace_)),
      normals(static_cast<std::size_t>(faceCount_)), faceCount(faceCount_),
      vertsPerFace(vertsPerFace_) {
    int j = 0;
    for (int f = 0; f < faceCount; ++f) {
        const Vec3& a = vertices[faceIndices[j]];
        const Vec3& b = vertices[faceIndices[j + 1]];
        const Vec3& c = vertices[faceIndices[j + 2]];
        // (C - B) x (A - B) points outward for counter-clockwise corners.
        normals[f] = normalized(cross(c - b, a - b));
        for (int corner = 0; corner < vertsPerFace; ++corner, ++j)
            corners[j] = vertices[faceIndices[j]];
    }

    centers.resize(static_cast<std::size_t>(faceCount));
    for (int f = 0; f < faceCount; ++f) {
        Vec3 sum(0, 0, 0);
        for (int corner = 0; corner < vertsPerFace; ++corner)
            sum += corners[f * vertsPerFace + corner];
        sum /= static_cast<double>(vertsPerFace);
        centers[f] = sum;
    }

    insetCorners.resize(corners.size());
    for (int f = 0; f < faceCount; ++f) {
        for (int corner = 0; corner < vertsPerFace; ++corner) {
            const int i = f * vertsPerFace + corner;
            const Vec3& p = corners[i];
            insetCorners[i] = p + (INSET_FACTOR * (centers[f] - p));
        }
    }
}

SlotMesh* makeTetrahedronMesh() {
    return new SlotMesh(3, 4, TETRA_VERTICES, TETRA_FACES);
}

SlotMesh* makeCubeMesh() {
    return new SlotMesh(4, 6, CUBE_VERTICES, CUBE_FACES);
}

} // namespace voxtrel
