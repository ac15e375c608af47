// The authoring keys: camera moves, presets, the free-camera switch and the printed lines.
#include <gtest/gtest.h>

#include "demo/debug_keys.h"

using namespace tessellune;

namespace {

std::string press(DebugControls& controls, float& gtn, int key) {
    ::testing::internal::CaptureStdout();
    applyDebugKey(controls, gtn, key);
    return ::testing::internal::GetCapturedStdout();
}

} // namespace

// Every key prints the free camera after it (W twice: an auto-repeat moves again; P is not listed:
// it changes nothing but still prints); a preset writes all four components of both vectors.
TEST(DebugKeys, MovesPresetsCounterGtnNudgesAndTheFreeCameraSwitch) {
    DebugControls c;
    float gtn = 3.9f;
    for (const int key : {'A', 'W', 'W', 'Z', 'U', 'H'}) {
        press(c, gtn, key);
    }
    EXPECT_EQ(press(c, gtn, 'P'),
              "camrot = vec4(0.100000,-0.100000,0.000000); campos = vec4(4.000000,-4.000000,8.000000)\n");
    c.camera.position.w = 9;
    EXPECT_EQ(press(c, gtn, '5'),
              "camrot = vec4(1.300000,-2.100000,0.000000); campos = vec4(-272.000000,24.000000,-4.000000)\n");
    EXPECT_EQ(c.camera.position.w, 0.0f);
    press(c, gtn, '3');
    EXPECT_EQ(c.camera.position.y, -136.0f);
    EXPECT_EQ(c.camera.rotation.x, 1.2f);

    EXPECT_EQ(press(c, gtn, '7').substr(0, 16), "duid is now 547\n");
    EXPECT_EQ(press(c, gtn, '8').substr(0, 23), "gtn is now      3.8900\n");
    EXPECT_EQ(gtn, static_cast<float>(static_cast<double>(3.9f) - 0.01));
    press(c, gtn, '9');
    press(c, gtn, '9');
    EXPECT_NEAR(gtn, 3.91f, 1e-6f);
    EXPECT_FALSE(c.camera.freeCamera);
    press(c, gtn, '=');
    EXPECT_TRUE(c.camera.freeCamera);
    press(c, gtn, '=');
    EXPECT_FALSE(c.camera.freeCamera);
}
