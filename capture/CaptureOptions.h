#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "music/Player.h"

// A point of the show: a time since the music started, or a position in the module's order list.
struct ShowPosition {
    bool byOrder = false;
    int32_t timeMs = 0;
    int32_t order = 0;
    int32_t row = 0;
    std::string text;  // as written on the command line
};

enum class SheetGrouping { ByOrder, ByScene };

struct CaptureOptions {
    int32_t width = 1920;
    int32_t height = 1080;
    int32_t fps = 60;
    std::string modulePath = MODULE_PATH;
    bool hasFrom = false;
    ShowPosition from;  // the clip's first frame; the frames before it are run but not drawn
    bool hasEnd = false;
    ShowPosition end;
    std::vector<ShowPosition> stills;
    std::string stillPrefix = "still_";
    std::string contactSheetPath;
    SheetGrouping sheetGrouping = SheetGrouping::ByOrder;
    std::string videoPath;
    std::string wavPath;
    std::string hashesPath;
    bool quiet = false;
    bool help = false;
};

constexpr int32_t MAX_CAPTURE_WIDTH = 3840;
constexpr int32_t MAX_CAPTURE_HEIGHT = 2160;
// The show paces itself to at most about 60 frames a second.
constexpr int32_t MAX_CAPTURE_FPS = 60;

// "12.5s", "1500ms" or "ORDER:ROW" ("5:0").
bool parseShowPosition(const std::string& text, ShowPosition& position, std::string& error);

// True for the first frame at or past the position: by the show time, or by (order, row) taken together.
bool positionReached(const ShowPosition& position, int32_t showMs, const MusicSnapshot& snapshot);

// Arguments without the program name. False with a one-line reason on a bad or missing option.
bool parseCaptureOptions(const std::vector<std::string>& args, CaptureOptions& options, std::string& error);

std::string captureUsage();

// The still's file name: the prefix, the position with ':' turned into '-', ".png".
std::string stillFileName(const std::string& prefix, const ShowPosition& position);
