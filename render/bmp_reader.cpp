// Placeholder BMP reader.
#include "render/bmp_reader.h"
