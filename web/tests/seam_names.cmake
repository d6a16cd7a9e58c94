# Every GL, GLU and GLUT name the program's compiled code calls must be served in the browser: either
# handled by the browser layer (renamed by web/include/velmir_web_gl.h, or defined again by
# web/platform/web_glu.cpp or web_glut.cpp) or listed, with a reason, in web/pass_through.txt. And
# nothing the layer renames, defines or lists may lack a caller in the program.
# Run by CTest: cmake -DNM=nm -DWEB=<web folder> -DFILES=<a|b|...> -P seam_names.cmake
# FILES are the program's libraries and executable; their undefined symbols are the calls.

cmake_minimum_required(VERSION 3.25)

set(errors "")

# The names the program calls.
set(called "")
string(REPLACE "|" ";" files "${FILES}")
foreach(file IN LISTS files)
    execute_process(COMMAND "${NM}" -u -P "${file}" OUTPUT_VARIABLE out RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${NM} could not read ${file}")
    endif()
    string(REGEX MATCHALL "(^|\n)glu?t?[A-Z][A-Za-z0-9_]*" names "${out}")
    list(TRANSFORM names STRIP)
    list(APPEND called ${names})
endforeach()
list(REMOVE_DUPLICATES called)
list(SORT called)
if(NOT called)
    message(FATAL_ERROR "no GL call found in ${FILES}: the test reads the wrong files")
endif()

# Handled by the layer: the renames, and the layer's own definitions of GL's names, each with where
# it is, for a report of one that nobody calls.
file(READ "${WEB}/include/velmir_web_gl.h" header)
string(REGEX MATCHALL "#define glu?t?[A-Z][A-Za-z0-9_]* velmir" renames "${header}")
list(TRANSFORM renames REPLACE "#define ([A-Za-z0-9_]+) velmir" "\\1")
set(handled ${renames})
foreach(name IN LISTS renames)
    set(where_${name} "renamed by web/include/velmir_web_gl.h")
endforeach()
foreach(source web_glu.cpp web_glut.cpp)
    # A definition's line: a return type, the name, its parameters, and no semicolon after them.
    file(STRINGS "${WEB}/platform/${source}" lines
         REGEX "^[ \t]*[A-Za-z_][A-Za-z0-9_ \t*]*[ \t*]glu?t?[A-Z][A-Za-z0-9_]*\\([^;]*$")
    foreach(line IN LISTS lines)
        if(NOT line MATCHES "^[ \t]*return[ \t]")
            string(REGEX REPLACE "^.*[ \t*](glu?t?[A-Z][A-Za-z0-9_]*)\\(.*$" "\\1" name "${line}")
            list(APPEND handled ${name})
            set(where_${name} "defined by web/platform/${source}")
        endif()
    endforeach()
endforeach()

# Reviewed to pass unchanged.
set(passed "")
file(STRINGS "${WEB}/pass_through.txt" lines)
foreach(line IN LISTS lines)
    if(line MATCHES "^[ \t]*(#|$)")
        continue()
    endif()
    if(NOT line MATCHES "^(glu?t?[A-Z][A-Za-z0-9_]*)[ \t]+[^ \t]")
        string(APPEND errors "\n  web/pass_through.txt: \"${line}\" needs a name and the reason it passes")
        continue()
    endif()
    list(APPEND passed ${CMAKE_MATCH_1})
endforeach()

set(nHandled 0)
foreach(name IN LISTS called)
    if(name IN_LIST handled)
        math(EXPR nHandled "${nHandled} + 1")
        if(name IN_LIST passed)
            string(APPEND errors "\n  ${name} is handled by the browser layer and also listed in web/pass_through.txt: drop the entry")
        endif()
    elseif(NOT name IN_LIST passed)
        string(APPEND errors "\n  ${name} is called by the program, but the browser layer does not handle it and "
                             "web/pass_through.txt does not list it: check that the browser's GL does the same as "
                             "the desktop's and list it there with the reason, or handle it in web/platform/")
    endif()
endforeach()
foreach(name IN LISTS handled)
    if(NOT name IN_LIST called)
        string(APPEND errors "\n  ${name} is ${where_${name}} but no program file calls it: drop it, with "
                             "the state, notes and tests that serve only it")
    endif()
endforeach()
foreach(name IN LISTS passed)
    if(NOT name IN_LIST called)
        string(APPEND errors "\n  ${name} is listed in web/pass_through.txt but no program file calls it: drop the entry")
    endif()
endforeach()

list(LENGTH called nCalled)
list(LENGTH passed nPassed)
if(errors)
    message(FATAL_ERROR "The browser seam does not cover the program's calls:${errors}")
endif()
message(STATUS "${nCalled} GL, GLU and GLUT names called: ${nHandled} handled by the browser layer, "
               "${nPassed} passed through as reviewed in web/pass_through.txt")
