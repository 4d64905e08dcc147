#pragma once
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "capture/CaptureOptions.h"
#include "capture/FrameImage.h"
#include "capture/LabelFont.h"

constexpr int32_t THUMBNAIL_WIDTH = 320;
// An order is shown at its middle row; a scene this long after it began (its flash has cleared by then).
constexpr int32_t SHEET_ORDER_ROW = 32;
constexpr int32_t SHEET_SCENE_DELAY_MS = 1500;

struct Thumbnail {
    FrameImage image;
    std::string label;
};

// Chooses one frame per order position (first visit only) or per scene; a group that ends
// before its chosen moment is shown by its last frame. The fade-out past the end of the
// order list is no order position; it counts only towards its scene.
struct ContactSheet {
    SheetGrouping grouping = SheetGrouping::ByOrder;
    std::vector<Thumbnail> thumbnails;
    std::set<int32_t> seenGroups;
    int32_t group = -1;
    int32_t groupStartMs = 0;
    bool waiting = false;  // the current group still has no thumbnail
    FrameImage lastFrame;
    std::string lastLabel;
};

// What the show is at in this frame, for choosing and labelling its thumbnail.
struct SheetFrame {
    int32_t showMs = 0;
    int32_t order = 0;
    int32_t row = 0;
    int32_t scene = 0;
    bool pastEnd = false;  // the song has left its order list and is fading out
};

// Whether offering this frame would use its picture: the first frame of a waiting group at its
// chosen moment, or the last frame of a group that never reached it (the next frame is in
// another group, or `last`: there is none). Only these frames need drawing for the sheet.
bool sheetWantsFrame(const ContactSheet& sheet, const SheetFrame& at, const SheetFrame& next, bool last);
// A drawn frame: follows the groups and takes the picture or keeps it as its group's latest.
void offerSheetFrame(ContactSheet& sheet, const FrameImage& frame, const SheetFrame& at);
// A frame not drawn (sheetWantsFrame was false for it): follows the groups only.
void passSheetFrame(ContactSheet& sheet, const SheetFrame& at);
// Adds the last group's frame if it ended before its chosen moment.
void finishSheetFrames(ContactSheet& sheet);

// The thumbnails in rows of up to seven, each with its label below, under a title line.
FrameImage composeContactSheet(const std::vector<Thumbnail>& thumbnails, const LabelFont& font,
                               const std::string& title);

// "1:02.35" from milliseconds.
std::string formatShowTime(int32_t showMs);
