// The nine bodies the program simulates, created once at start-up.
#include "sim/simulation.h"

namespace
{
struct BodySpec
{
    int textureIndex;
    int colorIndex;
    float mass;
    float radius;
    Vector3 position;
    Vector3 velocity;
    float spinRate;
    float tilt;
};

// Creation order is id order, key order and the order of the target cycle.
constexpr BodySpec initialBodies[] = {
    {0, 5, 100000.0f, 15.0f, {9.325f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, 10.0f, 5.0f},    // sun
    {1, 0, 3000.0f, 5.0f, {75.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 40.0f}, 30.0f, 1.0f},       // mercury
    {2, 1, 7000.0f, 7.0f, {325.0f, 0.0f, 0.0f}, {0.0f, 10.0f, 20.0f}, -10.0f, 60.0f},   // venus
    {3, 2, 2000.0f, 3.5f, {-300.0f, 0.0f, 0.0f}, {0.0f, 10.0f, -20.0f}, 27.0f, 10.0f},  // earth
    {10, 6, 100.0f, 1.0f, {-325.0f, 0.0f, 0.0f}, {0.0f, 0.0f, -20.0f}, -12.0f, 90.0f},  // its moon
    {4, 3, 1000.0f, 2.0f, {0.0f, 280.0f, 0.0f}, {0.0f, 0.0f, 20.0f}, 10.0f, 37.0f},     // mars
    {5, 7, 3000.0f, 5.0f, {0.0f, -280.0f, 0.0f}, {0.0f, 0.0f, -20.0f}, 15.0f, 19.0f},   // jupiter
    {7, 8, 100.0f, 1.0f, {0.0f, -305.0f, 0.0f}, {-10.0f, 0.0f, -20.0f}, -13.0f, 20.0f}, // uranus
    {8, 4, 100.0f, 1.0f, {0.0f, -155.0f, 0.0f}, {-10.0f, 0.0f, -20.0f}, -3.0f, 52.0f},  // neptune
};
} // namespace

void createInitialSystem(Simulation& into)
{
    for (const BodySpec& b : initialBodies)
        into.addObject(new SpaceObject(b.textureIndex, b.colorIndex, b.mass, b.radius, b.position, b.velocity,
                                       b.spinRate, b.tilt));
}
