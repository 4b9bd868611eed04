// The geometry of a cursor: a convex polyhedron whose faces are its launcher slots, each with
// its outward normal, its centre and the inset on which the slot's icon is drawn.
#pragma once

#include "render/vec3.h"

#include <vector>

namespace voxtrel {

// How far each inset corner moves from its face corner toward the face centre.
constexpr double INSET_FACTOR = 0.25;

// The double nearest to 1/sqrt(3): every cube vertex then lies on the unit sphere.
constexpr double CUBE_HALF_SIDE = 0.5773502691896257;

extern const Vec3 TETRA_VERTICES[4];
extern const int TETRA_FACES[4 * 3];
extern const Vec3 CUBE_VERTICES[8];
extern const int CUBE_FACES[6 * 4];

struct SlotMesh {
    // Built completely from a vertex table and a face table of `faceCount` x `vertsPerFace`
    // indices into it, listed counter-clockwise as seen from outside.
    SlotMesh(int vertsPerFace, int faceCount, const Vec3* vertices, const int* faceIndices);

    // Emit face q, or its inset, under the name q (for the selection pass), with its normal and
    // texture coordinates. Need a current OpenGL context.
    void drawFace(int q) const;
    void drawInset(int q) const;

    std::vector<Vec3> corners; // corner c of face f at f * vertsPerFace + c
    std::vector<Vec3> normals; // outward unit normal per face
    int faceCount;
    int vertsPerFace;
    std::vector<Vec3> centers;      // mean of each face's corners
    std::vector<Vec3> insetCorners; // indexed like corners
};

// Caller-owned meshes of the two shapes: 4 triangular slots and 6 square ones.
SlotMesh* makeTetrahedronMesh();
SlotMesh* makeCubeMesh();

} // namespace voxtrel
