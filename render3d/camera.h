#pragma once
// The viewer of a scene. The renderer's view is fixed (viewer at the origin
// looking along -z, a 90-degree field of view); only the position counts, for
// the facing test.
#include "render3d/vector_math.h"

class Camera {
public:
    Vec3 position;

    explicit Camera(Vec3 position) : position(position) {}
};
