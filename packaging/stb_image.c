// Release builds link no shared stb library: stb_image's decoder is compiled into the show.
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
