// Writes the show's OBJ models into the folder given as the only argument.
#include "Models.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const bool written = writeObj(buildFlamingo(), dir + "/flamingo.obj") &&
                         writeObj(buildWindsurf(), dir + "/windsurf.obj") && writeObj(buildPlane(), dir + "/plane.obj");
    if (!written) {
        std::fprintf(stderr, "cannot write the models into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
