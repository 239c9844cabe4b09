// Built-in shapes, made as triangle meshes in object space.
//   plane:    2 x 2 in the xz plane, facing +y; one segment.
//   sphere:   radius 1; one segment.
//   cube:     edge 2, centred; six segments, one per face.
//   cylinder: radius 1, y from -1 to 1, capped; segments side, top, bottom.
//   torus:    ring radius 1, tube radius `minorRadius`, around the y axis; one segment.
#pragma once

#include "mesh.h"

namespace kvr {

TriangleMesh makePlane();
TriangleMesh makeSphere(int slices = 48, int stacks = 24);
TriangleMesh makeCube();
TriangleMesh makeCylinder(int slices = 48);
TriangleMesh makeTorus(float minorRadius = 0.35f, int ringSegments = 48, int tubeSegments = 24);

// The size of each shape's mesh, from its tessellation alone (made meshes
// have exactly this size, and no room beyond it).
MeshSize planeSize();
MeshSize sphereSize(int slices = 48, int stacks = 24);
MeshSize cubeSize();
MeshSize cylinderSize(int slices = 48);
MeshSize torusSize(int ringSegments = 48, int tubeSegments = 24);

}  // namespace kvr
