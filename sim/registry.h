// The registry of bodies: owning pointers by id, ordered by key, keys always 0 .. count - 1.
#pragma once

#include <cassert>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

class SpaceObject;

// Keys are exactly 0 .. count - 1 and no entry is null: ids are handed out densely, bodies are only
// removed all together, and insert() refuses anything else in every build. So the key is the index,
// and a lookup is one array access, bounds-checked by assert only.
class ObjectRegistry
{
  public:
    std::uint32_t count() const
    {
        return static_cast<std::uint32_t>(entries_.size());
    }
    // A key of count() or more is a broken invariant of ours, never user input.
    SpaceObject* at(std::uint32_t key) const
    {
        assert(key < entries_.size());
        return entries_[key];
    }
    // Appends `object` under `key`, which must be the next key, count(). Anything else (a gap, a key
    // already taken, no object) would break what every loop over the bodies relies on: the process
    // ends here with a message rather than later on a null or stale entry.
    void insert(std::uint32_t key, SpaceObject* object)
    {
        if (key != entries_.size() || !object)
        {
            std::fprintf(stderr, "ObjectRegistry: refused key %u (next key %u)%s\n", key, count(),
                         object ? "" : " with no object");
            std::abort();
        }
        entries_.push_back(object);
    }
    void clear()
    {
        entries_.clear();
    }

  private:
    std::vector<SpaceObject*> entries_;
};
