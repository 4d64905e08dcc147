#pragma once
#include <string>
#include <vector>

#include "capture/CaptureOptions.h"

// One file a run writes, with the option that asked for it, for messages.
struct OutputFile {
    std::string option;  // "--wav", "--still 5:0", ...
    std::string path;
};

// Every file the options ask for, in a fixed order: stills, contact sheet, video, WAV, hashes.
std::vector<OutputFile> requestedOutputs(const CaptureOptions& options);

// Checked before the first frame, so a bad name costs nothing: no two outputs, and no output
// and the module, name the same file; no output is a folder; each output's folder exists and
// can be written. False with a one-line reason naming the outputs.
bool checkOutputFiles(const CaptureOptions& options, std::string& error);

// A still at an order the module's order list does not have could never be taken; refused
// before rendering. (A position the music skips for another reason fails at the end.)
bool checkStillOrders(const std::vector<ShowPosition>& stills, int32_t orderCount, std::string& error);

// Removes what a failed run wrote at `path`, but only a plain file: a device such as /dev/full
// or a folder is never touched. True when a file was removed.
bool removeOutputFile(const std::string& path);

// A fresh hidden folder beside `outputPath` for that output's temporary files, so their names
// stay short and can never meet another output. Empty with a reason on failure.
std::string makeWorkFolder(const std::string& outputPath, std::string& error);

// Removes a folder made by makeWorkFolder with everything in it.
void removeWorkFolder(const std::string& folder);
