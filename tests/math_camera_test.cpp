#include <gtest/gtest.h>

#include "base/MathTypes.h"
#include "engine/Camera.h"
#include "engine/Engine.h"

namespace {

void expectMatrixNear(const Mat4& actual, const Mat4& expected, float tolerance = 1e-6f) {
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(actual.m[i], expected.m[i], tolerance) << "element " << i;
    }
}

Vec4 transform(const Mat4& m, Vec4 v) {
    return {
        m.at(0, 0) * v.x + m.at(1, 0) * v.y + m.at(2, 0) * v.z + m.at(3, 0) * v.w,
        m.at(0, 1) * v.x + m.at(1, 1) * v.y + m.at(2, 1) * v.z + m.at(3, 1) * v.w,
        m.at(0, 2) * v.x + m.at(1, 2) * v.y + m.at(2, 2) * v.z + m.at(3, 2) * v.w,
        m.at(0, 3) * v.x + m.at(1, 3) * v.y + m.at(2, 3) * v.z + m.at(3, 3) * v.w,
    };
}

}  // namespace

TEST(MathCamera, DefaultProjectionMatchesTheDesignScreen) {
    Camera camera;
    EXPECT_FLOAT_EQ(camera.projection.at(0, 0), 1.3579952f);
    EXPECT_FLOAT_EQ(camera.projection.at(1, 1), 2.4142134f);
    EXPECT_FLOAT_EQ(camera.projection.at(2, 2), -1.002002f);
    EXPECT_FLOAT_EQ(camera.projection.at(3, 2), -0.2002002f);
    EXPECT_FLOAT_EQ(camera.projection.at(2, 3), -1.0f);
    EXPECT_FLOAT_EQ(camera.projection.at(3, 3), 0.0f);
}

TEST(MathCamera, LookAtFromDefaultEyeIsATranslation) {
    Mat4 expected = translate(Mat4(1.0f), {0.0f, 0.0f, -3.0f});
    expectMatrixNear(lookAt({0, 0, 3}, {0, 0, 2}, {0, 1, 0}), expected);
    expectMatrixNear(Camera().view, expected);
}

TEST(MathCamera, OrthoMapsPixelCornersToClipCorners) {
    Mat4 m = ortho(0, 1920, 1080, 0, 0.1f, 100);
    Vec4 topLeft = transform(m, {0, 0, 0, 1});
    Vec4 bottomRight = transform(m, {1920, 1080, 0, 1});
    EXPECT_FLOAT_EQ(topLeft.x, -1.0f);
    EXPECT_FLOAT_EQ(topLeft.y, 1.0f);
    EXPECT_FLOAT_EQ(bottomRight.x, 1.0f);
    EXPECT_FLOAT_EQ(bottomRight.y, -1.0f);
    EXPECT_FLOAT_EQ(m.at(2, 2), -0.02002002f);
    EXPECT_FLOAT_EQ(m.at(3, 2), -1.002002f);
}

TEST(MathCamera, ZeroRotationsAreIdentities) {
    Mat4 m = translate(scale(Mat4(1.0f), {2, 3, 4}), {1, 2, 3});
    expectMatrixNear(rotate(m, 0.0f, {0, 0, 1}), m);
    Quat q = quatFromEuler({0, 0, 0});
    EXPECT_FLOAT_EQ(q.x, 0.0f);
    EXPECT_FLOAT_EQ(q.y, 0.0f);
    EXPECT_FLOAT_EQ(q.z, 0.0f);
    EXPECT_FLOAT_EQ(q.w, 1.0f);
    expectMatrixNear(mat4FromQuat(q), Mat4(1.0f));
}

TEST(MathCamera, RotationsTurnCounterClockwiseAndAgreeWithQuaternions) {
    Mat4 r = rotate(Mat4(1.0f), radians(90.0f), {0, 0, 1});
    Vec4 x = transform(r, {1, 0, 0, 1});
    EXPECT_NEAR(x.x, 0.0f, 1e-6f);
    EXPECT_NEAR(x.y, 1.0f, 1e-6f);
    // Half a turn about y flips x and z.
    Quat half = quatFromEuler({0, radians(180.0f), 0});
    EXPECT_NEAR(half.y, 1.0f, 1e-6f);
    EXPECT_NEAR(half.w, 0.0f, 1e-6f);
    expectMatrixNear(mat4FromQuat(half), rotate(Mat4(1.0f), radians(180.0f), {0, 1, 0}), 1e-5f);
}

TEST(MathCamera, TransformsComposeInOrder) {
    // translate then scale: a point is scaled first, then moved.
    Mat4 m = scale(translate(Mat4(1.0f), {10, 20, 30}), {2, 2, 2});
    Vec4 p = transform(m, {1, 1, 1, 1});
    EXPECT_FLOAT_EQ(p.x, 12.0f);
    EXPECT_FLOAT_EQ(p.y, 22.0f);
    EXPECT_FLOAT_EQ(p.z, 32.0f);
    expectMatrixNear(multiply(translate(Mat4(1.0f), {10, 20, 30}), scale(Mat4(1.0f), {2, 2, 2})), m);
}

TEST(MathCamera, CameraVectorsFollowYawAndPitch) {
    Camera camera;
    camera.updateVectors();
    EXPECT_NEAR(camera.front.x, 0.0f, 1e-6f);
    EXPECT_NEAR(camera.front.z, -1.0f, 1e-6f);
    camera.pitch = -40.0f;
    camera.updateVectors();
    EXPECT_NEAR(camera.front.y, -0.6427876f, 1e-6f);
    camera.setPosition({1, 2, 3});
    Vec4 eyeInView = transform(camera.view, {1, 2, 3, 1});
    EXPECT_NEAR(eyeInView.x, 0.0f, 1e-5f);
    EXPECT_NEAR(eyeInView.y, 0.0f, 1e-5f);
    EXPECT_NEAR(eyeInView.z, 0.0f, 1e-5f);
}
