// A real LV2 host runs the bundle: Debian's jalv on a JACK server with the dummy driver loads
// the plug-in, applies a preset and processes a click track into a recording while the JACK
// transport rolls (so the host sends its time:Position events); under an X server
// jalv.gtk3 embeds the UI, and a screenshot of the screen shows the editor as it renders
// offscreen.

#include "lv2_test_bundle.h"

#include "editor/corvane_layout.h"
#include "editor/corvaneeditor.h"
#include "gui/cframe.h"
#include "lv2/corvane_lv2_ports.h"
#include "lv2/corvane_lv2_ui_view.h"
#include "params/CorvaneFactoryPrograms.h"
#include "params/CorvaneParameterManager.h"
#include "tools/corvane-host/audio_file.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

// Last: Xlib's macros (None, Bool, Status) would break the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

extern char** environ;

using namespace corvane;
using namespace corvane::lv2;
using corvane::test::Lv2TestBundle;

namespace {

using namespace std::chrono_literals;

// A program of the test's own, started in the background; stopped (SIGTERM, then SIGKILL) when
// the object goes.
class Background {
public:
    // argv[0] is looked up on PATH; stdin from a pipe when withInput, stdout and stderr to log.
    Background(const std::vector<std::string>& args, const std::string& log, bool withInput) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        int pipeFds[2] = {-1, -1};
        if (withInput && pipe(pipeFds) == 0) {
            posix_spawn_file_actions_adddup2(&actions, pipeFds[0], 0);
            posix_spawn_file_actions_addclose(&actions, pipeFds[1]);
        }
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        if (pipeFds[0] >= 0) close(pipeFds[0]);
        input_ = pipeFds[1];
    }
    ~Background() {
        if (input_ >= 0) close(input_);
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        for (int i = 0; i < 50; ++i) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) return;
            std::this_thread::sleep_for(100ms);
        }
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;

    bool started() const { return pid_ > 0; }
    bool send(const std::string& line) {
        const std::string text = line + "\n";
        return input_ >= 0 && write(input_, text.data(), text.size()) == ssize_t(text.size());
    }

private:
    pid_t pid_ = -1;
    int input_ = -1;
};

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(100ms);
    }
    return condition();
}

class Lv2HostTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = ::testing::TempDir() + "corvane-lv2-host-" + std::to_string(getpid());
        std::system(("mkdir -p " + dir_).c_str());
        bundle_ = new Lv2TestBundle(CORVANE_LV2_BUNDLE);
        // A server of the test's own, found by name; no audio device, no session bus.
        const std::string server = "corvane-test-" + std::to_string(getpid());
        setenv("JACK_DEFAULT_SERVER", server.c_str(), 1);
        setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
        setenv("LV2_PATH", bundle_->path().c_str(), 1);
        jack_ = new Background(
            {"jackd", "--no-realtime", "-n", server, "-d", "dummy", "-r", "48000", "-p", "256"},
            dir_ + "/jackd.log", false);
        jackReady_ = jack_->started() && std::system("jack_wait -w -t 10 >/dev/null 2>&1") == 0;
    }
    static void TearDownTestSuite() {
        delete jack_;
        delete bundle_;
        std::system(("rm -rf " + dir_).c_str());
    }

    static bool portsOf(const std::string& client) {
        return std::system(("jack_lsp 2>/dev/null | grep -q '^" + client + ":out_r$'").c_str()) ==
               0;
    }

    static std::string dir_;
    static Lv2TestBundle* bundle_;
    static Background* jack_;
    static bool jackReady_;
};

std::string Lv2HostTest::dir_;
Lv2TestBundle* Lv2HostTest::bundle_ = nullptr;
Background* Lv2HostTest::jack_ = nullptr;
bool Lv2HostTest::jackReady_ = false;

TEST_F(Lv2HostTest, JalvLoadsAppliesAPresetAndProcessesAudio) {
    ASSERT_TRUE(jackReady_) << readFile(dir_ + "/jackd.log");
    const std::string log = dir_ + "/jalv.log";
    // Line-buffered, so its answers reach the log as it gives them.
    Background jalv({"stdbuf", "-oL", "jalv", "-n", "corvane", kPluginUri}, log, true);
    ASSERT_TRUE(waitFor([] { return portsOf("corvane"); }, 15s)) << readFile(log);

    constexpr int kProgram = 4; // "05 Dotted Dirt"
    char preset[128];
    std::snprintf(preset, sizeof preset, "preset %s#preset%02d", kPluginUri, kProgram + 1);
    // jalv finds presets among those its listing loaded.
    ASSERT_TRUE(jalv.send("presets"));
    ASSERT_TRUE(jalv.send(preset));
    // jalv applies a preset between two cycles; once it has, its list of control values shows
    // the preset's, in the ports' own units.
    std::this_thread::sleep_for(1s);
    ASSERT_TRUE(jalv.send("controls"));
    const CorvaneParameterManager params;
    char cutoff[64];
    std::snprintf(cutoff, sizeof cutoff, "filter_cutoff = %f",
                  static_cast<double>(toPortValue(
                      params, kFilterCutoff, kFactoryPrograms[kProgram].values[kFilterCutoff])));
    EXPECT_TRUE(waitFor([&] { return readFile(log).find(cutoff) != std::string::npos; }, 10s))
        << cutoff << "\n"
        << readFile(log);

    // A rolling transport with a tempo: jalv sends the plug-in time:Position events, which the
    // preset's synchronised LFO follows.
    Background transport({"jack_transport"}, dir_ + "/transport.log", true);
    ASSERT_TRUE(transport.send("master") && transport.send("tempo 140") && transport.send("play"));
    Background metro({"jack_metro", "-n", "metro", "-b", "240"}, dir_ + "/metro.log", false);
    ASSERT_TRUE(
        waitFor([] { return std::system("jack_lsp 2>/dev/null | grep -q '^metro:'") == 0; }, 10s));
    ASSERT_EQ(std::system("jack_connect metro:240_bpm corvane:in_l && "
                          "jack_connect metro:240_bpm corvane:in_r"),
              0);
    const std::string recording = dir_ + "/recording.wav";
    ASSERT_EQ(std::system(("jack_rec -f " + recording +
                           " -d 2 -b 32 corvane:out_l corvane:out_r >/dev/null 2>&1")
                              .c_str()),
              0);
    tools::AudioBuffer audio;
    std::string error;
    ASSERT_TRUE(tools::read_audio_file(recording, audio, error)) << error;
    double energy = 0.0;
    for (const auto& channel : audio.channels)
        for (float x : channel) {
            ASSERT_TRUE(std::isfinite(x));
            energy += double(x) * x;
        }
    EXPECT_GT(energy, 0.01) << "the plug-in should pass the clicks through its effect";
}

// The frame window of the embedded editor: a descendant of the root of the editor's size.
Window findEditorWindow(Display* display, Window window, int depth = 0) {
    XWindowAttributes a;
    if (depth > 0 && XGetWindowAttributes(display, window, &a) && a.map_state == IsViewable &&
        a.width == layout::kEditorWidth && a.height == layout::kEditorHeight) {
        Window root, parent, *children = nullptr;
        unsigned count = 0;
        // The innermost window of that size is the editor's own.
        if (XQueryTree(display, window, &root, &parent, &children, &count)) {
            Window inner = 0;
            for (unsigned i = 0; i < count && !inner; ++i)
                inner = findEditorWindow(display, children[i], depth + 1);
            if (children) XFree(children);
            return inner ? inner : window;
        }
        return window;
    }
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (depth < 8 && XQueryTree(display, window, &root, &parent, &children, &count))
        for (unsigned i = 0; i < count && !found; ++i)
            found = findEditorWindow(display, children[i], depth + 1);
    if (children) XFree(children);
    return found;
}

TEST_F(Lv2HostTest, JalvEmbedsTheEditor) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X server";
    ASSERT_TRUE(jackReady_);
    const std::string log = dir_ + "/jalv-ui.log";
    Background jalv({"jalv.gtk3", "-n", "corvaneui", kPluginUri}, log, false);
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    Window editor = 0;
    ASSERT_TRUE(waitFor(
        [&] { return (editor = findEditorWindow(display, DefaultRootWindow(display))) != 0; }, 20s))
        << readFile(log);
    std::this_thread::sleep_for(1500ms); // the first frames drawn

    // What the screen shows where the editor's window lies.
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(display, editor, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    const int w = layout::kEditorWidth, h = layout::kEditorHeight;
    XImage* shot = XGetImage(display, DefaultRootWindow(display), x, y, w, h, AllPlanes, ZPixmap);
    ASSERT_NE(shot, nullptr);
    cairo_surface_t* png = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    auto* pixels = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(png));
    const int stride = cairo_image_surface_get_stride(png) / 4;
    for (int row = 0; row < h; ++row)
        for (int col = 0; col < w; ++col)
            pixels[row * stride + col] = XGetPixel(shot, col, row) & 0xffffff;
    cairo_surface_mark_dirty(png);
    cairo_surface_write_to_png(png, CORVANE_LV2_SCREENSHOT);
    XDestroyImage(shot);
    XCloseDisplay(display);

    // The same editor offscreen, at the ports' defaults as a fresh instance has them.
    CorvaneLv2UiView view(nullptr, nullptr, nullptr);
    CorvaneEditor reference(&view);
    ASSERT_TRUE(reference.open(nullptr));
    reference.getFrame()->render();
    cairo_surface_t* image = reference.getFrame()->getImage();
    cairo_surface_flush(image);
    const auto* want = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(image));
    const int wantStride = cairo_image_surface_get_stride(image) / 4;
    int same = 0;
    for (int row = 0; row < h; ++row)
        for (int col = 0; col < w; ++col) {
            const std::uint32_t a = pixels[row * stride + col], b = want[row * wantStride + col];
            bool close = true;
            for (int shift = 0; shift < 24; shift += 8)
                close = close && std::abs(int((a >> shift) & 255) - int((b >> shift) & 255)) <= 8;
            same += close;
        }
    reference.close();
    cairo_surface_destroy(png);
    // The graphs move with the audio; everything else must be as drawn offscreen.
    EXPECT_GT(same, w * h * 9 / 10) << "screenshot: " << CORVANE_LV2_SCREENSHOT;
}

} // namespace
