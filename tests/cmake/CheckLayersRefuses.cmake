# cmake -DSOURCE_DIR=<top> -DWORK_DIR=<scratch> -P CheckLayersRefuses.cmake: runs the layering
# check over a small tree of its own and fails unless it refuses each kind of fault and passes
# the sound tree.
set(tree ${WORK_DIR}/tree)
file(REMOVE_RECURSE ${tree})
file(MAKE_DIRECTORY ${tree}/cmake)
foreach(file CheckLayers.cmake Layers.cmake LibraryHeaders.cmake)
  configure_file(${SOURCE_DIR}/cmake/${file} ${tree}/cmake/${file} COPYONLY)
endforeach()
file(WRITE ${tree}/uses.cmake
  "set(USES_platform_base \"\")\nset(LIBS_platform_base \"PkgConfig::ZLIB\")\n"
  "set(USES_platform_text \"platform/base\")\nset(LIBS_platform_text \"\")\n"
  "set(USES_platform_files \"platform/text\")\nset(LIBS_platform_files \"\")\n"
  "set(DECLARED_PARTS \"platform/base;platform/text;platform/files\")\n")

function(check_tree expected)
  execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${tree} -DUSES_FILE=${tree}/uses.cmake
    -P ${tree}/cmake/CheckLayers.cmake RESULT_VARIABLE result ERROR_VARIABLE output)
  if(expected STREQUAL "passes")
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "the sound tree was refused:\n${output}")
    endif()
  elseif(result EQUAL 0 OR NOT output MATCHES "${expected}")
    message(FATAL_ERROR "expected a refusal matching '${expected}', got (${result}):\n${output}")
  endif()
endfunction()

file(WRITE ${tree}/platform/base/Base.cpp "#include <zlib.h>\n#include <string>\n")
file(WRITE ${tree}/platform/text/Text.h "#include \"platform/base/Base.h\"\n")
file(WRITE ${tree}/platform/files/Files.cpp "#include \"platform/text/Text.h\"\n#include \"platform/files/Files.h\"\n")
check_tree(passes)

file(WRITE ${tree}/platform/files/Files.cpp "#include \"platform/base/Base.h\"\n")
check_tree("platform/files does not name platform/base among the wings it uses")
file(WRITE ${tree}/platform/files/Files.cpp "#include <zlib.h>\n")
check_tree("platform/files does not name PkgConfig::ZLIB among its libraries")
file(WRITE ${tree}/platform/files/Files.cpp "")
file(WRITE ${tree}/platform/base/Base.h "#include \"platform/text/Text.h\"\n")
check_tree("platform/base/Base.h includes platform/text/Text.h, which is in a higher layer")
file(REMOVE ${tree}/platform/base/Base.h)
file(WRITE ${tree}/platform/nowhere/Stray.cpp "")
check_tree("platform/nowhere/Stray.cpp: its folder is in no layer")
