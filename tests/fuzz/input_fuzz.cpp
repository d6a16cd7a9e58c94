// libFuzzer target: any sequence of user input through the GL-free command layer, on the real
// simulation and camera. Each input is a fresh program state and a list of events: keys, mouse buttons
// and motion at any position, window sizes from 0 to huge, main- and camera-menu choices, frames of the
// frame loop. After every event the frame's camera update runs and the state is checked; a broken
// promise traps, a read out of bounds or undefined arithmetic is the sanitizers' to find.
#include "app/frame_math.h"
#include "app/keys.h"
#include "camera/mouse.h"
#include "sim/simulation.h"
#include "window/bounds2d.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace
{
// The bytes of one input, read front to back; zeros once they run out.
class Bytes
{
  public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size)
    {
    }
    bool empty() const
    {
        return position_ >= size_;
    }
    std::uint8_t byte()
    {
        return position_ < size_ ? data_[position_++] : 0;
    }
    std::int32_t int32()
    {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = v << 8 | byte();
        std::int32_t result;
        std::memcpy(&result, &v, sizeof result);
        return result;
    }
    // A pointer coordinate: mostly within and around a window, sometimes anything an int holds.
    int coordinate()
    {
        const std::uint8_t kind = byte();
        if (kind < 192)
            return static_cast<int>(static_cast<std::int16_t>(byte() << 8 | byte()));
        return int32();
    }
    // A window side, as a reshape reports it: 0, small, usual, the most X allows, or any non-negative int.
    int side()
    {
        switch (byte() % 6)
        {
        case 0:
            return 0;
        case 1:
            return byte() % 4;
        case 2:
            return 100000;
        case 3:
            return 65535;
        case 4:
            return byte() << 8 | byte();
        default:
            return int32() & 0x7fffffff;
        }
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

// What the keys make of the time scale, worked out apart from the program: a power of two that
// doubles and halves exactly until it overflows to infinity or underflows to zero, where it stays.
class TimeScaleModel
{
  public:
    void apply(Command command)
    {
        if (stuck_ || (command != Command::SlowDown && command != Command::SpeedUp))
            return;
        exponent_ += command == Command::SpeedUp ? 1 : -1;
        const float v = value();
        stuck_ = v == 0.0f || std::isinf(v);
    }
    float value() const
    {
        return static_cast<float>(std::ldexp(1.0, exponent_));
    }

  private:
    int exponent_ = 0;
    bool stuck_ = false;
};

// Names the broken promise before the trap, so a finding says what it found.
#define CHECK(promise)                                                                                       \
    do                                                                                                       \
    {                                                                                                        \
        if (!(promise))                                                                                      \
        {                                                                                                    \
            std::fprintf(stderr, "broken: %s\n", #promise);                                                  \
            __builtin_trap();                                                                                \
        }                                                                                                    \
    } while (false)

bool finite(const Vector3& v)
{
    return std::isfinite(v.x()) && std::isfinite(v.y()) && std::isfinite(v.z());
}

bool finite(const Vector4& v)
{
    return std::isfinite(v.x()) && std::isfinite(v.y()) && std::isfinite(v.z()) && std::isfinite(v.w());
}

void checkState(Simulation& scene, float timeScale, const TimeScaleModel& model)
{
    CHECK(scene.objectCount() == 9);
    float largestRadius = 0.0f;
    for (std::uint32_t k = 0; k < scene.objectCount(); ++k)
    {
        CHECK(scene.object(k).id() == k); // dense: the key is the id, no gap, no stale entry
        largestRadius = std::max(largestRadius, scene.object(k).radius());
    }
    CHECK(scene.targetIndex() < scene.objectCount());

    const Camera& camera = scene.camera();
    CHECK(finite(camera.center()) && std::isfinite(camera.yaw()));
    // Dragging clamps the pitch to [-89, 89]; the look-at modes set it from a direction, up to +-90.
    CHECK(camera.pitch() >= -90.0f && camera.pitch() <= 90.0f);
    // Zooming keeps the distance between the limits, or just beyond the target's sphere when that
    // lies past the far limit; changing the target does not move the camera.
    CHECK(camera.distance() >= scene.minCameraDistance());
    CHECK(camera.distance() <=
          std::max(scene.maxCameraDistance(), largestRadius + scene.minCameraDistance()));
    CHECK(finite(lastDragPoint) && finite(currentDragPoint));

    const float expected = model.value();
    CHECK(timeScale == expected || (expected == 0.0f && timeScale == 0.0f));
}

// Gravity steps and keys one input may take: long runs are the benchmarks' business, here they would
// only slow the search. Commands beyond them are left out. 2500 keys hold a thousand "," and a
// thousand ".", which is as far as the time scale can go and come back.
constexpr std::uint32_t stepBudget = 100;
constexpr int keyBudget = 2500;

// One call of the frame loop while the simulation runs, `elapsed` wall-clock seconds after the last.
void frame(Simulation& scene, float timeScale, float elapsed)
{
    const SubSteps steps = subStepsFor(elapsed * timeScale);
    CHECK(steps.count >= 1 && steps.dt >= 0.0f && steps.dt < maxStepLength);
    if (frameCount + static_cast<std::uint32_t>(steps.count) > stepBudget)
        return;
    for (std::int32_t i = 0; i < steps.count; ++i)
        scene.step(steps.dt);
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Every step writes a log line: an unwritable stream keeps them off the terminal and fast.
    std::cout.rdbuf(nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // As the program starts: the bodies, the mouse and window state, the time scale.
    nextObjectId = 0;
    frameCount = 0;
    Simulation scene;
    createInitialSystem(scene);
    windowBounds = Bounds2D{0.0f, 640.0f, 0.0f, 480.0f};
    leftButtonState = MouseUp;
    lastDragPoint = currentDragPoint = Vector4{0.0f, 0.0f, 0.0f, 0.0f};
    float timeScale = 1.0f;
    TimeScaleModel model;

    int keysLeft = keyBudget;
    Bytes in(data, size);
    while (!in.empty())
    {
        switch (in.byte() % 7)
        {
        case 0: { // a key; a repeat count lets long runs of one key (a thousand ",") stay short inputs
            const unsigned char key = in.byte();
            const std::uint8_t r = in.byte();
            const int repeats = r < 200 ? 1 : (r - 199) * 20; // up to 1120
            const Command command = commandForKey(key);
            for (int i = 0; i < repeats && keysLeft > 0; ++i, --keysLeft)
            {
                if (command == Command::StepByHand && frameCount + 10 > stepBudget)
                    break;
                applyCommand(command, scene, timeScale, nullptr);
                model.apply(command);
            }
            break;
        }
        case 1: { // a mouse button: left, middle, right, the two wheel directions, or another
            const int button = in.byte() % 7;
            const int state = in.byte() % 2 == 0 ? MouseDown : MouseUp;
            const int x = in.coordinate();
            handleMouseButton(scene, windowBounds, button, state, x, in.coordinate());
            break;
        }
        case 2: { // pointer motion, with or without a button held
            const int x = in.coordinate();
            handleMouseMotion(scene, windowBounds, x, in.coordinate());
            break;
        }
        case 3: { // a reshape: the window's new size, as reshape stores it
            const int width = in.side();
            const int height = in.side();
            windowBounds.setWidth(static_cast<float>(width));
            windowBounds.setHeight(static_cast<float>(height));
            break;
        }
        case 4: // a main-menu entry; Exit ends the program and so the sequence
            if (!applyMenuChoice(in.byte() % 4, scene))
                return 0;
            break;
        case 5: // a camera-menu entry: the look-at modes
            scene.lookAtMode() = in.byte() % 5;
            break;
        default: // a frame of the running frame loop, up to a tenth of a second after the last
            if (!scene.isPaused())
                frame(scene, timeScale, static_cast<float>(in.byte()) / 2550.0f);
            break;
        }
        // Every event is followed by a frame, which first moves the camera with its target.
        scene.updateLookAt();
        checkState(scene, timeScale, model);
    }
    return 0;
}
