// A body's orbit trail: the sampled positions, bounded in memory, with a box around every stretch of
// them, which drawing tests against the view volume so that a stretch wholly outside it is not sent.
#pragma once

#include "sim/vector.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// An axis-aligned box; a box with a NaN corner bounds nothing reliably.
struct Box
{
    Vector3 low;
    Vector3 high;
};

// The smallest box holding points [0, count); count must be at least 1.
Box boundsOf(const Vector3* points, std::size_t count);

class Trail
{
  public:
    // Points per box. Consecutive samples lie on one stretch of an orbit, so a chunk's box is small and
    // tells drawing whether any of its points can reach the window; a whole trail makes only a few
    // hundred boxes to test.
    static constexpr std::size_t chunkSize = 128;

    // Points one trail may hold. Drawing costs about 35 ns a point here when the whole system is in
    // view, so nine full trails (295k points) leave a frame room for 60 per second; at time scale 1 a
    // body gains about 7 samples a second, so it takes over an hour to fill (3.4 MiB for all nine).
    static constexpr std::size_t defaultBudget = 32768;

    explicit Trail(std::size_t budget = defaultBudget);

    // Appends a point. A full trail first thins its older part (see thin()), so its size never
    // exceeds the budget and appending costs amortised constant time.
    void append(const Vector3& point);
    // Empties the trail and gives its storage back; the budget stays.
    void clear();
    // Sets how many points the trail may hold (at least 8, a multiple of 4), thinning at once if it
    // holds more.
    void setBudget(std::size_t budget);

    std::size_t size() const
    {
        return points_.size();
    }
    bool empty() const
    {
        return points_.empty();
    }
    // Contiguous, oldest first: suitable for a vertex array.
    const Vector3* data() const
    {
        return points_.data();
    }
    const Vector3& operator[](std::size_t index) const
    {
        return points_[index];
    }
    // The boxes of the complete chunks: box c holds points [c * chunkSize, (c + 1) * chunkSize). The
    // incomplete last chunk has no box.
    const std::vector<Box>& chunkBounds() const
    {
        return chunks_;
    }

    std::size_t budget() const
    {
        return budget_;
    }
    // Bytes held for points and boxes, capacity included.
    std::size_t storageBytes() const
    {
        return points_.capacity() * sizeof(Vector3) + chunks_.capacity() * sizeof(Box);
    }
    // Samples appended since the last clear, kept or not.
    std::uint64_t samplesTaken() const
    {
        return samples_;
    }
    // One point kept in this many samples in the thinned older part (1 until the trail first fills).
    std::uint64_t stride() const
    {
        return stride_;
    }
    // Points [0, thinnedCount()) are the thinned older part; all later points are every sample since.
    std::size_t thinnedCount() const
    {
        return thinned_;
    }

  private:
    void thin();
    void measureNewChunks();

    std::vector<Vector3> points_;
    std::vector<Box> chunks_;
    std::size_t budget_;
    std::size_t thinned_ = 0;   // points in the thinned part, samples 0, stride, 2 * stride, ...
    std::uint64_t samples_ = 0; // samples since the last clear
    std::uint64_t stride_ = 1;
    std::uint64_t firstComplete_ = 0; // sample number of the first point after the thinned part
};
