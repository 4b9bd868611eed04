// The shape value picks the mesh a cursor draws; an unknown value changes nothing.
#include "cursor/cursor.h"

#include <gtest/gtest.h>

namespace voxtrel {
namespace {

class ChooseMesh : public testing::Test {
protected:
    ChooseMesh() {
        for (int row = 0; row < SHAPE_COUNT; ++row)
            cursor.meshes[row].reset(SHAPES[row].makeMesh());
    }
    const SlotMesh* meshOf(UINT shape) const { return cursor.meshes[shapeIndex(shape)].get(); }
    Cursor cursor;
};

TEST_F(ChooseMesh, FourSlotsSelectTheTetrahedronAndSixTheCube) {
    cursor.shape = 40029;
    cursor.chooseMesh();
    EXPECT_EQ(cursor.mesh, meshOf(SHAPE_TETRAHEDRON));
    EXPECT_EQ(cursor.mesh->faceCount, 4);

    cursor.shape = 40030;
    cursor.chooseMesh();
    EXPECT_EQ(cursor.mesh, meshOf(SHAPE_CUBE));
    EXPECT_EQ(cursor.mesh->faceCount, 6);
}

TEST_F(ChooseMesh, AnyOtherShapeLeavesTheCurrentMeshAlone) {
    cursor.shape = 12345;
    cursor.chooseMesh();
    EXPECT_EQ(cursor.mesh, nullptr);

    cursor.shape = 40029;
    cursor.chooseMesh();
    cursor.shape = 40031;
    cursor.chooseMesh();
    EXPECT_EQ(cursor.mesh, meshOf(SHAPE_TETRAHEDRON));
}

TEST_F(ChooseMesh, SwitchingShapesKeepsTheLaunchEntriesOfTheHiddenSlots) {
    cursor.launches[4].assign("/home/user/five");
    cursor.launches[5].assign("/home/user/six");
    cursor.shape = 40029;
    cursor.chooseMesh();
    cursor.shape = 40030;
    cursor.chooseMesh();
    EXPECT_STREQ(cursor.launches[4].c_str(), "/home/user/five");
    EXPECT_STREQ(cursor.launches[5].c_str(), "/home/user/six");
}

} // namespace
} // namespace voxtrel
