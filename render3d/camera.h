#pragma once
// The viewer of a scene. The renderer's view is fixed (viewer at the origin
// looking along -z); only `position` is read, by the facing test.
#include "render3d/vector_math.h"

class Camera {
public:
    float fieldOfView = 90.0f;  // degrees; recorded, never read by the pipeline
    Vec3 position;
    Vec3 direction;

    Camera(Vec3 position, Vec3 direction) : position(position), direction(direction) {}
};
