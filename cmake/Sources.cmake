# Libraries are the source files of their folder: adding a file needs no edit here.
function(pictavo_sources out dir)
  file(GLOB_RECURSE found CONFIGURE_DEPENDS
    ${dir}/*.c ${dir}/*.cpp ${dir}/*.h ${dir}/*.hpp)
  set(${out} ${found} PARENT_SCOPE)
endfunction()
