// The part of the world that can reach the window, for not sending what cannot.
#pragma once

#include "sim/trail.h"

// The six planes of the view volume (near and far included) in the model-view frame they were read in,
// each widened a little so that the test only ever errs towards drawing: a few pixels sideways (a 2-pixel
// point whose centre lies just outside still touches the window) and a small fraction in depth (GL clips
// in single precision, this test runs in double).
class ViewVolume
{
  public:
    // Excludes nothing.
    ViewVolume() = default;
    // From the current projection, model-view matrix and viewport. Without a usable viewport or with a
    // matrix that is not finite it excludes nothing.
    static ViewVolume current();

    // True only if the whole box is outside: some plane has even the box's corner farthest along it
    // behind it. A box with a corner that is not finite is never outside (a NaN compares false
    // everywhere and would look outside).
    bool excludes(const Box& box) const;

  private:
    bool usable_ = false;
    double planes_[6][4] = {};
};
