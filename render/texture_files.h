// The twelve texture files, the one list of their names: the program loads them, the texture
// generator paints them in this order, and the build (tools/CMakeLists.txt) reads the quoted names
// below from this file, so each name keeps a line of its own. No GL here: the generator includes it.
#pragma once

// The bodies' textures, by texture index.
inline constexpr int textureCount = 11;

// The bodies' textures, then the sky's.
// clang-format off
inline constexpr const char* textureFileNames[textureCount + 1] = {
    "sun.bmp",
    "mercury.bmp",
    "venus.bmp",
    "earth.bmp",
    "mars.bmp",
    "jupiter.bmp",
    "saturn.bmp",
    "uranus.bmp",
    "neptune.bmp",
    "pluto.bmp",
    "moon.bmp",
    "skybox.bmp",
};
// clang-format on

// The sky's texture: the list's last.
inline constexpr const char* skyTextureFileName = textureFileNames[textureCount];
