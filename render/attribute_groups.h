// Pushing GL attribute groups so that every one of them comes back on its pop, on Mesa too.
#pragma once

#include <GL/gl.h>
#include <initializer_list>

// Drawing code pushes the groups it changes one by one, and GL restores each on its pop. Mesa 22
// (llvmpipe among them) does not: its glPopAttrib restores a group only if it changed since the most
// recent push of any group, so a change to a group pushed beneath another one is forgotten (a trail
// left texturing off and the colour yellow for every later sphere). One more push of all the groups at
// once, innermost, makes every change fall under the push Mesa tracks; with a correct GL the separate
// pops then restore the same values again.
inline void pushAttributeGroups(std::initializer_list<GLbitfield> groups)
{
    GLbitfield all = 0;
    for (const GLbitfield group : groups)
    {
        glPushAttrib(group);
        all |= group;
    }
    glPushAttrib(all);
}

// Undoes pushAttributeGroups of `count` groups.
inline void popAttributeGroups(int count)
{
    for (int i = 0; i <= count; ++i)
        glPopAttrib();
}
