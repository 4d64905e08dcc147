#include "capture/OutputFiles.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>

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

bool checkPlace(const OutputFile& output, std::string& error) {
    std::error_code ignored;
    if (fs::is_directory(output.path, ignored)) {
        error = output.option + " names a folder, not a file: " + output.path;
        return false;
    }
    std::string folder = folderOf(output.path);
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

}  // namespace

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
    return true;
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
