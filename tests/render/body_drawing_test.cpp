// One body's drawing in a real GL context: state hygiene, arrow and history geometry through GL's
// feedback mode, the sphere's orientation, and the shared resources' lifetime.
#include "capture_cout.h"
#include "render/arrow.h"
#include "render/attribute_groups.h"
#include "render/scene.h"
#include "render/shared_resources.h"
#include "render/texture.h"
#include "render_test_support.h"
#include "sim/space_object.h"

#include <GL/glu.h>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

namespace
{
class BodyDrawingTest : public RenderTest
{
  protected:
    // A body with the given motion; its texture files are absent, which only prints lines.
    static std::unique_ptr<SpaceObject> body(Vector3 position, Vector3 velocity, int colorIndex = 0,
                                             int textureIndex = 0, float tilt = 0.0f)
    {
        CaptureCout quiet;
        return std::make_unique<SpaceObject>(textureIndex, colorIndex, 1.0f, 2.0f, position, velocity, 0.0f,
                                             tilt);
    }
};

void expectNear(const Vector3& actual, const Vector3& expected, float tolerance, const char* what)
{
    EXPECT_NEAR(actual.x(), expected.x(), tolerance) << what;
    EXPECT_NEAR(actual.y(), expected.y(), tolerance) << what;
    EXPECT_NEAR(actual.z(), expected.z(), tolerance) << what;
}

bool hasColor(const FeedbackVertex& v, float r, float g, float b)
{
    return std::fabs(v.color[0] - r) < 1e-3f && std::fabs(v.color[1] - g) < 1e-3f &&
           std::fabs(v.color[2] - b) < 1e-3f;
}

// Checks that drawArrow's output is one line from origin to origin + direction, in colour, with a
// cone of the expected size whose tip is the line's end.
void expectArrow(const std::vector<FeedbackPrimitive>& drawn, Vector3 origin, Vector3 direction,
                 float headSize, float r, float g, float b)
{
    const std::vector<FeedbackPrimitive> lines = primitivesOf(drawn, GL_LINE_TOKEN);
    ASSERT_EQ(lines.size(), 1u);
    const Vector3 tip(origin.x() + direction.x(), origin.y() + direction.y(), origin.z() + direction.z());
    expectNear(lines[0].vertices[0].position, origin, 1e-3f, "line start");
    expectNear(lines[0].vertices[1].position, tip, 1e-3f, "line end");
    EXPECT_TRUE(hasColor(lines[0].vertices[1], r, g, b));

    const Vector3 unit = normalized(direction);
    int apexVertices = 0;
    int rimVertices = 0;
    for (const FeedbackPrimitive& p : primitivesOf(drawn, GL_POLYGON_TOKEN))
        for (const FeedbackVertex& v : p.vertices)
        {
            if (!hasColor(v, r, g, b))
                continue;
            const Vector3 fromTip = v.position - tip;
            if (length(fromTip) < 1e-3f)
            {
                ++apexVertices;
                continue;
            }
            ++rimVertices;
            const float along = dot(fromTip, unit); // negative: behind the tip
            const float across = length(fromTip - unit * along);
            EXPECT_NEAR(along, -3.0f * headSize, 1e-3f);
            EXPECT_NEAR(across, headSize, 1e-3f);
        }
    EXPECT_EQ(apexVertices, 20); // a fan of 21 rim vertices is 20 triangles
    EXPECT_EQ(rimVertices, 40);
}
} // namespace

TEST_F(BodyDrawingTest, DrawLeavesGlStateAsFoundAndRaisesNoError)
{
    std::unique_ptr<SpaceObject> bodies[] = {
        body({1, 2, 3}, {4, 0, 0}, 5, 3, 23.0f), // moving, with a history
        body({0, 0, 0}, {0, 0, 0}, 8, 0),        // at rest, before any step: no direction at all
        body({5, 0, 0}, {0, 0, -1}, 42, 11),     // colour and texture indices out of range
        body({5, 0, 0}, {0, 1, 0}, -1, -1),
    };
    bodies[0]->acceleration() = Vector3(0, -3, 0);
    bodies[0]->addHistoryPoint();
    bodies[0]->position() = Vector3(2, 2, 3);
    bodies[0]->addHistoryPoint();

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -50.0f);
    for (const auto& b : bodies)
        for (bool history : {false, true})
            for (bool motion : {false, true})
            {
                const GlState before = GlState::capture();
                GLfloat matrixBefore[16];
                GLfloat matrixAfter[16];
                glGetFloatv(GL_MODELVIEW_MATRIX, matrixBefore);
                b->draw(history, motion);
                glGetFloatv(GL_MODELVIEW_MATRIX, matrixAfter);
                EXPECT_EQ(GlState::capture(), before) << "history " << history << ", motion " << motion;
                EXPECT_EQ(0, std::memcmp(matrixBefore, matrixAfter, sizeof matrixBefore));
                EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
            }
    glLoadIdentity();
}

TEST_F(BodyDrawingTest, MotionArrowsShowDirectionOnly)
{
    const auto slow = body({3, 4, 5}, {5, 0, 0});
    const auto fast = body({3, 4, 5}, {500, 0, 0});
    slow->acceleration() = Vector3(0, 0, -0.001f);
    const auto slowDrawn = recordFeedback([&] { slow->draw(false, true); });
    const auto fastDrawn = recordFeedback([&] { fast->draw(false, true); });

    // The fast body has no acceleration yet: its only arrow is the red one, and it matches the slow
    // body's red arrow exactly.
    expectArrow(fastDrawn, {3, 4, 5}, {10, 0, 0}, 0.03f, 1, 0, 0);
    const auto slowLines = primitivesOf(slowDrawn, GL_LINE_TOKEN);
    ASSERT_EQ(slowLines.size(), 2u);
    expectNear(slowLines[0].vertices[1].position, {13, 4, 5}, 1e-3f, "velocity arrow end");
    EXPECT_TRUE(hasColor(slowLines[0].vertices[1], 1, 0, 0));
    expectNear(slowLines[1].vertices[1].position, {3, 4, -5}, 1e-3f, "acceleration arrow end");
    EXPECT_TRUE(hasColor(slowLines[1].vertices[1], 0, 1, 0));
}

TEST_F(BodyDrawingTest, ArrowRunsFromOriginAlongItsDirectionWithAHeadOfAtMost003)
{
    const Vector3 origin(1, -2, 3);
    const Vector3 directions[] = {
        {0.12f, 0, 0},   // short: head 0.02 across, 0.06 long
        {0, 0, 10},      // along +z: no turn
        {0, 0, -10},     // along -z: the cross product with +z vanishes, yet it must point down
        {1e-6f, 0, -10}, // almost -z: a tiny axis must still turn it all the way
        {3, -4, 12},
    };
    for (const Vector3& d : directions)
    {
        SCOPED_TRACE(testing::Message() << "direction " << d.x() << ' ' << d.y() << ' ' << d.z());
        const auto drawn = recordFeedback([&] { drawArrow(Vector4(d, 0), GREEN, Vector4(origin, 0), true); });
        expectArrow(drawn, origin, d, std::fmin(0.03f, length(d) / 6.0f), 0, 1, 0);
    }

    const auto headless =
        recordFeedback([&] { drawArrow(Vector4(0, 5, 0, 0), RED, Vector4(0, 0, 0, 0), false); });
    EXPECT_EQ(primitivesOf(headless, GL_LINE_TOKEN).size(), 1u);
    EXPECT_TRUE(primitivesOf(headless, GL_POLYGON_TOKEN).empty());
}

TEST_F(BodyDrawingTest, EachArrowHeadCoversItsConesAreaOnScreen)
{
    // Arrows 0.3 long magnified 400 times, 200 from the eye: a head 0.09 long and 0.06 across is some 50
    // pixels across. Pointing right, down and at the eye, against GLU's cone of the same size turned from +z.
    GLUquadric* cone = gluNewQuadric();
    for (const Vector3& d : {Vector3(1, 0, 0), Vector3(0, -1, 0), Vector3(0, 0, 1)})
    {
        const Vector4 direction(d * 0.3f, 0), origin(d * -0.15f, 0);
        const auto redPixels = [&](bool withHead, bool gluHead) {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            glLoadIdentity();
            glTranslatef(0.0f, 0.0f, -200.0f);
            glScalef(400.0f, 400.0f, 400.0f);
            drawArrow(direction, RED, origin, withHead);
            if (gluHead)
            {
                const AttributeGroups saved{GL_CURRENT_BIT, GL_ENABLE_BIT};
                glDisable(GL_TEXTURE_2D);
                glColor3f(1.0f, 0.0f, 0.0f);
                glTranslatef(d.x() * 0.06f, d.y() * 0.06f, d.z() * 0.06f);
                glRotatef(90.0f * (1.0f - d.z()), -d.y(), d.x(), d.z()); // about z x d
                gluCylinder(cone, 0.03, 0.0, 0.09, 20, 1);
            }
            glLoadIdentity();
            return Frame::grab().count({255, 0, 0});
        };
        const int line = redPixels(false, false), expected = redPixels(false, true) - line;
        EXPECT_GT(expected, 1000);
        EXPECT_NEAR(redPixels(true, false) - line, expected, expected / 50)
            << "head along " << d.x() << ' ' << d.y() << ' ' << d.z();
    }
    gluDeleteQuadric(cone);
}

TEST_F(BodyDrawingTest, DirectionlessArrowDrawsNothing)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (const Vector4& d : {Vector4(0, 0, 0, 0), Vector4(nan, 0, 0, 0), Vector4(inf, 1, 0, 0)})
    {
        EXPECT_TRUE(recordFeedback([&] { drawArrow(d, RED, Vector4(0, 0, 0, 0), true); }).empty());
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
    // A body at rest before the first step has neither velocity nor acceleration: only its sphere.
    const auto resting = body({0, 0, 0}, {0, 0, 0});
    const auto drawn = recordFeedback([&] { resting->draw(true, true); });
    EXPECT_TRUE(primitivesOf(drawn, GL_LINE_TOKEN).empty());
    EXPECT_FALSE(primitivesOf(drawn, GL_POLYGON_TOKEN).empty());
}

TEST_F(BodyDrawingTest, HistoryPointsAreWorldPositionsInTheBodysColour)
{
    struct Case
    {
        int colorIndex;
        float r, g, b;
    };
    for (const Case& c : {Case{5, 1, 1, 0}, Case{6, 0.75f, 0.75f, 0.75f}, Case{7, 0.25f, 0.25f, 0.25f},
                          Case{8, 1, 1, 1}, Case{42, 1, 1, 1}, Case{-1, 1, 1, 1}})
    {
        SCOPED_TRACE(c.colorIndex);
        const auto b = body({1, 2, 3}, {0, 0, 0}, c.colorIndex);
        EXPECT_TRUE(primitivesOf(recordFeedback([&] { b->draw(true, false); }), GL_POINT_TOKEN).empty());
        b->addHistoryPoint();
        b->position() = Vector3(-4, 5, 6);
        b->addHistoryPoint();
        b->position() = Vector3(20, 20, 20); // the body has moved on; the points stay where it was

        const auto points = primitivesOf(recordFeedback([&] { b->draw(true, false); }), GL_POINT_TOKEN);
        ASSERT_EQ(points.size(), 2u);
        expectNear(points[0].vertices[0].position, {1, 2, 3}, 1e-3f, "oldest point");
        expectNear(points[1].vertices[0].position, {-4, 5, 6}, 1e-3f, "newest point");
        EXPECT_TRUE(hasColor(points[1].vertices[0], c.r, c.g, c.b));
    }
}

TEST_F(BodyDrawingTest, SphereIsSpunAboutItsPoleThenTilted)
{
    // GLU puts texture t = 1 on the sphere's +z pole and s = 0.5 on its -y side.
    struct Case
    {
        float tilt, spin;
        Vector3 pole, equatorMark;
    };
    const float s60 = std::sqrt(3.0f) / 2.0f;
    for (const Case& c : {Case{0, 0, {0, 1, 0}, {0, 0, 1}}, Case{0, 90, {0, 1, 0}, {1, 0, 0}},
                          Case{30, 0, {0, s60, 0.5f}, {0, -0.5f, s60}}})
    {
        SCOPED_TRACE(testing::Message() << "tilt " << c.tilt << ", spin " << c.spin);
        const auto b = body({10, 0, 0}, {0, 0, 0}, 0, 0, c.tilt);
        b->spinAngle() = c.spin;
        const auto drawn = recordFeedback([&] { b->draw(false, false); });
        int poles = 0;
        int marks = 0;
        for (const FeedbackPrimitive& p : primitivesOf(drawn, GL_POLYGON_TOKEN))
            for (const FeedbackVertex& v : p.vertices)
            {
                const Vector3 local = v.position - Vector3(10, 0, 0);
                if (v.texCoord[1] > 0.999f && ++poles)
                    expectNear(local, c.pole * 2.0f, 1e-3f, "pole");
                if (std::fabs(v.texCoord[1] - 0.5f) < 1e-4f && std::fabs(v.texCoord[0] - 0.5f) < 1e-4f &&
                    ++marks)
                    expectNear(local, c.equatorMark * 2.0f, 1e-3f, "equator mark");
            }
        EXPECT_GT(poles, 0);
        EXPECT_GT(marks, 0);
    }
}

TEST_F(BodyDrawingTest, FirstBodyLoadsSharedResourcesInIndexOrderAndLastReleasesTheQuadric)
{
    ASSERT_EQ(liveObjectCount, 0);
    const TempDirectory empty(TempDirectory::AsWorkingDirectory);
    std::string expected;
    for (int i = 0; i < textureCount; ++i)
        expected += std::string("Failed to open ") + textureFileNames[i] + " for reading!\n";

    for (int round = 0; round < 2; ++round) // after the last body goes, the next one loads anew
    {
        std::unique_ptr<SpaceObject> first, second;
        {
            CaptureCout out;
            first = std::make_unique<SpaceObject>(0, 0, 1.0f, 1.0f, zeroVector, zeroVector, 0.0f, 0.0f);
            EXPECT_EQ(out.text(), expected);
        }
        EXPECT_NE(sharedQuadric, nullptr);
        for (const auto& t : objectTextures)
            EXPECT_NE(t.textureName(), 0u);
        {
            CaptureCout out;
            second = std::make_unique<SpaceObject>(1, 1, 1.0f, 1.0f, zeroVector, zeroVector, 0.0f, 0.0f);
            EXPECT_EQ(out.text(), "");
        }
        first.reset();
        EXPECT_NE(sharedQuadric, nullptr);
        second.reset();
        EXPECT_EQ(sharedQuadric, nullptr);
    }
}
