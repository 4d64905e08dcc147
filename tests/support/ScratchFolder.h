#pragma once
#include <string>

// A new, empty folder "kavex-PURPOSE-XXXXXXXX" in the system's temporary folder (TMPDIR, else
// /tmp), removed with everything in it when the object goes: a test that fails an assertion or
// throws leaves nothing behind. Only a killed process leaves it; the test command runs the tests
// with a TMPDIR of their own that it removes afterwards.
struct ScratchFolder {
    explicit ScratchFolder(const std::string& purpose);
    ScratchFolder(ScratchFolder&& other) noexcept;
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ScratchFolder& operator=(ScratchFolder&&) = delete;
    ~ScratchFolder();

    std::string path;  // absolute; empty once moved from
};
