#include "capture/ContactSheet.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int32_t SHEET_COLUMNS = 7;
constexpr int32_t SHEET_MARGIN = 16;
constexpr int32_t SHEET_GAP = 10;
constexpr int32_t LABEL_HEIGHT = 26;
constexpr int32_t TITLE_HEIGHT = 36;
constexpr uint32_t SHEET_BACKGROUND = 0x1c1c22;
constexpr uint32_t LABEL_COLOUR = 0xe8e8e8;

std::string labelFor(SheetGrouping grouping, const SheetFrame& at) {
    std::string order = "order " + std::to_string(at.order);
    std::string scene = "scene " + std::to_string(at.scene);
    std::string time = formatShowTime(at.showMs);
    if (grouping == SheetGrouping::ByOrder) {
        return order + "   " + scene + "   " + time;
    }
    return scene + "   " + order + "   " + time;
}

void addThumbnail(ContactSheet& sheet, const FrameImage& frame, const std::string& label) {
    int32_t height = std::max(1, THUMBNAIL_WIDTH * frame.height / frame.width);
    sheet.thumbnails.push_back({scaleImageDown(frame, THUMBNAIL_WIDTH, height), label});
    sheet.waiting = false;
}

// The fade-out past the end of the order list is no order position.
bool outsideGroups(SheetGrouping grouping, const SheetFrame& at) {
    return grouping == SheetGrouping::ByOrder && at.pastEnd;
}

int32_t groupOf(SheetGrouping grouping, const SheetFrame& at) {
    return grouping == SheetGrouping::ByOrder ? at.order : at.scene;
}

bool chosenMoment(SheetGrouping grouping, const SheetFrame& at, int32_t groupStartMs) {
    return grouping == SheetGrouping::ByOrder ? at.row >= SHEET_ORDER_ROW
                                              : at.showMs - groupStartMs >= SHEET_SCENE_DELAY_MS;
}

// Follows the frame into its group; true while that group still waits for its picture.
bool followSheetGroups(ContactSheet& sheet, const SheetFrame& at) {
    if (outsideGroups(sheet.grouping, at)) {
        finishSheetFrames(sheet);
        sheet.group = -1;
        return false;
    }
    int32_t group = groupOf(sheet.grouping, at);
    if (group != sheet.group) {
        finishSheetFrames(sheet);
        sheet.group = group;
        sheet.groupStartMs = at.showMs;
        sheet.waiting = sheet.seenGroups.insert(group).second;
    }
    return sheet.waiting;
}

}  // namespace

std::string formatShowTime(int32_t showMs) {
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d.%02d", showMs / 60000, showMs / 1000 % 60, showMs / 10 % 100);
    return text;
}

bool sheetWantsFrame(const ContactSheet& sheet, const SheetFrame& at, const SheetFrame& next, bool last) {
    if (outsideGroups(sheet.grouping, at)) {
        return false;
    }
    int32_t group = groupOf(sheet.grouping, at);
    bool newGroup = group != sheet.group;
    bool waiting = newGroup ? sheet.seenGroups.count(group) == 0 : sheet.waiting;
    if (!waiting) {
        return false;
    }
    if (chosenMoment(sheet.grouping, at, newGroup ? at.showMs : sheet.groupStartMs)) {
        return true;
    }
    bool groupGoesOn = !last && !outsideGroups(sheet.grouping, next) && groupOf(sheet.grouping, next) == group;
    return !groupGoesOn;
}

void offerSheetFrame(ContactSheet& sheet, const FrameImage& frame, const SheetFrame& at) {
    if (!followSheetGroups(sheet, at)) {
        return;
    }
    if (chosenMoment(sheet.grouping, at, sheet.groupStartMs)) {
        addThumbnail(sheet, frame, labelFor(sheet.grouping, at));
        return;
    }
    sheet.lastFrame = frame;
    sheet.lastLabel = labelFor(sheet.grouping, at);
}

void passSheetFrame(ContactSheet& sheet, const SheetFrame& at) { followSheetGroups(sheet, at); }

void finishSheetFrames(ContactSheet& sheet) {
    if (sheet.waiting && sheet.lastFrame.width > 0) {
        addThumbnail(sheet, sheet.lastFrame, sheet.lastLabel);
    }
    sheet.waiting = false;
    sheet.lastFrame = FrameImage{};
}

FrameImage composeContactSheet(const std::vector<Thumbnail>& thumbnails, const LabelFont& font,
                               const std::string& title) {
    int32_t count = static_cast<int32_t>(thumbnails.size());
    int32_t columns = std::max(1, std::min(count, SHEET_COLUMNS));
    int32_t rows = std::max(1, (count + columns - 1) / columns);
    int32_t thumbnailHeight = 0;
    for (const Thumbnail& thumbnail : thumbnails) {
        thumbnailHeight = std::max(thumbnailHeight, thumbnail.image.height);
    }
    int32_t cellWidth = THUMBNAIL_WIDTH + SHEET_GAP;
    int32_t cellHeight = thumbnailHeight + LABEL_HEIGHT + SHEET_GAP;
    int32_t width = 2 * SHEET_MARGIN + columns * cellWidth - SHEET_GAP;
    int32_t height = 2 * SHEET_MARGIN + TITLE_HEIGHT + rows * cellHeight - SHEET_GAP;
    FrameImage sheet = makeImage(width, height, SHEET_BACKGROUND);
    int32_t textOffset = (LABEL_HEIGHT - font.pixelHeight) / 2;
    drawLabel(sheet, font, title, SHEET_MARGIN, SHEET_MARGIN + textOffset, LABEL_COLOUR);
    for (int32_t i = 0; i < count; ++i) {
        int32_t x = SHEET_MARGIN + (i % columns) * cellWidth;
        int32_t y = SHEET_MARGIN + TITLE_HEIGHT + (i / columns) * cellHeight;
        pasteImage(sheet, thumbnails[i].image, x, y);
        drawLabel(sheet, font, thumbnails[i].label, x + 2, y + thumbnailHeight + textOffset, LABEL_COLOUR);
    }
    return sheet;
}
