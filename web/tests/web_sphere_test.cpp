// The browser's sphere against the desktop's GLU: the same triangles, texture coordinates and
// normals, compared through GL's feedback mode with lighting on (so each normal shows in a colour).
#include "render_test_support.h"
#include "web/core/sphere.h"

#include <GL/glu.h>
#include <cmath>
#include <gtest/gtest.h>
#include <ostream>

namespace
{
struct Style
{
    GLenum normals;
    GLenum orientation;
    const char* name;
};

// Test listings then show the style's name rather than the bytes of the struct.
void PrintTo(const Style& style, std::ostream* os)
{
    *os << style.name;
}

class WebSphereTest : public RenderTest, public ::testing::WithParamInterface<Style>
{
  protected:
    // Both spheres start from the same current normal and under one light.
    template <class Draw> std::vector<FeedbackPrimitive> lit(Draw draw)
    {
        return recordFeedback([&] {
            glPushAttrib(GL_LIGHTING_BIT | GL_ENABLE_BIT | GL_CURRENT_BIT);
            glEnable(GL_LIGHTING);
            glEnable(GL_LIGHT0);
            glEnable(GL_NORMALIZE); // the feedback's modelview scales, and the normals with it
            glNormal3f(0.3f, -0.5f, 0.8f);
            draw();
            glPopAttrib();
        });
    }
};

TEST_P(WebSphereTest, SameTrianglesTextureCoordinatesAndNormalsAsGlu)
{
    const Style style = GetParam();
    constexpr double radius = 40.0; // within the feedback's +-64
    const auto glu = lit([&] {
        GLUquadric* q = gluNewQuadric();
        gluQuadricNormals(q, style.normals);
        gluQuadricOrientation(q, style.orientation);
        gluQuadricTexture(q, GL_TRUE);
        gluSphere(q, radius, 50, 50);
        gluDeleteQuadric(q);
    });
    mesh::Style ours;
    ours.normals = style.normals == GLU_FLAT ? mesh::Normals::Flat : mesh::Normals::Smooth;
    ours.outside = style.orientation == GLU_OUTSIDE;
    ours.textured = true;
    const auto web = lit([&] {
        for (const auto& strip : mesh::sphereStrips(radius, 50, 50, ours))
        {
            glBegin(GL_QUAD_STRIP);
            for (const mesh::SphereVertex& v : strip)
            {
                if (v.setsNormal)
                    glNormal3fv(v.normal);
                glTexCoord2fv(v.texCoord);
                glVertex3fv(v.position);
            }
            glEnd();
        }
    });

    ASSERT_EQ(web.size(), glu.size());
    ASSERT_GT(glu.size(), 4000u) << "50 x 50 quads";
    int mismatches = 0;
    for (std::size_t p = 0; p < glu.size() && mismatches < 5; ++p)
    {
        ASSERT_EQ(web[p].vertices.size(), glu[p].vertices.size());
        for (std::size_t k = 0; k < glu[p].vertices.size(); ++k)
        {
            const FeedbackVertex& a = web[p].vertices[k];
            const FeedbackVertex& b = glu[p].vertices[k];
            float worst = 0.0f;
            for (int i = 0; i < 3; ++i)
                worst = std::fmax(worst, std::fabs(a.position.data()[i] - b.position.data()[i]) / 1e-3f);
            for (int i = 0; i < 4; ++i)
                worst = std::fmax(worst, std::fmax(std::fabs(a.color[i] - b.color[i]) / 1e-4f,
                                                   std::fabs(a.texCoord[i] - b.texCoord[i]) / 1e-6f));
            if (worst > 1.0f && ++mismatches <= 5)
                ADD_FAILURE() << "primitive " << p << " vertex " << k << ": at (" << a.position.x() << ' '
                              << a.position.y() << ' ' << a.position.z() << ") tex (" << a.texCoord[0] << ' '
                              << a.texCoord[1] << ") colour " << a.color[0] << ", GLU (" << b.position.x()
                              << ' ' << b.position.y() << ' ' << b.position.z() << ") tex (" << b.texCoord[0]
                              << ' ' << b.texCoord[1] << ") colour " << b.color[0];
        }
    }
}

// The bodies' quadric (flat normals) and the sky's (GLU's default smooth normals); and inside out.
INSTANTIATE_TEST_SUITE_P(Styles, WebSphereTest,
                         ::testing::Values(Style{GLU_FLAT, GLU_OUTSIDE, "FlatOutside"},
                                           Style{GLU_SMOOTH, GLU_OUTSIDE, "SmoothOutside"},
                                           Style{GLU_FLAT, GLU_INSIDE, "FlatInside"}),
                         [](const ::testing::TestParamInfo<Style>& param) { return param.param.name; });
} // namespace
