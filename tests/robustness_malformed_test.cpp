// Damaged asset files of our own making through our loaders: the decoders we take from
// Debian (stb_image, libmodplug) are not fuzzed, so their failure paths are hit here.
// Every case must end in the documented refusal or in a usable asset, never in a crash,
// a hang or a sanitizer report.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <glad/gl.h>
#include <libmodplug/modplug.h>
#include <stb_image_write.h>

#include "music/Player.h"
#include "resources/ResourceManager.h"
#include "resources/TextureRecord.h"
#include "support/GlTestContext.h"
#include "support/ScratchFolder.h"
#include "support/TestModule.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes readBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

Bytes garbage(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    Bytes bytes(size);
    for (uint8_t& byte : bytes) {
        byte = static_cast<uint8_t>(random());
    }
    return bytes;
}

Bytes prefix(const Bytes& bytes, size_t size) {
    return Bytes(bytes.begin(), bytes.begin() + std::min(size, bytes.size()));
}

void putBigEndian(Bytes& bytes, size_t at, uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * (size - 1 - i)));
    }
}

// A folder of damaged files, removed with the test.
class DamagedFiles {
public:
    std::string write(const std::string& name, const Bytes& bytes) {
        const std::string path = folder.path + "/" + name;
        std::ofstream file(path, std::ios::binary);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    std::string writeText(const std::string& name, const std::string& text) {
        return write(name, Bytes(text.begin(), text.end()));
    }

    const std::string& directoryPath() const { return folder.path; }

private:
    const ScratchFolder folder{"damaged"};
};

// The loader's result for a file, with what it wrote to standard error.
struct LoadOutcome {
    int32_t id;
    std::string err;
};

LoadOutcome loadTextureCapturing(const std::string& path) {
    testing::internal::CaptureStderr();
    const int32_t id = loadTexture(path, FilterNearest);
    return {id, testing::internal::GetCapturedStderr()};
}

LoadOutcome loadMeshCapturing(const std::string& path) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int32_t id = loadObjMesh(path);
    testing::internal::GetCapturedStdout();
    return {id, testing::internal::GetCapturedStderr()};
}

// The loader's own line, then one line with the reason; the reason is returned.
std::string expectImageRefused(const std::string& path) {
    const LoadOutcome outcome = loadTextureCapturing(path);
    EXPECT_EQ(outcome.id, -1) << path;
    const std::string first = "Error when loading image: " + path + ": stbi_load ERROR.\n";
    const std::string why = "    " + path + ": ";
    EXPECT_EQ(outcome.err.rfind(first + why, 0), 0u) << outcome.err;
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 2) << outcome.err;
    const size_t reason = first.size() + why.size();
    return outcome.err.size() > reason ? outcome.err.substr(reason, outcome.err.size() - reason - 1) : "";
}

void appendEncoded(void* context, void* data, int size) {
    auto* bytes = static_cast<Bytes*>(context);
    bytes->insert(bytes->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

// A real, decodable RGB PNG of one colour.
Bytes plainPng(int width, int height) {
    const std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 3, 0x80);
    Bytes png;
    stbi_write_png_to_func(appendEncoded, &png, width, height, 3, pixels.data(), width * 3);
    return png;
}

void expectMeshRefused(const std::string& path) {
    const LoadOutcome outcome = loadMeshCapturing(path);
    EXPECT_EQ(outcome.id, -1) << path;
    EXPECT_EQ(outcome.err.rfind("** Imposible crear Mesh: " + path + "\n", 0), 0u) << outcome.err;
}

// The offset of the first JPEG frame header (baseline or progressive) in a file.
size_t jpegFrameHeader(const Bytes& jpeg) {
    for (size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
            return i;
        }
    }
    return 0;
}

}  // namespace

TEST(MalformedImages, TruncatedGarbageAndForeignFilesAreRefusedWithTheLoaderLine) {
    initEngineForTests();
    DamagedFiles files;
    const Bytes png = readBytes("Assets/greets.png");
    const Bytes jpeg = readBytes("Assets/beach.jpg");
    ASSERT_GT(png.size(), 1000u);
    ASSERT_GT(jpeg.size(), 1000u);

    expectImageRefused(files.write("empty.png", {}));
    expectImageRefused(files.write("signature_only.png", prefix(png, 8)));
    expectImageRefused(files.write("header_only.png", prefix(png, 33)));
    expectImageRefused(files.write("half.png", prefix(png, png.size() / 2)));
    expectImageRefused(files.write("soi_only.jpg", prefix(jpeg, 2)));
    expectImageRefused(files.write("tables_only.jpg", prefix(jpeg, jpegFrameHeader(jpeg))));
    expectImageRefused(files.write("cut_in_scan.jpg", prefix(jpeg, jpeg.size() * 3 / 4)));
    expectImageRefused(files.write("garbage.png", garbage(4096, 1)));
    expectImageRefused(files.write("garbage.jpg", garbage(4096, 2)));
    Bytes pngHeadGarbageBody = prefix(png, 16);
    const Bytes tail = garbage(4096, 3);
    pngHeadGarbageBody.insert(pngHeadGarbageBody.end(), tail.begin(), tail.end());
    expectImageRefused(files.write("png_signature_garbage_body.png", pngHeadGarbageBody));
    expectImageRefused(files.writeText("text.png", "v 0 0 0\nf 1 1 1\n"));
    expectImageRefused(files.write("module.png", readBytes("Assets/ondaris.mod")));
    EXPECT_EQ(expectImageRefused(files.write("garbage_again.png", garbage(4096, 1))), "not a PNG or JPEG file");
    EXPECT_EQ(expectImageRefused(files.write("half_again.png", prefix(png, png.size() / 2))),
              "a PNG chunk runs past the end of the file");
    EXPECT_EQ(expectImageRefused(files.directoryPath() + "/missing.png"), "can't fopen");
}

// A named pipe would block the show at open; a folder is no image either.
TEST(MalformedImages, WhatIsNotARegularFileIsRefusedWithoutOpeningIt) {
    initEngineForTests();
    DamagedFiles files;
    const std::string pipe = files.directoryPath() + "/pipe.png";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    EXPECT_EQ(expectImageRefused(pipe), "not a regular file");
    const std::string folder = files.directoryPath() + "/folder.png";
    fs::create_directory(folder);
    EXPECT_EQ(expectImageRefused(folder), "not a regular file");
}

// Headers that promise enormous images with a few bytes of data behind them must be refused
// quickly, without the decoder allocating for the promised size.
TEST(MalformedImages, HeadersClaimingHugeDimensionsAreRefused) {
    initEngineForTests();
    DamagedFiles files;
    Bytes png = readBytes("Assets/greets.png");
    putBigEndian(png, 16, 30000, 4);                   // IHDR width
    putBigEndian(png, 20, 30000, 4);                   // IHDR height
    expectImageRefused(files.write("huge.png", png));  // past stb_image's own limit
    // 16384 x 16384 fits the decoder's own limits (a real file of this size is under a megabyte
    // and decodes to 800 MB); the header alone refuses it.
    putBigEndian(png, 16, 16384, 4);
    putBigEndian(png, 20, 16384, 4);
    EXPECT_NE(expectImageRefused(files.write("bomb.png", png)).find("16384 x 16384 pixels, more than"),
              std::string::npos);

    Bytes jpeg = readBytes("Assets/beach.jpg");
    const size_t frame = jpegFrameHeader(jpeg);
    ASSERT_GT(frame, 0u);
    putBigEndian(jpeg, frame + 5, 65000, 2);  // height
    putBigEndian(jpeg, frame + 7, 65000, 2);  // width
    expectImageRefused(files.write("huge.jpg", prefix(jpeg, jpeg.size() / 2)));

    expectImageRefused(files.writeText("huge.ppm", "P6\n60000 60000\n255\n" + std::string(64, '\x7f')));
}

// A picture the driver cannot hold as one texture would give a texture id with nothing in it.
TEST(MalformedImages, AnImageWiderThanTheLargestTextureIsRefused) {
    initEngineForTests();
    DamagedFiles files;
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    ASSERT_GT(largest, 0);
    const std::string wide = files.write("wide.png", plainPng(largest + 1, 2));
    EXPECT_EQ(expectImageRefused(wide), std::to_string(largest + 1) +
                                            " x 2 pixels, larger than the graphics "
                                            "driver's largest texture (" +
                                            std::to_string(largest) + ")");
    const LoadOutcome fits = loadTextureCapturing(files.write("fits.png", plainPng(largest, 2)));
    EXPECT_GE(fits.id, 0) << fits.err;
    EXPECT_EQ(fits.err, "");
}

TEST(MalformedMeshes, DamagedObjFilesAreRefusedWithTheMeshLine) {
    initEngineForTests();
    DamagedFiles files;
    const Bytes flamingo = readBytes("Assets/flamingo.obj");
    ASSERT_GT(flamingo.size(), 1000u);
    // Cut inside the last corner, just after its first slash: the corner has lost its texture
    // index while the face's others have theirs.
    const std::string text(flamingo.begin(), flamingo.end());
    const size_t lastCorner = text.rfind(' ');
    ASSERT_NE(text.find('/', lastCorner), std::string::npos);
    expectMeshRefused(files.write("cut.obj", prefix(flamingo, text.find('/', lastCorner) + 1)));
    // An image read as a mesh: binary whose line 174 happens to start with "v" and a tab (most images hold no
    // line the parser reads and load as an empty mesh instead).
    expectMeshRefused(files.write("image.obj", readBytes("Assets/flamingo_tex.png")));
    expectMeshRefused(files.writeText("index_zero.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 0 1 2\n"));
    expectMeshRefused(files.writeText("index_negative.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf -1 -2 -4\n"));
    expectMeshRefused(files.writeText("index_beyond.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 4\n"));
    expectMeshRefused(files.writeText("index_overflow.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 99999999999999999999\n"));
    expectMeshRefused(files.writeText("texture_beyond.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nf 1/1 2/1 3/2\n"));
    expectMeshRefused(files.writeText("not_a_number.obj", "v 0 zero 0\n"));
    expectMeshRefused(files.writeText("infinite.obj", "v 0 1e999 0\n"));
    expectMeshRefused(files.writeText("nan.obj", "v nan 0 0\n"));
    expectMeshRefused(files.writeText("two_corners.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1\t\t2\n"));
    expectMeshRefused(files.writeText("short_vertex.obj", "v 0 0\n"));
    expectMeshRefused(files.writeText("colour_not_a_number.obj", "\xEF\xBB\xBFv 0 0 0 red green blue\n"));
}

// The refusal quotes the file's text, but only a few dozen bytes of it: a 50 MB number
// once went whole to standard error.
TEST(MalformedMeshes, AHugeTokenIsQuotedInAShortLine) {
    initEngineForTests();
    DamagedFiles files;
    const std::string path = files.writeText("huge_number.obj", "v 0 0 " + std::string(50u << 20, '7') + "\n");
    const LoadOutcome outcome = loadMeshCapturing(path);
    EXPECT_EQ(outcome.id, -1);
    EXPECT_EQ(outcome.err.rfind("** Imposible crear Mesh: " + path + "\n", 0), 0u) << outcome.err.substr(0, 300);
    EXPECT_LT(outcome.err.size(), 2 * path.size() + 120) << outcome.err.substr(0, 300);
    EXPECT_NE(outcome.err.find(": line 1: \"7777777777"), std::string::npos) << outcome.err.substr(0, 300);
    EXPECT_NE(outcome.err.find("...\" is not a finite number"), std::string::npos) << outcome.err.substr(0, 300);
}

// A folder once crashed the loader (its stream's size taken for a length); a named pipe blocked it
// at open, and /dev/zero filled memory. Each is now the mesh line and the reason.
TEST(MalformedMeshes, WhatIsNotARegularFileIsRefusedWithoutOpeningIt) {
    initEngineForTests();
    DamagedFiles files;
    const std::string folder = files.directoryPath() + "/folder.obj";
    fs::create_directory(folder);
    const std::string pipe = files.directoryPath() + "/pipe.obj";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    const std::string zeros = files.directoryPath() + "/zeros.obj";
    fs::create_symlink("/dev/zero", zeros);
    for (const std::string& path : {folder, pipe, zeros}) {
        const LoadOutcome outcome = loadMeshCapturing(path);
        EXPECT_EQ(outcome.id, -1) << path;
        EXPECT_EQ(outcome.err, "** Imposible crear Mesh: " + path + "\n    " + path + ": not a regular file\n");
    }
}

TEST(MalformedMeshes, AFileOverTheSizeLimitIsRefusedWithItsSizeBeforeItIsRead) {
    initEngineForTests();
    DamagedFiles files;
    const std::string path = files.write("sparse.obj", {});
    fs::resize_file(path, 3ull << 30);
    const LoadOutcome outcome = loadMeshCapturing(path);
    EXPECT_EQ(outcome.id, -1);
    EXPECT_EQ(outcome.err, "** Imposible crear Mesh: " + path + "\n    " + path +
                               ": 3221225472 bytes, more than the 134217728 allowed\n");
}

// What exporters write loads through the mesh loader: a polygon, indices counted back, a
// vertex colour, runs of blanks and tabs, CRLF lines and a byte-order mark.
TEST(MalformedMeshes, ExporterSpellingsLoadWhole) {
    initEngineForTests();
    DamagedFiles files;
    const LoadOutcome outcome = loadMeshCapturing(
        files.writeText("exported.obj",
                        "\xEF\xBB\xBFv 0 0 0 1 0 0\r\nv  1 0 0\t0 1 0\r\nv 1 1 0 0 0 1\r\nv 0 1 0 1 1 1\r\n"
                        "vt 0 0 0\r\nvt 1 0 0\r\nvt 1 1 0\r\nvt 0 1 0\r\nf -4/-4\t-3/-3 -2/-2  -1/-1\r\n"));
    ASSERT_GE(outcome.id, 0) << outcome.err;
    EXPECT_EQ(resourceManager->meshById(outcome.id)->kind, MeshTexturedTriangles);
    EXPECT_EQ(resourceManager->meshById(outcome.id)->elementCount, 6);
}

// Lines with unknown keywords contribute nothing, so garbage without a "v", "vt", "l" or "f"
// line is an empty mesh, as is an empty file; a line without an end and a very long single
// line are meshes like any other.
TEST(MalformedMeshes, EmptyGarbageAndUnterminatedFilesStillLoad) {
    initEngineForTests();
    DamagedFiles files;
    for (const std::string& path : {files.write("empty.obj", {}), files.write("garbage.obj", garbage(8192, 4))}) {
        LoadOutcome empty = loadMeshCapturing(path);
        ASSERT_GE(empty.id, 0) << empty.err;
        EXPECT_EQ(resourceManager->meshById(empty.id)->kind, MeshNone) << path;
        EXPECT_EQ(resourceManager->meshById(empty.id)->elementCount, 0) << path;
    }
    LoadOutcome nulBytes = loadMeshCapturing(files.writeText("nul.obj", std::string("v 0 0 0\n\0\0\0\nf 1 1 1\n", 21)));
    ASSERT_GE(nulBytes.id, 0) << nulBytes.err;
    EXPECT_EQ(resourceManager->meshById(nulBytes.id)->elementCount, 3);

    LoadOutcome unterminated =
        loadMeshCapturing(files.writeText("unterminated.obj", "v 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\nf 1 2 3"));
    ASSERT_GE(unterminated.id, 0) << unterminated.err;
    EXPECT_EQ(resourceManager->meshById(unterminated.id)->elementCount, 3);

    std::string longLine = "v 0 0 0\nv 1 0 0\nv 0 1 0\nl";
    for (int i = 0; i < 200000; ++i) {
        longLine += i % 2 == 0 ? " 1" : " 2";
    }
    LoadOutcome polyline = loadMeshCapturing(files.writeText("long_line.obj", longLine + "\n"));
    ASSERT_GE(polyline.id, 0) << polyline.err;
    EXPECT_EQ(resourceManager->meshById(polyline.id)->elementCount, 2 * (200000 - 1));
}

namespace {

// Loads a module and mixes up to ten seconds of it, as the show's callback would.
ModPlugFile* loadAndMix(const std::string& path, std::string& error) {
    ModPlugFile* module = loadModuleFile(path.c_str(), error);
    if (module == nullptr) {
        return nullptr;
    }
    std::vector<uint8_t> buffer(16384);
    for (int i = 0; i < 27; ++i) {
        if (ModPlug_Read(module, buffer.data(), static_cast<int>(buffer.size())) == 0) {
            break;
        }
    }
    return module;
}

}  // namespace

TEST(MalformedModules, GarbageAndHeaderlessModulesAreRefusedWithAReason) {
    applyPlayerSettings();
    DamagedFiles files;
    const Bytes module = readBytes("Assets/ondaris.mod");
    ASSERT_GT(module.size(), 1084u);
    const std::vector<std::pair<std::string, Bytes>> refused = {
        {"empty.mod", {}},
        {"title_only.mod", prefix(module, 20)},
        {"garbage.mod", garbage(70000, 5)},
        {"zeros.mod", Bytes(70000, 0)},
        {"image.mod", readBytes("Assets/greets.png")},
    };
    for (const auto& [name, bytes] : refused) {
        std::string error;
        ModPlugFile* loaded = loadAndMix(files.write(name, bytes), error);
        EXPECT_EQ(loaded, nullptr) << name;
        EXPECT_FALSE(error.empty()) << name;
        if (loaded != nullptr) {
            ModPlug_Unload(loaded);
        }
    }
}

// A ProTracker-style module shorter than its header says is refused with both sizes: the
// player would play its missing samples as silence or noise.
TEST(MalformedModules, ProTrackerModulesCutShortAreRefusedWithBothSizes) {
    applyPlayerSettings();
    DamagedFiles files;
    for (int channels : {4, 8}) {
        TestModule song = walkingModule(4, 64, 6, 125);
        song.channels = channels;
        const Bytes whole = moduleBytes(song);
        const size_t patternsEnd = 1084 + 4 * 64 * 4 * static_cast<size_t>(channels);
        ASSERT_GT(whole.size(), patternsEnd);
        std::string error;
        ModPlugFile* loaded = loadAndMix(files.write("whole.mod", whole), error);
        EXPECT_NE(loaded, nullptr) << error;
        if (loaded != nullptr) {
            ModPlug_Unload(loaded);
        }
        for (size_t cut : {size_t{1084}, patternsEnd - 1, patternsEnd, whole.size() - 1}) {
            const std::string path = files.write("cut.mod", prefix(whole, cut));
            error.clear();
            loaded = loadAndMix(path, error);
            EXPECT_EQ(loaded, nullptr) << channels << " channels, cut at " << cut;
            EXPECT_EQ(error, "The music module " + path + " is cut short: its header asks for " +
                                 std::to_string(whole.size()) + " bytes, the file has " + std::to_string(cut));
            if (loaded != nullptr) {
                ModPlug_Unload(loaded);
            }
        }
    }
    // Extra bytes after the samples harm nothing.
    Bytes longer = moduleBytes(walkingModule(4, 64, 6, 125));
    longer.resize(longer.size() + 100, 0);
    std::string error;
    ModPlugFile* loaded = loadAndMix(files.write("longer.mod", longer), error);
    EXPECT_NE(loaded, nullptr) << error;
    if (loaded != nullptr) {
        ModPlug_Unload(loaded);
    }
}

// A named pipe would block the show at open forever; a folder has no size to read.
TEST(MalformedModules, WhatIsNotARegularFileIsRefusedWithoutOpeningIt) {
    DamagedFiles files;
    const std::string pipe = files.directoryPath() + "/pipe.mod";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    const std::string folder = files.directoryPath() + "/folder.mod";
    fs::create_directory(folder);
    for (const std::string& path : {pipe, folder}) {
        std::string error;
        EXPECT_EQ(loadModuleFile(path.c_str(), error), nullptr) << path;
        EXPECT_EQ(error, "The music module " + path + " is not a regular file");
    }
}

// A module cut anywhere after its header, or with an order list naming patterns it lacks,
// may load or be refused; what loads must mix without crashing.
TEST(MalformedModules, TruncatedAndInconsistentModulesLoadOrAreRefusedButNeverCrash) {
    applyPlayerSettings();
    DamagedFiles files;
    const Bytes module = readBytes("Assets/ondaris.mod");
    ASSERT_GT(module.size(), 1084u);
    std::vector<std::pair<std::string, Bytes>> cases;
    for (size_t cut : {size_t{600}, size_t{1084}, size_t{1084 + 512}, module.size() / 2, module.size() - 1}) {
        cases.push_back({"cut_" + std::to_string(cut) + ".mod", prefix(module, cut)});
    }
    Bytes wrongOrders = moduleBytes(walkingModule(4, 64, 6, 125));
    wrongOrders[952] = 127;  // order 0 names a pattern far beyond the file
    cases.push_back({"missing_pattern.mod", wrongOrders});
    Bytes longSong = moduleBytes(walkingModule(4, 64, 6, 125));
    longSong[950] = 200;  // song length beyond the 128 order slots
    cases.push_back({"long_song.mod", longSong});
    Bytes wildSamples = moduleBytes(walkingModule(4, 64, 6, 125));
    for (int slot = 0; slot < 31; ++slot) {
        putBigEndian(wildSamples, 20 + slot * 30 + 22, 0xFFFF, 2);  // sample length
        putBigEndian(wildSamples, 20 + slot * 30 + 26, 0xFFF0, 2);  // loop start
        putBigEndian(wildSamples, 20 + slot * 30 + 28, 0xFFFF, 2);  // loop length
    }
    cases.push_back({"wild_samples.mod", wildSamples});

    int loadedCount = 0;
    for (const auto& [name, bytes] : cases) {
        std::string error;
        ModPlugFile* loaded = loadAndMix(files.write(name, bytes), error);
        if (loaded == nullptr) {
            EXPECT_FALSE(error.empty()) << name;
        } else {
            ++loadedCount;
            ModPlug_Unload(loaded);
        }
    }
    // Only the song length beyond the order slots still plays: every other case lacks bytes its header promises.
    EXPECT_EQ(loadedCount, 1);
}

TEST(MalformedModules, AbsurdSizesAreRefusedBeforeReading) {
    DamagedFiles files;
    const std::string path = files.write("sparse.mod", {});
    fs::resize_file(path, 256ull * 1024 * 1024);
    std::string error;
    EXPECT_EQ(loadModuleFile(path.c_str(), error), nullptr);
    EXPECT_NE(error.find("unusable size"), std::string::npos) << error;
}
