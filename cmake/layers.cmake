# Layers with include roots of their own.
#
# A layer's headers are included as "<folder>/name.h" (e.g. "core/engine.h").
# Instead of one include path for all of src/, every layer gets a folder in the
# build tree that holds a single link, <folder> -> src/<folder>, and only the
# targets that depend on the layer see that folder. An include of a layer that
# is not below the including file's layer then fails to compile.

set(QEL_INCLUDE_ROOTS ${CMAKE_BINARY_DIR}/include-roots)

# qel_include_root(TARGET FOLDER [INTERFACE]): makes src/FOLDER reachable as
# "FOLDER/…" for TARGET and for whatever links TARGET.
function(qel_include_root target folder)
  string(REPLACE "/" "_" key ${folder})
  set(root ${QEL_INCLUDE_ROOTS}/${key})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(NOT EXISTS ${root}/${folder})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  if(ARGV2 STREQUAL "INTERFACE")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()

# qel_layer(TARGET FOLDER [EXCLUDE FILE...]): a static library of every .cpp
# under src/FOLDER (its family folders included).
function(qel_layer target folder)
  cmake_parse_arguments(LAYER "" "" "EXCLUDE" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${folder}/*.cpp)
  foreach(excluded ${LAYER_EXCLUDE})
    list(FILTER sources EXCLUDE REGEX "/${excluded}$")
  endforeach()
  add_library(${target} STATIC ${sources})
  qel_include_root(${target} ${folder})
endfunction()

# qel_interface_layer(TARGET FOLDER): a layer of headers only.
function(qel_interface_layer target folder)
  add_library(${target} INTERFACE)
  qel_include_root(${target} ${folder} INTERFACE)
endfunction()
