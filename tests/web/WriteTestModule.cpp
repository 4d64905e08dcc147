// Writes the browser test's module: all 28 orders of the show, 8 rows each, in about 27 seconds.
// An order lasts about a second: a slow software-rendered frame must not skip a whole order, or
// the scene that changes on it would be missed.
#include <iostream>

#include "support/TestModule.h"

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::cerr << "usage: write_test_module OUTPUT.mod" << std::endl;
        return 2;
    }
    if (!writeModule(argv[1], walkingModule(28, 8, 6, 125))) {
        std::cerr << "cannot write " << argv[1] << std::endl;
        return 1;
    }
    return 0;
}
