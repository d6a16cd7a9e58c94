// Saving GL attribute groups for the length of a block, so that every one of them comes back at its
// end, on Mesa too.
#pragma once

#include <GL/gl.h>
#include <initializer_list>

// Pushes the groups a drawing routine changes, one by one, and pops as many at the end of its scope:
//
//     {
//         const AttributeGroups saved{GL_POINT_BIT, GL_CURRENT_BIT};
//         glPointSize(2.0f);
//         ...
//     } // both groups restored
//
// Mesa 22 (llvmpipe among them) needs one more push: its glPopAttrib restores a group only if it
// changed since the most recent push of any group, so a change to a group pushed beneath another one
// is forgotten (a trail left texturing off and the colour yellow for every later sphere). One more
// push of all the groups at once, innermost, makes every change fall under the push Mesa tracks; with
// a correct GL the separate pops then restore the same values again.
class AttributeGroups
{
  public:
    AttributeGroups(std::initializer_list<GLbitfield> groups)
    {
        GLbitfield all = 0;
        for (const GLbitfield group : groups)
        {
            glPushAttrib(group);
            all |= group;
            ++pushes_;
        }
        glPushAttrib(all);
        ++pushes_;
    }

    ~AttributeGroups()
    {
        for (int i = 0; i < pushes_; ++i)
            glPopAttrib();
    }

    AttributeGroups(const AttributeGroups&) = delete;
    AttributeGroups& operator=(const AttributeGroups&) = delete;

  private:
    int pushes_ = 0;
};
