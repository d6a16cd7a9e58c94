// The one scene object: the registry of bodies, the gravity step, the user's switches and the camera.
#pragma once

#include "camera/camera.h"
#include "render/texture.h"
#include "sim/registry.h"
#include "sim/space_object.h"

#include <cstdint>

struct GLUquadric;

// Look-at modes: who orients the camera.
enum LookAtMode : int
{
    LookAtFree = 0,
    LookAtVelocity = 1,
    LookAtAcceleration = 2,
    LookAtAntiVelocity = 3,
    LookAtAntiAcceleration = 4,
};

class Simulation
{
  public:
    Simulation();
    ~Simulation();
    Simulation(const Simulation&) = delete;
    Simulation& operator=(const Simulation&) = delete;

    // Registry. The simulation owns what it is given.
    void addObject(SpaceObject* object);
    void destroyAllObjects();
    std::uint32_t objectCount() const
    {
        return objects_.count();
    }
    SpaceObject& object(std::uint32_t key) const
    {
        return *objects_.at(key);
    }

    // One gravity step of dt simulated seconds, with its log line.
    void step(float dt);

    // Controls.
    Simulation& togglePaused();
    bool isPaused() const
    {
        return paused_;
    }
    Simulation& toggleHistories();
    Simulation& toggleMotionVectors();
    void clearAllHistories();
    void nextTarget();
    void previousTarget();
    int& lookAtMode()
    {
        return lookAtMode_;
    }
    bool showHistories() const
    {
        return showHistories_;
    }
    bool showMotionVectors() const
    {
        return showMotionVectors_;
    }
    std::uint32_t targetIndex() const
    {
        return targetIndex_;
    }
    float& gravityConstant()
    {
        return gravityConstant_;
    }
    float minCameraDistance() const
    {
        return minCameraDistance_;
    }
    float maxCameraDistance() const
    {
        return maxCameraDistance_;
    }
    Camera& camera()
    {
        return camera_;
    }

    // Scene (defined with the GL code: render/sky.cpp, render/scene.cpp).
    void loadSky();
    void drawScene();
    GLUquadric* skyQuadric() const
    {
        return skyQuadric_;
    }
    DovrelGraphicsLibrary::Texture2D& skyTexture()
    {
        return skyTexture_;
    }

    // Camera control (defined in camera/).
    void zoomCamera(float amount);
    void rotateCamera(float yawDelta, float pitchDelta);
    void updateLookAt();

  private:
    float gravityConstant_ = 1.0f;
    float minCameraDistance_ = 5.0f;     // also the near clipping distance
    float maxCameraDistance_ = 25000.0f; // also the far clipping distance and the sky's radius
    ObjectRegistry objects_;
    GLUquadric* skyQuadric_ = nullptr;
    DovrelGraphicsLibrary::Texture2D skyTexture_;
    bool showMotionVectors_ = true;
    bool showHistories_ = true;
    int lookAtMode_ = LookAtFree;
    std::uint32_t targetIndex_ = 0;
    Camera camera_{zeroVector, 45.0f, 45.0f, 200.0f, Camera::OrbitMode};
    bool paused_ = true; // the program starts paused
};

// Gravity steps taken so far; decides history sampling and numbers the log lines.
extern std::uint32_t frameCount;

// The process-wide scene, shared by every window-system callback.
extern Simulation simulation;

// Populates the global simulation with the nine bodies of the initial system.
void createInitialSystem(Simulation& into = simulation);
