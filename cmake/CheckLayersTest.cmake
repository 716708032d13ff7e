# cmake/CheckLayersTest.cmake: CheckLayers.cmake on a small tree where filters/ includes a
# header of frame/ and frame/ one of filters/: it must fail and name only the upward one.
#
#   cmake -DWORK_DIR=<scratch directory> -P cmake/CheckLayersTest.cmake
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${WORK_DIR})
file(WRITE ${WORK_DIR}/filters/Upward.h "#pragma once\n  #  include \"frame/Top.h\"\n")
file(WRITE ${WORK_DIR}/frame/Top.h "#pragma once\n#include \"filters/Upward.h\"\n")
file(WRITE ${WORK_DIR}/frame/Top.cpp "#include \"frame/Top.h\"\n#include <gtest/gtest.h>\n")
execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${WORK_DIR}
    -P ${CMAKE_CURRENT_LIST_DIR}/CheckLayers.cmake
    RESULT_VARIABLE result ERROR_VARIABLE output)
if(result EQUAL 0)
    message(FATAL_ERROR "the check passed an include of frame/ from filters/")
endif()
if(NOT output MATCHES "filters/Upward.h: #  include \"frame/Top.h\"")
    message(FATAL_ERROR "the check did not name filters/Upward.h:\n${output}")
endif()
if(output MATCHES "frame/Top\\.(h|cpp):")
    message(FATAL_ERROR "the check rejected an include of filters/ from frame/:\n${output}")
endif()
