# The GL loader is generated into the build tree from Debian's glad, never committed.
set(GLAD_OUT ${CMAKE_BINARY_DIR}/glad)
add_custom_command(
  OUTPUT ${GLAD_OUT}/src/gl.c ${GLAD_OUT}/include/glad/gl.h
  COMMAND ${GLAD_EXECUTABLE} --quiet --reproducible --api gl:core=3.3 --extensions "" --out-path ${GLAD_OUT} c
  COMMENT "Generating the OpenGL 3.3 core loader with glad"
  VERBATIM)
add_library(glad_gl STATIC ${GLAD_OUT}/src/gl.c)
target_include_directories(glad_gl PUBLIC ${GLAD_OUT}/include)
set_target_properties(glad_gl PROPERTIES POSITION_INDEPENDENT_CODE ON)
