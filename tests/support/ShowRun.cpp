#include "support/ShowRun.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string readWhole(const fs::path& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string quoted(const std::string& text) { return "'" + text + "'"; }

ShowResult runCommand(const std::string& directory, const std::string& command) {
    fs::path out = fs::path(directory) / "stdout.txt";
    fs::path err = fs::path(directory) / "stderr.txt";
    std::string full = command + " >" + quoted(out.string()) + " 2>" + quoted(err.string());
    int status = std::system(full.c_str());
    ShowResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = readWhole(out);
    result.err = readWhole(err);
    return result;
}

std::string environmentPrefix(const std::vector<std::string>& environment) {
    std::string prefix = "env";
    for (const std::string& pair : environment) {
        prefix += " " + quoted(pair);
    }
    return prefix + " ";
}

}  // namespace

ScratchFolder stageShowDirectory(const TestModule& module) {
    ScratchFolder directory("show");
    fs::path assets = fs::path(directory.path) / "Assets";
    fs::create_directories(assets);
    for (const fs::directory_entry& entry : fs::directory_iterator(fs::absolute("Assets"))) {
        if (entry.path().filename() != "ondaris.mod") {
            fs::create_symlink(entry.path(), assets / entry.path().filename());
        }
    }
    writeModule((assets / "ondaris.mod").string(), module);
    return directory;
}

ShowResult runShowHeadless(const std::string& directory, const ShowRunOptions& options) {
    std::ostringstream command;
    command << environmentPrefix(options.environment) << quoted(TEST_SOURCE_DIR "/support/run-show-headless.sh") << " "
            << quoted(SHOW_EXECUTABLE) << " " << quoted(directory) << " --screen " << options.screen << " --timeout "
            << options.timeoutSeconds;
    for (const ShowAction& action : options.actions) {
        command << (action.kind == ShowAction::Shot ? " --shot-after " : " --resize-after ") << action.afterSeconds
                << " " << quoted(action.value);
    }
    if (options.escapeAfterSeconds > 0) {
        command << " --escape-after " << options.escapeAfterSeconds;
    }
    if (options.termAfterSeconds > 0) {
        command << " --term-after " << options.termAfterSeconds;
    }
    if (options.stdoutClosed) {
        command << " --stdout-closed";
    }
    command << " --";
    for (const std::string& argument : options.arguments) {
        command << " " << quoted(argument);
    }
    return runCommand(directory, command.str());
}

ShowResult runShowDirect(const std::string& directory, const std::vector<std::string>& environment,
                         const std::vector<std::string>& arguments) {
    std::string command = "cd " + quoted(directory) + " && " + environmentPrefix(environment) + "timeout -s KILL 60 " +
                          quoted(SHOW_EXECUTABLE);
    for (const std::string& argument : arguments) {
        command += " " + quoted(argument);
    }
    return runCommand(directory, command);
}
