// One GLUT window per test binary, created on first use.
#include "gl_context.h"

#include <GL/freeglut.h>
#include <cstring>
#include <ostream>

void GlContextTest::SetUpTestSuite()
{
    static bool created = false;
    if (created)
        return;
    created = true;
    int argc = 1;
    char name[] = "velmir-test";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(width, height);
    glutCreateWindow("velmir-test");
    glutDisplayFunc([] {});
    glViewport(0, 0, width, height);
}

GlState GlState::capture()
{
    GlState s{};
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &s.modelviewDepth);
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &s.projectionDepth);
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &s.attribDepth);
    glGetFloatv(GL_CURRENT_COLOR, s.color);
    s.texture2D = glIsEnabled(GL_TEXTURE_2D) == GL_TRUE;
    s.depthTest = glIsEnabled(GL_DEPTH_TEST) == GL_TRUE;
    s.lighting = glIsEnabled(GL_LIGHTING) == GL_TRUE;
    glGetIntegerv(GL_MATRIX_MODE, &s.matrixMode);
    glGetFloatv(GL_POINT_SIZE, &s.pointSize);
    glGetFloatv(GL_LINE_WIDTH, &s.lineWidth);
    return s;
}

bool GlState::operator==(const GlState& o) const
{
    return modelviewDepth == o.modelviewDepth && projectionDepth == o.projectionDepth &&
           attribDepth == o.attribDepth && std::memcmp(color, o.color, sizeof color) == 0 &&
           texture2D == o.texture2D && depthTest == o.depthTest && lighting == o.lighting &&
           matrixMode == o.matrixMode && pointSize == o.pointSize && lineWidth == o.lineWidth;
}

void PrintTo(const GlState& s, std::ostream* os)
{
    *os << "{modelview " << s.modelviewDepth << ", projection " << s.projectionDepth << ", attrib "
        << s.attribDepth << ", colour (" << s.color[0] << ' ' << s.color[1] << ' ' << s.color[2] << ' '
        << s.color[3] << "), texture2D " << s.texture2D << ", depthTest " << s.depthTest << ", lighting "
        << s.lighting << ", matrixMode " << s.matrixMode << ", pointSize " << s.pointSize << ", lineWidth "
        << s.lineWidth << '}';
}
