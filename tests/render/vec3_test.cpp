// Vector algebra and the scalar helpers.
#include "render/vec3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace voxtrel {
namespace {

TEST(Clamp, KeepsInsideValuesAndStopsAtBothBounds) {
    EXPECT_EQ(clamp(5, 3, 100), 5);
    EXPECT_EQ(clamp(2, 3, 100), 3);
    EXPECT_EQ(clamp(3, 3, 100), 3);
    EXPECT_EQ(clamp(100, 3, 100), 100);
    EXPECT_EQ(clamp(101, 3, 100), 100);
    EXPECT_EQ(clamp(-1e300, 0.1, 1.0), 0.1);
    EXPECT_EQ(clamp(std::numeric_limits<double>::infinity(), 0.1, 1.0), 1.0);
}

TEST(Clamp, NanComesBackUnchanged) {
    EXPECT_TRUE(std::isnan(clamp(std::nan(""), 3, 100)));
}

TEST(DegToRad, MatchesTheDivisionFirstFormulaBitForBit) {
    EXPECT_EQ(degToRad(15), 0.2617993877991494);
    EXPECT_EQ(degToRad(180), PI);
    EXPECT_EQ(degToRad(0), 0.0);
    EXPECT_EQ(degToRad(-90), -PI / 2);
}

TEST(Vec3Algebra, CrossLengthAndNormalized) {
    const Vec3 x(1, 0, 0), y(0, 1, 0);
    const Vec3 z = cross(x, y);
    EXPECT_EQ(z.x, 0);
    EXPECT_EQ(z.y, 0);
    EXPECT_EQ(z.z, 1);
    const Vec3 back = cross(y, x);
    EXPECT_EQ(back.z, -1);

    EXPECT_EQ(length(Vec3(3, 4, 12)), 13);
    const Vec3 n = normalized(Vec3(0, -5, 0));
    EXPECT_EQ(n.y, -1);
    EXPECT_EQ(n.x, 0);
}

TEST(Vec3Algebra, InPlaceOperationsAndOperatorsAgree) {
    Vec3 a(1, 2, 3);
    Vec3& same = (a += Vec3(1, 1, 1));
    EXPECT_EQ(&same, &a);
    a /= 2.0;
    EXPECT_EQ(a.x, 1);
    EXPECT_EQ(a.y, 1.5);
    EXPECT_EQ(a.z, 2);

    const Vec3 d = Vec3(5, 5, 5) - Vec3(1, 2, 3);
    const Vec3 s = 2.0 * d + Vec3(0, 0, 1);
    EXPECT_EQ(s.x, 8);
    EXPECT_EQ(s.y, 6);
    EXPECT_EQ(s.z, 5);

    Vec3 v;
    EXPECT_EQ(&v.set(7, 8, 9), &v);
    EXPECT_EQ(v.z, 9);
}

} // namespace
} // namespace voxtrel
