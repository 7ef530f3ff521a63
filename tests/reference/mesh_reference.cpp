#include "reference/mesh_reference.h"

#include "render3d/pipeline.h"
#include "render3d/scene.h"
#include "render3d/scene_node.h"

void renderMeshReference(Mesh& mesh)
{
    const Vec3 viewer = mesh.viewerInObjectSpace();
    mesh.applyModifiers();
    mesh.drawFacesOneByOne(viewer, focalLength(mesh.owner->scene->width));
}
