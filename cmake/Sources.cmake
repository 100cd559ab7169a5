# A wing is one folder of a layer (platform/colour, ImageEngine/Stages, app/export): one library
# of the folder's source files. A wing names everything it uses:
#   USES         the wings whose headers its files include, linked publicly, as its own headers
#                may carry theirs;
#   LIBS         the libraries only its .c and .cpp files include, linked privately;
#   PUBLIC_LIBS  the libraries its headers include, which every user of the wing needs too.
# cmake/CheckLayers.cmake fails the build when a file includes a wing or a library that its wing
# does not name. Adding a file needs no edit here; adding a wing is one pictavo_wing call and one
# line in Layers.cmake.
function(pictavo_wing name dir)
  cmake_parse_arguments(WING "" "" "USES;LIBS;PUBLIC_LIBS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${dir}/*.c ${dir}/*.cpp ${dir}/*.h ${dir}/*.hpp)
  set(compiled ${sources})
  list(FILTER compiled INCLUDE REGEX "\\.(c|cpp)$")
  if(compiled)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${WING_USES} ${WING_PUBLIC_LIBS} PRIVATE ${WING_LIBS})
  else()
    add_library(${name} INTERFACE ${sources})
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${WING_USES} ${WING_PUBLIC_LIBS} ${WING_LIBS})
  endif()
  file(RELATIVE_PATH folder ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/${dir})
  pictavo_declare_uses(${name} ${folder} USES ${WING_USES} LIBS ${WING_LIBS} ${WING_PUBLIC_LIBS})
endfunction()

# Records what a part of the source (a wing, or a program that is not a wing) may include, for
# the layering check. A wing may use only wings below it in Layers.cmake.
function(pictavo_declare_uses name folder)
  cmake_parse_arguments(PART "" "" "USES;LIBS" ${ARGN})
  include(${CMAKE_SOURCE_DIR}/cmake/Layers.cmake)
  list(FIND PICTAVO_LAYERS ${folder} own)
  if(own EQUAL -1)
    message(FATAL_ERROR "${folder} is in no layer of cmake/Layers.cmake")
  endif()
  set(used_folders "")
  foreach(wing ${PART_USES})
    get_property(used_folder GLOBAL PROPERTY PICTAVO_FOLDER_OF_${wing})
    if(NOT used_folder)
      message(FATAL_ERROR "${folder} uses ${wing}, which is not a wing declared before it")
    endif()
    list(FIND PICTAVO_LAYERS ${used_folder} theirs)
    if(NOT theirs LESS own)
      message(FATAL_ERROR "${folder} uses ${used_folder}, which is not below it in cmake/Layers.cmake")
    endif()
    list(APPEND used_folders ${used_folder})
  endforeach()
  set_property(GLOBAL PROPERTY PICTAVO_FOLDER_OF_${name} ${folder})
  set_property(GLOBAL APPEND PROPERTY PICTAVO_DECLARED_PARTS ${folder})
  set_property(GLOBAL PROPERTY PICTAVO_USES_OF_${folder} ${used_folders})
  set_property(GLOBAL PROPERTY PICTAVO_LIBS_OF_${folder} ${PART_LIBS})
endfunction()

# Writes what every declared part may include, for cmake/CheckLayers.cmake to read at build time.
function(pictavo_write_uses file)
  set(text "")
  get_property(parts GLOBAL PROPERTY PICTAVO_DECLARED_PARTS)
  foreach(folder ${parts})
    get_property(uses GLOBAL PROPERTY PICTAVO_USES_OF_${folder})
    get_property(libs GLOBAL PROPERTY PICTAVO_LIBS_OF_${folder})
    string(MAKE_C_IDENTIFIER "${folder}" key)
    string(APPEND text "set(USES_${key} \"${uses}\")\nset(LIBS_${key} \"${libs}\")\n")
  endforeach()
  string(APPEND text "set(DECLARED_PARTS \"${parts}\")\n")
  file(WRITE ${file} "${text}")
endfunction()
