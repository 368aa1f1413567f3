#include "gui/x11_desktop_scale.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace VSTGUI::x11 {

namespace {

constexpr double kMaxScale = 3;

// A positive number spanning the whole text (surrounding blanks allowed); 0 otherwise.
double parseNumber(const char* begin, const char* end) {
    while (begin < end && (*begin == ' ' || *begin == '\t'))
        ++begin;
    while (end > begin && (end[-1] == ' ' || end[-1] == '\t' || end[-1] == '\r'))
        --end;
    if (begin == end || end - begin > 31) return 0;
    char text[32];
    std::memcpy(text, begin, size_t(end - begin));
    text[end - begin] = 0;
    char* stop = nullptr;
    const double value = std::strtod(text, &stop);
    return stop == text + (end - begin) && std::isfinite(value) && value > 0 ? value : 0;
}

// Xft.dpi's value in the resource lines, 0 when absent or not a number.
double xftDpi(const char* resources) {
    static const char kName[] = "Xft.dpi:";
    for (const char* line = resources; line != nullptr && *line != 0;) {
        const char* end = std::strchr(line, '\n');
        if (end == nullptr) end = line + std::strlen(line);
        if (std::strncmp(line, kName, sizeof kName - 1) == 0)
            return parseNumber(line + sizeof kName - 1, end);
        line = *end != 0 ? end + 1 : end;
    }
    return 0;
}

// GDK_SCALE's value when it is a whole number from 1 up, 0 otherwise.
double wholeGdkScale(const char* text) {
    if (text == nullptr) return 0;
    const double value = parseNumber(text, text + std::strlen(text));
    return value >= 1 && value == std::floor(value) ? value : 0;
}

double roundToQuarter(double scale) {
    return std::clamp(std::round(scale * 4) / 4, 1.0, kMaxScale);
}

} // namespace

double desktopScaleFrom(const char* gdkScale, const char* resources) {
    const double whole = wholeGdkScale(gdkScale);
    if (whole > 0) return roundToQuarter(whole);
    const double dpi = xftDpi(resources);
    return dpi > 0 ? roundToQuarter(dpi / 96) : 1;
}

double desktopScale() {
    const char* gdk = std::getenv("GDK_SCALE");
    // A whole GDK_SCALE decides alone: no need to ask the server.
    if (wholeGdkScale(gdk) > 0) return desktopScaleFrom(gdk, nullptr);
    // The server's resources are read once per process: a connection per editor would be costly,
    // and under a virtual server with no other client each one that closes resets the server,
    // refusing whoever connects at that moment.
    static std::once_flag once;
    static std::string resources;
    std::call_once(once, [] {
        Display* display = XOpenDisplay(nullptr);
        if (display == nullptr) return;
        const char* text = XResourceManagerString(display);
        if (text != nullptr) resources = text;
        XCloseDisplay(display);
    });
    return desktopScaleFrom(gdk, resources.c_str());
}

} // namespace VSTGUI::x11
