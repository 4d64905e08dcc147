# SDL2 for the browser, compiled from its source folder SHOW_SDL_SOURCE_DIR with the configuration
# SDL ships for Emscripten (include/SDL_config_emscripten.h, picked by SDL_config.h), as Emscripten's
# own SDL port builds it: no configure step, whose checks each run Emscripten's compiler and linker.
# The sources of every subsystem that configuration enables; a file whose driver it leaves out
# compiles to nothing.
set(SDL_SUBDIRS
  . atomic audio audio/disk audio/dummy audio/emscripten cpuinfo dynapi events file filesystem/emscripten
  haptic haptic/dummy joystick joystick/emscripten joystick/virtual libm loadso/dlopen locale locale/emscripten
  misc misc/emscripten power power/emscripten render render/opengles2 render/software sensor sensor/dummy
  stdlib thread thread/generic timer timer/unix video video/dummy video/emscripten video/yuv2rgb)
set(SDL_SOURCES "")
foreach(subdir ${SDL_SUBDIRS})
  file(GLOB found ${SHOW_SDL_SOURCE_DIR}/src/${subdir}/*.c)
  list(APPEND SDL_SOURCES ${found})
endforeach()
add_library(sdl2 STATIC ${SDL_SOURCES})
target_include_directories(sdl2 PUBLIC ${SHOW_SDL_SOURCE_DIR}/include)
# SDL's own build looks for the Khronos headers after the system's.
target_compile_options(sdl2 PRIVATE -w -include ${CMAKE_CURRENT_SOURCE_DIR}/EmJsDepsShim.h
  -idirafter ${SHOW_SDL_SOURCE_DIR}/src/video/khronos)
