# cmake/CheckLayers.cmake: fails when a source file includes a header of a folder that its
# own folder may not use (see Layers.cmake).
#
#   cmake -DSOURCE_DIR=<project> [-DSTAMP=<file>] -P cmake/CheckLayers.cmake
#
# STAMP, when given, is touched after a clean check so that the build reruns it only when
# a source changes.
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/Layers.cmake)

file(GLOB top_entries RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*)
set(top_folders "")
foreach(entry ${top_entries})
    if(IS_DIRECTORY ${SOURCE_DIR}/${entry})
        list(APPEND top_folders ${entry})
    endif()
endforeach()

set(violations "")
foreach(folder ${MTAFILTER_FOLDERS})
    mtafilter_folders_below(${folder} allowed)
    list(APPEND allowed ${folder})
    file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
        ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.c)
    foreach(source ${sources})
        file(STRINGS ${SOURCE_DIR}/${source} includes
            REGEX "^[ \t]*#[ \t]*include[ \t]*\"[A-Za-z0-9_]+/")
        foreach(line ${includes})
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([A-Za-z0-9_]+)/.*" "\\1" used
                "${line}")
            if(used IN_LIST top_folders AND NOT used IN_LIST allowed)
                string(STRIP "${line}" line)
                list(JOIN allowed ", " allowed_text)
                string(APPEND violations
                    "  ${source}: ${line}\n    (${folder}/ may use only ${allowed_text})\n")
            endif()
        endforeach()
    endforeach()
endforeach()

if(violations)
    message(FATAL_ERROR "Includes against the layering in cmake/Layers.cmake:\n${violations}"
        "Move the shared piece down to a folder both may use, or pass it in from above.")
endif()
if(STAMP)
    file(TOUCH ${STAMP})
endif()
