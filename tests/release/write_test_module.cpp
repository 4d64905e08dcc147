// Writes a short test module for the release archive tests (tests/release/test-archives.sh):
//   write_test_module PATH ROWS_PER_ORDER
// 28 orders walk every scene; at speed 6, tempo 125 each row lasts 120 ms.
#include <cstdio>
#include <cstdlib>

#include "support/TestModule.h"

int main(int argc, char* argv[]) {
    int rows = argc == 3 ? std::atoi(argv[2]) : 0;
    if (rows < 2 || rows > 64) {
        std::fprintf(stderr, "usage: write_test_module PATH ROWS_PER_ORDER (2 to 64)\n");
        return 2;
    }
    if (!writeModule(argv[1], walkingModule(28, rows, 6, 125))) {
        std::fprintf(stderr, "write_test_module: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
