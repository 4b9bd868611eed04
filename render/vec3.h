// The small vector algebra of the slot geometry and the spin, and two scalar helpers.
#pragma once

namespace voxtrel {

constexpr double PI = 3.141592653589793;

struct Vec3 {
    // Zero rather than left unset: nothing relies on garbage, and a forgotten assignment then
    // shows as a visible zero instead of undefined behaviour.
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    Vec3() = default;
    Vec3(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}

    Vec3& set(double x_, double y_, double z_) {
        x = x_;
        y = y_;
        z = z_;
        return *this;
    }
    Vec3& operator+=(const Vec3& b) {
        x += b.x;
        y += b.y;
        z += b.z;
        return *this;
    }
    Vec3& operator/=(double s) {
        x /= s;
        y /= s;
        z /= s;
        return *this;
    }
};

inline Vec3 operator+(const Vec3& a, const Vec3& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(const Vec3& a, const Vec3& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(double s, const Vec3& a) {
    return {s * a.x, s * a.y, s * a.z};
}

Vec3 cross(const Vec3& a, const Vec3& b);
double length(const Vec3& a);
// Never called with a zero vector: every face of both meshes has a non-zero area.
Vec3 normalized(const Vec3& a);

// lo when v < lo, v when v <= hi, otherwise hi. A NaN v comes back unchanged, so a speed or
// scale that went wrong stays visibly wrong instead of snapping to a bound.
double clamp(double v, double lo, double hi);
// The division comes first, so the result matches (PI / 180) * d to the last bit.
double degToRad(double d);

} // namespace voxtrel
