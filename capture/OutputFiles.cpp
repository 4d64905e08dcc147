#include "capture/OutputFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr int MAX_LINK_HOPS = 40;

// The file a name reaches once links and "..", "." are resolved, so two spellings compare equal;
// a link to a file not yet written counts as that file.
fs::path resolved(const std::string& path) {
    std::error_code ignored;
    fs::path real = fs::absolute(path);
    for (int hop = 0; hop < MAX_LINK_HOPS; ++hop) {
        fs::path canonical = fs::weakly_canonical(real, ignored);
        real = canonical.empty() ? real : canonical;
        if (!fs::is_symlink(fs::symlink_status(real, ignored))) {
            break;
        }
        fs::path target = fs::read_symlink(real, ignored);
        real = (target.is_absolute() ? target : real.parent_path() / target).lexically_normal();
    }
    return real;
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ignored;
    return resolved(a) == resolved(b) || fs::equivalent(a, b, ignored);
}

std::string folderOf(const std::string& path) {
    fs::path parent = fs::absolute(path).parent_path();
    return parent.empty() ? std::string("/") : parent.string();
}

// What a name that exists but is no regular file reaches, in a word for the refusal.
std::string kindOfSpecialFile(const fs::file_status& status) {
    if (fs::is_directory(status)) {
        return "a folder";
    }
    if (fs::is_fifo(status)) {
        return "a named pipe";
    }
    if (fs::is_socket(status)) {
        return "a socket";
    }
    return "a device";
}

bool checkPlace(const OutputFile& output, std::string& error) {
    std::error_code ignored;
    // Writing into a pipe would wait for a reader, and replacing a device (the video is moved to its
    // name) would take it away from the whole system: /dev/null, run as root.
    const fs::file_status status = fs::status(output.path, ignored);
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        error = output.option + " names " + kindOfSpecialFile(status) + ", not a file: " + output.path;
        return false;
    }
    // Where the file is written: beside the file a link names.
    std::string folder = folderOf(resolved(output.path).string());
    if (!fs::is_directory(folder, ignored)) {
        error = output.option + " writes into a folder that does not exist: " + folder;
        return false;
    }
    if (access(folder.c_str(), W_OK | X_OK) != 0) {
        error =
            output.option + " writes into a folder that cannot be written (" + std::strerror(errno) + "): " + folder;
        return false;
    }
    return true;
}

// Containers ffmpeg picks by these extensions and fills with H.264 and AAC as they are.
bool checkVideoName(const std::string& path, std::string& error) {
    std::string extension = resolved(path).extension().string();
    for (char& c : extension) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    for (const char* known : {".mp4", ".m4v", ".mov", ".mkv"}) {
        if (extension == known) {
            return true;
        }
    }
    error = "--video needs a name ending in .mp4, .m4v, .mov or .mkv, the containers it writes: " + path;
    return false;
}

bool within(const fs::path& folder, const fs::path& path) {
    return std::mismatch(folder.begin(), folder.end(), path.begin(), path.end()).first == folder.end();
}

// Inputs the show reads would be overwritten by an output inside its Assets folder, named there or
// reached through a link (the folder's files may themselves be links elsewhere).
bool insideAssets(const std::string& path) {
    const fs::path named = fs::absolute(path).lexically_normal();
    return within(fs::absolute("Assets").lexically_normal(), named) || within(resolved("Assets"), resolved(path));
}

}  // namespace

std::string outputTarget(const std::string& path) { return resolved(path).string(); }

std::vector<OutputFile> requestedOutputs(const CaptureOptions& options) {
    std::vector<OutputFile> outputs;
    for (const ShowPosition& still : options.stills) {
        outputs.push_back({"--still " + still.text, stillFileName(options.stillPrefix, still)});
    }
    const std::pair<const char*, const std::string*> named[] = {{"--contact-sheet", &options.contactSheetPath},
                                                                {"--video", &options.videoPath},
                                                                {"--wav", &options.wavPath},
                                                                {"--hashes", &options.hashesPath}};
    for (const auto& [option, path] : named) {
        if (!path->empty()) {
            outputs.push_back({option, *path});
        }
    }
    return outputs;
}

bool checkOutputFiles(const CaptureOptions& options, std::string& error) {
    std::vector<OutputFile> outputs = requestedOutputs(options);
    for (size_t i = 0; i < outputs.size(); ++i) {
        if (sameFile(outputs[i].path, options.modulePath)) {
            error = outputs[i].option + " would overwrite the module " + options.modulePath;
            return false;
        }
        if (insideAssets(outputs[i].path)) {
            error = outputs[i].option + " would write into the show's Assets folder: " + outputs[i].path;
            return false;
        }
        for (size_t j = 0; j < i; ++j) {
            if (sameFile(outputs[i].path, outputs[j].path)) {
                error = outputs[j].option + " and " + outputs[i].option + " name the same file " + outputs[i].path +
                        "; give each output its own name";
                return false;
            }
        }
        if (!checkPlace(outputs[i], error)) {
            return false;
        }
    }
    return options.videoPath.empty() || checkVideoName(options.videoPath, error);
}

bool checkStillOrders(const std::vector<ShowPosition>& stills, int32_t orderCount, std::string& error) {
    for (const ShowPosition& still : stills) {
        if (still.byOrder && still.order >= orderCount) {
            error = "the still position " + still.text + " lies beyond the module's order list (orders 0 to " +
                    std::to_string(orderCount - 1) + ")";
            return false;
        }
    }
    return true;
}

bool removeOutputFile(const std::string& path) {
    std::error_code ignored;
    fs::path real = resolved(path);
    return fs::is_regular_file(fs::symlink_status(real, ignored)) && fs::remove(real, ignored);
}

std::string makeWorkFolder(const std::string& outputPath, std::string& error) {
    std::string pattern = folderOf(outputPath) + "/.kavex_capture-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        error = "cannot make a folder for the temporary files beside " + outputPath + " (" + std::strerror(errno) + ")";
        return "";
    }
    return pattern;
}

void removeWorkFolder(const std::string& folder) {
    std::error_code ignored;
    if (!folder.empty()) {
        fs::remove_all(folder, ignored);
    }
}

bool openOutputStream(OutputStream& out, const std::string& path, std::string& error) {
    out = OutputStream{};
    out.path = path;
    out.target = outputTarget(path);
    std::error_code ignored;
    const fs::file_status status = fs::status(out.target, ignored);
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        error = "it is " + kindOfSpecialFile(status) + ", not a file";
        return false;
    }
    // A short hidden name, so an output name as long as the file system allows still works.
    std::string partial = folderOf(out.target) + "/.kavex_capture-XXXXXX";
    const int descriptor = mkstemp(partial.data());
    if (descriptor < 0) {
        error = std::strerror(errno);
        return false;
    }
    // mkstemp makes the file private; an output gets the permissions any new file would.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor, 0666 & ~mask);
    out.file = fdopen(descriptor, "wb");
    if (out.file == nullptr) {
        error = std::strerror(errno);
        close(descriptor);
        std::remove(partial.c_str());
        return false;
    }
    out.partialPath = partial;
    return true;
}

bool closeOutputStream(OutputStream& out, std::string& error) {
    const bool closed = std::fclose(out.file) == 0;
    const int closeError = errno;
    out.file = nullptr;
    if (closed && std::rename(out.partialPath.c_str(), out.target.c_str()) == 0) {
        out.partialPath.clear();
        return true;
    }
    error = std::strerror(closed ? errno : closeError);
    std::remove(out.partialPath.c_str());
    out.partialPath.clear();
    return false;
}

void discardOutputStream(OutputStream& out) {
    if (out.file != nullptr) {
        std::fclose(out.file);
        out.file = nullptr;
    }
    if (!out.partialPath.empty()) {
        std::remove(out.partialPath.c_str());
        out.partialPath.clear();
    }
}
