#pragma once
// A mesh drawn the plain way: the modifiers run, then every face one at a
// time (Mesh::drawFacesOneByOne). Mesh::render gives the same bytes.
#include "render3d/mesh.h"

void renderMeshReference(Mesh& mesh);
