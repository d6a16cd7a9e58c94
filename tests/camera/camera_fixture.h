// A simulation of the test's own, with bodies keyed 0 .. n-1 like the real one.
#pragma once

#include "camera/mouse.h"
#include "sim/simulation.h"

#include <gtest/gtest.h>

class CameraFixture : public ::testing::Test
{
  protected:
    CameraFixture()
    {
        leftButtonState = MouseUp;
        lastDragPoint = currentDragPoint = Vector4(0.0f, 0.0f, 0.0f, 0.0f);
    }
    SpaceObject& add(float radius, const Vector3& position = zeroVector, const Vector3& velocity = zeroVector)
    {
        nextObjectId = scene.objectCount();
        auto* body = new SpaceObject(0, 0, 1.0f, radius, position, velocity, 0.0f, 0.0f);
        scene.addObject(body);
        return *body;
    }
    Camera& camera()
    {
        return scene.camera();
    }

    Simulation scene;
};
