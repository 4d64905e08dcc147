#pragma once
#include <cstdint>
#include <string>

// The one way the show reads a file whole: images, meshes, shader sources and the module all come
// through here, so every loader refuses the same things before it allocates or could block.
//
// It lives in base/ rather than beside the GL loaders in resources/ because the module player in
// music/ needs it too, and music/ builds on base/ alone.

enum class FileRead {
    Read,        // `bytes` holds the whole file
    CannotOpen,  // missing, or not readable by this process
    NotRegular,  // a folder, a named pipe, a device: never opened, since a pipe would block the open
    TooLarge,    // over the caller's limit; `size` says how large, nothing was read
    ReadFailed,  // opened, but the reading stopped with an error
};

// Reads the regular file at `path`, at most `maxBytes` long. The kind of file is checked before it is
// opened, and the limit both before reading (the file's size) and while reading (a file that grows).
FileRead readFileBytes(const std::string& path, uint64_t maxBytes, std::string& bytes, uint64_t& size);

// A few words on a failed read, for the loader's line: "not a regular file", "3000000 bytes, more
// than the 1048576 allowed", "could not be read whole". Empty for Read and CannotOpen, which each
// loader words its own way.
std::string fileReadReason(FileRead result, uint64_t size, uint64_t maxBytes);
