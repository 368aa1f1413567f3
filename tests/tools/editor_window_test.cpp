// The plug-in's editor in a real host window on a real X server (Xvfb in CI), driven by events
// sent through the server to the editor's own window, as a user's pointer would. Skipped when
// there is no X server.

#include "host_test_support.h"

#include "editor/corvane_layout.h"
#include "tools/corvane-host/cli_args.h"
#include "tools/corvane-host/demo_signal.h"
#include "tools/corvane-host/editor_window.h"
#include "tools/corvane-host/realtime_player.h"

#include <cairo.h>

// After gtest: Xlib's macros would break its headers.
#include <X11/Xlib.h>

#include "x11_test_events.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <thread>

namespace corvane::tools {
namespace {

using corvane::test::RunResult;
using corvane::test::TempDir;
namespace layout = corvane::layout;

const std::string kModule = CORVANE_MODULE;
constexpr VstInt32 kCutoff = 5;
// Where the user grabs the cutoff knob (its centre), and the line of text in its lowest rows
// (label or read-out).
constexpr const layout::ViewItem& kKnob = *layout::findView(kCutoff);
constexpr int kKnobX = kKnob.x + kKnob.w / 2, kKnobY = kKnob.y + kKnob.h / 2;
constexpr int kTextLeft = kKnob.x, kTextRight = kKnob.x + kKnob.w;
constexpr int kTextTop = kKnob.y + kKnob.h - 25, kTextBottom = kKnob.y + kKnob.h - 3;

constexpr const layout::ViewItem& view_of(layout::ViewKind kind) {
    for (const layout::ViewItem& v : layout::kViews)
        if (v.kind == kind) return v;
    return layout::kViews[0];
}
constexpr const layout::ViewItem& kLfoGraph = view_of(layout::ViewKind::LFOView);
constexpr const layout::ViewItem& kEnvGraph = view_of(layout::ViewKind::EnvView);

bool x_server_available() {
    Display* d = XOpenDisplay(nullptr);
    if (d == nullptr) return false;
    XCloseDisplay(d);
    return true;
}

class EditorWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!x_server_available()) GTEST_SKIP() << "no X server";
        // The user's presets: two in a folder of the test's own.
        setenv("XDG_DATA_HOME", data.file("").c_str(), 1);
        std::filesystem::create_directories(data.file("corvane/presets"));
        for (const char* name : {"Night Drive", "Wide Shimmer"})
            data.write_text(std::string("corvane/presets/") + name + ".cvpreset",
                            "corvane-preset 1\nname " + std::string(name) + "\nMix=0.7\nend\n");
        std::string error;
        plugin = HostedPlugin::load(kModule, error);
        ASSERT_NE(plugin, nullptr) << error;
        window = EditorWindow::create(*plugin, "editor test", error);
        ASSERT_NE(window, nullptr) << error;
        window->show();
        ASSERT_TRUE(window->open_editor());
        pump();
        // Drawn once the knob's text line holds more than one colour.
        ASSERT_TRUE(pump_until([&] {
            const std::vector<uint32_t> text = knob_text();
            return std::adjacent_find(text.begin(), text.end(), std::not_equal_to<>()) !=
                   text.end();
        }));
    }
    void TearDown() override {
        window.reset();
        plugin.reset();
    }

    Display* display() const { return static_cast<Display*>(window->display()); }
    std::vector<Window> editor_windows() const {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned int n = 0;
        XQueryTree(display(), window->window(), &root, &parent, &children, &n);
        std::vector<Window> found(children, children + n);
        if (children != nullptr) XFree(children);
        return found;
    }
    // Lets the editor handle what arrived and draw, as the host's idle calls do.
    void pump(int rounds = 4) {
        for (int i = 0; i < rounds; ++i) {
            XSync(display(), False);
            window->idle();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    // The server maps, exposes and draws in its own time, the more so on a loaded machine: pump
    // until what the test waits for shows, or give up after a few seconds.
    template <typename Condition>
    bool pump_until(Condition shown) {
        for (int i = 0; i < 300; ++i) {
            if (shown()) return true;
            pump(1);
        }
        return shown();
    }
    void send(XEvent e, long mask) {
        const std::vector<Window> children = editor_windows();
        ASSERT_EQ(children.size(), 1u);
        e.xany.display = display();
        e.xany.window = children[0];
        XSendEvent(display(), children[0], False, mask, &e);
        pump();
    }
    void motion(int x, int y, unsigned state = 0) {
        send(corvane::test::x11_motion(x, y, state), PointerMotionMask);
    }
    // Keys as the server delivers them to the window under the pointer.
    void keys(std::initializer_list<const char*> names) {
        for (const char* name : names)
            send(corvane::test::x11_key(display(), name, kKnobX, kKnobY), KeyPressMask);
    }
    void button(int type, int x, int y, unsigned state) {
        send(corvane::test::x11_button(type, x, y, state, ++time),
             type == ButtonPress ? ButtonPressMask : ButtonReleaseMask);
    }
    WindowImage capture() {
        WindowImage image;
        std::string error;
        EXPECT_TRUE(window->capture(image, error)) << error;
        return image;
    }
    static std::vector<uint32_t> area(const WindowImage& image, int left, int top, int right,
                                      int bottom) {
        std::vector<uint32_t> pixels;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                pixels.push_back(image.at(x, y));
        return pixels;
    }
    std::vector<uint32_t> knob_text() {
        return area(capture(), kTextLeft, kTextTop, kTextRight, kTextBottom);
    }

    TempDir data;
    std::unique_ptr<HostedPlugin> plugin;
    std::unique_ptr<EditorWindow> window;
    Time time = 1000;
};

TEST_F(EditorWindowTest, OpensInAWindowOfItsOwnSizeAndRefusesASecondOpen) {
    ERect rect{};
    ASSERT_TRUE(plugin->editor_rect(rect));
    EXPECT_EQ(rect.right - rect.left, 730);
    EXPECT_EQ(rect.bottom - rect.top, 302);
    EXPECT_EQ(window->width(), 730);
    EXPECT_EQ(window->height(), 302);
    const std::vector<Window> children = editor_windows();
    ASSERT_EQ(children.size(), 1u);
    XWindowAttributes attributes;
    XGetWindowAttributes(display(), children[0], &attributes);
    EXPECT_EQ(attributes.width, 730);
    EXPECT_EQ(attributes.height, 302);
    EXPECT_EQ(attributes.map_state, IsViewable);

    EXPECT_FALSE(window->open_editor());
    EXPECT_EQ(editor_windows().size(), 1u);
}

// A user's drag on the cutoff knob: one gesture around automated changes, and the parameter
// follows.
TEST_F(EditorWindowTest, DragOnTheCutoffKnobAutomatesThroughTheHost) {
    const float before = plugin->parameter(kCutoff);
    const std::string text_before = plugin->parameter_display(kCutoff);
    plugin->clear_calls();
    motion(kKnobX, kKnobY);
    button(ButtonPress, kKnobX, kKnobY, 0);
    motion(kKnobX, kKnobY - 25, Button1Mask);
    button(ButtonRelease, kKnobX, kKnobY - 25, Button1Mask);

    std::vector<HostCall> edits;
    for (const HostCall& c : plugin->calls())
        if (c.opcode == audioMasterBeginEdit || c.opcode == audioMasterEndEdit ||
            c.opcode == audioMasterAutomate)
            edits.push_back(c);
    ASSERT_GE(edits.size(), 3u);
    EXPECT_EQ(edits.front().opcode, audioMasterBeginEdit);
    EXPECT_EQ(edits.back().opcode, audioMasterEndEdit);
    for (const HostCall& c : edits)
        EXPECT_EQ(c.index, kCutoff);
    for (size_t i = 1; i + 1 < edits.size(); ++i)
        EXPECT_EQ(edits[i].opcode, audioMasterAutomate);
    const float after = plugin->parameter(kCutoff);
    EXPECT_GT(after, before);
    EXPECT_EQ(edits[edits.size() - 2].opt, after);
    EXPECT_NE(plugin->parameter_display(kCutoff), text_before);
}

TEST_F(EditorWindowTest, HoveringAKnobShowsItsReadoutAndLeavingBringsTheLabelBack) {
    motion(5, 295);
    const std::vector<uint32_t> label = knob_text();
    motion(kKnobX, kKnobY);
    EXPECT_TRUE(pump_until([&] { return knob_text() != label; }));
    motion(5, 295);
    EXPECT_TRUE(pump_until([&] { return knob_text() == label; }));
}

// With audio playing on its own thread, the graphs move, edits go on, and the screenshot shows
// the window. How soon the graphs move depends on when the audio thread and the editor's timer
// get the processor: the test waits for the movement instead of counting on a time.
TEST_F(EditorWindowTest, GraphsMoveWhileAudioPlaysAndTheScreenshotIsWritten) {
    const AudioBuffer demo = make_demo_signal(plugin->sample_rate(), 120.0, 4, 4);
    plugin->resume();
    RealtimePlayer player(*plugin, demo);
    player.start();
    pump();
    const auto graphs = [](const WindowImage& image) {
        return area(image, kLfoGraph.x, kLfoGraph.y, kEnvGraph.x + kEnvGraph.w,
                    kLfoGraph.y + kLfoGraph.h);
    };
    const std::vector<uint32_t> first = graphs(capture());
    // An edit while the audio thread renders.
    motion(kKnobX, kKnobY);
    button(ButtonPress, kKnobX, kKnobY, 0);
    motion(kKnobX, kKnobY + 20, Button1Mask);
    button(ButtonRelease, kKnobX, kKnobY + 20, Button1Mask);
    std::vector<uint32_t> later = graphs(capture());
    for (int i = 0; i < 4000 && later == first; ++i) {
        pump(1);
        later = graphs(capture());
    }
    EXPECT_NE(first, later);
    TempDir dir;
    std::string error;
    ASSERT_TRUE(window->screenshot(dir.file("shot.png"), error)) << error;
    player.stop();
    EXPECT_GT(player.frames_played(), 0u);
    plugin->suspend();

    cairo_surface_t* png = cairo_image_surface_create_from_png(dir.file("shot.png").c_str());
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(png), 730);
    EXPECT_EQ(cairo_image_surface_get_height(png), 302);
    cairo_surface_destroy(png);
}

// Keys reach the editor through the server: Enter over the cutoff knob opens its typing field,
// "1.5k" and Enter set 1500 Hz in one gesture. The screenshots show the field, the help and the
// program list as the window shows them.
TEST_F(EditorWindowTest, AValueTypedOnTheKeyboardAndTheScreenshots) {
    const std::string shots = CORVANE_SCREENSHOT_DIR;
    std::filesystem::create_directories(shots);
    std::string error;
    motion(kKnobX, kKnobY);
    keys({"Return"});
    keys({"1", "period", "5"});
    pump();
    ASSERT_TRUE(window->screenshot(shots + "/typing_field.png", error)) << error;
    plugin->clear_calls();
    keys({"k", "Return"});
    EXPECT_EQ(plugin->parameter_display(kCutoff), "1500");
    std::vector<VstInt32> gesture;
    for (const HostCall& c : plugin->calls())
        if (c.opcode == audioMasterBeginEdit || c.opcode == audioMasterEndEdit ||
            c.opcode == audioMasterAutomate)
            gesture.push_back(c.opcode);
    EXPECT_EQ(gesture, (std::vector<VstInt32>{audioMasterBeginEdit, audioMasterAutomate,
                                              audioMasterEndEdit}));
    // The help after a rest on the knob (about 0.6 s of timer ticks).
    motion(kKnobX + 1, kKnobY);
    const auto titleArea = [this] { return area(capture(), 100, 222, 240, 245); };
    const std::vector<uint32_t> without = titleArea();
    EXPECT_TRUE(pump_until([&] { return titleArea() != without; }));
    ASSERT_TRUE(window->screenshot(shots + "/help.png", error)) << error;
    // The program list, opened by a click on the browser's name.
    const int bx = layout::kProgramBrowser.x + layout::kProgramBrowser.w / 2;
    const int by = layout::kProgramBrowser.y + layout::kProgramBrowser.h / 2;
    motion(bx, by);
    button(ButtonPress, bx, by, 0);
    button(ButtonRelease, bx, by, Button1Mask);
    pump();
    ASSERT_TRUE(window->screenshot(shots + "/program_list.png", error)) << error;
}

TEST_F(EditorWindowTest, CloseAndReopenBuildsTheWindowAgain) {
    const std::vector<uint32_t> shown = knob_text();
    window->close_editor();
    EXPECT_TRUE(editor_windows().empty());
    pump();
    ASSERT_TRUE(window->open_editor());
    pump();
    EXPECT_EQ(editor_windows().size(), 1u);
    EXPECT_TRUE(pump_until([&] { return knob_text() == shown; }));
}

TEST(EditorCommand, OpensTheEditorPlaysAndWritesTheScreenshot) {
    if (!x_server_available()) GTEST_SKIP() << "no X server";
    TempDir dir;
    const RunResult r = corvane::test::run_host(
        {"editor", kModule, "--seconds", "1", "--screenshot", "shot.png"}, dir.file(""));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"shot.png"});
    EXPECT_NE(r.out.find("screenshot: shot.png"), std::string::npos) << r.out;
}

// The host's scale reaches the plug-in's editor: the window, and so the screenshot, is the editor's
// 730 x 302 pixels times the scale.
TEST(EditorCommand, TheScaleSizesTheWindowAndItsScreenshot) {
    if (!x_server_available()) GTEST_SKIP() << "no X server";
    for (const auto& [scale, width, height] :
         {std::tuple<const char*, int, int>{"1.5", 1095, 453}, {"2", 1460, 604}}) {
        TempDir dir;
        const RunResult r = corvane::test::run_host(
            {"editor", kModule, "--seconds", "0", "--scale", scale, "--screenshot", "shot.png"},
            dir.file(""));
        ASSERT_EQ(r.code, 0) << r.err;
        cairo_surface_t* png = cairo_image_surface_create_from_png(dir.file("shot.png").c_str());
        EXPECT_EQ(cairo_image_surface_get_width(png), width) << scale;
        EXPECT_EQ(cairo_image_surface_get_height(png), height) << scale;
        cairo_surface_destroy(png);
    }
    TempDir dir;
    EXPECT_NE(corvane::test::run_host({"editor", kModule, "--scale", "0.5"}, dir.file("")).code, 0);
}

TEST(EditorCommand, APlugInWithoutAWindowOrWithoutAServerFailsClearly) {
    TempDir dir;
    const RunResult r = corvane::test::run_host(
        {"editor", corvane::test::kTestPlugin, "--seconds", "1"}, dir.file(""));
    EXPECT_EQ(r.code, kExitFailure);
    EXPECT_NE(r.err.find("error"), std::string::npos) << r.err;
    EXPECT_TRUE(dir.entries().empty());
}

} // namespace
} // namespace corvane::tools
