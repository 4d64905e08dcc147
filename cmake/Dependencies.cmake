# Everyday builds take every dependency from Debian's packages (scripts/install-deps.sh installs
# them). Release builds (scripts/build-release.sh) link SDL2 and libmodplug statically from a
# prefix of their own and compile stb_image's decoder in, so the executable needs no library
# beyond the C library and the system's OpenGL driver.
set(DEMO_RELEASE_PREFIX "" CACHE PATH "Prefix with static SDL2 and libmodplug for a release build (empty: Debian's packages)")
add_library(demo_dependencies INTERFACE)
if(DEMO_RELEASE_PREFIX)
  find_package(SDL2 REQUIRED CONFIG PATHS ${DEMO_RELEASE_PREFIX} NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  find_path(MODPLUG_INCLUDE_DIR libmodplug/modplug.h PATHS ${DEMO_RELEASE_PREFIX}/include
    NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  find_library(MODPLUG_LIBRARY libmodplug.a PATHS ${DEMO_RELEASE_PREFIX}/lib
    NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  # Debian's stb headers hold the whole library; only the image decoder is compiled in.
  find_path(STB_INCLUDE_DIR stb_image.h PATHS /usr/include/stb NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  add_library(stb_image STATIC ${CMAKE_SOURCE_DIR}/packaging/stb_image.c)
  target_include_directories(stb_image SYSTEM PUBLIC ${STB_INCLUDE_DIR})
  target_include_directories(demo_dependencies SYSTEM INTERFACE ${MODPLUG_INCLUDE_DIR})
  target_compile_definitions(demo_dependencies INTERFACE MODPLUG_STATIC)
  target_link_libraries(demo_dependencies INTERFACE SDL2::SDL2-static ${MODPLUG_LIBRARY} stb_image)
  # The C++ and GCC runtimes go into the executable too; on Windows also winpthread, so no DLL
  # has to lie beside it.
  add_link_options(-static-libgcc -static-libstdc++)
  if(WIN32)
    add_link_options(-static)
  else()
    add_link_options(-Wl,--as-needed)
  endif()
else()
  find_package(SDL2 REQUIRED)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(MODPLUG REQUIRED IMPORTED_TARGET libmodplug)
  pkg_check_modules(STB REQUIRED IMPORTED_TARGET stb)
  target_link_libraries(demo_dependencies INTERFACE SDL2::SDL2 PkgConfig::MODPLUG PkgConfig::STB)
endif()
find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(GLAD_EXECUTABLE glad REQUIRED)
