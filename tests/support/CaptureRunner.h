#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Runs the real kavex_capture the way a user does, and reads what it wrote.

struct CaptureResult {
    int exitCode = -1;
    std::string log;  // standard output and standard error together
};

// Runs the capture with `--quiet` and the arguments in `directory` (a staged show directory).
// `before` is shell text put before the executable: "ulimit -f 64 &&", "timeout -s KILL 60".
CaptureResult runCaptureIn(const std::string& directory, const std::string& arguments, const std::string& before = "");

std::vector<uint8_t> readBytes(const std::string& path);
std::vector<std::string> readLines(const std::string& path);

// Field `index` (from 0) of a hash line: frame, time, order:row, picture hash, sound hash.
std::string field(const std::string& line, int index);
