// When GL may cull a quadric sphere's back faces: arithmetic without GL.
#pragma once

namespace mesh
{

// Whether GL may cull the back faces of a sphere of `radius` about the model-view's origin, drawn as
// GLU draws it from outside (counter-clockwise seen from outside), without changing what shows: the
// model-view turns and moves but neither scales nor mirrors, the projection does not mirror, and the
// whole sphere lies beyond the near plane, so that the eye is outside it and no front face is clipped
// away to show a back face. Matrices are column by column.
bool backFacesHidden(const float modelview[16], const float projection[16], double radius);

} // namespace mesh
