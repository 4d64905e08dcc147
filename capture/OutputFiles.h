#pragma once
#include <cstdio>
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
// and the module, name the same file; no output lies in the show's Assets folder (here, where the
// run reads it); no output is a folder, a device, a named pipe or a socket; each output's folder
// exists and can be written; the video's name ends in a container ffmpeg writes H.264 and AAC to.
// False with a one-line reason naming the outputs.
bool checkOutputFiles(const CaptureOptions& options, std::string& error);

// The file a name reaches once links and "..", "." are resolved: where an output is written. A
// link is followed to the file it names, which the output replaces; the link itself stays.
std::string outputTarget(const std::string& path);

// An output written under a hidden name beside the file it replaces (links followed) and given
// that file's name only once whole: an older file stays until then, a cut one never has the name,
// and what is written to is a new file of our own, never a pipe or a device.
struct OutputStream {
    std::FILE* file = nullptr;
    std::string path;         // as named, for messages
    std::string target;       // outputTarget(path)
    std::string partialPath;  // the hidden file while it is written
};

// False with the reason: the target exists and is not a regular file, or nothing can be created
// beside it.
bool openOutputStream(OutputStream& out, const std::string& path, std::string& error);
// Closes the file, checking the close, and moves it to its name; on failure the hidden file is
// removed and `error` says why.
bool closeOutputStream(OutputStream& out, std::string& error);
// Closes and removes an unfinished stream, if one is open.
void discardOutputStream(OutputStream& out);

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
