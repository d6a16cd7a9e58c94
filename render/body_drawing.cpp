// One body's drawing: trail points, motion arrows and the spun, tilted, textured sphere.
#include "render/body_drawing.h"

#include "render/arrow.h"
#include "render/shared_resources.h"
#include "render/sphere_geometry.h"
#include "render/trail_points.h"
#include "sim/space_object.h"

#include <GL/glu.h>

void drawMotionArrows(const SpaceObject& body)
{
    // Fixed 10-unit arrows: they show directions, not magnitudes.
    const Vector4 origin(body.position(), 0.0f);
    drawArrow(Vector4(normalized(body.velocity()) * 10.0f, 0.0f), RED, origin, true);
    drawArrow(Vector4(normalized(body.acceleration()) * 10.0f, 0.0f), GREEN, origin, true);
}

namespace
{
// The body's sphere, GL culling its back faces where they are sure to be hidden. Seen from outside,
// every back face lies behind a front face, yet a software GL would set up and rasterise each of them
// (half of the sphere's 5 000 triangles) only for it to lose the depth test or be painted over.
// Bypassed, every face drawn, where a back face can show: when the eye is inside the sphere or the near
// plane cuts it. At the outline, where a back face and the front face over it tie in depth, the pixel
// shows the front face's texel.
void drawSphere(float radius)
{
    GLfloat modelview[16], projection[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    const bool cull = mesh::backFacesHidden(modelview, projection, radius);
    if (cull)
        glEnable(GL_CULL_FACE); // off in the frame's state (initGL), so turned off again below
    gluSphere(sharedQuadric, radius, 50, 50);
    if (cull)
        glDisable(GL_CULL_FACE);
}

// The body's texture bound, its transform applied and its sphere drawn.
void placeSphere(const SpaceObject& body)
{
    glPushMatrix();
    {
        // A sphere vertex is spun about the polar (z) axis, then tilted about x, then moved: with a
        // tilt of 0 the +z pole points along world +y.
        const Vector3& position = body.position();
        glTranslatef(position.x(), position.y(), position.z());
        glRotatef(body.tilt() - 90.0f, 1.0f, 0.0f, 0.0f);
        glRotatef(body.spinAngle(), 0.0f, 0.0f, 1.0f);
        bindObjectTexture(body.textureIndex());
        // Only missing before the render hooks are installed (a body built without GL).
        if (sharedQuadric)
            drawSphere(body.radius());
    }
    glPopMatrix();
}
} // namespace

namespace
{
// Whether the sphere and the two arrows may reach the window: a cube around the position that holds the
// sphere and the 10-unit arrows with their heads.
bool bodyMayShow(const SpaceObject& body, bool showMotionVectors, const ViewVolume& volume)
{
    float reach = body.radius();
    if (showMotionVectors && reach < 10.5f)
        reach = 10.5f;
    const Vector3& p = body.position();
    return !volume.excludes(Box{Vector3(p.x() - reach, p.y() - reach, p.z() - reach),
                                Vector3(p.x() + reach, p.y() + reach, p.z() + reach)});
}
} // namespace

void drawBody(const SpaceObject& body, bool showHistory, bool showMotionVectors, const ViewVolume& volume)
{
    // World coordinates: drawn before the body's own translation.
    if (showHistory)
        drawTrailPoints(body.history(), historyColorFor(body.colorIndex()), volume);
    if (!bodyMayShow(body, showMotionVectors, volume))
        return;
    if (showMotionVectors)
        drawMotionArrows(body);
    placeSphere(body);
}

void SpaceObject::draw(bool showHistory, bool showMotionVectors) const
{
    drawBody(*this, showHistory, showMotionVectors, ViewVolume::current());
}
