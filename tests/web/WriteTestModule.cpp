// Writes the browser test's module: all 28 orders of the show, 4 rows each, in about 13 seconds.
#include <iostream>

#include "support/TestModule.h"

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::cerr << "usage: write_test_module OUTPUT.mod" << std::endl;
        return 2;
    }
    if (!writeModule(argv[1], walkingModule(28, 4, 6, 125))) {
        std::cerr << "cannot write " << argv[1] << std::endl;
        return 1;
    }
    return 0;
}
