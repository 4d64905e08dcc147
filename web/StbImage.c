/* Debian's libstb is a native library; the browser build compiles the PNG and JPEG decoder
   from the same header, once, here. */
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#include <stb_image.h>
