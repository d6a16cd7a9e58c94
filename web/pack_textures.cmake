# Packs the textures for the page: velmir.data holds the BMP files end to end, unchanged, and
# velmir-data.json says where each one begins and ends, so the page can check that all of it arrived
# and hand each file to the program as it is on the desktop.
# Usage: cmake -DTEXTURE_DIR=DIR -DSITE_DIR=DIR -P pack_textures.cmake
file(GLOB names RELATIVE "${TEXTURE_DIR}" "${TEXTURE_DIR}/*.bmp")
list(SORT names)
if(NOT names)
    message(FATAL_ERROR "no textures in ${TEXTURE_DIR}")
endif()
set(offset 0)
set(entries "")
set(paths "")
foreach(name IN LISTS names)
    file(SIZE "${TEXTURE_DIR}/${name}" size)
    math(EXPR end "${offset} + ${size}")
    if(entries)
        string(APPEND entries ",")
    endif()
    string(APPEND entries "\n  {\"name\": \"${name}\", \"start\": ${offset}, \"end\": ${end}}")
    list(APPEND paths "${TEXTURE_DIR}/${name}")
    set(offset ${end})
endforeach()
execute_process(COMMAND "${CMAKE_COMMAND}" -E cat ${paths} OUTPUT_FILE "${SITE_DIR}/velmir.data"
                RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "could not write ${SITE_DIR}/velmir.data")
endif()
file(WRITE "${SITE_DIR}/velmir-data.json" "{\"file\": \"velmir.data\", \"size\": ${offset}, \"files\": [${entries}\n]}\n")
