// The two slot meshes: exact normals, centres, insets and corner order.
#include "render/slot_mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <ostream>

namespace voxtrel {
namespace {

constexpr double kSixDecimals = 5e-7;

double dot(const Vec3& a, const Vec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

void expectNear(const Vec3& actual, const Vec3& expected, double tolerance) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

TEST(CubeConstant, IsTheDoubleNearestToOneOverRootThree) {
    std::uint64_t bits;
    std::memcpy(&bits, &CUBE_HALF_SIDE, sizeof bits);
    EXPECT_EQ(bits, 0x3FE279A74590331CULL);
    EXPECT_EQ(CUBE_HALF_SIDE, std::sqrt(3.0) / 3.0);
    EXPECT_LT(CUBE_HALF_SIDE, 1.0 / std::sqrt(3.0)); // the naive formula rounds one step up
}

TEST(TetrahedronMesh, NormalsMatchTheWorkedValues) {
    std::unique_ptr<SlotMesh> mesh(makeTetrahedronMesh());
    ASSERT_EQ(mesh->faceCount, 4);
    ASSERT_EQ(mesh->vertsPerFace, 3);
    ASSERT_EQ(mesh->corners.size(), 12u);
    expectNear(mesh->normals[0], {-0.816497, 0.471405, 0.333333}, kSixDecimals);
    expectNear(mesh->normals[2], {0.816497, 0.471405, 0.333333}, kSixDecimals);
    expectNear(mesh->normals[3], {0, -0.942809, 0.333334}, kSixDecimals);
    // Face 1 lies in the plane z = -0.333333 exactly.
    EXPECT_EQ(mesh->normals[1].x, 0.0);
    EXPECT_EQ(mesh->normals[1].y, 0.0);
    EXPECT_EQ(mesh->normals[1].z, -1.0);
}

TEST(TetrahedronMesh, CornersFollowTheFaceTableAndInsetsShrinkTowardTheCentre) {
    std::unique_ptr<SlotMesh> mesh(makeTetrahedronMesh());
    // Face 1 is (3, 2, 1).
    EXPECT_EQ(mesh->corners[3].x, TETRA_VERTICES[3].x);
    EXPECT_EQ(mesh->corners[4].x, TETRA_VERTICES[2].x);
    EXPECT_EQ(mesh->corners[5].y, TETRA_VERTICES[1].y);
    expectNear(mesh->insetCorners[3], {0.612373, -0.353554, -0.333333}, kSixDecimals);
    expectNear(mesh->insetCorners[4], {-0.612373, -0.353554, -0.333333}, kSixDecimals);
    expectNear(mesh->insetCorners[5], {0, 0.707107, -0.333333}, kSixDecimals);
    expectNear(mesh->centers[1], {0, 0, -0.333333}, kSixDecimals);
}

TEST(CubeMesh, NormalsAreTheAxesInFaceOrder) {
    std::unique_ptr<SlotMesh> mesh(makeCubeMesh());
    ASSERT_EQ(mesh->faceCount, 6);
    ASSERT_EQ(mesh->vertsPerFace, 4);
    const Vec3 expected[6] = {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}, {0, 0, -1}, {-1, 0, 0}, {0, -1, 0}};
    for (int f = 0; f < 6; ++f) {
        SCOPED_TRACE(f);
        expectNear(mesh->normals[f], expected[f], 1e-15);
        // Centres lie on the face planes at +-k along the normal, in the middle of the face.
        expectNear(mesh->centers[f], CUBE_HALF_SIDE * expected[f], 1e-15);
    }
}

TEST(CubeMesh, InsetsSitAtThreeQuartersOfTheHalfSideInTheFacePlane) {
    std::unique_ptr<SlotMesh> mesh(makeCubeMesh());
    const double inPlane = 0.75 * CUBE_HALF_SIDE;
    EXPECT_NEAR(inPlane, 0.4330127, 5e-8);
    for (int f = 0; f < 6; ++f) {
        for (int c = 0; c < 4; ++c) {
            SCOPED_TRACE(testing::Message() << "face " << f << " corner " << c);
            const Vec3& p = mesh->insetCorners[f * 4 + c];
            const Vec3& n = mesh->normals[f];
            // Along the normal the inset stays on the face plane; across it, at +-3/4 k.
            for (double component : {p.x, p.y, p.z}) {
                const double magnitude = std::fabs(component);
                EXPECT_TRUE(std::fabs(magnitude - inPlane) < 1e-15 ||
                            std::fabs(magnitude - CUBE_HALF_SIDE) < 1e-15)
                    << component;
            }
            EXPECT_NEAR(dot(p, n), CUBE_HALF_SIDE, 1e-15);
        }
    }
}

struct Shape {
    const char* name;
    SlotMesh* (*make)();
};
void PrintTo(const Shape& shape, std::ostream* out) {
    *out << shape.name;
}

class BothMeshes : public testing::TestWithParam<Shape> {};

TEST_P(BothMeshes, CornersAreCounterClockwiseSeenFromOutside) {
    std::unique_ptr<SlotMesh> mesh(GetParam().make());
    for (int f = 0; f < mesh->faceCount; ++f) {
        SCOPED_TRACE(f);
        const Vec3& center = mesh->centers[f];
        // Consecutive corners turn counter-clockwise about the outward direction; for a
        // quadrilateral every turn must, or the face is twisted.
        for (int c = 0; c < mesh->vertsPerFace; ++c) {
            const Vec3& a = mesh->corners[f * mesh->vertsPerFace + c];
            const Vec3& b = mesh->corners[f * mesh->vertsPerFace + (c + 1) % mesh->vertsPerFace];
            EXPECT_GT(dot(cross(a - center, b - center), center), 0.0);
        }
        EXPECT_GT(dot(mesh->normals[f], center), 0.0);
    }
}

TEST_P(BothMeshes, NormalsAreUnitAndCentresPointAlongThem) {
    std::unique_ptr<SlotMesh> mesh(GetParam().make());
    for (int f = 0; f < mesh->faceCount; ++f) {
        SCOPED_TRACE(f);
        EXPECT_NEAR(length(mesh->normals[f]), 1.0, 1e-15);
        expectNear(normalized(mesh->centers[f]), mesh->normals[f], 5e-6);
    }
}

TEST_P(BothMeshes, VerticesLieOnTheUnitSphere) {
    std::unique_ptr<SlotMesh> mesh(GetParam().make());
    for (const Vec3& corner : mesh->corners)
        EXPECT_NEAR(length(corner), 1.0, 5e-7);
}

TEST_P(BothMeshes, InsetsAreTheFacesShrunkAboutTheirCentres) {
    std::unique_ptr<SlotMesh> mesh(GetParam().make());
    for (int f = 0; f < mesh->faceCount; ++f) {
        for (int c = 0; c < mesh->vertsPerFace; ++c) {
            const int i = f * mesh->vertsPerFace + c;
            const Vec3 fromCentre = mesh->insetCorners[i] - mesh->centers[f];
            const Vec3 cornerFromCentre = mesh->corners[i] - mesh->centers[f];
            expectNear(fromCentre, 0.75 * cornerFromCentre, 1e-15);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, BothMeshes,
                         testing::Values(Shape{"Tetrahedron", &makeTetrahedronMesh},
                                         Shape{"Cube", &makeCubeMesh}),
                         [](const testing::TestParamInfo<Shape>& info) { return info.param.name; });

} // namespace
} // namespace voxtrel
