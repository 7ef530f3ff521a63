#include "render3d/vector_math.h"

#include <cmath>

void Matrix4::setIdentity()
{
    for (auto& row : m)
        for (float& v : row)
            v = 0.0f;
    m[0][0] = m[1][1] = m[2][2] = m[3][3] = 1.0f;
}

void Matrix4::setRotation(float ax, float ay, float az)
{
    const double cx = std::cos(double(ax)), sx = std::sin(double(ax));
    const double cy = std::cos(double(ay)), sy = std::sin(double(ay));
    const double cz = std::cos(double(az)), sz = std::sin(double(az));
    m[0][0] = float(cy * cz);
    m[0][1] = float(cy * sz);
    m[0][2] = float(-sy);
    m[1][0] = float(sx * sy * cz - cx * sz);
    m[1][1] = float(sx * sy * sz + cx * cz);
    m[1][2] = float(sx * cy);
    m[2][0] = float(cx * sy * cz + sx * sz);
    m[2][1] = float(cx * sy * sz - sx * cz);
    m[2][2] = float(cx * cy);
}

void Matrix4::setTranslation(float x, float y, float z)
{
    m[3][0] = x;
    m[3][1] = y;
    m[3][2] = z;
}

Vec3 Matrix4::transformPoint(const Vec3& p) const
{
    const double x = p.x, y = p.y, z = p.z;
    return Vec3(float(x * m[0][0] + y * m[1][0] + z * m[2][0] + m[3][0]),
                float(x * m[0][1] + y * m[1][1] + z * m[2][1] + m[3][1]),
                float(x * m[0][2] + y * m[1][2] + z * m[2][2] + m[3][2]));
}

Vec3 Matrix4::rotateVector(const Vec3& v) const
{
    const double x = v.x, y = v.y, z = v.z;
    return Vec3(float(x * m[0][0] + y * m[1][0] + z * m[2][0]),
                float(x * m[0][1] + y * m[1][1] + z * m[2][1]),
                float(x * m[0][2] + y * m[1][2] + z * m[2][2]));
}

Vec3 Matrix4::inverseRotateVector(const Vec3& v) const
{
    const double x = v.x, y = v.y, z = v.z;
    return Vec3(float(x * m[0][0] + y * m[0][1] + z * m[0][2]),
                float(x * m[1][0] + y * m[1][1] + z * m[1][2]),
                float(x * m[2][0] + y * m[2][1] + z * m[2][2]));
}

void Matrix4::multiply(const Matrix4& a, const Matrix4& b)
{
    float p[4][4];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k)
                sum += double(a.m[i][k]) * double(b.m[k][j]);
            p[i][j] = float(sum);
        }
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            m[i][j] = p[i][j];
}
