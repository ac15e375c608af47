// Debug keys: camera moves and presets, the "duid" counter and the "gtn" nudges, with their printouts.
#include "demo/debug_keys.h"

#include <cstdio>

namespace tessellune {

namespace {

constexpr float MOVE_STEP = 4.0f;
constexpr float TURN_STEP = 0.1f;

struct Preset {
    Vec4 rotation;
    Vec4 position;
};

// Views worth returning to while authoring, on keys '1' to '6'.
constexpr Preset PRESETS[6] = {
    {{0.7f, 0, 0.3f, 0}, {-28, -64, -76, 0}}, {{-0.0f, -0.7f, 0, 0}, {-144, -60, -372, 0}},
    {{1.2f, 0, 0, 0}, {0, -136, 16, 0}},      {{0, 0, 0, 0}, {0, 0, 0, 0}},
    {{1.3f, -2.1f, 0, 0}, {-272, 24, -4, 0}}, {{0.7f, 0.1f, 0, 0}, {-176, 120, -180, 0}},
};

} // namespace

void applyDebugKey(DebugControls& controls, float& gtn, int32_t key) {
    Vec4& position = controls.camera.position;
    Vec4& rotation = controls.camera.rotation;
    switch (key) {
    case 'A':
        position.x += MOVE_STEP;
        break;
    case 'D':
        position.x -= MOVE_STEP;
        break;
    case 'Q':
        position.y += MOVE_STEP;
        break;
    case 'Z':
        position.y -= MOVE_STEP;
        break;
    case 'W':
        position.z += MOVE_STEP;
        break;
    case 'S':
        position.z -= MOVE_STEP;
        break;
    case 'U':
        rotation.x += TURN_STEP;
        break;
    case 'J':
        rotation.x -= TURN_STEP;
        break;
    case 'K':
        rotation.y += TURN_STEP;
        break;
    case 'H':
        rotation.y -= TURN_STEP;
        break;
    case 'I':
        rotation.z += TURN_STEP;
        break;
    case 'Y':
        rotation.z -= TURN_STEP;
        break;
    case '1':
    case '2':
    case '3':
    case '4':
    case '5':
    case '6':
        rotation = PRESETS[key - '1'].rotation;
        position = PRESETS[key - '1'].position;
        break;
    case '7':
        ++controls.duid;
        std::printf("duid is now %d\n", controls.duid);
        break;
    case '8':
    case '9':
        gtn = static_cast<float>(static_cast<double>(gtn) + (key == '8' ? -0.01 : 0.01));
        std::printf("gtn is now %11.4f\n", static_cast<double>(gtn));
        break;
    case '=':
        controls.camera.freeCamera = !controls.camera.freeCamera;
        break;
    default:
        break;
    }
    std::printf("camrot = vec4(%f,%f,%f); campos = vec4(%f,%f,%f)\n", static_cast<double>(rotation.x),
                static_cast<double>(rotation.y), static_cast<double>(rotation.z),
                static_cast<double>(position.x), static_cast<double>(position.y),
                static_cast<double>(position.z));
}

} // namespace tessellune
