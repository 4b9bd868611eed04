// Vector operations and scalar helpers.
#include "render/vec3.h"

#include <cmath>

namespace voxtrel {

Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double length(const Vec3& a) {
    return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
}

Vec3 normalized(const Vec3& a) {
    const double len = length(a);
    return {a.x / len, a.y / len, a.z / len};
}

double clamp(double v, double lo, double hi) {
    if (v < lo)
        return lo;
    if (v <= hi || std::isnan(v))
        return v;
    return hi;
}

double degToRad(double d) {
    return (PI / 180.0) * d;
}

} // namespace voxtrel
