# Refuses an include of a pe/ layer that the layer in LAYER_DIR does not link: a layer reads only
# the layers below it. Run by the build (pe/CMakeLists.txt) before the layer's library is made.
#   cmake -DLAYER_DIR=<dir> -DLAYER=<name> "-DBELOW=<names>" -DSTAMP=<file> -P check_layer.cmake
cmake_minimum_required(VERSION 3.25)
file(GLOB files "${LAYER_DIR}/*.h" "${LAYER_DIR}/*.cpp")
set(refused)
foreach(file IN LISTS files)
  file(STRINGS "${file}" includes REGEX "^#include \"pe/")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^#include \"pe/([^/\"]*)[/\"].*" "\\1" layer "${line}")
    if(NOT layer STREQUAL LAYER AND NOT layer IN_LIST BELOW)
      list(APPEND refused "${file}: ${line}")
    endif()
  endforeach()
endforeach()
if(refused)
  list(JOIN refused "\n  " text)
  message(FATAL_ERROR "pe/${LAYER} may include only pe/${LAYER} and the layers below it "
                      "(${BELOW}):\n  ${text}")
endif()
file(TOUCH "${STAMP}")
