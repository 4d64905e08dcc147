#include <iostream>
#include <string>
#include <vector>

#include "capture/CaptureOptions.h"
#include "capture/CaptureRun.h"
#include "demo/StartupPaths.h"

int main(int argc, char* argv[]) {
    keepStandardStreamsOpen();
    std::vector<std::string> args(argv + 1, argv + argc);
    CaptureOptions options;
    std::string error;
    if (!parseCaptureOptions(args, options, error)) {
        std::cerr << "kavex_capture: " << error << std::endl;
        return 2;
    }
    if (options.help) {
        std::cout << captureUsage();
        return 0;
    }
    return runCapture(options);
}
