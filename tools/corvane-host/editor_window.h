#pragma once

#include "tools/corvane-host/plugin_instance.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace corvane::tools {

// A screen capture: 32-bit pixels 0xAARRGGBB (alpha always 255), row by row.
struct WindowImage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
};

// A top-level X11 window that holds a plug-in's editor the way a host's plug-in window does: the
// window takes the size the editor asks for (effEditGetRect), its id goes to effEditOpen as the
// parent, the host's loop calls effEditIdle, and the editor is closed before the window goes.
// Requests from the plug-in to resize its window are granted. User-interface thread only: the
// window's connection to the X server is this object's own.
class EditorWindow {
public:
    // Connects to the X server named by DISPLAY and makes the (unmapped) window; null with a
    // reason when there is no X server or the plug-in has no editor with a size.
    static std::unique_ptr<EditorWindow> create(PluginInstance& plugin, const std::string& title,
                                                std::string& error);
    // Closes the editor if it is open, then destroys the window.
    ~EditorWindow();
    EditorWindow(const EditorWindow&) = delete;
    EditorWindow& operator=(const EditorWindow&) = delete;

    // Shows the window and waits until the server has mapped it.
    void show();
    // effEditOpen with this window as the parent; the plug-in's answer. Asking again while open
    // is passed on too, so a host test can see the plug-in refuse.
    bool open_editor();
    void close_editor();
    bool editor_open() const { return open_; }

    // Handles the window's own events (the user closing it), then lets the editor idle.
    void idle();
    bool close_requested() const { return close_requested_; }

    // The window's content as it is on screen, the editor's child windows included.
    bool capture(WindowImage& image, std::string& error);
    bool screenshot(const std::string& path, std::string& error);

    unsigned long window() const { return window_; }
    // The Xlib display connection (a Display*), for tests that send the editor events.
    void* display() const { return display_; }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    EditorWindow(PluginInstance& plugin, void* display, unsigned long window, int width,
                 int height);
    void resize(int width, int height);

    PluginInstance& plugin_;
    void* display_;
    unsigned long window_;
    unsigned long delete_atom_ = 0;
    int width_;
    int height_;
    bool open_ = false;
    bool close_requested_ = false;
};

// Writes a capture as a PNG file.
bool write_png(const WindowImage& image, const std::string& path, std::string& error);

} // namespace corvane::tools
