// The registry of bodies: owning pointers by id, ordered by key, keys always 0 .. count - 1.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <vector>

class SpaceObject;

// Because the keys are exactly 0 .. count - 1 (ids are dense and bodies are only removed all
// together), the key is the index: a lookup is one bounds-checked array access, not a tree walk.
class ObjectRegistry
{
  public:
    std::uint32_t count() const
    {
        return static_cast<std::uint32_t>(entries_.size());
    }
    // A missing key is a broken invariant of ours, never user input.
    SpaceObject* at(std::uint32_t key) const
    {
        assert(key < entries_.size());
        return entries_[key];
    }
    // Stores under `key`. Ids are handed out densely, so this appends; a gap would leave empty
    // (null) entries rather than an out-of-bounds write.
    void insert(std::uint32_t key, SpaceObject* object)
    {
        if (key >= entries_.size())
            entries_.resize(static_cast<std::size_t>(key) + 1, nullptr);
        entries_[key] = object;
    }
    bool contains(std::uint32_t key) const
    {
        return key < entries_.size();
    }
    void clear()
    {
        entries_.clear();
    }

  private:
    std::vector<SpaceObject*> entries_;
};
