// The one translation unit that compiles stb's Perlin noise (Debian's libstb-dev header).
#define STB_PERLIN_IMPLEMENTATION
#include <stb/stb_perlin.h>
