// The generated pictures and models, checked against what the show reads from them.
#include <gtest/gtest.h>

#include <stb_image.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "base/MathTypes.h"
#include "engine/Camera.h"
#include "resources/ObjMesh.h"

namespace {

struct Image {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<uint8_t> pixels;  // as stored, top row first

    const uint8_t* at(int x, int y) const { return &pixels[(static_cast<size_t>(y) * width + x) * channels]; }
    uint8_t alpha(int x, int y) const { return channels == 4 ? at(x, y)[3] : 255; }
};

Image loadImage(const std::string& path) {
    Image image;
    uint8_t* data = stbi_load(path.c_str(), &image.width, &image.height, &image.channels, 0);
    if (data != nullptr) {
        image.pixels.assign(data, data + static_cast<size_t>(image.width) * image.height * image.channels);
        stbi_image_free(data);
    }
    return image;
}

// Every image the show loads: the exact size where the layout depends on it, and whether it needs alpha.
struct ImageRule {
    const char* path;
    int width;
    int height;
    bool exact;
    int channels;  // 4 required, 3 required, or 0 for either
};

const ImageRule IMAGE_RULES[] = {
    {"Assets/Kavex_Vice_6c.png", 1080, 432, false, 4}, {"Assets/opening.png", 1220, 630, true, 4},
    {"Assets/credits_text.png", 1080, 360, true, 4},   {"Assets/lyrics.png", 2048, 256, true, 4},
    {"Assets/greets.png", 1536, 1216, true, 4},        {"Assets/papagayo_6c.png", 844, 1020, false, 4},
    {"Assets/BGVapor.jpg", 1920, 1080, false, 3},      {"Assets/beach.jpg", 1920, 1080, false, 3},
    {"Assets/streets.jpg", 1920, 1080, false, 3},      {"Assets/city.png", 1, 1, false, 4},
    {"Assets/heightmap.png", 2, 2, false, 0},          {"Assets/flamingo_tex.png", 2, 2, false, 0},
    {"Assets/windsurf_tex.png", 2, 2, false, 0},
};

TEST(AssetImages, EveryImageHasItsSizeAndAChannelLayoutTheLoaderUploads) {
    for (const ImageRule& rule : IMAGE_RULES) {
        SCOPED_TRACE(rule.path);
        int width = 0, height = 0, channels = 0;
        ASSERT_EQ(stbi_info(rule.path, &width, &height, &channels), 1) << "missing or unreadable";
        if (rule.exact) {
            EXPECT_EQ(width, rule.width);
            EXPECT_EQ(height, rule.height);
        } else {
            EXPECT_GE(width, rule.width);
            EXPECT_GE(height, rule.height);
        }
        if (rule.channels != 0) {
            EXPECT_EQ(channels, rule.channels);
        }
        EXPECT_TRUE(channels == 3 || channels == 4);
        // RGB rows are uploaded with the default 4-byte alignment.
        if (channels == 3) {
            EXPECT_EQ(width % 4, 0);
        }
    }
}

TEST(AssetImages, PixelArtKeepsToSixColoursAndHardTransparency) {
    for (const char* path : {"Assets/Kavex_Vice_6c.png", "Assets/papagayo_6c.png"}) {
        SCOPED_TRACE(path);
        const Image image = loadImage(path);
        ASSERT_EQ(image.channels, 4);
        std::set<uint32_t> colours;
        size_t opaque = 0;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) {
                const uint8_t* p = image.at(x, y);
                ASSERT_TRUE(p[3] == 0 || p[3] == 255) << "at " << x << ", " << y;
                if (p[3] == 255) {
                    colours.insert(static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2]);
                    ++opaque;
                }
            }
        EXPECT_LE(colours.size(), 6u);
        EXPECT_GE(colours.size(), 4u) << "the sprite should use its palette";
        EXPECT_GT(opaque, static_cast<size_t>(image.width) * image.height / 10) << "the sprite is mostly empty";
    }
}

// Count of pixels in a rectangle with some opacity, and whether its outermost rows are clear.
struct Cell {
    size_t ink = 0;
    bool edgesClear = true;
};

Cell inspectCell(const Image& image, int x0, int y0, int w, int h) {
    Cell cell;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) {
            const uint8_t a = image.alpha(x, y);
            if (a > 128)
                ++cell.ink;
            if ((y == y0 || y == y0 + h - 1) && a > 8)
                cell.edgesClear = false;
        }
    return cell;
}

TEST(AssetImages, EachGreetingCellHoldsOneNameThatStaysInsideIt) {
    // The show cuts 512 x 64 cells out of the sheet, column-major, 19 to a column; a glow crossing
    // into the next cell would show as a hard edge.
    const Image sheet = loadImage("Assets/greets.png");
    ASSERT_EQ(sheet.width, 1536);
    ASSERT_EQ(sheet.height, 19 * 64);
    for (int i = 0; i < 57; ++i) {
        SCOPED_TRACE("greeting " + std::to_string(i));
        const Cell cell = inspectCell(sheet, (i / 19) * 512, (i % 19) * 64, 512, 64);
        EXPECT_GT(cell.ink, 300u);
        EXPECT_TRUE(cell.edgesClear);
    }
}

TEST(AssetImages, TextBlocksAreFilledAndEndInsideTheirSourceRectangles) {
    struct Block {
        const char* path;
        int y, h;
    };
    const Block blocks[] = {
        {"Assets/opening.png", 0, 300},       {"Assets/opening.png", 300, 130},
        {"Assets/opening.png", 430, 200},     {"Assets/credits_text.png", 0, 60},
        {"Assets/credits_text.png", 60, 60},  {"Assets/credits_text.png", 120, 60},
        {"Assets/credits_text.png", 180, 90}, {"Assets/credits_text.png", 270, 90},
        {"Assets/lyrics.png", 0, 64},         {"Assets/lyrics.png", 64, 64},
        {"Assets/lyrics.png", 128, 64},       {"Assets/lyrics.png", 192, 64},
    };
    for (const Block& block : blocks) {
        SCOPED_TRACE(std::string(block.path) + " rows " + std::to_string(block.y));
        const Image image = loadImage(block.path);
        ASSERT_GE(image.height, block.y + block.h);
        const Cell cell = inspectCell(image, 0, block.y, image.width, block.h);
        EXPECT_GT(cell.ink, 1000u);
        EXPECT_TRUE(cell.edgesClear);
    }
}

TEST(AssetImages, LyricLinesStartNearTheLeftOfTheirStrips) {
    // The strips slide in from the right edge. Strip 0 moves about 1,500 px before the scene ends
    // and strip 3 about 1,100 px before the final fade starts, so their lines must lie in the
    // strip's left part; strips 1 and 2 cross the whole screen within their order.
    const Image lyrics = loadImage("Assets/lyrics.png");
    ASSERT_EQ(lyrics.width, 2048);
    const int lastAllowed[4] = {1300, 1984, 1984, 1300};
    for (int strip = 0; strip < 4; ++strip) {
        SCOPED_TRACE("strip " + std::to_string(strip));
        int first = lyrics.width, last = -1;
        for (int y = strip * 64; y < strip * 64 + 64; ++y)
            for (int x = 0; x < lyrics.width; ++x)
                if (lyrics.alpha(x, y) > 128)
                    first = std::min(first, x), last = std::max(last, x);
        EXPECT_LT(first, 200);
        EXPECT_LT(last, lastAllowed[strip]);
    }
}

// The lettering of a rectangle of an image: its bright, opaque strokes (tubes and fills), and
// around them the backing that must keep them readable over any picture.
struct Lettering {
    int strokeTop = -1;
    int strokeBottom = -1;
    double backedShare = 0.0;        // pixels of the strokes' box, widened by 3, at least 55 % opaque
    double backingBrightness = 1.0;  // median of the brightest channel over that box's other pixels
};

Lettering inspectLettering(const Image& image, int x0, int y0, int w, int h) {
    auto brightest = [&image](int x, int y) {
        const uint8_t* p = image.at(x, y);
        return std::max({p[0], p[1], p[2]}) / 255.0;
    };
    auto stroke = [&](int x, int y) { return image.alpha(x, y) > 230 && brightest(x, y) > 0.78; };
    int left = x0 + w, right = -1, top = y0 + h, bottom = -1;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x)
            if (stroke(x, y))
                left = std::min(left, x), right = std::max(right, x), top = std::min(top, y),
                bottom = std::max(bottom, y);
    Lettering result;
    if (right < 0)
        return result;
    result.strokeTop = top - y0;
    result.strokeBottom = bottom - y0;
    size_t backed = 0, all = 0;
    std::vector<double> others;
    for (int y = std::max(y0, top - 3); y <= std::min(y0 + h - 1, bottom + 3); ++y)
        for (int x = std::max(x0, left - 3); x <= std::min(x0 + w - 1, right + 3); ++x) {
            ++all;
            backed += image.alpha(x, y) >= 140 ? 1 : 0;
            if (!stroke(x, y))
                others.push_back(brightest(x, y));
        }
    result.backedShare = static_cast<double>(backed) / static_cast<double>(all);
    std::nth_element(others.begin(), others.begin() + static_cast<long>(others.size() / 2), others.end());
    result.backingBrightness = others.empty() ? 0.0 : others[others.size() / 2];
    return result;
}

TEST(AssetImages, LyricCapitalsFillTheirStrips) {
    // Drawn at their own size, 64 rows high: the letters take the rows the outline leaves.
    const Image lyrics = loadImage("Assets/lyrics.png");
    ASSERT_EQ(lyrics.height, 256);
    for (int strip = 0; strip < 4; ++strip) {
        SCOPED_TRACE("strip " + std::to_string(strip));
        const Lettering line = inspectLettering(lyrics, 0, strip * 64, lyrics.width, 64);
        EXPECT_GE(line.strokeBottom - line.strokeTop + 1, 46);
    }
}

TEST(AssetImages, GreetingNamesFillTheirCellsOnADarkBoard) {
    // A name fades in and out over the sun and the parrot, so it is mostly seen half transparent:
    // only a dark board under its letters keeps it readable there.
    const Image sheet = loadImage("Assets/greets.png");
    ASSERT_EQ(sheet.height, 19 * 64);
    for (int i = 0; i < 57; ++i) {
        SCOPED_TRACE("greeting " + std::to_string(i));
        const Lettering name = inspectLettering(sheet, (i / 19) * 512, (i % 19) * 64, 512, 64);
        EXPECT_GE(name.strokeBottom - name.strokeTop + 1, 34);
        EXPECT_GE(name.backedShare, 0.9);
        EXPECT_LE(name.backingBrightness, 0.5);
    }
}

TEST(AssetImages, CreditLinesStandOnADarkPlate) {
    // The credits stand on the road's bright striped sun.
    const Image credits = loadImage("Assets/credits_text.png");
    const int rows[][2] = {{0, 60}, {60, 60}, {120, 60}, {180, 90}, {270, 90}};
    for (const auto& row : rows) {
        SCOPED_TRACE("rows " + std::to_string(row[0]));
        const Lettering line = inspectLettering(credits, 0, row[0], credits.width, row[1]);
        EXPECT_GE(line.strokeBottom - line.strokeTop + 1, row[1] * 6 / 10);
        EXPECT_GE(line.backedShare, 0.95);
        EXPECT_LE(line.backingBrightness, 0.35);
    }
}

TEST(AssetImages, ModelTexturesAreOpaque) {
    // Models are drawn with alpha blending: any transparency would show the floor through the bird.
    for (const char* path : {"Assets/flamingo_tex.png", "Assets/windsurf_tex.png"}) {
        SCOPED_TRACE(path);
        const Image image = loadImage(path);
        ASSERT_FALSE(image.pixels.empty());
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x)
                ASSERT_EQ(image.alpha(x, y), 255) << "at " << x << ", " << y;
    }
}

TEST(AssetImages, HeightmapWrapsWithoutASeam) {
    // Floor tiles sample the map over their own x, z; neighbouring tiles meet where the map wraps.
    const Image map = loadImage("Assets/heightmap.png");
    ASSERT_FALSE(map.pixels.empty());
    auto h = [&map](int x, int y) { return static_cast<double>(map.at(x, y)[0]); };
    double inside = 0.0, acrossX = 0.0, acrossY = 0.0;
    for (int i = 0; i < map.height; ++i) {
        inside += std::abs(h(map.width / 3, i) - h(map.width / 3 + 1, i));
        acrossX += std::abs(h(0, i) - h(map.width - 1, i));
    }
    for (int i = 0; i < map.width; ++i)
        acrossY += std::abs(h(i, 0) - h(i, map.height - 1));
    EXPECT_LT(acrossX, inside * 3.0 + map.height * 2.0);
    EXPECT_LT(acrossY, inside * 3.0 + map.width * 2.0);
    // Flat along the middle of the tile, where the camera looks down the valley.
    double middle = 0.0, edge = 0.0;
    for (int y = 0; y < map.height; ++y)
        middle += h(map.width / 2, y), edge += h(0, y);
    EXPECT_LT(middle * 3.0, edge);
}

ObjMeshData loadMesh(const std::string& path) {
    std::ifstream in(path);
    ObjMeshData mesh;
    std::string error;
    EXPECT_TRUE(in.is_open()) << path;
    EXPECT_TRUE(parseObj(in, mesh, error)) << path << ": " << error;
    return mesh;
}

void expectValidTexturedMesh(const ObjMeshData& mesh) {
    ASSERT_EQ(mesh.kind, MeshTexturedTriangles);
    ASSERT_EQ(mesh.vertices.size() % 5, 0u);
    ASSERT_EQ(mesh.elements.size() % 3, 0u);
    const size_t vertexCount = mesh.vertices.size() / 5;
    for (uint32_t e : mesh.elements)
        ASSERT_LT(e, vertexCount);
    for (size_t i = 0; i < vertexCount; ++i) {
        EXPECT_GE(mesh.vertices[i * 5 + 3], 0.0f);
        EXPECT_LE(mesh.vertices[i * 5 + 3], 1.0f);
        EXPECT_GE(mesh.vertices[i * 5 + 4], 0.0f);
        EXPECT_LE(mesh.vertices[i * 5 + 4], 1.0f);
    }
}

TEST(AssetMeshes, FlamingoIsTexturedAndSmallEnoughToDissolveInOneOrder) {
    const ObjMeshData mesh = loadMesh("Assets/flamingo.obj");
    expectValidTexturedMesh(mesh);
    // The soundtrack grows it by three elements a note and has room for at most 450 triangles.
    EXPECT_GE(mesh.elements.size(), 400u * 3);
    EXPECT_LE(mesh.elements.size(), 450u * 3);
}

TEST(AssetMeshes, FlamingoBuildsUpFromTheFeet) {
    const ObjMeshData mesh = loadMesh("Assets/flamingo.obj");
    ASSERT_EQ(mesh.kind, MeshTexturedTriangles);
    const size_t triangles = mesh.elements.size() / 3;
    ASSERT_GT(triangles, 10u);
    auto meanHeight = [&mesh](size_t from, size_t to) {
        double sum = 0.0;
        for (size_t e = from * 3; e < to * 3; ++e)
            sum += mesh.vertices[mesh.elements[e] * 5 + 1];
        return sum / static_cast<double>((to - from) * 3);
    };
    // A partial draw shows the lowest parts first and the head last.
    const double first = meanHeight(0, triangles / 5);
    const double middle = meanHeight(triangles * 2 / 5, triangles * 3 / 5);
    const double last = meanHeight(triangles * 4 / 5, triangles);
    EXPECT_LT(first, middle);
    EXPECT_LT(middle, last);
}

TEST(AssetMeshes, WindsurferIsTexturedAndTallEnoughToFillTheFrame) {
    const ObjMeshData mesh = loadMesh("Assets/windsurf.obj");
    expectValidTexturedMesh(mesh);
    float low = 1e9f, high = -1e9f;
    for (size_t i = 0; i + 4 < mesh.vertices.size(); i += 5)
        low = std::min(low, mesh.vertices[i + 1]), high = std::max(high, mesh.vertices[i + 1]);
    // Board near the origin's height (the show places it at y = -1) and a tall rig.
    EXPECT_GT(low, -0.6f);
    EXPECT_GT(high - low, 1.5f);
}

Vec4 transformPoint(const Mat4& m, Vec3 p) {
    Vec4 out{};
    float* o = &out.x;
    for (int row = 0; row < 4; ++row)
        o[row] = m.at(0, row) * p.x + m.at(1, row) * p.y + m.at(2, row) * p.z + m.at(3, row);
    return out;
}

TEST(AssetMeshes, WindsurferStaysWholeInTheFrameAndBehindTheFlamingos) {
    // Where the show draws it: turned half round, its origin swaying between x = -3 and 3 at
    // y = -1, z = -1, tilted up to 5 degrees forward and 6 sideways, drifting to z = -7 in order 7;
    // the camera at its start position, 16:9. The flamingos stand at z = -1.5.
    const ObjMeshData windsurf = loadMesh("Assets/windsurf.obj");
    const ObjMeshData flamingo = loadMesh("Assets/flamingo.obj");
    ASSERT_EQ(windsurf.kind, MeshTexturedTriangles);
    ASSERT_EQ(flamingo.kind, MeshTexturedTriangles);
    float flamingoReach = 0.0f;
    for (size_t i = 0; i + 4 < flamingo.vertices.size(); i += 5)
        flamingoReach = std::max(flamingoReach, std::hypot(flamingo.vertices[i], flamingo.vertices[i + 2]));
    const float flamingoBack = -1.5f - flamingoReach;

    Camera camera;
    const Mat4 viewProjection = multiply(camera.projection, camera.view);
    float nearest = -1e9f, widest = 0.0f, tallest = 0.0f;
    for (float x : {-3.0f, 3.0f})
        for (float z : {-1.0f, -7.0f})
            for (float pitch : {-5.0f, 5.0f})
                for (float roll : {-6.0f, 6.0f}) {
                    const Mat4 model =
                        multiply(translate(Mat4(1.0f), {x, -1.0f, z}),
                                 mat4FromQuat(quatFromEuler({radians(pitch), radians(180.0f), radians(roll)})));
                    for (size_t i = 0; i + 4 < windsurf.vertices.size(); i += 5) {
                        const Vec3 local{windsurf.vertices[i], windsurf.vertices[i + 1], windsurf.vertices[i + 2]};
                        nearest = std::max(nearest, transformPoint(model, local).z);
                        const Vec4 clip = transformPoint(multiply(viewProjection, model), local);
                        ASSERT_GT(clip.w, 0.0f);
                        widest = std::max(widest, std::abs(clip.x / clip.w));
                        tallest = std::max(tallest, std::abs(clip.y / clip.w));
                    }
                }
    EXPECT_LT(widest, 0.97f) << "the windsurfer leaves the frame at the sides";
    EXPECT_LT(tallest, 0.97f) << "the windsurfer leaves the frame at the top or bottom";
    EXPECT_LT(nearest, flamingoBack) << "the windsurfer reaches into the flamingos";
}

TEST(AssetMeshes, FloorTileIsAFlatSixUnitSquareOfPlainTriangles) {
    const ObjMeshData mesh = loadMesh("Assets/plane.obj");
    ASSERT_EQ(mesh.kind, MeshTriangles);
    ASSERT_EQ(mesh.vertices.size() % 3, 0u);
    ASSERT_EQ(mesh.elements.size() % 3, 0u);
    EXPECT_GE(mesh.elements.size(), 200u * 3) << "the height map needs a fine grid";
    float minX = 1e9f, maxX = -1e9f, minZ = 1e9f, maxZ = -1e9f;
    for (size_t i = 0; i < mesh.vertices.size(); i += 3) {
        EXPECT_EQ(mesh.vertices[i + 1], 0.0f);
        minX = std::min(minX, mesh.vertices[i]), maxX = std::max(maxX, mesh.vertices[i]);
        minZ = std::min(minZ, mesh.vertices[i + 2]), maxZ = std::max(maxZ, mesh.vertices[i + 2]);
    }
    // Tiles are laid 6 units apart around the origin; their edges must meet exactly.
    EXPECT_FLOAT_EQ(minX, -3.0f);
    EXPECT_FLOAT_EQ(maxX, 3.0f);
    EXPECT_FLOAT_EQ(minZ, -3.0f);
    EXPECT_FLOAT_EQ(maxZ, 3.0f);
    for (uint32_t e : mesh.elements)
        ASSERT_LT(e, mesh.vertices.size() / 3);
}

TEST(AssetMeshes, FloorTrianglesFaceUpForBackFaceCulling) {
    const ObjMeshData mesh = loadMesh("Assets/plane.obj");
    ASSERT_EQ(mesh.kind, MeshTriangles);
    for (size_t e = 0; e + 2 < mesh.elements.size(); e += 3) {
        const float* a = &mesh.vertices[mesh.elements[e] * 3];
        const float* b = &mesh.vertices[mesh.elements[e + 1] * 3];
        const float* c = &mesh.vertices[mesh.elements[e + 2] * 3];
        // y of (b - a) x (c - a): positive when counter-clockwise seen from above.
        const float normalY = (b[2] - a[2]) * (c[0] - a[0]) - (b[0] - a[0]) * (c[2] - a[2]);
        ASSERT_GT(normalY, 0.0f) << "triangle " << e / 3;
    }
}

}  // namespace
