#pragma once
// The one place that says which OpenGL the show is built against: the desktop's 3.3 core
// functions through the loader generated at build time, or the browser's OpenGL ES 3.0
// (WebGL 2) through Emscripten's headers.
#ifdef __EMSCRIPTEN__
#include <GLES3/gl3.h>
// WebGL 2 has no glPolygonMode: wireframes draw line lists made when a mesh loads.
#define SHOW_GL_ES 1
#else
#include <glad/gl.h>
#endif

#ifdef SHOW_GL_ES
constexpr bool GL_IS_ES = true;
#else
constexpr bool GL_IS_ES = false;
#endif
