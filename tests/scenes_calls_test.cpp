// One frame of each scene routine on a traced software device, compared call
// by call with the steps each routine is built from. The trace is condensed
// so the expected lists read like those steps: preset sequences become their
// preset's name, a mesh draw becomes mesh(slot), a screen quad draw becomes
// quad(level) or quadShifted(dy), textures are named by slot, and every
// decimal number is shortened to six significant digits.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "codec/texture_building.h"
#include "platform/d3d8/device_trace.h"
#include "render/screen_quad.h"
#include "scenes/room_renderer.h"
#include "scenes/scene_routines.h"
#include "scenes/scene_state.h"
#include "support/scene_world.h"
#include "support/d3d8_test_device.h"

namespace {

using Calls = std::vector<std::string>;

// The world builds the streaming pairs first (tex#1 to tex#6, device
// textures even), then texture slots 0 to 10 (tex#7 to tex#17), then the
// meshes of kDrawnMeshSlots in order (ib#1, ib#2, ...).
constexpr int kFirstSlotTexture = 7;

std::string shortNumbers(const std::string& line) {
  static const std::regex decimal(R"(-?\d+\.\d+(e[-+]?\d+)?)");
  std::string out;
  auto last = line.cbegin();
  for (std::sregex_iterator it(line.begin(), line.end(), decimal), end; it != end; ++it) {
    out.append(last, line.cbegin() + it->position());
    char text[32];
    std::snprintf(text, sizeof text, "%g", std::stod(it->str()));
    out += text;
    last = line.cbegin() + it->position() + it->length();
  }
  out.append(last, line.cend());
  return out;
}

// "world(scale, angle)" from the world matrix scale x rotation about y.
std::string worldName(const std::string& line) {
  float m[16] = {};
  std::string numbers = line.substr(line.find('[') + 1);
  for (char& c : numbers) {
    if (c == ';' || c == ']' || c == ')') c = ' ';
  }
  std::sscanf(numbers.c_str(), "%f %f %f %f %f %f %f %f %f %f %f %f %f %f %f %f", &m[0], &m[1], &m[2], &m[3],
              &m[4], &m[5], &m[6], &m[7], &m[8], &m[9], &m[10], &m[11], &m[12], &m[13], &m[14], &m[15]);
  char text[64];
  std::snprintf(text, sizeof text, "world(%.3g, %.3g)", std::hypot(m[0], m[2]), std::atan2(-m[2], m[0]) + 0.0);
  return text;
}

// The colour and vertical offset the screen quad was last drawn with.
std::string quadName() {
  BYTE* data = nullptr;
  if (screenQuadBuffer == nullptr || FAILED(screenQuadBuffer->Lock(0, 0, &data, 0))) return "quad(?)";
  ScreenVertex first;
  std::memcpy(&first, data, sizeof first);
  screenQuadBuffer->Unlock();
  char text[64];
  const DWORD level = first.diffuse & 0xFF;
  if (first.y == 0.0f && first.diffuse == level * 0x01010101u) {
    std::snprintf(text, sizeof text, "quad(%u)", static_cast<unsigned>(level));
  } else if (first.diffuse == 0xFFFFFFFFu) {
    std::snprintf(text, sizeof text, "quadShifted(%g)", static_cast<double>(first.y));
  } else {
    std::snprintf(text, sizeof text, "quad(0x%08X, %g)", static_cast<unsigned>(first.diffuse),
                  static_cast<double>(first.y));
  }
  return text;
}

std::string textureName(const std::string& line) {
  const int number = std::stoi(line.substr(line.find('#') + 1));
  if (number >= kFirstSlotTexture && number < kFirstSlotTexture + kTextureSlotCount) {
    return "tex(" + std::to_string(number - kFirstSlotTexture) + ")";
  }
  if (number >= 1 && number <= 6 && number % 2 == 0) return "tex(picture)";
  return line;
}

class CondensedTrace {
 public:
  void add(const std::string& raw) {
    const std::string line = shortNumbers(raw);
    if (line == "BeginScene()" || line == "EndScene()") return;
    if (line.rfind("DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2)", 0) == 0 &&
        endsWith({"SetStreamSource(0, vb#1, 28)", "SetVertexShader(0x144 D3DFVF_XYZRHW|D3DFVF_DIFFUSE|D3DFVF_TEX1)"})) {
      calls.resize(calls.size() - 2);
      calls.push_back(quadName() + (line.find("->") != std::string::npos ? " failed" : ""));
    } else if (line.rfind("DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2)", 0) == 0 && calls.size() >= 3 &&
               calls[calls.size() - 3] == "SetVertexShader(0x112 D3DFVF_XYZ|D3DFVF_NORMAL|D3DFVF_TEX1)" &&
               calls[calls.size() - 2].rfind("SetIndices(ib#", 0) == 0 &&
               calls.back().rfind("SetStreamSource(0, vb#", 0) == 0) {
      const int buffer = std::stoi(calls[calls.size() - 2].substr(14));
      calls.resize(calls.size() - 3);
      calls.push_back("mesh(" + std::to_string(kDrawnMeshSlots[buffer - 1]) + ")" +
                      (line.find("->") != std::string::npos ? " failed" : ""));
    } else if (line == "SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE)" &&
               endsWith({"SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE)", "SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE)"})) {
      calls.resize(calls.size() - 2);
      calls.push_back("blendAdditive");
    } else if (line == "SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA)" &&
               endsWith({"SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE)",
                         "SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA)"})) {
      calls.resize(calls.size() - 2);
      calls.push_back("blendAlpha");
    } else if (line.rfind("SetTransform(D3DTS_WORLD", 0) == 0) {
      calls.push_back(worldName(raw));
    } else if (line.rfind("SetTransform(D3DTS_VIEW", 0) == 0) {
      calls.push_back("view");
    } else if (line.rfind("SetTexture(0, tex#", 0) == 0) {
      calls.push_back(textureName(line));
    } else {
      static const std::map<std::string, std::string> presets = {
          {"SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE)", "blendOff"},
          {"SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE)", "depthOn"},
          {"SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE)", "depthOff"},
          {"SetRenderState(D3DRS_CULLMODE, D3DCULL_CW)", "cullClockwise"},
          {"SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE)", "cullNone"},
          {"SetRenderState(D3DRS_ZBIAS, 0)", "depthBias(0)"},
          {"SetRenderState(D3DRS_ZBIAS, 15)", "depthBias(15)"},
      };
      const auto preset = presets.find(line);
      calls.push_back(preset != presets.end() ? preset->second : line);
    }
  }

  Calls calls;

 private:
  bool endsWith(const Calls& tail) const {
    if (calls.size() < tail.size()) return false;
    return std::equal(tail.begin(), tail.end(), calls.end() - static_cast<std::ptrdiff_t>(tail.size()));
  }
};

Calls operator+(Calls a, const Calls& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const std::string kRoomMaterialAtZero =
    "SetMaterial({Diffuse (0, 0, 0, 1), Ambient (0, 0, 0, 1), Specular (0, 0, 0, 0), Emissive (0, 0, 0, 0), Power 0})";
const std::string kObjectMaterial =
    "SetMaterial({Diffuse (0.3, 0.3, 0.3, 1), Ambient (0.1, 0.1, 0.1, 1), Specular (0, 0, 0, 0), "
    "Emissive (0, 0, 0, 0), Power 0.2})";
// (1, 0.5, 2) unturned at clock 0, normalised by 1 / sqrt(5.25).
std::string movingLight(const std::string& grey) {
  return "SetLight(0, {D3DLIGHT_DIRECTIONAL, Diffuse (" + grey + ", " + grey + ", " + grey +
         ", 0), Direction (0.436436, 0.218218, 0.872872), Position (1, 0.5, 2), Range 1000})";
}
// The 128-texel picture's frame goes up into its streaming pair.
const std::string kUpload = "UpdateTexture(tex#1, tex#2)";
const std::string kRevSubtract = "SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_REVSUBTRACT)";
const std::string kBlendAdd = "SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD)";

// drawRoom in its first frame (roomLight still 0).
const Calls kDrawRoom = {
    "tex(2)", "blendOff", "depthBias(0)", kRoomMaterialAtZero, movingLight("0.5"), "LightEnable(0, TRUE)",
    "SetRenderState(D3DRS_LIGHTING, TRUE)", "SetRenderState(D3DRS_AMBIENT, 0x00FFFFFF)", "blendOff",
    "depthBias(0)", "world(0.02, 0)", "mesh(2)", "world(0.02, 0)", kUpload, "tex(picture)", "blendAlpha",
    "SetRenderState(D3DRS_ZWRITEENABLE, FALSE)", "depthBias(15)", "depthOff", "mesh(5)", kObjectMaterial,
    "SetRenderState(D3DRS_ZWRITEENABLE, TRUE)", "tex(0)", "depthBias(0)", "blendOff", "depthOn",
    "world(0.02, 1.7)", "mesh(0)", "mesh(6)", "tex(0)", "mesh(1)"};

const std::string kIslandMaterial =
    "SetMaterial({Diffuse (1, 1, 1, 1), Ambient (1, 1, 1, 1), Specular (0.8, 0.8, 0.8, 0), Emissive (0, 0, 0, 0), "
    "Power 1})";
std::string islandLight(const std::string& grey) {
  return "SetLight(0, {D3DLIGHT_DIRECTIONAL, Diffuse (" + grey + ", " + grey + ", " + grey +
         ", 0), Direction (-0.894427, 0.447214, 0), Position (-2, 1, 0), Range 1000})";
}
const Calls kIslandSet = {
    "view", "tex(5)", "blendOff", "depthBias(0)", kIslandMaterial, islandLight("1"), "LightEnable(0, TRUE)",
    "SetRenderState(D3DRS_AMBIENT, 0x00808080)", "SetRenderState(D3DRS_LIGHTING, TRUE)", "blendOff",
    "depthBias(0)", "depthOn", "world(0.02, 0)", "mesh(10)", "mesh(11)", islandLight("0.4"), kIslandMaterial,
    "mesh(12)", "mesh(13)", "mesh(14)", "tex(4)", "world(0.1, 0)", "depthBias(0)", "mesh(15)", "blendAdditive",
    "depthBias(15)", kUpload, "tex(picture)", "mesh(15)", "blendOff", "depthOn", "tex(3)", "mesh(16)",
    "mesh(17)"};

class SceneCallsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    software = std::make_unique<TestDevice>();
    ASSERT_TRUE(software->ok());
    traced = wrapWithTrace(software->get(), [this](const std::string& line) {
      if (recording) trace.add(line);
    });
    world = std::make_unique<SceneWorld>(traced, 2, true);
  }
  void TearDown() override {
    world.reset();
    if (traced != nullptr) traced->Release();
    traced = nullptr;
    software.reset();
    trace.calls.clear();
  }
  Calls oneFrame(void (*scene)()) {
    recording = true;
    world->frame(scene, 0.5f);
    recording = false;
    return trace.calls;
  }

  std::unique_ptr<TestDevice> software;
  IDirect3DDevice8* traced = nullptr;
  std::unique_ptr<SceneWorld> world;
  CondensedTrace trace;
  bool recording = false;
};

Calls glow(const std::string& level) {
  return {"blendAdditive", "depthOff", "cullNone", "tex(3)", "quad(" + level + ")", "cullClockwise"};
}
// The darkening overlay subtracted at `level`.
Calls overlay(const std::string& level) {
  return {"tex(6)", "cullNone", "depthOff", "blendAdditive", kRevSubtract, "quad(" + level + ")",
          "cullClockwise", "depthOn", kBlendAdd};
}
const Calls kSwayGlows = {"blendAdditive", "depthOff", "cullNone", kUpload,       "tex(picture)",
                          "quad(38)",      "tex(4)",   "quad(76)", "cullClockwise"};

TEST_F(SceneCallsTest, EachSceneRunsItsSteps) {
  const struct {
    const char* what;
    void (*scene)();
    void (*prepare)(SceneState&);
    Calls expected;
  } cases[] = {
      {"room", drawRoom, [](SceneState&) {}, kDrawRoom},
      {"gaze sets the view, then draws the room", roomGazeScene, [](SceneState&) {}, Calls{"view"} + kDrawRoom},
      {"dolly adds the glow", roomDollyScene, [](SceneState& s) { s.glowFade = 0.5f; },
       Calls{"view"} + kDrawRoom + glow("63")},
      {"fly adds the fading glow", roomFlyScene, [](SceneState& s) { s.glowFade = 1.0f; },
       Calls{"view"} + kDrawRoom + glow("127")},
      {"sway uploads the picture again for its two glows", roomSwayScene, [](SceneState& s) { s.glowFade = 1.0f; },
       Calls{"view"} + kDrawRoom + kSwayGlows},
      {"darken runs the sway scene, then subtracts its overlay", roomDarkenScene,
       [](SceneState& s) {
         s.glowFade = 1.0f;
         s.darkenLevel = 100.75f;
       },
       Calls{"view"} + kDrawRoom + kSwayGlows + overlay("100")},
      {"island set: objects, sky, picture, island and water", islandScene, [](SceneState&) {}, kIslandSet},
      {"unveil subtracts a full overlay on its first frame", islandUnveilScene, [](SceneState&) {},
       kIslandSet + overlay("255")},
      {"slide draws the picture below the screen on its first frame", islandSlideScene, [](SceneState&) {},
       kIslandSet + Calls{"tex(7)", "cullNone", "depthOff", "blendAlpha", "quadShifted(480)", "cullClockwise",
                          "depthOn"}},
      {"house: set, screens, glow and darkness", houseScene, [](SceneState& s) { s.finalDarken = 30.5f; },
       {"view", "tex(2)", "blendOff", "depthBias(0)",
        "SetMaterial({Diffuse (0.2, 0.2, 0.2, 1), Ambient (0.4, 0.4, 0.4, 1), Specular (0, 0, 0, 0), "
        "Emissive (0, 0, 0, 0), Power 0.1})",
        movingLight("0.15"), "LightEnable(0, TRUE)", "SetRenderState(D3DRS_LIGHTING, TRUE)",
        "SetRenderState(D3DRS_AMBIENT, 0x00FFFFFF)", "blendOff", "depthBias(0)", "world(0.02, 0)", "mesh(20)",
        "tex(9)", "mesh(21)", "mesh(22)", "mesh(23)", "mesh(24)", kUpload, "tex(picture)", "mesh(25)", "mesh(26)",
        "mesh(27)", "mesh(28)", "cullNone", "depthOff", "blendAdditive", "quad(64)", "cullClockwise", "depthOn",
        "tex(6)", "cullNone", "depthOff", "blendAdditive", kRevSubtract, "quad(30)", kBlendAdd, "cullClockwise",
        "depthOn"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    c.prepare(sceneState);
    EXPECT_EQ(oneFrame(c.scene), c.expected);
  }
}

}  // namespace
