#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "engine/Engine.h"
#include "engine/Entity3D.h"
#include "engine/Shader.h"
#include "render_gl_support.h"
#include "resources/ResourceManager.h"

namespace {

// Every entry point an entity draw can reach, counted together.
struct DrawPathSpies {
    DrawPathSpies() {
        spiedGlCalls = 0;
        GlSpy<&glad_glEnable>::install();
        GlSpy<&glad_glDisable>::install();
        GlSpy<&glad_glCullFace>::install();
        GlSpy<&glad_glDepthFunc>::install();
        GlSpy<&glad_glPolygonMode>::install();
        GlSpy<&glad_glUseProgram>::install();
        GlSpy<&glad_glBlendFunc>::install();
        GlSpy<&glad_glBlendFuncSeparate>::install();
        GlSpy<&glad_glActiveTexture>::install();
        GlSpy<&glad_glBindTexture>::install();
        GlSpy<&glad_glUniform1i>::install();
        GlSpy<&glad_glUniform1f>::install();
        GlSpy<&glad_glUniform4fv>::install();
        GlSpy<&glad_glUniformMatrix4fv>::install();
        GlSpy<&glad_glBindVertexArray>::install();
        GlSpy<&glad_glDrawElements>::install();
    }
    ~DrawPathSpies() {
        GlSpy<&glad_glEnable>::remove();
        GlSpy<&glad_glDisable>::remove();
        GlSpy<&glad_glCullFace>::remove();
        GlSpy<&glad_glDepthFunc>::remove();
        GlSpy<&glad_glPolygonMode>::remove();
        GlSpy<&glad_glUseProgram>::remove();
        GlSpy<&glad_glBlendFunc>::remove();
        GlSpy<&glad_glBlendFuncSeparate>::remove();
        GlSpy<&glad_glActiveTexture>::remove();
        GlSpy<&glad_glBindTexture>::remove();
        GlSpy<&glad_glUniform1i>::remove();
        GlSpy<&glad_glUniform1f>::remove();
        GlSpy<&glad_glUniform4fv>::remove();
        GlSpy<&glad_glUniformMatrix4fv>::remove();
        GlSpy<&glad_glBindVertexArray>::remove();
        GlSpy<&glad_glDrawElements>::remove();
    }
};

// The programs and primitive modes of the draws issued, and the view matrices uploaded.
std::vector<GLint> programsUsed;
std::vector<GLenum> drawModes;
std::vector<Mat4> matricesSent;
PFNGLUSEPROGRAMPROC realUseProgram = nullptr;
PFNGLDRAWELEMENTSPROC realDrawElements = nullptr;
PFNGLUNIFORMMATRIX4FVPROC realUniformMatrix = nullptr;

void recordUseProgram(GLuint program) {
    programsUsed.push_back(static_cast<GLint>(program));
    realUseProgram(program);
}
void recordDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices) {
    drawModes.push_back(mode);
    realDrawElements(mode, count, type, indices);
}
void recordUniformMatrix(GLint location, GLsizei count, GLboolean transpose, const GLfloat* value) {
    Mat4 matrix;
    std::copy(value, value + 16, matrix.m);
    matricesSent.push_back(matrix);
    realUniformMatrix(location, count, transpose, value);
}

struct DrawRecorder {
    DrawRecorder() {
        programsUsed.clear();
        drawModes.clear();
        matricesSent.clear();
        realUseProgram = glad_glUseProgram;
        realDrawElements = glad_glDrawElements;
        realUniformMatrix = glad_glUniformMatrix4fv;
        glad_glUseProgram = recordUseProgram;
        glad_glDrawElements = recordDrawElements;
        glad_glUniformMatrix4fv = recordUniformMatrix;
    }
    ~DrawRecorder() {
        glad_glUseProgram = realUseProgram;
        glad_glDrawElements = realDrawElements;
        glad_glUniformMatrix4fv = realUniformMatrix;
    }
};

const char* const QUAD_OBJ =
    "v -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\n"
    "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
    "f 1/1 2/2 3/3\nf 1/1 3/3 4/4\n";

class EntityDraw : public ::testing::Test {
protected:
    void SetUp() override {
        initEngineForTests();
        assets.emplace();
        assets->copyShader("PlaneMusic");
        assets->writeText("Assets/quad.obj", QUAD_OBJ);
        assets->writeText("Assets/lines.obj", "v -1 0 0\nv 1 0 0\nv 1 1 0\nl 1 2 3\n");
        // Top row red, yellow; bottom row blue, white: the image as it is stored, top row first.
        assets->writePng("Assets/corners.png", 2, 2, 4,
                         {255, 0, 0, 255, 255, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255});
        quadMesh = resourceManager->getMeshId("Assets/quad.obj");
        lineMesh = resourceManager->getMeshId("Assets/lines.obj");
        cornersTexture = resourceManager->getTextureId("Assets/corners.png");
        ASSERT_NE(quadMesh, -1);
        ASSERT_NE(lineMesh, -1);
        ASSERT_NE(cornersTexture, -1);
        engine->SelectTarget(0);
        clearTarget(0.0f, 0.0f, 0.0f, 1.0f);
    }

    std::optional<TempAssets> assets;
    int32_t quadMesh = -1;
    int32_t lineMesh = -1;
    int32_t cornersTexture = -1;
};

TEST_F(EntityDraw, HiddenOrMeshlessEntitiesIssueNoGlCall) {
    Entity3D hidden;
    hidden.meshId = quadMesh;
    hidden.hidden = true;
    Entity3D meshless;
    Entity3DPlaneMusic plane;
    plane.meshId = quadMesh;
    plane.hidden = true;
    Entity3DPlaneMusic planeWithoutMesh;
    const Mat4 projection = engine->projection;
    {
        DrawPathSpies spies;
        hidden.draw();
        meshless.draw();
        plane.draw();
        planeWithoutMesh.draw();
        EXPECT_EQ(spiedGlCalls, 0);
        hidden.hidden = false;
        hidden.draw();
        EXPECT_GT(spiedGlCalls, 0);  // the spies do see a real draw
    }
    EXPECT_TRUE(std::equal(projection.m, projection.m + 16, engine->projection.m));
}

TEST_F(EntityDraw, TexturedMeshShowsItsImageRightWayUpAndLeavesTheTintAlone) {
    Entity3D quad;
    quad.meshId = quadMesh;
    quad.textureId = cornersTexture;
    TextureRecord* record = resourceManager->textureById(cornersTexture);
    record->color.w = 0.5f;
    quad.draw();
    EXPECT_EQ(record->color.w, 0.5f);

    auto rgb = [](Rgba p) { return std::to_string(p.r) + "," + std::to_string(p.g) + "," + std::to_string(p.b); };
    EXPECT_EQ(rgb(designPixel(760, 340)), "255,0,0");
    EXPECT_EQ(rgb(designPixel(1160, 340)), "255,255,0");
    EXPECT_EQ(rgb(designPixel(760, 740)), "0,0,255");
    EXPECT_EQ(rgb(designPixel(1160, 740)), "255,255,255");
    EXPECT_EQ(rgb(designPixel(100, 100)), "0,0,0");

    // The draw leaves the 2D state behind it.
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
}

TEST_F(EntityDraw, UntexturedAndLineMeshesDrawInTheirColourWithTheFlatProgram) {
    const GLint flat = static_cast<GLint>(resourceManager->shaderById(engine->shaderColor2D)->program);
    Entity3D quad;
    quad.meshId = quadMesh;
    quad.color = 0xFF20C040u;
    Entity3D lines;
    lines.meshId = lineMesh;
    lines.textureId = cornersTexture;
    lines.color = 0xFFFF00FFu;
    {
        DrawRecorder recorder;
        quad.draw();
        lines.draw();
        ASSERT_EQ(drawModes.size(), 2u);
        EXPECT_EQ(drawModes[0], static_cast<GLenum>(GL_TRIANGLES));
        EXPECT_EQ(drawModes[1], static_cast<GLenum>(GL_LINES));
        EXPECT_EQ(programsUsed, (std::vector<GLint>{flat, 0, flat, 0}));
    }
    const Rgba p = designPixel(960, 700);
    EXPECT_EQ(p.r, 0x20);
    EXPECT_EQ(p.g, 0xC0);
    EXPECT_EQ(p.b, 0x40);
}

TEST_F(EntityDraw, RotationIsKeptInDegreesRadiansAndAsAQuaternion) {
    Entity3D entity;
    EXPECT_EQ(entity.rotation.w, 1.0f);
    entity.setRotation({0.0f, 180.0f, 0.0f});
    EXPECT_EQ(entity.rotationDegrees.y, 180.0f);
    EXPECT_FLOAT_EQ(entity.rotationRadians.y, 180.0f * 0.017453292f);
    EXPECT_NEAR(entity.rotation.y, 1.0f, 1e-6f);
    EXPECT_NEAR(entity.rotation.w, 0.0f, 1e-6f);
    EXPECT_EQ(entity.rotation.x, 0.0f);
    EXPECT_EQ(entity.rotation.z, 0.0f);
}

class PlaneEntity : public EntityDraw {
protected:
    void SetUp() override {
        EntityDraw::SetUp();
        assets->writePng("Assets/heightmap.png", 1, 1, 1, {255});
        assets->writePng("Assets/flat.png", 1, 1, 1, {0});
        // A 6 x 6 floor tile of 6 x 6 cells, as two triangles each.
        std::string tile;
        for (int z = 0; z <= 6; ++z) {
            for (int x = 0; x <= 6; ++x) {
                tile += "v " + std::to_string(x - 3) + " 0 " + std::to_string(z - 3) + "\n";
            }
        }
        for (int z = 0; z < 6; ++z) {
            for (int x = 0; x < 6; ++x) {
                const int a = z * 7 + x + 1;
                tile += "f " + std::to_string(a) + " " + std::to_string(a + 7) + " " + std::to_string(a + 8) + "\n";
                tile += "f " + std::to_string(a) + " " + std::to_string(a + 8) + " " + std::to_string(a + 1) + "\n";
            }
        }
        assets->writeText("Assets/tile.obj", tile);
        plane.emplace();
        plane->meshId = resourceManager->getMeshId("Assets/tile.obj");
        plane->color = 0xff0fffffu;
        plane->scrollSpeed = 0.1f;
        plane->eyeOffset = {0.0f, 2.0f, 0.0f};
        plane->pitch = -40.0f;
        plane->depthTest = false;
        flatTexture = resourceManager->getTextureId("Assets/flat.png");
        ASSERT_NE(plane->shaderId, -1);
        ASSERT_NE(plane->textureId, -1);
        ASSERT_NE(flatTexture, -1);
    }

    // The wireframe floor as the frame composition draws it, read back whole.
    std::vector<unsigned char> drawnFloor() {
        clearTarget(0.0f, 0.0f, 0.0f, 1.0f);
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        plane->draw();
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        std::vector<unsigned char> pixels(static_cast<size_t>(SCREEN_WIDTH * SCREEN_HEIGHT * 4));
        glReadPixels(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }

    std::optional<Entity3DPlaneMusic> plane;
    int32_t flatTexture = -1;
};

TEST_F(PlaneEntity, UpdateScrollsRowsWrapsThemAndBobsTheEye) {
    plane->tileOffsets[0].y = 5.95f;
    plane->tileOffsets[1].y = -3.0f;
    plane->update(0);
    EXPECT_EQ(plane->tileOffsets[0].y, -12.0f);
    EXPECT_FLOAT_EQ(plane->tileOffsets[1].y, -2.9f);
    EXPECT_EQ(plane->tileOffsets[0].x, -6.0f);

    plane->factor = 1.0f;
    engine->camera.basePosition = {0.5f, 0.0f, 3.0f};
    plane->update(1571);  // sin(1.571) is 1 within 1e-6
    EXPECT_NEAR(plane->eye.x, 0.5f, 1e-6f);
    EXPECT_NEAR(plane->eye.y, 2.0f + 0.9f, 1e-5f);
    EXPECT_NEAR(plane->eye.z, 3.0f, 1e-6f);
}

TEST_F(PlaneEntity, DrawBorrowsTheCameraAndGivesItBackLevel) {
    plane->pitch = -120.0f;
    plane->update(0);
    Camera& camera = engine->camera;
    camera.pitch = 25.0f;
    camera.updateVectors();
    const Vec3 before = camera.position;
    Camera expected = camera;
    expected.setPosition(plane->eye);
    expected.pitch = -89.0f;
    expected.updateVectors();
    const GLint viewLocation = resourceManager->shaderById(plane->shaderId)->location(UniformSlot::View);
    ASSERT_NE(viewLocation, -1);
    {
        DrawRecorder recorder;
        plane->draw();
        ASSERT_EQ(drawModes.size(), 9u);
        // Each tile sends projection, view and model, in that order.
        ASSERT_EQ(matricesSent.size(), 27u);
        for (size_t tile = 0; tile < 9; ++tile) {
            const Mat4& view = matricesSent[tile * 3 + 1];
            for (int i = 0; i < 16; ++i) {
                ASSERT_NEAR(view.m[i], expected.view.m[i], 1e-5f) << "tile " << tile << " element " << i;
            }
        }
    }
    EXPECT_EQ(camera.position.x, before.x);
    EXPECT_EQ(camera.position.y, before.y);
    EXPECT_EQ(camera.position.z, before.z);
    EXPECT_EQ(camera.pitch, 0.0f);
    EXPECT_NEAR(camera.front.z, -1.0f, 1e-6f);
    EXPECT_EQ(plane->position.x, plane->tileOffsets[2].x);
    EXPECT_EQ(plane->position.z, plane->tileOffsets[2].y);
}

TEST_F(PlaneEntity, FloorRisesWithHeightTimesFactorAndFadesIntoTheDistance) {
    plane->update(0);
    plane->factor = 0.0f;
    const std::vector<unsigned char> whiteStill = drawnFloor();
    plane->factor = 1.0f;
    const std::vector<unsigned char> whiteRaised = drawnFloor();
    plane->textureId = flatTexture;
    const std::vector<unsigned char> blackRaised = drawnFloor();
    // Where lines are drawn at all: the beat also lights them, so the colours differ.
    auto lines = [](const std::vector<unsigned char>& pixels) {
        std::vector<bool> drawn(pixels.size() / 4);
        for (size_t i = 0; i < drawn.size(); ++i)
            drawn[i] = pixels[i * 4] != 0 || pixels[i * 4 + 1] != 0 || pixels[i * 4 + 2] != 0;
        return drawn;
    };
    EXPECT_TRUE(lines(whiteStill) == lines(blackRaised));  // no height or no factor: the same flat floor
    EXPECT_FALSE(lines(whiteStill) == lines(whiteRaised));

    // The beat (factor 1.0, resting at 0.6) lights the floor at once and lands softly: half way
    // back down it has lost more than half its light.
    auto light = [&](float factor) {
        plane->factor = factor;
        const std::vector<unsigned char> pixels = drawnFloor();
        long sum = 0;
        for (size_t i = 0; i < pixels.size(); i += 4)
            sum += pixels[i + 1];
        return sum;
    };
    const long resting = light(0.6f), halfway = light(0.8f), struck = light(1.0f);
    EXPECT_GT(struck, resting + resting / 10);
    EXPECT_LT(halfway - resting, (struck - resting) / 2);

    // Looking straight ahead, the floor fades out well before its far edge, where rows wrap
    // around and reappear: nothing is drawn between the horizon and a few hundred rows below.
    plane->pitch = 0.0f;
    const std::vector<unsigned char> level = drawnFloor();
    int redderThanGreen = 0;
    auto brightestGreen = [&](int fromDesignRow, int toDesignRow) {
        int best = 0;
        for (int y = fromDesignRow; y < toDesignRow; ++y) {
            for (int x = 0; x < SCREEN_WIDTH; ++x) {
                const unsigned char* p = &level[static_cast<size_t>(((SCREEN_HEIGHT - 1 - y) * SCREEN_WIDTH + x) * 4)];
                redderThanGreen += p[0] > p[1] ? 1 : 0;
                best = std::max(best, static_cast<int>(p[1]));
            }
        }
        return best;
    };
    EXPECT_EQ(brightestGreen(0, 800), 0);
    EXPECT_GT(brightestGreen(1000, SCREEN_HEIGHT), 150);  // near lines in full cyan
    EXPECT_EQ(redderThanGreen, 0);
}

}  // namespace
