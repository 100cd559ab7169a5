# A wing is one folder of a layer (platform/colour, ImageEngine/Stages, app/export): one library
# of the folder's source files, linked to the wing below it and to the libraries it uses itself.
# Adding a file needs no edit here; adding a wing is one pictavo_wing line and one line in Layers.cmake.
function(pictavo_wing name dir)
  cmake_parse_arguments(WING "" "BELOW" "LIBS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${dir}/*.c ${dir}/*.cpp ${dir}/*.h ${dir}/*.hpp)
  set(compiled ${sources})
  list(FILTER compiled INCLUDE REGEX "\\.(c|cpp)$")
  if(compiled)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${WING_BELOW} ${WING_LIBS})
  else()
    add_library(${name} INTERFACE ${sources})
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${WING_BELOW} ${WING_LIBS})
  endif()
endfunction()
