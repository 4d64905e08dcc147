/* Forced into every SDL2 source by web/Sdl2Sources.cmake: this SDL expects the EM_JS_DEPS macro of
   newer Emscripten releases; Debian's 3.1.6 lacks it, and an empty one loses nothing there. */
#ifndef EM_JS_DEPS
#define EM_JS_DEPS(tag, deps)
#endif
