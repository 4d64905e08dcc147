# Every dependency comes from Debian's packages (scripts/install-deps.sh installs them).
find_package(SDL2 REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(MODPLUG REQUIRED IMPORTED_TARGET libmodplug)
pkg_check_modules(STB REQUIRED IMPORTED_TARGET stb)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(GLAD_EXECUTABLE glad REQUIRED)
