// The real executable, headless, with one thing wrong at a time: each asset missing,
// truncated to half its bytes or replaced by garbage; the Assets folder missing; Escape and
// the close request in every scene. Each case states its outcome (exit code and the line that
// says why, or the show going on without the asset); none may crash, hang or raise a
// sanitizer report. Every case is its own test, so ctest runs them in parallel.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "support/ScratchFolder.h"
#include "support/ShowRun.h"
#include "support/TestModule.h"

namespace fs = std::filesystem;

namespace {

// All 28 orders in about 1.7 seconds (3 rows of 20 ms each), a few frames in every scene.
TestModule briskModule() { return walkingModule(28, 3, 2, 250); }

enum class Damage { Missing, Truncated, Garbage, NamedPipe, Folder };

// What the show does about one damaged asset.
struct Expected {
    int exitCode;
    std::string line;  // a line, or its start, that the show writes about it; empty: none
};

struct FaultCase {
    std::string asset;  // under Assets/
    Damage damage;
    Expected expected;
};

std::string damageName(Damage damage) {
    switch (damage) {
    case Damage::Missing:
        return "Missing";
    case Damage::Truncated:
        return "Truncated";
    case Damage::Garbage:
        return "Garbage";
    case Damage::NamedPipe:
        return "NamedPipe";
    case Damage::Folder:
        return "Folder";
    }
    return "";
}

Expected showGoesOnWithoutImage(const std::string& image) {
    return {0, "Error when loading image: Assets/" + image + ": stbi_load ERROR."};
}

Expected showGoesOnWithoutMesh(const std::string& mesh) { return {0, "** Imposible crear Mesh: Assets/" + mesh}; }

// Images, meshes and shader sources of the show, with the outcome of each damage.
std::vector<FaultCase> assetCases() {
    std::vector<FaultCase> cases;
    for (const char* image : {"BGVapor.jpg", "beach.jpg", "streets.jpg", "city.png", "heightmap.png",
                              "flamingo_tex.png", "windsurf_tex.png", "Kavex_Vice_6c.png", "credits_text.png",
                              "papagayo_6c.png", "opening.png", "lyrics.png"}) {
        for (Damage damage : {Damage::Missing, Damage::Truncated, Damage::Garbage}) {
            cases.push_back({image, damage, showGoesOnWithoutImage(image)});
        }
    }
    // Without the greeting names the set-up fails: code 1 after the loader's line.
    for (Damage damage : {Damage::Missing, Damage::Truncated, Damage::Garbage}) {
        cases.push_back({"greets.png", damage, {1, "Error when loading image: Assets/greets.png: stbi_load ERROR."}});
    }
    // Half a model is the faces written before the cut; garbage has no line the parser
    // reads, so it is an empty mesh. Either way the show goes on.
    for (const char* mesh : {"flamingo.obj", "plane.obj", "windsurf.obj"}) {
        cases.push_back({mesh, Damage::Missing, showGoesOnWithoutMesh(mesh)});
        cases.push_back({mesh, Damage::Truncated, {0, ""}});
        cases.push_back({mesh, Damage::Garbage, {0, ""}});
    }
    cases.push_back({"ondaris.mod", Damage::Missing, {1, "Cannot open the music module Assets/ondaris.mod"}});
    // The player would play a module cut short, its missing samples as silence or noise.
    cases.push_back({"ondaris.mod", Damage::Truncated, {1, "The music module Assets/ondaris.mod is cut short"}});
    cases.push_back({"ondaris.mod", Damage::Garbage, {1, "The music module Assets/ondaris.mod is damaged"}});
    // Opening a named pipe would wait for a writer forever; neither it nor a folder is read.
    for (Damage damage : {Damage::NamedPipe, Damage::Folder}) {
        cases.push_back({"ondaris.mod", damage, {1, "The music module Assets/ondaris.mod is not a regular file"}});
        cases.push_back({"beach.jpg", damage, showGoesOnWithoutImage("beach.jpg")});
    }
    // An effect shader that does not build stops the set-up; the others leave their draws out.
    for (const char* effect : {"palms_Kavex", "city", "road", "jail_tunnel"}) {
        for (const char* stage : {".vertex", ".fragment"}) {
            for (Damage damage : {Damage::Missing, Damage::Truncated, Damage::Garbage}) {
                cases.push_back({std::string("Shaders/") + effect + stage, damage, {1, ""}});
            }
        }
    }
    // A baked layer whose program does not build says so; its effect goes on without the picture.
    for (const char* layer : {"road_view", "city_shore"}) {
        const Expected saysSo{0, std::string("** Errores de compilacion del  Shader: ") + layer};
        cases.push_back({std::string("Shaders/") + layer + ".vertex", Damage::Missing, saysSo});
        cases.push_back({std::string("Shaders/") + layer + ".fragment", Damage::Garbage, saysSo});
    }
    for (const char* shader : {"TextureMatrix2D", "TextureMatrix3D", "Color2D", "PlaneMusic"}) {
        for (const char* stage : {".vertex", ".fragment"}) {
            for (Damage damage : {Damage::Missing, Damage::Truncated, Damage::Garbage}) {
                cases.push_back({std::string("Shaders/") + shader + stage, damage, {0, ""}});
            }
        }
    }
    return cases;
}

std::vector<uint8_t> readBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The staged folder links whole sub-folders of the build's Assets; one whose file is about to
// be damaged becomes a folder of links to its files, so the build's own copy stays whole.
void unshareFolder(const fs::path& folder) {
    if (!fs::is_symlink(folder)) {
        return;
    }
    const fs::path shared = fs::read_symlink(folder);
    fs::remove(folder);
    fs::create_directory(folder);
    for (const fs::directory_entry& entry : fs::directory_iterator(shared)) {
        fs::create_symlink(entry.path(), folder / entry.path().filename());
    }
}

// Replaces the staged link by a damaged copy, or removes it.
void damageAsset(const fs::path& assets, const std::string& asset, Damage damage) {
    const fs::path path = assets / asset;
    unshareFolder(path.parent_path());
    std::vector<uint8_t> bytes = readBytes(path);
    fs::remove(path);
    if (damage == Damage::Missing) {
        return;
    }
    if (damage == Damage::NamedPipe) {
        mkfifo(path.c_str(), 0644);
        return;
    }
    if (damage == Damage::Folder) {
        fs::create_directory(path);
        return;
    }
    if (damage == Damage::Truncated) {
        bytes.resize(bytes.size() / 2);
    } else {
        std::mt19937 random(static_cast<uint32_t>(std::hash<std::string>()(asset)));
        bytes.assign(4096, 0);
        for (uint8_t& byte : bytes) {
            byte = static_cast<uint8_t>(random());
        }
    }
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// No run may end in a sanitizer's report, whatever its exit code.
void expectNoSanitizerReport(const ShowResult& result) {
    for (const char* marker : {"Sanitizer", "runtime error:"}) {
        EXPECT_EQ(result.err.find(marker), std::string::npos) << result.err;
    }
}

class DamagedAsset : public ::testing::TestWithParam<FaultCase> {};

// Names the case in failure messages instead of dumping its bytes.
void PrintTo(const FaultCase& fault, std::ostream* out) { *out << fault.asset << " " << damageName(fault.damage); }

}  // namespace

TEST_P(DamagedAsset, EndsAsDocumented) {
    const FaultCase& fault = GetParam();
    const ScratchFolder directory = stageShowDirectory(briskModule());
    damageAsset(fs::path(directory.path) / "Assets", fault.asset, fault.damage);
    const ShowResult result = runShowDirect(directory.path, {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"});
    EXPECT_EQ(result.exitCode, fault.expected.exitCode) << result.out << result.err;
    if (!fault.expected.line.empty()) {
        EXPECT_NE((result.out + result.err).find("\n" + fault.expected.line), std::string::npos)
            << result.out << result.err;
    }
    expectNoSanitizerReport(result);
}

INSTANTIATE_TEST_SUITE_P(EveryAsset, DamagedAsset, ::testing::ValuesIn(assetCases()),
                         [](const ::testing::TestParamInfo<FaultCase>& info) {
                             std::string name = info.param.asset + "_" + damageName(info.param.damage);
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) {
                                     c = '_';
                                 }
                             }
                             return name;
                         });

// A copy of the executable alone in a folder, started there: no Assets folder in the working
// directory or beside it, so the default shaders fail, then the first effect shader, and the
// set-up ends the show with code 1.
TEST(FaultMatrix, WithoutAnyAssetsFolderTheShowEndsWithCodeOne) {
    const ScratchFolder bare("bare");
    const fs::path directory = bare.path;
    fs::copy_file(SHOW_EXECUTABLE, directory / "kavex_velmora");
    const std::string command =
        "cd '" + directory.string() +
        "' && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy timeout -s KILL 60 ./kavex_velmora"
        " >stdout.txt 2>stderr.txt";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const std::vector<uint8_t> err = readBytes(directory / "stderr.txt");
    ShowResult result;
    result.err.assign(err.begin(), err.end());
    EXPECT_NE(result.err.find("palms_Kavex"), std::string::npos) << result.err;
    expectNoSanitizerReport(result);
}

namespace {

constexpr int SCENE_TRIGGER_ORDERS[7] = {1, 5, 8, 15, 17, 23, 25};

// Walks quickly to the order where a scene plays, then lingers there for minutes: row 0 of
// that order's pattern slows the song to 31 ticks a row at tempo 32 (2.4 s a row).
TestModule moduleHoldingScene(int scene) {
    TestModule module = walkingModule(28, 2, 1, 255);
    TestPattern& held = module.patterns[SCENE_TRIGGER_ORDERS[scene]];
    held.cells[0][1] = {0, 0, EFFECT_SET_SPEED, 31};
    held.cells[0][2] = {0, 0, EFFECT_SET_SPEED, 32};
    held.cells[1][3] = {};  // no break: all 64 rows
    return module;
}

struct QuitCase {
    int scene;
    bool escape;  // else the close request (SIGTERM)
};

class QuitInScene : public ::testing::TestWithParam<QuitCase> {};

void PrintTo(const QuitCase& quit, std::ostream* out) {
    *out << "scene " << quit.scene << (quit.escape ? ", Escape" : ", close request");
}

}  // namespace

TEST_P(QuitInScene, EndsWithCodeZero) {
    const QuitCase& quit = GetParam();
    const ScratchFolder directory = stageShowDirectory(moduleHoldingScene(quit.scene));
    ShowRunOptions options;
    (quit.escape ? options.escapeAfterSeconds : options.termAfterSeconds) = 5;
    options.timeoutSeconds = 60;
    const ShowResult result = runShowHeadless(directory.path, options);
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    expectNoSanitizerReport(result);
}

INSTANTIATE_TEST_SUITE_P(EveryScene, QuitInScene,
                         ::testing::ValuesIn(std::vector<QuitCase>{{0, true},
                                                                   {0, false},
                                                                   {1, true},
                                                                   {1, false},
                                                                   {2, true},
                                                                   {2, false},
                                                                   {3, true},
                                                                   {3, false},
                                                                   {4, true},
                                                                   {4, false},
                                                                   {5, true},
                                                                   {5, false},
                                                                   {6, true},
                                                                   {6, false}}),
                         [](const ::testing::TestParamInfo<QuitCase>& info) {
                             return "Scene" + std::to_string(info.param.scene) +
                                    (info.param.escape ? "_Escape" : "_CloseRequest");
                         });
