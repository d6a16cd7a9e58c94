// Placeholder texture classes until the BMP reader lands.
#include "render/texture.h"

const char* const textureFileNames[textureCount] = {
    "sun.bmp",     "mercury.bmp", "venus.bmp", "earth.bmp", "mars.bmp", "jupiter.bmp",
    "saturn.bmp",  "uranus.bmp",  "neptune.bmp", "pluto.bmp", "moon.bmp",
};
DovrelGraphicsLibrary::Texture2D objectTextures[textureCount];

namespace DovrelGraphicsLibrary
{
Texture2D::~Texture2D() = default;
void Texture2D::load(const char*)
{
}
void Texture2D::bind()
{
}
void Texture2D::readBmp(const char*)
{
}
} // namespace DovrelGraphicsLibrary
