#pragma once
#include <string>
#include <vector>

#include "support/ScratchFolder.h"
#include "support/TestModule.h"

// A throw-away working directory holding an "Assets" folder that links every file of the
// build's Assets except the module, which the test writes itself; removed with the returned folder.
ScratchFolder stageShowDirectory(const TestModule& module);

struct ShowResult {
    int exitCode = -1;
    std::string out;  // standard output
    std::string err;  // standard error
};

// Done while the show runs, each `afterSeconds` after the one before it.
struct ShowAction {
    enum Kind { Shot, Resize } kind;
    double afterSeconds;
    // Shot: the PNG of the screen, with the window's geometry beside it in PATH.geometry.
    // Resize: the window's new size, WxH.
    std::string value;
};

struct ShowRunOptions {
    std::string screen = "1920x1080";
    std::vector<std::string> arguments;  // the show's command line
    std::vector<ShowAction> actions;     // before the Escape or SIGTERM below
    double escapeAfterSeconds = 0;       // 0: never
    double termAfterSeconds = 0;         // 0: never
    int timeoutSeconds = 120;
    bool stdoutClosed = false;             // the show starts with its standard output closed
    std::vector<std::string> environment;  // NAME=value pairs set for the show only
};

// Runs the real executable in `directory` under Xvfb with EGL, as the show runs on a desktop.
ShowResult runShowHeadless(const std::string& directory, const ShowRunOptions& options);

// Runs the real executable in `directory` with extra environment and arguments, without Xvfb.
ShowResult runShowDirect(const std::string& directory, const std::vector<std::string>& environment,
                         const std::vector<std::string>& arguments = {});
