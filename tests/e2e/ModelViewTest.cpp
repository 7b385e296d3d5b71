// The real model viewer on the X server: the shipped robot in its window, turned by real keys; a
// textured model drawn with its texture; a damaged model file refused without a window.
// GoogleTest goes before Xlib, whose None macro clashes with it.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include <gtest/gtest.h>

#include <X11/keysym.h>
#include <X11/Xlib.h>

#include "content/tools/modelwriter/ModelWriter.h"
#include "e2e/DisplayTest.h"
#include "e2e/Picture.h"
#include "e2e/ProgramProcess.h"
#include "support/TemporaryDirectory.h"
#include "support/TgaFile.h"

using namespace std::chrono_literals;

namespace {

const std::string kRobot = VELMORA_RUNTIME_DIR "/Entities/brakmoor/brakmoor.mdl";

// Holds Escape down until the viewer has ended, and answers its exit code. The viewer looks at
// the keyboard once a frame: a short tap can fall between two frames of a viewer slowed down by
// a busy machine, as it would for any program that polls its keys.
int EscapeEnds(Display* display, ProgramProcess& viewer) {
    SendKey(display, XK_Escape, true);
    const int code = viewer.WaitForExit(20s);
    SendKey(display, XK_Escape, false);
    return code;
}

class ModelViewTest : public DisplayTest {};

TEST_F(ModelViewTest, ShowsTheRobotInTheMiddleTurnsItWithTheArrowsAndEndsOnEscape) {
    ProgramProcess viewer({VELMORA_MODELVIEW, kRobot}, ".", {}, ProgramProcess::Streams::Pipes);
    ASSERT_TRUE(viewer.Started());
    const std::string title = "brakmoor.mdl - 876 quads, 6 materials, 0 textures";
    Window window = FindWindowByName(display, title, 20s);
    ASSERT_NE(window, 0u) << viewer.Errors();
    Picture front;
    for (int i = 0; i < 100 && front.lit < 2000; ++i) {
        std::this_thread::sleep_for(50ms);
        front = TakePicture(display, window);
    }
    ASSERT_GT(front.lit, 2000);
    EXPECT_NEAR(front.centreX, front.width / 2.0, 20.0);
    EXPECT_NEAR(front.centreY, front.height / 2.0, 30.0);
    EXPECT_GT(front.bottom - front.top, front.height * 0.6) << "fitted to the window by its radius";
    EXPECT_LT(front.bottom - front.top, front.height * 0.9);
    EXPECT_GT(front.pale, front.lit / 3);
    EXPECT_GT(front.warm, 20);

    // Seen from the side the robot is much narrower: held, Left turns it until it is.
    SendKey(display, XK_Left, true);
    Picture turned = front;
    const int sideWidth = (front.right - front.left) * 3 / 4;
    for (int i = 0; i < 60 && turned.right - turned.left > sideWidth; ++i) {
        std::this_thread::sleep_for(50ms);
        turned = TakePicture(display, window);
    }
    SendKey(display, XK_Left, false);
    EXPECT_LT(turned.right - turned.left, sideWidth);
    EXPECT_NEAR(turned.centreY, front.centreY, 30.0) << "it turns in place";

    EXPECT_EQ(EscapeEnds(display, viewer), 0) << viewer.Errors();
    EXPECT_EQ(viewer.Errors(), "");
}

TEST_F(ModelViewTest, FindsTexturesBesideTheModelAndRefusesADamagedFileInOneLine) {
    // One white square facing the viewer, with an orange texture named relative to the model.
    ModelDescription square;
    square.materials.push_back({0.0f, {}, {1.0f, 1.0f, 1.0f}, 0, {0}});
    square.textures.push_back({"skin/orange.tga"});
    square.vertices = {Vec3(-1, -1, 0), Vec3(1, -1, 0), Vec3(1, 1, 0), Vec3(-1, 1, 0)};
    square.normals = {Vec3(0, 0, 1)};
    square.faces.resize(1);
    for (int k = 0; k < 4; ++k) square.faces[0].vertexIndex[k] = k;
    square.faces[0].sets.push_back({0, {Vec2(0, 0), Vec2(1, 0), Vec2(1, 1), Vec2(0, 1)}});
    square.nodes.resize(1);
    ModelWriter writer;
    ASSERT_TRUE(writer.WriteModel(square));
    TemporaryDirectory directory;
    std::filesystem::create_directories(directory.File("models/skin"));
    directory.Write("models/square.mdl", writer.Bytes());
    directory.Write("models/skin/orange.tga",
                    TgaFile(2, 2, 2, 24, {0, 140, 255, 0, 140, 255, 0, 140, 255, 0, 140, 255}));

    ProgramProcess viewer({VELMORA_MODELVIEW, "models/square.mdl"}, directory.File(""), {},
                          ProgramProcess::Streams::Pipes);
    Window window = FindWindowByName(display, "square.mdl - 1 quad, 1 material, 1 texture", 20s);
    ASSERT_NE(window, 0u) << viewer.Errors();
    Picture picture;
    for (int i = 0; i < 100 && picture.lit < 2000; ++i) {
        std::this_thread::sleep_for(50ms);
        picture = TakePicture(display, window);
    }
    EXPECT_GT(picture.warm, picture.lit * 9 / 10) << "orange all over, not the white material";
    EXPECT_EQ(EscapeEnds(display, viewer), 0) << viewer.Errors();
    EXPECT_EQ(viewer.Errors(), "");

    std::ifstream robot(kRobot, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(robot)), {});
    bytes.resize(bytes.size() / 2);
    const std::string damaged = directory.Write("damaged.mdl", bytes);
    ProgramProcess refused({VELMORA_MODELVIEW, damaged}, ".", {}, ProgramProcess::Streams::Pipes);
    EXPECT_EQ(refused.WaitForExit(20s), 1);
    const std::string& errors = refused.Errors();
    EXPECT_EQ(errors.rfind("modelview: cannot show '" + damaged + "': the ", 0), 0u) << errors;
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
}

}  // namespace
