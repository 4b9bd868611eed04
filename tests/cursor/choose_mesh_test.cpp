// The shape value picks the mesh a cursor draws; an unknown value changes nothing.
#include "cursor/cursor.h"

#include <gtest/gtest.h>

namespace voxtrel {
namespace {

class ChooseMesh : public testing::Test {
protected:
    ChooseMesh() {
        cursor.tetraMesh.reset(makeTetrahedronMesh());
        cursor.cubeMesh.reset(makeCubeMesh());
    }
    Cursor cursor;
};

TEST_F(ChooseMesh, FourSlotsSelectTheTetrahedronAndSixTheCube) {
    cursor.shape = 40029;
    cursor.chooseMesh();
    EXPECT_EQ(cursor.mesh, cursor.tetraMesh.get());
    EXPECT_EQ(cursor.mesh->faceCount, 4);

    cursor.shape = 40030;
    cursor.chooseMesh();
    EXPECT_EQ(cursor.mesh, cursor.cubeMesh.get());
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
    EXPECT_EQ(cursor.mesh, cursor.tetraMesh.get());
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
