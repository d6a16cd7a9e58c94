// The registry of bodies: owning pointers by id, ordered by key, keys always 0 .. count - 1.
#pragma once

#include <cassert>
#include <cstdint>
#include <map>

class SpaceObject;

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
        const auto it = entries_.find(key);
        assert(it != entries_.end());
        return it->second;
    }
    void insert(std::uint32_t key, SpaceObject* object)
    {
        entries_[key] = object;
    }
    bool contains(std::uint32_t key) const
    {
        return entries_.count(key) != 0;
    }
    void clear()
    {
        entries_.clear();
    }

  private:
    std::map<std::uint32_t, SpaceObject*> entries_;
};
