// The orbit trail: appending, clearing, thinning a full trail and measuring chunk boxes.
#include "sim/trail.h"

#include <algorithm>

Box boundsOf(const Vector3* points, std::size_t count)
{
    Box box{points[0], points[0]};
    for (std::size_t i = 1; i < count; ++i)
    {
        const Vector3& p = points[i];
        box.low =
            Vector3(std::min(box.low.x(), p.x()), std::min(box.low.y(), p.y()), std::min(box.low.z(), p.z()));
        box.high = Vector3(std::max(box.high.x(), p.x()), std::max(box.high.y(), p.y()),
                           std::max(box.high.z(), p.z()));
    }
    return box;
}

namespace
{
std::size_t usableBudget(std::size_t budget)
{
    return std::max<std::size_t>(budget, 8) / 4 * 4;
}
} // namespace

Trail::Trail(std::size_t budget) : budget_(usableBudget(budget))
{
}

void Trail::append(const Vector3& point)
{
    if (points_.size() >= budget_)
        thin();
    // Grow by doubling as a vector would, but never past the budget: that is the memory bound.
    if (points_.size() == points_.capacity())
        points_.reserve(std::min(budget_, std::max<std::size_t>(2 * points_.capacity(), 64)));
    points_.push_back(point);
    ++samples_;
    measureNewChunks();
}

void Trail::clear()
{
    std::vector<Vector3>().swap(points_);
    std::vector<Box>().swap(chunks_);
    thinned_ = 0;
    samples_ = 0;
    stride_ = 1;
    firstComplete_ = 0;
}

void Trail::setBudget(std::size_t budget)
{
    budget_ = usableBudget(budget);
    if (points_.size() > budget_)
        thin();
    points_.shrink_to_fit();
}

// The newest quarter of the budget stays complete. Everything older becomes the thinned part: the
// samples whose number is a multiple of the stride, which doubles (dropping every other one) until that
// part fills at most half the budget. So the whole past since the last clear stays, evenly thinned,
// a full trail drops to at most three quarters, and the O(budget) pass here is paid for by the quarter
// of the budget that must be appended before the next one.
void Trail::thin()
{
    const std::size_t keep = budget_ / 4;
    const std::size_t firstKept = points_.size() - keep;
    std::size_t thinned = thinned_;
    for (std::size_t i = thinned_; i < firstKept; ++i)
    {
        const std::uint64_t sample = firstComplete_ + (i - thinned_);
        if (sample % stride_ == 0)
            points_[thinned++] = points_[i];
    }
    // The thinned part holds samples 0, stride, 2 * stride, ...: keeping the even positions keeps the
    // multiples of twice the stride.
    while (thinned > budget_ / 2)
    {
        stride_ *= 2;
        std::size_t kept = 0;
        for (std::size_t i = 0; i < thinned; i += 2)
            points_[kept++] = points_[i];
        thinned = kept;
    }
    std::copy(points_.begin() + static_cast<std::ptrdiff_t>(firstKept), points_.end(),
              points_.begin() + static_cast<std::ptrdiff_t>(thinned));
    points_.erase(points_.begin() + static_cast<std::ptrdiff_t>(thinned + keep), points_.end());
    thinned_ = thinned;
    firstComplete_ = samples_ - keep;
    // Points moved: every box is measured again (once per thinning, not per frame).
    chunks_.clear();
    measureNewChunks();
}

void Trail::measureNewChunks()
{
    const std::size_t complete = points_.size() / chunkSize;
    for (std::size_t c = chunks_.size(); c < complete; ++c)
        chunks_.push_back(boundsOf(points_.data() + c * chunkSize, chunkSize));
}
