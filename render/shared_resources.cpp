// The textures and the quadric all bodies share, and the hooks that tie them to the bodies' lifetimes.
#include "render/shared_resources.h"

#include "render/texture.h"
#include "sim/render_hooks.h"

#include <GL/glu.h>

GLUquadric* sharedQuadric = nullptr;

void loadSharedResources()
{
    for (int i = 0; i < textureCount; ++i)
        objectTextures[i].load(textureFileNames[i]);
    sharedQuadric = gluNewQuadric();
    gluQuadricDrawStyle(sharedQuadric, GLU_FILL);
    gluQuadricNormals(sharedQuadric, GLU_FLAT);
    gluQuadricOrientation(sharedQuadric, GLU_OUTSIDE);
    gluQuadricTexture(sharedQuadric, GL_TRUE);
}

void releaseSharedQuadric()
{
    gluDeleteQuadric(sharedQuadric);
    sharedQuadric = nullptr; // a body drawn after this must not reach a freed quadric
}

void bindObjectTexture(int textureIndex)
{
    if (textureIndex < 0 || textureIndex >= textureCount)
    {
        glBindTexture(GL_TEXTURE_2D, 0);
        return;
    }
    objectTextures[textureIndex].bind();
}

void installRenderHooks()
{
    renderHooks.loadSharedResources = loadSharedResources;
    renderHooks.releaseSharedQuadric = releaseSharedQuadric;
    renderHooks.deleteQuadric = gluDeleteQuadric;
}
