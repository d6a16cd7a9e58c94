// Texture classes: a BMP file read into memory and uploaded as a GL 2-D texture.
#pragma once

#include "render/texture_files.h"

#include <cstdint>
#include <memory>

namespace DovrelGraphicsLibrary
{

class Texture
{
  public:
    Texture() = default; // no GL call: textures exist before any GL context
    virtual void load(const char* fileName) = 0;
    virtual void bind() = 0;

    std::uint32_t textureName() const
    {
        return textureName_;
    }
    const std::uint8_t* pixels() const
    {
        return pixels_.get();
    }

  protected:
    // Not virtual, and protected so nothing can delete a texture through the base.
    ~Texture() = default;
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    std::uint32_t textureName_ = 0;          // GL texture name owned by this object; 0 = none
    std::unique_ptr<std::uint8_t[]> pixels_; // exactly as read: bottom row first, BGR triples
};

class Texture2D : public Texture
{
  public:
    Texture2D() = default;
    ~Texture2D();

    void load(const char* fileName) override;
    void bind() override;

    std::int32_t width() const
    {
        return width_;
    }
    std::int32_t height() const
    {
        return height_;
    }

  private:
    void readBmp(const char* fileName);

    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
};

} // namespace DovrelGraphicsLibrary

extern DovrelGraphicsLibrary::Texture2D objectTextures[textureCount];
