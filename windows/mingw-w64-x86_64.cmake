# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix). The posix
# thread model's compilers, whose libstdc++ is whole (the win32 model's lacks std::thread); static
# linking keeps its thread library (winpthread) inside the executable.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(velmir_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${velmir_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${velmir_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${velmir_mingw}-windres)

# Libraries and headers from the MinGW tree (and the prefix freeglut is installed into) only; the
# build machine's programs from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${velmir_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
