// Reading the one BMP form the textures use, without GL.
#pragma once
