// The editor opened and closed 200 times in a row in each edition's own module (VST 2.4, the LV2
// UI, CLAP), as a host with its own window does: afterwards no file descriptor, X connection, X
// window or heap memory is left behind, every editor's connection is gone from the server with
// all its windows and pixmaps, and no X error reached the host's handler. Skipped without an X
// server.

#include "host_test_support.h"

#include "lv2/corvane_lv2_ports.h"
#ifdef CORVANE_CLAP
#include "clap/clap_test_host.h"
#endif

#include <lv2/ui/ui.h>

#include <dlfcn.h>
#include <malloc.h>

#include <filesystem>
#include <functional>

// After gtest: Xlib's macros would break its headers.
#include <X11/Xlib.h>
#include <X11/extensions/XRes.h>

namespace corvane::tools {
namespace {

constexpr int kCycles = 200;
int g_hostErrors = 0;

int countingHandler(Display*, XErrorEvent*) {
    ++g_hostErrors;
    return 0;
}

struct Counts {
    std::size_t fds = 0;
    std::size_t heap = 0;
    unsigned children = 0;
};

class EditorLifecycleTest : public ::testing::Test {
protected:
    void SetUp() override {
        display = XOpenDisplay(nullptr);
        if (display == nullptr) GTEST_SKIP() << "no X server";
        int event = 0, error = 0;
        if (!XResQueryExtension(display, &event, &error)) GTEST_SKIP() << "no X-Resource";
        parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 730, 302, 0, 0, 0);
        XMapWindow(display, parent);
        XSync(display, False);
        // The host's handler: the editor's errors must stay on its own connection.
        g_hostErrors = 0;
        previous = XSetErrorHandler(countingHandler);
    }
    void TearDown() override {
        if (display == nullptr) return;
        XSetErrorHandler(previous);
        XDestroyWindow(display, parent);
        XCloseDisplay(display);
    }

    Counts count() {
        XSync(display, False);
        Counts c;
        // An X connection left open is a socket left open: the descriptors count it, where the
        // server's client list would also count other tests connected meanwhile.
        for ([[maybe_unused]] const auto& entry :
             std::filesystem::directory_iterator("/proc/self/fd"))
            ++c.fds;
        c.heap = mallinfo2().uordblks;
        Window root = 0, up = 0, *children = nullptr;
        XQueryTree(display, parent, &root, &up, &children, &c.children);
        if (children != nullptr) XFree(children);
        return c;
    }

    // The client (connection) that owns the editor's window: its resource base.
    XID editorClient() {
        Window root = 0, up = 0, *children = nullptr;
        unsigned n = 0;
        XQueryTree(display, parent, &root, &up, &children, &n);
        const Window child = n == 1 ? children[0] : 0;
        if (children != nullptr) XFree(children);
        int count = 0;
        XResClient* clients = nullptr;
        XResQueryClients(display, &count, &clients);
        XID base = 0;
        for (int i = 0; i < count; ++i)
            if (child != 0 && (child & ~clients[i].resource_mask) == clients[i].resource_base)
                base = clients[i].resource_base;
        if (clients != nullptr) XFree(clients);
        return base;
    }
    bool clientAlive(XID base) {
        int count = 0;
        XResClient* clients = nullptr;
        XResQueryClients(display, &count, &clients);
        bool alive = false;
        for (int i = 0; i < count; ++i)
            alive = alive || clients[i].resource_base == base;
        if (clients != nullptr) XFree(clients);
        return alive;
    }
    // The windows and pixmaps the client holds.
    int windowsAndPixmaps(XID base) {
        int types = 0;
        XResType* counts = nullptr;
        XResQueryClientResources(display, base, &types, &counts);
        const Atom window = XInternAtom(display, "WINDOW", False);
        const Atom pixmap = XInternAtom(display, "PIXMAP", False);
        int held = 0;
        for (int i = 0; i < types; ++i)
            if (counts[i].resource_type == window || counts[i].resource_type == pixmap)
                held += static_cast<int>(counts[i].count);
        if (counts != nullptr) XFree(counts);
        return held;
    }

    // open, a few idle calls, close; kCycles times after a few to warm the caches (fonts,
    // bitmaps, Xlib's own), checking each editor's connection while open and after close.
    void cycle(const std::function<bool()>& open, const std::function<void()>& idle,
               const std::function<void()>& close) {
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(open());
            idle();
            close();
        }
        const Counts before = count();
        for (int i = 0; i < kCycles; ++i) {
            ASSERT_TRUE(open()) << i;
            for (int k = 0; k < 3; ++k)
                idle();
            XSync(display, False);
            const XID client = editorClient();
            ASSERT_NE(client, 0u) << i;
            EXPECT_GT(windowsAndPixmaps(client), 0) << i;
            close();
            XSync(display, False);
            ASSERT_FALSE(clientAlive(client)) << i;
        }
        const Counts after = count();
        EXPECT_EQ(after.fds, before.fds);
        EXPECT_EQ(after.children, 0u);
        // A leak of even 100 bytes a cycle would show; allocator slack stays far below.
        EXPECT_LT(after.heap, before.heap + kCycles * 100) << before.heap << " -> " << after.heap;
        EXPECT_EQ(g_hostErrors, 0);
    }

    Display* display = nullptr;
    Window parent = 0;
    XErrorHandler previous = nullptr;
};

TEST_F(EditorLifecycleTest, Vst24EditionLeavesNothingBehind) {
    std::string error;
    auto plugin = HostedPlugin::load(CORVANE_MODULE, error);
    ASSERT_NE(plugin, nullptr) << error;
    cycle([&] { return plugin->open_editor(parent); },
          [&] {
              plugin->editor_idle();
              plugin->clear_calls();
          },
          [&] { plugin->close_editor(); });
    // A host that keeps calling idle after close, and sets parameters, finds nothing to do.
    plugin->editor_idle();
    plugin->set_parameter(5, 0.3f);
    plugin->editor_idle();
    EXPECT_EQ(g_hostErrors, 0);
}

TEST_F(EditorLifecycleTest, Lv2UiLeavesNothingBehind) {
    const std::string module = std::string(CORVANE_LV2_BUNDLE) + "/corvane_ui.so";
    void* library = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    using DescriptorFunction = const LV2UI_Descriptor* (*)(uint32_t);
    auto describe = reinterpret_cast<DescriptorFunction>(dlsym(library, "lv2ui_descriptor"));
    ASSERT_NE(describe, nullptr);
    const LV2UI_Descriptor* ui = describe(0);
    ASSERT_NE(ui, nullptr);
    const auto* idleInterface =
        static_cast<const LV2UI_Idle_Interface*>(ui->extension_data(LV2_UI__idleInterface));
    ASSERT_NE(idleInterface, nullptr);

    LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(parent)};
    const LV2_Feature* features[] = {&parentFeature, nullptr};
    const auto write = [](LV2UI_Controller, uint32_t, uint32_t, uint32_t, const void*) {};
    LV2UI_Handle handle = nullptr;
    cycle(
        [&] {
            LV2UI_Widget widget = nullptr;
            handle = ui->instantiate(ui, lv2::kPluginUri, CORVANE_LV2_BUNDLE, write, nullptr,
                                     &widget, features);
            return handle != nullptr && widget != nullptr;
        },
        [&] { idleInterface->idle(handle); },
        [&] {
            ui->cleanup(handle);
            handle = nullptr;
        });
    dlclose(library);
}

#ifdef CORVANE_CLAP
TEST_F(EditorLifecycleTest, ClapEditionLeavesNothingBehind) {
    test::ClapModule module(CORVANE_CLAP);
    test::ClapTestHost host;
    test::ClapInstance instance(module, host);
    ASSERT_NE(instance.gui, nullptr);
    const clap_plugin* p = instance.plugin;
    cycle(
        [&] {
            clap_window window{CLAP_WINDOW_API_X11, {}};
            window.x11 = parent;
            return instance.gui->create(p, CLAP_WINDOW_API_X11, false) &&
                   instance.gui->set_parent(p, &window) && instance.gui->show(p) &&
                   host.timers.size() == 1;
        },
        [&] { instance.timer->on_timer(p, host.timers.at(0)); },
        [&] {
            instance.gui->destroy(p);
            // The window's timer and connection go with it.
            EXPECT_TRUE(host.timers.empty());
            EXPECT_TRUE(host.fds.empty());
        });
}
#endif

} // namespace
} // namespace corvane::tools
