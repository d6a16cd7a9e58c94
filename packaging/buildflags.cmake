# Debian's release flags for the packaged program (scripts/package.sh turns VELMIR_DEBIAN_FLAGS on):
# the preprocessor, compiler and linker flags dpkg-buildflags gives a Debian package with every
# hardening feature it knows (fortified string functions, the strong stack protector, read-only
# relocations bound at start-up; PIE is the compiler's default). They come before the build type's
# own flags, so a Release build keeps -O3 -DNDEBUG. The test and sanitizer builds leave them off.
if(NOT VELMIR_DEBIAN_FLAGS)
    return()
endif()
if(VELMIR_SANITIZE)
    message(FATAL_ERROR "VELMIR_DEBIAN_FLAGS and VELMIR_SANITIZE exclude each other: "
                        "_FORTIFY_SOURCE checks would hide errors from AddressSanitizer")
endif()
find_program(VELMIR_DPKG_BUILDFLAGS dpkg-buildflags REQUIRED)
foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    # Asked in the source tree, so the path-mapping flag makes the sources' paths in the binary
    # relative ("."), whichever directory the checkout is in.
    execute_process(
        COMMAND "${CMAKE_COMMAND}" -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all "${VELMIR_DPKG_BUILDFLAGS}"
                --get ${kind}
        WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}"
        OUTPUT_VARIABLE velmir_${kind}
        OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
endforeach()
# CMake has no variable of its own for CPPFLAGS: they go with the compiler's flags.
string(APPEND CMAKE_CXX_FLAGS " ${velmir_CPPFLAGS} ${velmir_CXXFLAGS}")
string(APPEND CMAKE_EXE_LINKER_FLAGS " ${velmir_LDFLAGS}")
message(STATUS "Debian release flags: ${velmir_CPPFLAGS} ${velmir_CXXFLAGS}; linker: ${velmir_LDFLAGS}")
