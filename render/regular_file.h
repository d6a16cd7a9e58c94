// Opening a texture file for reading, as each system allows it safely. No GL.
#pragma once

#include <cstdint>
#include <cstdio>

// The named file opened for binary reading with its size, if it is a regular file; null (and size
// untouched) if it is missing, unreadable or anything else (a FIFO, a device, a folder).
std::FILE* openRegularFile(const char* fileName, std::uint64_t& size);
