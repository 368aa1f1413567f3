// The LV2 UI's view of the plug-in: the editor's gestures become control port writes in the
// ports' units, bracketed by ui:touch; LFO Rate writes to the port LFO Sync selects; port events
// from the host move the values and texts the editor shows; and the notify port's tick sums
// become graph entries. The UI module, loaded as a host loads it, takes the host's scale factor
// and the user's saved choice, and sizes its window and the host's to the scale.

#include "lv2/corvane_lv2_ports.h"
#include "lv2/corvane_lv2_ui_view.h"

#include "editor/ccorvanescalemenu.h"
#include "params/CorvaneFactoryPrograms.h"
#include "params/CorvaneParameterManager.h"

#include <lv2/atom/atom.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <dlfcn.h>

// After gtest: Xlib's None and Bool macros would break its headers.
#include <X11/Xlib.h>

using namespace corvane;
using namespace corvane::lv2;

namespace {

struct Write {
    std::uint32_t port;
    float value;
};

struct HostRecord {
    std::vector<Write> writes;
    std::vector<std::pair<std::uint32_t, bool>> touches;
};

void recordWrite(LV2UI_Controller controller, std::uint32_t port, std::uint32_t size,
                 std::uint32_t format, const void* buffer) {
    ASSERT_EQ(size, sizeof(float));
    ASSERT_EQ(format, 0u);
    float value;
    std::memcpy(&value, buffer, sizeof value);
    static_cast<HostRecord*>(controller)->writes.push_back({port, value});
}

void recordTouch(LV2UI_Feature_Handle handle, std::uint32_t port, bool grabbed) {
    static_cast<HostRecord*>(handle)->touches.emplace_back(port, grabbed);
}

class Lv2UiView : public ::testing::Test {
protected:
    HostRecord host;
    LV2UI_Touch touch{&host, recordTouch};
    CorvaneLv2UiView view{recordWrite, &host, &touch};
    CorvaneParameterManager params;

    std::string readout(int index) {
        char text[32];
        view.parameterReadout(index, text, sizeof text);
        return text;
    }
};

TEST_F(Lv2UiView, GesturesWritePortValuesBracketedByTouch) {
    view.beginEdit(kFilterCutoff);
    view.performEdit(kFilterCutoff, 1.0f);
    view.endEdit(kFilterCutoff);
    ASSERT_EQ(host.writes.size(), 1u);
    EXPECT_EQ(host.writes[0].port, static_cast<std::uint32_t>(kFilterCutoff));
    EXPECT_NEAR(host.writes[0].value, 20000.0f, 0.01f);
    ASSERT_EQ(host.touches.size(), 2u);
    EXPECT_EQ(host.touches[0], std::make_pair(std::uint32_t{kFilterCutoff}, true));
    EXPECT_EQ(host.touches[1], std::make_pair(std::uint32_t{kFilterCutoff}, false));

    // A four-way switch's third position is the step number 2 ("Side-chain").
    view.performEdit(kEnvTrigger, 2.0f / 3.0f);
    EXPECT_EQ(host.writes.back().port, static_cast<std::uint32_t>(kEnvTrigger));
    EXPECT_EQ(host.writes.back().value, 2.0f);
}

TEST_F(Lv2UiView, LfoRateFollowsTheSyncSwitch) {
    // The defaults: synchronised, a quarter note.
    EXPECT_EQ(readout(kLfoRate), "1/4  ");
    view.performEdit(kLfoRate, 1.0f); // fastest: 1/32
    EXPECT_EQ(host.writes.back().port, static_cast<std::uint32_t>(kLfoDivisionPort));
    EXPECT_EQ(host.writes.back().value, 0.0f);

    // Sync off: the rate shows, and writes, the Hz port, which still holds its own value.
    view.portValue(kLfoRate, 2.0f);
    view.performEdit(kLfoSync, 0.0f);
    EXPECT_EQ(host.writes.back().port, static_cast<std::uint32_t>(kLfoSync));
    EXPECT_NEAR(view.parameterValue(kLfoRate), toNormalised(params, kLfoRate, 2.0f), 1e-6f);
    view.performEdit(kLfoRate, 0.0f);
    EXPECT_EQ(host.writes.back().port, static_cast<std::uint32_t>(kLfoRate));
    EXPECT_NEAR(host.writes.back().value, 0.01f, 1e-6f);
}

TEST_F(Lv2UiView, PortEventsMoveValuesAndTexts) {
    view.takeChangedParameters();
    view.portValue(kInput, -12.0f);
    view.portValue(kFilterType, 2.0f);
    view.portValue(kNotifyPort, 1.0f); // not a control: ignored
    EXPECT_EQ(view.takeChangedParameters(), (1u << kInput) | (1u << kFilterType));
    EXPECT_NEAR(view.parameterValue(kInput), toNormalised(params, kInput, -12.0f), 1e-6f);
    EXPECT_EQ(view.parameterValue(kFilterType), 1.0f);
    EXPECT_NE(readout(kInput).find("-12"), std::string::npos) << readout(kInput);
    // Gestures write; the host does not echo them back as changes the editor must undo.
    EXPECT_TRUE(host.writes.empty());
}

TEST_F(Lv2UiView, DisplayDataBecomesGraphEntries) {
    CorvaneDisplayHistory& history = view.displayHistory();
    history.clear();
    view.displayData(64.0, -32.0, 128); // a mean of 0.5 and -0.25 over 128 ticks
    history.poll();
    EXPECT_FLOAT_EQ(history.envelope()[0], 0.5f);
    EXPECT_FLOAT_EQ(history.lfo()[0], -0.25f);
    view.displayData(1.0, NAN, 4); // broken data adds nothing
    view.displayData(1.0, 1.0, -4);
    EXPECT_EQ(history.displayedTicks(), 128u);
}

// A host of the test's own for the UI module: a parent window on the X server, the URID map,
// the options with a scale factor, and records of port writes and resize requests.
class Lv2UiModule : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("GDK_SCALE", "1", 1); // the desktop says 1x, whatever the machine says
        display = XOpenDisplay(nullptr);
        if (!display) GTEST_SKIP() << "no X server";
        module = dlopen(CORVANE_LV2_UI_MODULE, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module, nullptr) << dlerror();
        auto entry = reinterpret_cast<const LV2UI_Descriptor* (*)(std::uint32_t)>(
            dlsym(module, "lv2ui_descriptor"));
        ASSERT_NE(entry, nullptr);
        descriptor = entry(0);
        ASSERT_NE(descriptor, nullptr);
        parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 100, 100, 0, 0, 0);
        XMapWindow(display, parent);
        XSync(display, False);
    }
    void TearDown() override {
        close();
        if (module) dlclose(module);
        if (display) {
            XDestroyWindow(display, parent);
            XCloseDisplay(display);
        }
    }

    static LV2_URID map(LV2_URID_Map_Handle handle, const char* uri) {
        auto& uris = *static_cast<std::vector<std::string>*>(handle);
        for (std::size_t i = 0; i < uris.size(); ++i)
            if (uris[i] == uri) return static_cast<LV2_URID>(i + 1);
        uris.emplace_back(uri);
        return static_cast<LV2_URID>(uris.size());
    }
    static int resized(LV2UI_Feature_Handle handle, int w, int h) {
        static_cast<Lv2UiModule*>(handle)->resizes.emplace_back(w, h);
        return 0;
    }

    LV2_Options_Option scaleOption(const float& scale) {
        return {LV2_OPTIONS_INSTANCE,        0,     map(&uris, LV2_UI__scaleFactor), sizeof(float),
                map(&uris, LV2_ATOM__Float), &scale};
    }

    void open(float hostScale) {
        const LV2_Options_Option options[] = {scaleOption(hostScale), {}};
        const LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(parent)};
        const LV2_Feature mapFeature{LV2_URID__map, &uridMap};
        const LV2_Feature resizeFeature{LV2_UI__resize, &resize};
        const LV2_Feature optionsFeature{LV2_OPTIONS__options,
                                         const_cast<LV2_Options_Option*>(options)};
        const LV2_Feature* features[] = {&parentFeature, &mapFeature, &resizeFeature,
                                         &optionsFeature, nullptr};
        ui = descriptor->instantiate(descriptor, kPluginUri, "", recordWrite, &host, &widget,
                                     features);
        ASSERT_NE(ui, nullptr);
    }
    void close() {
        if (ui) descriptor->cleanup(ui);
        ui = nullptr;
    }
    void idle() {
        auto* idling = static_cast<const LV2UI_Idle_Interface*>(
            descriptor->extension_data(LV2_UI__idleInterface));
        idling->idle(ui);
    }
    void portEvent(std::uint32_t port, float value) {
        descriptor->port_event(ui, port, sizeof value, 0, &value);
    }
    std::pair<int, int> windowSize() {
        XSync(display, False);
        Window root;
        int x, y;
        unsigned w = 0, h = 0, border, depth;
        XGetGeometry(display, reinterpret_cast<Window>(widget), &root, &x, &y, &w, &h, &border,
                     &depth);
        return {static_cast<int>(w), static_cast<int>(h)};
    }
    // A click as the X server delivers it, at a point of the editor's own 730 x 302 pixels shown
    // at a scale; then the UI's idle call takes it.
    void click(double x, double y, double scale, unsigned button) {
        for (int type : {ButtonPress, ButtonRelease}) {
            XEvent e{};
            e.type = type;
            e.xbutton.window = reinterpret_cast<Window>(widget);
            e.xbutton.x = static_cast<int>(x * scale);
            e.xbutton.y = static_cast<int>(y * scale);
            e.xbutton.button = button;
            e.xbutton.time = ++time;
            e.xbutton.same_screen = True;
            XSendEvent(display, e.xbutton.window, False,
                       type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &e);
        }
        XSync(display, False);
        idle();
    }

    Display* display = nullptr;
    Window parent = 0;
    void* module = nullptr;
    const LV2UI_Descriptor* descriptor = nullptr;
    std::vector<std::string> uris;
    LV2_URID_Map uridMap{&uris, map};
    LV2UI_Resize resize{this, resized};
    HostRecord host;
    LV2UI_Handle ui = nullptr;
    LV2UI_Widget widget = nullptr;
    std::vector<std::pair<int, int>> resizes;
    Time time = 0;
};

// The host's scale factor sizes the window at once, and later through the options interface;
// the host is asked to fit its own window each time.
TEST_F(Lv2UiModule, TheHostsScaleFactorSizesTheWindowAndTheHosts) {
    open(2.0f);
    EXPECT_EQ(windowSize(), std::make_pair(1460, 604));
    ASSERT_FALSE(resizes.empty());
    EXPECT_EQ(resizes.back(), std::make_pair(1460, 604));

    const auto* options = static_cast<const LV2_Options_Interface*>(
        descriptor->extension_data(LV2_OPTIONS__interface));
    ASSERT_NE(options, nullptr);
    const float scale = 1.5f;
    const LV2_Options_Option later[] = {scaleOption(scale), {}};
    EXPECT_EQ(options->set(ui, later), LV2_OPTIONS_SUCCESS);
    EXPECT_EQ(windowSize(), std::make_pair(1095, 453));
    EXPECT_EQ(resizes.back(), std::make_pair(1095, 453));
    EXPECT_TRUE(host.writes.empty()) << "the host's scale is not the user's choice";
}

// The user's choice from the editor's menu goes to the ui_scale port and resizes; a new UI (a
// reloaded session) takes the saved value from its port event, and 0 gives the host's scale back.
TEST_F(Lv2UiModule, TheUsersChoiceIsSavedInItsPortAndRestored) {
    open(2.0f);
    click(60, 20, 2.0, Button3); // the title: the scale menu
    using Menu = CCorvaneScaleMenu;
    click(60 + Menu::kWidth / 2, 20 + 1 + 4.5 * Menu::kEntryHeight, 2.0, Button1); // 175%
    ASSERT_EQ(host.writes.size(), 1u);
    EXPECT_EQ(host.writes[0].port, static_cast<std::uint32_t>(kUiScalePort));
    EXPECT_EQ(host.writes[0].value, 1.75f);
    EXPECT_EQ(windowSize(), std::make_pair(1278, 529));
    EXPECT_EQ(resizes.back(), std::make_pair(1278, 529));

    close();
    resizes.clear();
    open(2.0f);
    portEvent(kUiScalePort, 1.75f);
    EXPECT_EQ(windowSize(), std::make_pair(1278, 529));
    EXPECT_EQ(resizes.back(), std::make_pair(1278, 529));
    portEvent(kUiScalePort, 0.0f);
    EXPECT_EQ(windowSize(), std::make_pair(1460, 604));
    EXPECT_EQ(resizes.back(), std::make_pair(1460, 604));
    idle();
    EXPECT_EQ(host.writes.size(), 1u) << "a restored choice is not written back";
}

} // namespace

namespace {

// The browser's factory programs in the LV2 UI: the host owns the presets, so choosing one
// writes its values as gestures (every parameter touched and written); typed text goes through
// the shared conversion with the UI's own sync state.
TEST_F(Lv2UiView, AFactoryProgramIsWrittenAsGesturesAndTypedTextParses) {
    EXPECT_EQ(view.programCount(), kNumPrograms);
    char name[32];
    ASSERT_TRUE(view.programNameAt(3, name, sizeof name));
    EXPECT_STREQ(name, kFactoryPrograms[3].name);
    EXPECT_FALSE(view.programNameAt(kNumPrograms, name, sizeof name));
    view.selectProgram(3);
    EXPECT_EQ(view.currentProgram(), 3);
    EXPECT_EQ(host.touches.size(), 2u * kNumParams);
    for (int i = 0; i < kNumParams; ++i)
        EXPECT_FLOAT_EQ(view.parameterValue(i), kFactoryPrograms[3].values[i]) << i;
    float n = 0.0f;
    view.portValue(kLfoSync, 0.0f);
    ASSERT_TRUE(view.parseTyped(kLfoRate, "4 Hz", n));
    EXPECT_FALSE(view.parseTyped(kLfoRate, "1/8T", n));
    view.portValue(kLfoSync, 1.0f);
    EXPECT_TRUE(view.parseTyped(kLfoRate, "1/8T", n));
}

} // namespace
