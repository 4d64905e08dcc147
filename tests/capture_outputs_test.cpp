#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/mount.h>
#include <sys/stat.h>

#include <stb_image.h>

#include "capture/ContactSheet.h"
#include "demo/FrameClock.h"
#include "capture/FrameHashes.h"
#include "capture/FrameImage.h"
#include "capture/LabelFont.h"
#include "capture/OutputFiles.h"
#include "capture/VideoEncoder.h"
#include "capture/WavFile.h"
#include "music/Player.h"
#include "support/CaptureRunner.h"
#include "support/ScratchFolder.h"

namespace fs = std::filesystem;

namespace {

uint32_t little(const std::vector<uint8_t>& bytes, size_t at, int count) {
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = value << 8 | bytes[at + i];
    }
    return value;
}

const uint8_t* pixel(const FrameImage& image, int32_t x, int32_t y) {
    return &image.rgb[(static_cast<size_t>(y) * image.width + x) * 3];
}

uint32_t colourAt(const FrameImage& image, int32_t x, int32_t y) {
    const uint8_t* p = pixel(image, x, y);
    return static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2];
}

// Counts the pixels inside the rectangle that differ from `background`.
int inked(const FrameImage& image, uint32_t background, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    int count = 0;
    for (int32_t y = std::max(top, 0); y < std::min(bottom, image.height); ++y) {
        for (int32_t x = std::max(left, 0); x < std::min(right, image.width); ++x) {
            count += colourAt(image, x, y) != background ? 1 : 0;
        }
    }
    return count;
}

std::string commandOutput(const std::string& command) {
    std::string text;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return text;
    }
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        text += buffer;
    }
    pclose(pipe);
    return text;
}

double streamSeconds(const std::string& path, const std::string& stream) {
    std::string text = commandOutput("ffprobe -v error -select_streams " + stream +
                                     " -show_entries stream=duration -of csv=p=0 '" + path + "'");
    return text.empty() ? -1.0 : std::atof(text.c_str());
}

// A tmpfs of a few pages, filled to the last byte, unmounted with the test. Mounting needs
// root and a kernel that lets this process mount; where it may not, `ready` stays false.
class FullFileSystem {
public:
    FullFileSystem() {
        ready = mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") == 0;
        std::FILE* filler = ready ? std::fopen((folder + "/filler").c_str(), "wb") : nullptr;
        if (filler != nullptr) {
            std::vector<char> block(4096, 'x');
            while (std::fwrite(block.data(), 1, block.size(), filler) == block.size() && std::fflush(filler) == 0) {
            }
            std::fclose(filler);
        }
    }
    ~FullFileSystem() {
        if (ready) {
            umount(folder.c_str());
        }
    }
    const ScratchFolder scratch{"capture"};
    const std::string folder = scratch.path;
    bool ready = false;
};

// A picture that does not compress, so its PNG is as large as its pixels.
FrameImage noise(int32_t width, int32_t height) {
    FrameImage image = makeImage(width, height, 0);
    uint32_t state = 12345;
    for (uint8_t& value : image.rgb) {
        state = state * 1664525u + 1013904223u;
        value = static_cast<uint8_t>(state >> 24);
    }
    return image;
}

// A set of capture options with the named outputs, as the run sees them (absolute paths).
CaptureOptions outputsIn(const std::string& folder, const std::vector<std::pair<std::string, std::string>>& named) {
    CaptureOptions options;
    options.stillPrefix = folder + "/still_";
    options.modulePath = folder + "/song.mod";
    for (const auto& [option, name] : named) {
        std::string path = name.empty() || name[0] == '/' ? name : folder + "/" + name;
        if (option == "--still") {
            ShowPosition position;
            std::string error;
            parseShowPosition(name, position, error);
            options.stills.push_back(position);
        } else if (option == "--contact-sheet") {
            options.contactSheetPath = path;
        } else if (option == "--video") {
            options.videoPath = path;
        } else if (option == "--wav") {
            options.wavPath = path;
        } else {
            options.hashesPath = path;
        }
    }
    return options;
}

}  // namespace

TEST(CaptureWav, HeaderDescribesTheSamplesWrittenInPieces) {
    const ScratchFolder folder("capture");
    std::string path = folder.path + "/music.wav";
    WavFile wav;
    std::string error;
    ASSERT_TRUE(openWav(wav, path, error)) << error;
    std::vector<uint8_t> written;
    for (int piece = 0; piece < 3; ++piece) {
        std::vector<uint8_t> bytes(static_cast<size_t>(frameSampleCount(piece, 60)) * AUDIO_BYTES_PER_FRAME);
        for (size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<uint8_t>(i * 7 + piece);
        }
        ASSERT_TRUE(appendWav(wav, bytes.data(), bytes.size(), error)) << error;
        written.insert(written.end(), bytes.begin(), bytes.end());
    }
    ASSERT_TRUE(closeWav(wav, error)) << error;

    std::vector<uint8_t> file = readBytes(path);
    ASSERT_EQ(file.size(), 44 + written.size());
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "RIFF");
    EXPECT_EQ(little(file, 4, 4), file.size() - 8);
    EXPECT_EQ(std::string(file.begin() + 8, file.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(little(file, 20, 2), 1u);  // PCM
    EXPECT_EQ(little(file, 22, 2), 2u);
    EXPECT_EQ(little(file, 24, 4), static_cast<uint32_t>(AUDIO_FREQUENCY));
    EXPECT_EQ(little(file, 28, 4), static_cast<uint32_t>(AUDIO_FREQUENCY * AUDIO_BYTES_PER_FRAME));
    EXPECT_EQ(little(file, 32, 2), static_cast<uint32_t>(AUDIO_BYTES_PER_FRAME));
    EXPECT_EQ(little(file, 34, 2), 16u);
    EXPECT_EQ(std::string(file.begin() + 36, file.begin() + 40), "data");
    EXPECT_EQ(little(file, 40, 4), written.size());
    EXPECT_TRUE(std::equal(written.begin(), written.end(), file.begin() + 44));
}

TEST(CaptureWav, AnUnwritablePathIsReported) {
    WavFile wav;
    std::string error;
    EXPECT_FALSE(openWav(wav, "/nonexistent-folder/music.wav", error));
    EXPECT_NE(error.find("/nonexistent-folder/music.wav"), std::string::npos);
}

TEST(CaptureImages, PngKeepsEveryPixelAndRowOrder) {
    FrameImage image = makeImage(5, 3, 0x000000);
    for (size_t i = 0; i < image.rgb.size(); ++i) {
        image.rgb[i] = static_cast<uint8_t>(i * 13);
    }
    const ScratchFolder folder("capture");
    std::string path = folder.path + "/still.png";
    std::string error;
    ASSERT_TRUE(writePng(path, image, error)) << error;
    int width = 0;
    int height = 0;
    int channels = 0;
    unsigned char* loaded = stbi_load(path.c_str(), &width, &height, &channels, 3);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(width, 5);
    EXPECT_EQ(height, 3);
    EXPECT_TRUE(std::equal(image.rgb.begin(), image.rgb.end(), loaded));
    stbi_image_free(loaded);
    EXPECT_FALSE(writePng("/nonexistent-folder/still.png", image, error));
}

TEST(CaptureImages, APngIsNeverWrittenIntoADevice) {
    FrameImage image = noise(64, 64);
    std::string error;
    EXPECT_FALSE(writePng("/dev/full", image, error));
    EXPECT_NE(error.find("/dev/full"), std::string::npos) << error;
    EXPECT_NE(error.find("a device, not a file"), std::string::npos) << error;
    // A picture takes its name by a move, which would replace the device itself.
    struct stat device {};
    ASSERT_EQ(stat("/dev/full", &device), 0);
    EXPECT_TRUE(S_ISCHR(device.st_mode));
}

TEST(CaptureImages, APngOnAFullFileSystemLeavesNoPartialFile) {
    FullFileSystem full;
    if (!full.ready) {
        GTEST_SKIP() << "this process may not mount a tmpfs; the /dev/full test covers the failed write";
    }
    std::string path = full.folder + "/still.png";
    std::string error;
    EXPECT_FALSE(writePng(path, noise(200, 200), error));
    EXPECT_NE(error.find("No space left"), std::string::npos) << error;
    EXPECT_NE(error.find("partial file was removed"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(path));
}

TEST(CaptureOutputFiles, OutputsNamingTheSameFileAreRefusedNamingBoth) {
    const ScratchFolder folder("capture");
    fs::create_directory(folder.path + "/sub");
    fs::create_symlink(folder.path + "/b.wav", folder.path + "/link.wav");
    const std::vector<std::pair<std::vector<std::pair<std::string, std::string>>, std::vector<std::string>>> clashes = {
        {{{"--wav", "b.wav"}, {"--hashes", "b.wav"}}, {"--wav", "--hashes"}},
        {{{"--video", "c.mp4"}, {"--hashes", "c.mp4"}}, {"--video", "--hashes"}},
        {{{"--contact-sheet", "still_1s.png"}, {"--still", "1s"}}, {"--still 1s", "--contact-sheet"}},
        {{{"--still", "5:0"}, {"--still", "5:0"}}, {"--still 5:0 and --still 5:0"}},
        {{{"--wav", "b.wav"}, {"--hashes", "sub/../b.wav"}}, {"--wav", "--hashes"}},
        {{{"--wav", "b.wav"}, {"--hashes", "link.wav"}}, {"--wav", "--hashes"}},
        {{{"--wav", "song.mod"}}, {"--wav", "module"}},
    };
    for (const auto& [named, mentioned] : clashes) {
        std::string error;
        EXPECT_FALSE(checkOutputFiles(outputsIn(folder.path, named), error)) << named.back().second;
        for (const std::string& text : mentioned) {
            EXPECT_NE(error.find(text), std::string::npos) << error;
        }
    }
    // Different files, however alike their names, pass; the video's temporary files live apart.
    std::string error;
    EXPECT_TRUE(checkOutputFiles(outputsIn(folder.path, {{"--video", "f.mp4"},
                                                         {"--hashes", "f.mp4.music.wav"},
                                                         {"--wav", "f.mp4.pictures.mp4"},
                                                         {"--still", "1s"},
                                                         {"--still", "1000ms"},
                                                         {"--contact-sheet", "still_1s.PNG"}}),
                                 error))
        << error;
}

TEST(CaptureOutputFiles, MissingFoldersAndFoldersAsFilesAreRefusedUpFront) {
    const ScratchFolder folder("capture");
    fs::create_directory(folder.path + "/existing");
    const std::vector<std::pair<std::vector<std::pair<std::string, std::string>>, std::string>> refused = {
        {{{"--contact-sheet", "missing/sheet.png"}}, "does not exist"},
        {{{"--video", "existing"}}, "names a folder"},
        {{{"--wav", "existing/"}}, "names a folder"},
        {{{"--hashes", "/proc/no-such-folder/h.txt"}}, "does not exist"},
    };
    for (const auto& [named, reason] : refused) {
        std::string error;
        EXPECT_FALSE(checkOutputFiles(outputsIn(folder.path, named), error)) << named.back().second;
        EXPECT_NE(error.find(reason), std::string::npos) << error;
        EXPECT_NE(error.find(named.back().first), std::string::npos) << error;
    }
    CaptureOptions stillsAway = outputsIn(folder.path, {{"--still", "5:0"}});
    stillsAway.stillPrefix = folder.path + "/missing/s_";
    std::string error;
    EXPECT_FALSE(checkOutputFiles(stillsAway, error));
    EXPECT_NE(error.find("--still 5:0"), std::string::npos) << error;
}

// `--video null.mp4` over a device node once replaced it with the video (as root, --video /dev/null
// would replace the system's), and a named pipe given as the WAV blocked the run in its open.
TEST(CaptureOutputFiles, DevicesAndNamedPipesAreRefusedUpFrontWhileLinksAreFollowed) {
    const ScratchFolder folder("capture");
    ASSERT_EQ(mkfifo((folder.path + "/pipe.wav").c_str(), 0644), 0);
    fs::create_symlink("/dev/full", folder.path + "/full.png");
    fs::create_symlink("/dev/null", folder.path + "/null.mp4");
    const std::vector<std::pair<std::vector<std::pair<std::string, std::string>>, std::string>> refused = {
        {{{"--wav", "pipe.wav"}}, "--wav names a named pipe, not a file: "},
        {{{"--contact-sheet", "full.png"}}, "--contact-sheet names a device, not a file: "},
        {{{"--video", "null.mp4"}}, "--video names a device, not a file: "},
        {{{"--hashes", "/dev/null"}}, "--hashes names a device, not a file: "},
    };
    for (const auto& [named, reason] : refused) {
        std::string error;
        EXPECT_FALSE(checkOutputFiles(outputsIn(folder.path, named), error)) << named.back().second;
        EXPECT_EQ(error.rfind(reason, 0), 0u) << error;
    }
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    // A link to a file, written or not yet, is an output like any other: the file it names is written.
    std::ofstream(folder.path + "/old.wav") << "old";
    fs::create_symlink(folder.path + "/old.wav", folder.path + "/to_old.wav");
    fs::create_symlink(folder.path + "/new.mp4", folder.path + "/to_new.mp4");
    std::string error;
    EXPECT_TRUE(checkOutputFiles(outputsIn(folder.path, {{"--wav", "to_old.wav"}, {"--video", "to_new.mp4"}}), error))
        << error;
    EXPECT_EQ(outputTarget(folder.path + "/to_new.mp4"), folder.path + "/new.mp4");
}

// ffmpeg picks the container by the name: one it cannot fill with H.264 and AAC once failed only
// after every frame was drawn. The assets beside the module were overwritten without a word.
TEST(CaptureOutputFiles, AVideoNeedsAContainerNameAndNoOutputGoesIntoTheAssets) {
    const ScratchFolder folder("capture");
    for (const char* name : {"v", "v.gif", "v.webm", "v.txt", "v.mp4.part"}) {
        std::string error;
        EXPECT_FALSE(checkOutputFiles(outputsIn(folder.path, {{"--video", name}}), error)) << name;
        EXPECT_NE(error.find("--video needs a name ending in .mp4, .m4v, .mov or .mkv"), std::string::npos) << error;
    }
    for (const char* name : {"v.mp4", "v.MP4", "v.m4v", "v.mov", "v.mkv"}) {
        std::string error;
        EXPECT_TRUE(checkOutputFiles(outputsIn(folder.path, {{"--video", name}}), error)) << name << ": " << error;
    }
    // The tests run where the build's Assets folder lies, as the capture does.
    for (const auto& [option, asset] :
         std::vector<std::pair<std::string, std::string>>{{"--contact-sheet", "Assets/greets.png"},
                                                          {"--hashes", "Assets/Shaders/road.vertex"},
                                                          {"--wav", "Assets/new.wav"},
                                                          {"--still", "5:0"}}) {
        CaptureOptions options = outputsIn(folder.path, {{option, fs::absolute(asset).string()}});
        if (option == "--still") {
            options.stillPrefix = fs::absolute("Assets/Shaders/../s_").string();
        }
        std::string error;
        EXPECT_FALSE(checkOutputFiles(options, error)) << asset;
        EXPECT_NE(error.find("would write into the show's Assets folder"), std::string::npos) << error;
    }
}

// A WAV, a hash file or a picture is written under a hidden name and takes its own once whole, so
// a run that fails before then leaves an older file of that name as it was.
TEST(CaptureOutputFiles, AnOutputReplacesAnOlderFileOnlyOnceWhole) {
    const ScratchFolder folder("capture");
    const std::string path = folder.path + "/music.wav";
    std::ofstream(path) << "older";
    const auto readText = [](const std::string& at) {
        const std::vector<uint8_t> bytes = readBytes(at);
        return std::string(bytes.begin(), bytes.end());
    };
    OutputStream stream;
    std::string error;
    ASSERT_TRUE(openOutputStream(stream, path, error)) << error;
    std::fputs("newer", stream.file);
    std::fflush(stream.file);
    EXPECT_EQ(readText(path), "older");
    discardOutputStream(stream);
    EXPECT_EQ(readText(path), "older");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path), fs::directory_iterator()), 1) << "no hidden file left";

    fs::create_symlink(path, folder.path + "/link.wav");
    ASSERT_TRUE(openOutputStream(stream, folder.path + "/link.wav", error)) << error;
    std::fputs("newer", stream.file);
    ASSERT_TRUE(closeOutputStream(stream, error)) << error;
    EXPECT_EQ(readText(path), "newer");
    EXPECT_TRUE(fs::is_symlink(folder.path + "/link.wav")) << "the link stays, the file it names is replaced";
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::others_read, fs::perms::others_read)
        << "an output is as readable as any new file (mkstemp's are private)";

    EXPECT_FALSE(openOutputStream(stream, "/dev/null", error));
    EXPECT_EQ(error, "it is a device, not a file");
}

TEST(CaptureOutputFiles, StillsPastTheOrderListAreRefusedByName) {
    std::vector<ShowPosition> stills(3);
    std::string error;
    ASSERT_TRUE(parseShowPosition("27:63", stills[0], error));
    ASSERT_TRUE(parseShowPosition("99s", stills[1], error));  // times are checked against the music at the end
    ASSERT_TRUE(parseShowPosition("28:0", stills[2], error));
    EXPECT_FALSE(checkStillOrders(stills, 28, error));
    EXPECT_EQ(error, "the still position 28:0 lies beyond the module's order list (orders 0 to 27)");
    stills.pop_back();
    EXPECT_TRUE(checkStillOrders(stills, 28, error));
}

TEST(CaptureOutputFiles, OnlyPlainFilesAreEverRemoved) {
    const ScratchFolder folder("capture");
    std::ofstream(folder.path + "/partial.png") << "x";
    fs::create_directory(folder.path + "/kept");
    fs::create_symlink("/dev/full", folder.path + "/full.png");
    EXPECT_TRUE(removeOutputFile(folder.path + "/partial.png"));
    EXPECT_FALSE(fs::exists(folder.path + "/partial.png"));
    EXPECT_FALSE(removeOutputFile(folder.path + "/kept"));
    EXPECT_FALSE(removeOutputFile(folder.path + "/full.png"));
    EXPECT_FALSE(removeOutputFile(folder.path + "/never-written.png"));
    EXPECT_TRUE(fs::is_directory(folder.path + "/kept"));
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

TEST(CaptureImages, ScalingDownAveragesSoThinLinesSurvive) {
    FrameImage checker = makeImage(8, 4, 0x000000);
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 8; ++x) {
            if ((x + y) % 2 == 0) {
                std::fill_n(&checker.rgb[(static_cast<size_t>(y) * 8 + x) * 3], 3, uint8_t{255});
            }
        }
    }
    FrameImage half = scaleImageDown(checker, 4, 2);
    for (uint8_t value : half.rgb) {
        EXPECT_EQ(value, 128);  // half white, rounded
    }
    FrameImage line = makeImage(16, 16, 0x000000);
    std::fill_n(&line.rgb[(5 * 16) * 3], 16 * 3, uint8_t{255});  // one white row
    FrameImage small = scaleImageDown(line, 4, 4);
    EXPECT_EQ(colourAt(small, 0, 0), 0u);
    EXPECT_EQ(pixel(small, 2, 1)[0], 64);  // a quarter of the 4 x 4 block is white
    EXPECT_EQ(colourAt(small, 3, 3), 0u);
}

TEST(CaptureImages, PastingClipsAtEveryEdge) {
    FrameImage target = makeImage(6, 4, 0x000000);
    FrameImage patch = makeImage(3, 3, 0xff8000);
    pasteImage(target, patch, -1, -1);
    pasteImage(target, patch, 5, 3);
    pasteImage(target, patch, 20, 20);
    EXPECT_EQ(inked(target, 0x000000, 0, 0, 6, 4), 4 + 1);
    EXPECT_EQ(colourAt(target, 1, 1), 0xff8000u);
    EXPECT_EQ(colourAt(target, 5, 3), 0xff8000u);
    EXPECT_EQ(colourAt(target, 2, 2), 0u);
}

TEST(CaptureLabels, TextInksOnlyItsOwnBoxAndLongerTextIsWider) {
    LabelFont font;
    std::string error;
    ASSERT_TRUE(loadLabelFont(font, LABEL_FONT_PATH, 16, error)) << error;
    EXPECT_GT(labelWidth(font, "order 27   scene 6"), labelWidth(font, "order 5"));
    FrameImage image = makeImage(200, 60, 0x000000);
    drawLabel(image, font, "order 5", 20, 10, 0xffffff);
    int width = labelWidth(font, "order 5");
    EXPECT_GT(inked(image, 0, 20, 10, 20 + width + 1, 10 + 20), 40);
    EXPECT_EQ(inked(image, 0, 0, 0, 200, 60), inked(image, 0, 20, 10, 20 + width + 1, 10 + 20));
    EXPECT_FALSE(loadLabelFont(font, "/nonexistent.ttf", 16, error));
}

TEST(CaptureContactSheet, OnePictureAnOrderAtItsMiddleRowOrItsLastFrame) {
    struct Frame {
        int32_t order, row;
        uint32_t colour;  // tells which frame was taken
        bool pastEnd;
    };
    const std::vector<Frame> frames = {
        {0, 0, 1, false},  {0, 32, 2, false},                     // middle row of order 0
        {0, 40, 3, false}, {1, 0, 4, false},  {1, 12, 5, false},  // order 1 breaks early: its last frame
        {2, 40, 6, false},                                        // first seen past the middle
        {0, 33, 7, false},                                        // the song jumped back: already shown
        {3, 5, 8, false},                                         // the order list ends in order 3
        {4, 0, 9, true},   {4, 0, 10, true},
    };
    // As the capture runs it: only the frames the sheet wants are drawn and offered.
    ContactSheet sheet;
    std::vector<uint32_t> drawn;
    auto at = [&](size_t i) {
        const Frame& f = frames[std::min(i, frames.size() - 1)];
        return SheetFrame{static_cast<int32_t>(i) * 100, f.order, f.row, f.order / 2, f.pastEnd};
    };
    for (size_t i = 0; i < frames.size(); ++i) {
        if (sheetWantsFrame(sheet, at(i), at(i + 1), i + 1 == frames.size())) {
            drawn.push_back(frames[i].colour);
            offerSheetFrame(sheet, makeImage(64, 36, frames[i].colour), at(i));
        } else {
            passSheetFrame(sheet, at(i));
        }
    }
    finishSheetFrames(sheet);

    const std::vector<uint32_t> expected = {2, 5, 6, 8};
    EXPECT_EQ(drawn, expected);
    ASSERT_EQ(sheet.thumbnails.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(sheet.thumbnails[i].image.width, THUMBNAIL_WIDTH);
        EXPECT_EQ(sheet.thumbnails[i].image.height, THUMBNAIL_WIDTH * 36 / 64);
        EXPECT_EQ(colourAt(sheet.thumbnails[i].image, 10, 10), expected[i]) << i;
        EXPECT_EQ(sheet.thumbnails[i].label.rfind("order " + std::to_string(i), 0), 0u) << sheet.thumbnails[i].label;
    }
    EXPECT_NE(sheet.thumbnails[1].label.find("scene 0"), std::string::npos);
    EXPECT_NE(sheet.thumbnails[1].label.find(formatShowTime(400)), std::string::npos);
}

TEST(CaptureContactSheet, OnePictureASceneOnceItsFlashHasCleared) {
    ContactSheet sheet;
    sheet.grouping = SheetGrouping::ByScene;
    for (int32_t showMs = 0; showMs < 6000; showMs += 250) {
        int32_t scene = showMs < 3000 ? 0 : (showMs < 3500 ? 1 : 2);
        offerSheetFrame(sheet, makeImage(32, 18, static_cast<uint32_t>(showMs)), {showMs, 4 + scene, 0, scene});
    }
    finishSheetFrames(sheet);
    ASSERT_EQ(sheet.thumbnails.size(), 3u);
    EXPECT_EQ(colourAt(sheet.thumbnails[0].image, 0, 0), static_cast<uint32_t>(SHEET_SCENE_DELAY_MS));
    EXPECT_EQ(colourAt(sheet.thumbnails[1].image, 0, 0), 3250u);  // scene 1 ended first: its last frame
    EXPECT_EQ(colourAt(sheet.thumbnails[2].image, 0, 0), static_cast<uint32_t>(3500 + SHEET_SCENE_DELAY_MS));
    EXPECT_EQ(sheet.thumbnails[2].label.rfind("scene 2", 0), 0u);
}

TEST(CaptureContactSheet, TwentyEightOrdersMakeFourRowsOfSevenLabelledCells) {
    LabelFont font;
    std::string error;
    ASSERT_TRUE(loadLabelFont(font, LABEL_FONT_PATH, 15, error)) << error;
    std::vector<Thumbnail> thumbnails;
    for (uint32_t i = 0; i < 28; ++i) {
        thumbnails.push_back({makeImage(THUMBNAIL_WIDTH, 180, 0x400000 + i), "order " + std::to_string(i)});
    }
    FrameImage sheet = composeContactSheet(thumbnails, font, "title");
    EXPECT_GT(sheet.width, 7 * THUMBNAIL_WIDTH);
    EXPECT_LT(sheet.width, 8 * THUMBNAIL_WIDTH);
    EXPECT_GT(sheet.height, 4 * 180);
    // Each thumbnail's colour appears once, in reading order, and text sits under it.
    int32_t cellWidth = (sheet.width - THUMBNAIL_WIDTH) / 6;
    for (int32_t row = 0; row < 4; ++row) {
        for (int32_t column = 0; column < 7; ++column) {
            uint32_t colour = 0x400000u + static_cast<uint32_t>(row * 7 + column);
            int32_t x = column * cellWidth + THUMBNAIL_WIDTH / 2;
            int32_t y = -1;
            for (int32_t probe = 0; probe < sheet.height && y < 0; ++probe) {
                y = colourAt(sheet, x, probe) == colour ? probe : -1;
            }
            ASSERT_GE(y, 0) << row << " " << column;
            uint32_t background = colourAt(sheet, x, y + 180 + 20);
            EXPECT_GT(inked(sheet, background, x - THUMBNAIL_WIDTH / 2, y + 180, x + THUMBNAIL_WIDTH / 2, y + 200), 20);
        }
    }
}

TEST(CaptureHashes, EverySingleBitChangesTheFingerprint) {
    std::vector<uint8_t> bytes(1000, 0x5a);
    uint64_t original = hashBytes(bytes.data(), bytes.size());
    for (size_t at : {size_t{0}, size_t{499}, size_t{999}}) {
        for (int bit = 0; bit < 8; ++bit) {
            std::vector<uint8_t> changed = bytes;
            changed[at] ^= static_cast<uint8_t>(1 << bit);
            EXPECT_NE(hashBytes(changed.data(), changed.size()), original);
        }
    }
}

TEST(CaptureVideo, PicturesAndMusicOfTheSameRunEndTogether) {
    const ScratchFolder directory("capture");
    const int32_t fps = 30;
    const int64_t frames = 45;
    std::string error;
    VideoEncoder video;
    ASSERT_TRUE(startVideo(video, directory.path + "/clip.mp4", directory.path, 64, 36, fps, error)) << error;
    WavFile wav;
    ASSERT_TRUE(openWav(wav, directory.path + "/clip.wav", error)) << error;
    for (int64_t frame = 0; frame < frames; ++frame) {
        ASSERT_TRUE(writeVideoFrame(video, makeImage(64, 36, static_cast<uint32_t>(frame * 5) << 8), error)) << error;
        std::vector<uint8_t> sound(static_cast<size_t>(frameSampleCount(frame, fps)) * AUDIO_BYTES_PER_FRAME);
        for (size_t i = 0; i < sound.size(); i += 2) {
            sound[i + 1] = static_cast<uint8_t>((i / 64) % 2 != 0 ? 0x20 : 0xe0);  // a square wave
        }
        ASSERT_TRUE(appendWav(wav, sound.data(), sound.size(), error)) << error;
    }
    ASSERT_TRUE(closeWav(wav, error)) << error;
    ASSERT_TRUE(finishVideo(video, directory.path + "/clip.wav", error)) << error;
    EXPECT_FALSE(fs::exists(video.pictureOnlyPath));
    EXPECT_FALSE(fs::exists(video.joinedPath));

    std::string path = directory.path + "/clip.mp4";
    EXPECT_EQ(commandOutput("ffprobe -v error -select_streams v:0 -show_entries stream=codec_name,pix_fmt,width,height,"
                            "nb_frames -of csv=p=0 '" +
                            path + "'"),
              "h264,64,36,yuv420p," + std::to_string(frames) + "\n");
    EXPECT_EQ(commandOutput("ffprobe -v error -select_streams a:0 -show_entries stream=codec_name -of csv=p=0 '" +
                            path + "'"),
              "aac\n");
    double pictures = streamSeconds(path, "v:0");
    double music = streamSeconds(path, "a:0");
    EXPECT_NEAR(pictures, 1.5, 0.5 / fps);
    EXPECT_NEAR(music, pictures, 1.0 / fps);
}

TEST(CaptureVideo, AMissingWavIsAFailureAndLeavesNoPictureFile) {
    const ScratchFolder directory("capture");
    std::string error;
    VideoEncoder video;
    ASSERT_TRUE(startVideo(video, directory.path + "/clip.mp4", directory.path, 64, 36, 30, error)) << error;
    ASSERT_TRUE(writeVideoFrame(video, makeImage(64, 36, 0x102030), error)) << error;
    EXPECT_FALSE(finishVideo(video, directory.path + "/missing.wav", error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(fs::exists(video.pictureOnlyPath));
    EXPECT_FALSE(fs::exists(video.joinedPath));
    EXPECT_FALSE(fs::exists(directory.path + "/clip.mp4"));
}
