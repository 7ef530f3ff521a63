#pragma once
// Single-precision vector and 4x4 matrix for the renderer and the tunnel.
// Row-vector convention: a point is the row [x y z 1] times the matrix, so
// rows 0-2 hold the linear part and row 3 the translation. Every component
// is accumulated in double precision from the float inputs and rounded to
// float once, when it is stored.

struct Vec3 {
    float x, y, z;
    Vec3() = default;
    constexpr Vec3(float x, float y, float z) : x(x), y(y), z(z) {}
};

struct Matrix4 {
    float m[4][4];  // not initialised: owners call setIdentity first

    void setIdentity();
    // Writes the upper 3x3: turn about X by ax, then Y by ay, then Z by az.
    // Row 3 and column 3 are left as they are.
    void setRotation(float ax, float ay, float az);
    void setTranslation(float x, float y, float z);
    Vec3 transformPoint(const Vec3& p) const;
    Vec3 rotateVector(const Vec3& v) const;
    // v times the transpose of the upper 3x3: undoes rotateVector for a pure rotation.
    Vec3 inverseRotateVector(const Vec3& v) const;
    // this = a * b, formed in a temporary so this may be a or b.
    void multiply(const Matrix4& a, const Matrix4& b);
};
